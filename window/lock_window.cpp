// The lock window's life: creation, the event routing to the lock, and the refused ways to close.
#include "lock_window.h"

#include <utility>

#include "control_ids.h"
#include "resources/resource_ids.h"
#include "texts.h"
#include "utf16.h"

namespace torvelt {

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr int kTickMilliseconds = 1000;
// Timer messages come only once nothing is left to paint: the logo is decoded after the window
// has the keyboard and shows, and nothing the user needs first waits for it.
constexpr UINT_PTR kLogoTimerId = 2;

}  // namespace

LockWindow::LockWindow(HINSTANCE instance, Contact contact)
    : instance_(instance),
      lock_(runtime_, *this, std::move(contact)),
      keyPress_([this](std::int16_t& code) { onKeyPress(code); }) {}

void LockWindow::open() {
    registerClasses();
    // Opened where it stays, as a program's first window opens: on the primary monitor, at the
    // system's DPI (the primary monitor's at logon), centred in its work area. A move after
    // would cost a round trip to the window server for each step.
    const UINT dpi = ::GetDpiForSystem();
    const RECT frame = centredFrame(::MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), dpi);
    ::CreateWindowExW(kExStyle, ids::kWindowClass, ids::kWindowTitle, WS_OVERLAPPEDWINDOW,
                      frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                      nullptr, nullptr, instance_, this);
    if (!window_) {
        throw RuntimeError("Fenster nicht erstellt");
    }
    // The controls took the window's own DPI; it differs if the primary monitor's scale changed
    // since logon.
    if (const UINT own = ::GetDpiForWindow(window_); own != dpi) {
        const RECT fitting =
            centredFrame(::MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), own);
        ::SetWindowPos(window_, nullptr, fitting.left, fitting.top, fitting.right - fitting.left,
                       fitting.bottom - fitting.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::ShowWindow(window_, SW_SHOW);
    ::SetForegroundWindow(window_);
    focusPaßworttext();
    ::SetTimer(window_, kLogoTimerId, USER_TIMER_MINIMUM, nullptr);
}

void LockWindow::registerClasses() {
    registerPictureBoxClass(instance_);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    // CS_NOCLOSE greys the close button and removes Close from the system menu.
    windowClass.style = CS_NOCLOSE;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = ids::kWindowClass;
    windowClass.hIcon = static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TORVELT),
                                                        IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    windowClass.hIconSm = static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TORVELT),
                                                          IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    if (!::RegisterClassExW(&windowClass)) {
        throw RuntimeError("Fensterklasse nicht registriert");
    }
}

bool LockWindow::isStrayCharacter(const MSG& message) const {
    return message.message == WM_CHAR && message.hwnd != control(ids::kPaßworttext) &&
           (message.hwnd == window_ || ::IsChild(window_, message.hwnd));
}

LRESULT CALLBACK LockWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<LockWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<LockWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return self->onMessage(message, wParam, lParam);
}

LRESULT LockWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            guarded([this] { onCreate(); });
            return 0;
        case WM_TIMER:
            if (wParam == kTimerId) {
                guarded([this] { lock_.Timer_Timer(); });
            } else if (wParam == kLogoTimerId) {
                ::KillTimer(window_, kLogoTimerId);
                showLogo();
            }
            return 0;
        case WM_COMMAND:
            guarded([&] { onCommand(LOWORD(wParam), HIWORD(wParam)); });
            return 0;
        case WM_ACTIVATE:
            onActivate(LOWORD(wParam) != WA_INACTIVE);
            return 0;
        case WM_DPICHANGED:
            onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_CLOSE:
            return 0;  // the lock ends only by its own roads
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                return 0;
            }
            break;
        default:
            break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

void LockWindow::onCreate() {
    runtime_.setOwner(window_);
    loadImages();
    createControls(::GetDpiForWindow(window_));
    guarded([this] { lock_.Form_Load(); });
    // Started only now so that no tick can come before the start-up has read the settings.
    setTimerInterval(kTickMilliseconds);
}

void LockWindow::onCommand(int id, int notification) {
    if (notification != BN_CLICKED) {  // STN_CLICKED has the same value
        return;
    }
    switch (id) {
        case ids::kKlickOK:
            lock_.Klick_OK_Click();
            break;
        case ids::kKlickAbbruch:
            lock_.Klick_Abbruch_Click();
            // Answered No: the button took the focus when it was pressed; give it back to the
            // field, so that the lock is as it was before.
            focusPaßworttext();
            break;
        case ids::kPicture1:
            lock_.Picture1_About();
            break;
        default:
            break;  // IDOK and IDCANCEL from the dialog manager press no button
    }
}

// Like a dialog: the focus comes back to the control that had it when the window was left.
void LockWindow::onActivate(bool active) {
    if (!active) {
        const HWND focus = ::GetFocus();
        focusBeforeDeactivation_ = (focus && ::IsChild(window_, focus)) ? focus : nullptr;
        return;
    }
    ::SetFocus(focusBeforeDeactivation_ ? focusBeforeDeactivation_ : control(ids::kPaßworttext));
}

void LockWindow::onDpiChanged(UINT dpi, const RECT& suggested) {
    ::SetWindowPos(window_, nullptr, suggested.left, suggested.top,
                   suggested.right - suggested.left, suggested.bottom - suggested.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    applyLayout(dpi);
}

void LockWindow::onKeyPress(std::int16_t& code) {
    guarded([&] { lock_.Paßworttext_KeyPress(code); });
}

// No C++ exception may cross the window procedure; an error no routine traps is shown and the
// lock carries on.
template <typename Routine>
void LockWindow::guarded(Routine&& routine) {
    try {
        routine();
    } catch (const std::exception& error) {
        reportError(&error);
    } catch (...) {
        reportError(nullptr);
    }
}

void LockWindow::reportError(const std::exception* error) {
    std::string text(texts::kUnexpectedError);
    if (const auto* runtimeError = dynamic_cast<const RuntimeError*>(error)) {
        text += "\r\r" + std::string(runtimeError->what());
    }
    ::MessageBoxW(window_, win32::toUtf16(text).c_str(),
                  win32::toUtf16(texts::kUnexpectedErrorTitle).c_str(), MB_OK | MB_ICONSTOP);
}

std::string LockWindow::paßworttextText() {
    return win32::windowText(control(ids::kPaßworttext));
}

void LockWindow::setPaßworttextText(const std::string& text) {
    ::SetWindowTextW(control(ids::kPaßworttext), win32::toUtf16(text).c_str());
}

void LockWindow::focusPaßworttext() {
    ::SetFocus(control(ids::kPaßworttext));
}

void LockWindow::setTimerTextCaption(const std::string& caption) {
    const std::wstring text = win32::toUtf16(caption);
    ::SetWindowTextW(control(ids::kTimerText), text.c_str());
    sizeTimerText(text);
}

// Setting the running interval again would restart the period and shift every later tick.
void LockWindow::setTimerInterval(int milliseconds) {
    if (milliseconds == timerInterval_) {
        return;
    }
    timerInterval_ = milliseconds;
    if (milliseconds <= 0) {
        ::KillTimer(window_, kTimerId);
    } else {
        ::SetTimer(window_, kTimerId, static_cast<UINT>(milliseconds), nullptr);
    }
}

}  // namespace torvelt
