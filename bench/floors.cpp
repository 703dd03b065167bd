// The bench's floors: a bare window; a themed window with one push button; a ticking label; and
// a ticking label beside a focused password field.
#include <windows.h>

namespace {

// 0: one empty window. 1: one push button, themed by the lock's manifest. 2: that and one static
// label that a one-second timer rewrites, as the lock's countdown is rewritten. 3: that and a
// password field with the focus, whose caret blinks as the lock's does.
constexpr int kFloor = BENCH_FLOOR;
constexpr UINT_PTR kTimerId = 1;

HWND label = nullptr;
int seconds = 32000;

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kTimerId) {
        wchar_t text[40];
        ::wsprintfW(text, L"Timeout in: %d sekunden", --seconds);
        ::SetWindowTextW(label, text);
        return 0;
    }
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// A control in the dialog font. A stock object: nothing to own, and the floors stay free of the
// C++ library, whose unwinding any owner type with a destructor would bring in.
HWND addControl(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                int top) {
    const HWND control = ::CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, 10,
                                           top, 200, 25, parent, nullptr, nullptr, nullptr);
    ::SendMessageW(control, WM_SETFONT,
                   reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return control;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    // The lock window's background, so that painting costs the same kind of work.
    windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = L"TorveltBenchFloor";
    if (!::RegisterClassExW(&windowClass)) {
        return 1;
    }
    const HWND window = ::CreateWindowExW(
        WS_EX_CONTROLPARENT, windowClass.lpszClassName, L"Bench floor", WS_OVERLAPPEDWINDOW,
        CW_USEDEFAULT, CW_USEDEFAULT, 400, 200, nullptr, nullptr, instance, nullptr);
    if (!window) {
        return 1;
    }
    HWND focus = window;
    if (kFloor >= 1) {
        focus = addControl(window, L"BUTTON", L"Ok", WS_TABSTOP | BS_PUSHBUTTON, 10);
    }
    if (kFloor >= 2) {
        label = addControl(window, L"STATIC", L"Timeout in: 32000 sekunden",
                           SS_NOPREFIX | SS_LEFTNOWORDWRAP, 45);
        ::SetTimer(window, kTimerId, 1000, nullptr);
    }
    if (kFloor >= 3) {
        focus = addControl(window, L"EDIT", L"",
                           WS_TABSTOP | WS_BORDER | ES_PASSWORD | ES_AUTOHSCROLL, 80);
    }
    // The same three steps the lock takes to come up in front with the focus.
    ::ShowWindow(window, SW_SHOW);
    ::SetForegroundWindow(window);
    ::SetFocus(focus);
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageW(window, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
