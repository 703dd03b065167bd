// Building the lock window's controls and placing them at the screen's DPI.
#include <algorithm>
#include <span>

#include "control_ids.h"
#include "gif_picture.h"
#include "layout.h"
#include "lock_window.h"
#include "resources/resource_ids.h"
#include "utf16.h"

namespace torvelt {

namespace {

constexpr int kFirstControlId = ids::kPicture2;

std::span<const std::uint8_t> resourceBytes(HINSTANCE instance, int id) {
    const HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
    const HGLOBAL loaded = found ? ::LoadResource(instance, found) : nullptr;
    if (!loaded) {
        return {};
    }
    return {static_cast<const std::uint8_t*>(::LockResource(loaded)),
            ::SizeofResource(instance, found)};
}

DWORD styleOf(layout::Kind kind) {
    switch (kind) {
        case layout::Kind::Button:
            return WS_TABSTOP | BS_PUSHBUTTON | WS_CLIPSIBLINGS;
        case layout::Kind::Label:
            return SS_NOPREFIX;
        default:
            return 0;
    }
}

// The twips layout was made for the dialog font at 8 pt: the user's message font (Segoe UI 9 pt
// on Windows 10 and 11, or whatever was chosen) would not fit the fixed labels.
win32::UniqueGdiObject dialogFont(UINT dpi) {
    return win32::UniqueGdiObject(
        ::CreateFontW(-::MulDiv(layout::kFontPoints, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL,
                      FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                      DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, layout::kFontFace));
}

SIZE frameSize(UINT dpi) {
    const int scale = static_cast<int>(dpi);
    RECT frame{0, 0, layout::toPixels(layout::kClientWidth, scale),
               layout::toPixels(layout::kClientHeight, scale)};
    ::AdjustWindowRectExForDpi(&frame, WS_OVERLAPPEDWINDOW, FALSE, LockWindow::kExStyle, dpi);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace

void LockWindow::loadImages() {
    picture2Icon_.reset(static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_PICTURE2),
                                                        IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR)));
    picture2_.icon = picture2Icon_.get();
}

// Until then the logo's box shows the background, then the whole picture.
void LockWindow::showLogo() {
    DecodedPicture picture = decodeGif(resourceBytes(instance_, IDR_PICTURE1));
    picture1_.bitmap = static_cast<HBITMAP>(picture.bitmap.get());
    picture1_.bitmapWidth = picture.width;
    picture1_.bitmapHeight = picture.height;
    picture1Bitmap_ = std::move(picture.bitmap);
    ::InvalidateRect(control(ids::kPicture1), nullptr, FALSE);
}

// Each control is made in its place, in its font and in z-order, so that none has to be moved
// before the window shows.
void LockWindow::createControls(UINT dpi) {
    font_ = dialogFont(dpi);
    for (const layout::Control& place : layout::kControls) {
        const HWND created = createControl(place, layout::toPixels(place, static_cast<int>(dpi)));
        ::SendMessageW(created, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        controls_[static_cast<std::size_t>(place.id - kFirstControlId)] = created;
    }
}

HWND LockWindow::createControl(const layout::Control& place, const RECT& at) {
    if (place.kind == layout::Kind::Picture) {
        return createPictureBox(window_, place.id,
                                place.id == ids::kPicture2 ? &picture2_ : &picture1_, at);
    }
    if (place.kind == layout::Kind::Edit) {
        return createPasswordField(window_, place.id, &keyPress_, at);
    }
    const wchar_t* windowClass = place.kind == layout::Kind::Button ? L"BUTTON" : L"STATIC";
    const DWORD align = place.kind != layout::Kind::Label ? 0
                        : place.id == ids::kLabel1        ? SS_CENTER
                                                          : SS_LEFTNOWORDWRAP;
    return ::CreateWindowExW(0, windowClass, win32::toUtf16(place.text).c_str(),
                             WS_CHILD | WS_VISIBLE | styleOf(place.kind) | align, at.left, at.top,
                             at.right - at.left, at.bottom - at.top, window_,
                             reinterpret_cast<HMENU>(INT_PTR{place.id}), instance_, nullptr);
}

// A new DPI (the window moved to another monitor): everything made anew for it.
void LockWindow::applyLayout(UINT dpi) {
    win32::UniqueGdiObject font = dialogFont(dpi);
    for (const layout::Control& place : layout::kControls) {
        const HWND child = control(place.id);
        const RECT at = layout::toPixels(place, static_cast<int>(dpi));
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        ::SetWindowPos(child, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    font_ = std::move(font);
    timerTextShape_.clear();
    sizeTimerText(win32::toUtf16(win32::windowText(control(ids::kTimerText))));
    const SIZE frame = frameSize(dpi);
    ::SetWindowPos(window_, nullptr, 0, 0, frame.cx, frame.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Drawn anew at once, controls included: until then a moved control could show what stood
    // there before, such as the logo at its old size.
    ::RedrawWindow(window_, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// Measured only when the caption's shape changes: the digits of the system fonts share one
// width, so a countdown that only changes digits keeps its size and costs no measuring.
void LockWindow::sizeTimerText(const std::wstring& text) {
    std::wstring shape = text;
    std::ranges::replace_if(
        shape, [](wchar_t c) { return c >= L'0' && c <= L'9'; }, L'0');
    const HWND label = control(ids::kTimerText);
    if (!label || !font_ || shape == timerTextShape_) {
        return;
    }
    timerTextShape_ = std::move(shape);
    // A memory DC measures as the label's own would, without asking the window server for one.
    const win32::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    ::SelectObject(dc.get(), font_.get());
    SIZE extent{};
    ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
    ::SetWindowPos(label, nullptr, 0, 0, extent.cx, extent.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT LockWindow::centredFrame(HMONITOR monitor, UINT dpi) {
    const SIZE size = frameSize(dpi);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    ::GetMonitorInfoW(monitor, &info);
    const RECT& work = info.rcWork;
    const int left = work.left + (work.right - work.left - size.cx) / 2;
    const int top = work.top + (work.bottom - work.top - size.cy) / 2;
    return {left, top, left + size.cx, top + size.cy};
}

HWND LockWindow::control(int id) const {
    const auto index = static_cast<std::size_t>(id - kFirstControlId);
    return index < controls_.size() ? controls_[index] : nullptr;
}

}  // namespace torvelt
