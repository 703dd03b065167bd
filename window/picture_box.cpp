// The picture box control: paints its content, draws a focus frame, reports press-release clicks.
#include "picture_box.h"

#include <windowsx.h>

#include "unique_handles.h"

namespace torvelt {

namespace {

const PictureContent* contentOf(HWND window) {
    return reinterpret_cast<const PictureContent*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

void drawBitmap(HDC dc, const PictureContent& content, const RECT& area) {
    const win32::UniqueMemoryDc memory(::CreateCompatibleDC(dc));
    const HGDIOBJ previous = ::SelectObject(memory.get(), content.bitmap);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::GdiAlphaBlend(dc, 0, 0, area.right, area.bottom, memory.get(), 0, 0, content.bitmapWidth,
                    content.bitmapHeight, blend);
    ::SelectObject(memory.get(), previous);
}

void paint(HWND window) {
    PAINTSTRUCT paintInfo;
    const HDC dc = ::BeginPaint(window, &paintInfo);
    RECT area;
    ::GetClientRect(window, &area);
    ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_BTNFACE));
    if (const PictureContent* content = contentOf(window)) {
        if (content->icon) {
            ::DrawIconEx(dc, 0, 0, content->icon, area.right, area.bottom, 0, nullptr, DI_NORMAL);
        } else if (content->bitmap) {
            drawBitmap(dc, *content, area);
        }
    }
    if (::GetFocus() == window) {
        ::DrawFocusRect(dc, &area);
    }
    ::EndPaint(window, &paintInfo);
}

bool releasedInside(HWND window, LPARAM position) {
    RECT area;
    ::GetClientRect(window, &area);
    return ::PtInRect(&area, POINT{GET_X_LPARAM(position), GET_Y_LPARAM(position)}) != FALSE;
}

LRESULT CALLBACK pictureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            paint(window);
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            ::InvalidateRect(window, nullptr, TRUE);
            return 0;
        case WM_LBUTTONDOWN:
            // A click is a press and a release on the box: the capture marks the press.
            ::SetCapture(window);
            return 0;
        case WM_LBUTTONUP:
            if (::GetCapture() == window) {
                ::ReleaseCapture();
                if (releasedInside(window, lParam)) {
                    ::SendMessageW(::GetParent(window), WM_COMMAND,
                                   MAKEWPARAM(::GetDlgCtrlID(window), STN_CLICKED),
                                   reinterpret_cast<LPARAM>(window));
                }
            }
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

void registerPictureBoxClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = pictureProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kPictureBoxClass;
    ::RegisterClassExW(&windowClass);
}

HWND createPictureBox(HWND parent, int id, const PictureContent* content, const RECT& at) {
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    const HWND box =
        ::CreateWindowExW(0, kPictureBoxClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, at.left,
                          at.top, at.right - at.left, at.bottom - at.top, parent,
                          reinterpret_cast<HMENU>(INT_PTR{id}), instance, nullptr);
    ::SetWindowLongPtrW(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(content));
    return box;
}

}  // namespace torvelt
