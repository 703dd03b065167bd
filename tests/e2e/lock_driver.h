// Works a real torvelt.exe from outside, as its user and its system would: settings, keys, windows.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ranges>
#include <string>
#include <utility>
#include <vector>

#include "control_ids.h"
#include "process_window.h"
#include "registry_settings.h"
#include "texts.h"
#include "unique_handles.h"
#include "utf16.h"

namespace torvelt::e2e {

using namespace std::chrono_literals;
using win32::toUtf16;

// Reads until `done(value)` holds or `bound` has passed (long enough for Wine on a busy machine),
// and returns the last value read, so that a failed expectation shows what was there instead.
template <typename Read, typename Done>
auto poll(Read read, Done done, std::chrono::milliseconds bound = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    auto value = read();
    while (!done(value) && std::chrono::steady_clock::now() < deadline) {
        ::Sleep(20);
        value = read();
    }
    return value;
}

inline LRESULT sendTo(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

// The pixels of a control as the screen shows it, row by row, once `draw` has drawn over a copy.
template <typename Draw = void (*)(HDC, int, int)>
std::vector<COLORREF> pixels(
    HWND control, Draw draw = [](HDC, int, int) {}) {
    RECT area;
    ::GetWindowRect(control, &area);
    const int width = area.right - area.left, height = area.bottom - area.top;
    const HDC screen = ::GetDC(nullptr);
    const win32::UniqueGdiObject bitmap(::CreateCompatibleBitmap(screen, width, height));
    const win32::UniqueMemoryDc dc(::CreateCompatibleDC(screen));
    ::SelectObject(dc.get(), bitmap.get());
    ::BitBlt(dc.get(), 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    ::ReleaseDC(nullptr, screen);
    draw(dc.get(), width, height);
    std::vector<COLORREF> read;
    for (int i = 0; i < width * height; ++i) {
        read.push_back(::GetPixel(dc.get(), i % width, i / width));
    }
    return read;
}

// Wine tells no other process about a box's icon handle: the icon shown is the system icon (Stop,
// Question, Information) that, drawn on the colour of the shown one's corner, gives its pixels.
inline char iconShown(HWND control) {
    const std::vector<COLORREF> shown = pixels(control);
    for (const auto& [icon, id] :
         {std::pair('S', 32513), std::pair('Q', 32514), std::pair('I', 32516)}) {
        const auto drawn = pixels(control, [id](HDC dc, int width, int height) {
            ::StretchBlt(dc, 0, 0, width, height, dc, 0, 0, 1, 1, SRCCOPY);
            ::DrawIconEx(dc, 0, 0, ::LoadIconW(nullptr, MAKEINTRESOURCEW(id)), width, height, 0,
                         nullptr, DI_NORMAL);
        });
        if (drawn == shown) {
            return icon;
        }
    }
    return '?';
}

// A message box as its user sees it, in one line: title|text|icon|buttons, the default one
// marked '*'. That is the default style: Wine never tells the dialog manager, so DM_GETDEFID
// answers IDOK even where No is the default.
inline std::string boxShown(HWND box) {
    std::string icon = "-", buttons;
    for (HWND child = nullptr; (child = ::FindWindowExW(box, child, nullptr, nullptr));) {
        const LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
        const int id = ::GetDlgCtrlID(child);
        if (!::IsWindowVisible(child) || id == 0xFFFF) {
        } else if ((style & SS_TYPEMASK) == SS_ICON && win32::windowText(child).empty()) {
            icon =
                poll([&] { return iconShown(child); }, [](char seen) { return seen != '?'; }, 2s);
        } else {
            const char* name = id == IDOK ? " ok" : id == IDYES ? " yes" : " no";
            buttons += name + std::string((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON ? "*" : "");
        }
    }
    return win32::windowText(box) + '|' + win32::windowText(::GetDlgItem(box, 0xFFFF)) + '|' +
           icon + '|' + buttons;
}

// A value of the password section, its text (in UTF-8) stored with a closing NUL as UTF-16
// whatever the type: "\7" as a REG_DWORD is 7. Or `raw` as it stands, as other tools may write:
// a character after it keeps the system from counting in a NUL that would follow.
struct Setting {
    std::string name, data;
    DWORD type = REG_SZ;
    std::wstring raw{};
};
inline void writeSetting(const Setting& setting) {
    const std::wstring wide = setting.raw.empty() ? toUtf16(setting.data) + L'\0' : setting.raw;
    ::RegSetKeyValueW(HKEY_CURRENT_USER, win32::settingsPath(texts::kApp, texts::kSection).c_str(),
                      toUtf16(setting.name).c_str(), setting.type, (wide + L'!').c_str(),
                      static_cast<DWORD>(wide.size() * 2));
}
// Under HKEY_CURRENT_USER: a value as text (not expanded), a DWORD (here always below 65536) in
// decimal, "(none)" if there is none; with no name the number of subkeys, "(none)" without a key.
inline std::string read(const std::wstring& key, const char* name = nullptr) {
    wchar_t data[512] = {};
    DWORD type = REG_NONE, size = sizeof(data), subkeys = 0;
    HKEY opened = nullptr;
    ::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened);
    const win32::UniqueKey held(opened);
    ::RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr);
    ::RegGetValueW(opened, nullptr, name ? toUtf16(name).c_str() : nullptr,
                   RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size);
    return !opened             ? "(none)"
           : !name             ? std::to_string(subkeys)
           : type == REG_DWORD ? std::to_string(data[0])
           : type == REG_SZ    ? win32::toUtf8(data)
                               : "(none)";
}
inline std::string fileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Input goes to the focus of the foreground window; the driver has no window of its own.
inline void send(HWND to, std::vector<INPUT> inputs) {
    poll([&] { return ::GetForegroundWindow() == to || ::SetForegroundWindow(to); },
         [&](bool) { return ::GetForegroundWindow() == to; });
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// One torvelt.exe process and its windows; a process still running at the end is terminated.
class Lock {
  public:
    ~Lock() {
        ::TerminateProcess(process_.get(), 1);
        ::WaitForSingleObject(process_.get(), 5000);
    }

    // Starts the command line, by default $TORVELT_EXE; ready once the lock's window shows with
    // the focus in the password field, or once its start-up has shown a message box (then once
    // that box is answered).
    bool start(std::wstring commandLine = L'"' + std::wstring(_wgetenv(L"TORVELT_EXE")) + L'"') {
        launch(std::move(commandLine));
        const bool up = poll([&] { return find(L"#32770") || find(ids::kWindowClass); },
                             [](bool seen) { return seen; }, 30s) &&
                        (find(L"#32770") || ready());
        started_ = std::chrono::steady_clock::now();
        return up;
    }
    // Runs a command line as it stands (an installer's /D= must come last and unquoted) to its
    // end.
    DWORD run(std::wstring commandLine) {
        launch(std::move(commandLine));
        return waitForExit();
    }

    // Virtual keys held together: pressed in order, released in reverse.
    void keys(const std::vector<BYTE>& held, HWND to = nullptr) {
        send(to ? to : window_, {});
        for (const BYTE key : held) {
            ::keybd_event(key, static_cast<BYTE>(::MapVirtualKeyW(key, 0)), 0, 0);
        }
        for (const BYTE key : held | std::views::reverse) {
            ::keybd_event(key, static_cast<BYTE>(::MapVirtualKeyW(key, 0)), KEYEVENTF_KEYUP, 0);
        }
    }
    void type(std::string_view text) {  // as characters, whatever the keyboard layout
        for (const wchar_t unit : toUtf16(text)) {
            std::vector inputs(2,
                               INPUT{INPUT_KEYBOARD, {.ki = {0, unit, KEYEVENTF_UNICODE, 0, 0}}});
            inputs[1].ki.dwFlags |= KEYEVENTF_KEYUP;
            send(window_, inputs);
        }
    }
    // Pressed on one control and released on another (or the same), each at its centre and with
    // the position: in Wine's virtual desktop a stale report of a move can put the pointer back.
    void drag(int pressed, int released) { drag(control(pressed), control(released)); }
    void drag(HWND pressed, HWND released) {
        send(window_, {});
        for (const auto& [at, flag] :
             {std::pair(pressed, MOUSEEVENTF_LEFTDOWN), std::pair(released, MOUSEEVENTF_LEFTUP)}) {
            RECT area;
            ::GetWindowRect(at, &area);
            ::mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flag,
                          (area.left + area.right) * 32768 / ::GetSystemMetrics(SM_CXSCREEN) + 1,
                          (area.top + area.bottom) * 32768 / ::GetSystemMetrics(SM_CYSCREEN) + 1, 0,
                          0);
        }
    }
    // The lock clears and focuses the field only once its box has returned: keys typed before
    // would be cleared away or land elsewhere. So it waits for that, types, waits until the
    // field has taken it all and presses Enter.
    bool enter(std::string_view text) {
        const int length = static_cast<int>(toUtf16(text).size());
        send(window_, {});
        const bool empty =
            waitForFocus(ids::kPaßworttext) == ids::kPaßworttext && waitForFieldLength(0) == 0;
        type(text);
        const bool taken = empty && waitForFieldLength(length) == length;
        keys({VK_RETURN});
        return taken;
    }

    // The next message box of the lock as boxShown has it, "unowned" without an owner window;
    // answered with Enter or a click on one of its buttons, after which the answer waits until it
    // has closed.
    std::string nextBox() {  // an installer's window is a dialog too; its boxes lie above it
        box_ = poll([&] { return find(L"#32770"); },
                    [&](HWND found) { return found && found != window_; });
        send(box_, {});  // only the active box takes keys, and by then it has painted itself
        return (::GetWindow(box_, GW_OWNER) ? "" : "unowned ") + boxShown(box_);
    }
    bool answer(int buttonId) {
        buttonId == IDOK ? keys({VK_RETURN}, box_)
                         : void(sendTo(::GetDlgItem(box_, buttonId), BM_CLICK));
        const HWND box = std::exchange(box_, nullptr);
        return !poll([&] { return ::IsWindowVisible(box); }, [](BOOL open) { return !open; }) &&
               (window_ || ready());
    }
    // As Windows tells a window moved to a monitor of another DPI; the suggested rectangle (where
    // it stands) lies in the lock's memory, as it would.
    void dpiChanged(int dpi) {
        RECT where;
        ::GetWindowRect(window_, &where);
        void* const remote = ::VirtualAllocEx(process_.get(), nullptr, sizeof(where),
                                              MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        ::WriteProcessMemory(process_.get(), remote, &where, sizeof(where), nullptr);
        sendTo(window_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote));
    }
    HWND window() const { return window_; }
    std::chrono::steady_clock::time_point started() const { return started_; }
    HWND control(int id) const { return ::GetDlgItem(window_, id); }
    std::string caption() const { return win32::windowText(control(ids::kTimerText)); }
    // These wait for the value given and return the last one read. An edit control keeps what
    // was typed to itself: it is asked by a message.
    int waitForFieldLength(int expected) const {
        return poll(
            [&] { return static_cast<int>(sendTo(control(ids::kPaßworttext), WM_GETTEXTLENGTH)); },
            [&](int length) { return length == expected; });
    }
    int waitForFocus(int controlId) const {
        return poll([&] { return ::GetParent(focus()) == window_ ? ::GetDlgCtrlID(focus()) : 0; },
                    [&](int id) { return id == controlId; });
    }
    HWND focus() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        return ::GetGUIThreadInfo(threadId_, &info) ? info.hwndFocus : nullptr;
    }
    // An installer's page once it shows `count` edit fields, which it returns in tab order; keys
    // then go to the installer's window.
    std::vector<HWND> page(std::size_t count) {
        std::vector<HWND> fields;
        poll(
            [&] {
                window_ = find(L"#32770");
                const HWND inner = ::FindWindowExW(window_, nullptr, L"#32770", nullptr);
                fields.clear();
                for (HWND field = nullptr;
                     (field = ::FindWindowExW(inner, field, L"Edit", nullptr));) {
                    fields.push_back(field);
                }
                return fields.size();
            },
            [&](std::size_t found) { return found == count; });
        return fields;
    }
    // The lock's thread answers only between two events: whatever it was doing, such as the rest
    // of a routine whose box was just answered, is done. And no box is open.
    bool idle() const {
        return sendTo(window_, WM_GETTEXTLENGTH) && ::IsWindowVisible(window_) && !find(L"#32770");
    }
    DWORD waitForExit() const {  // STILL_ACTIVE (259) if it still runs after 30 s
        DWORD code = STILL_ACTIVE;
        ::WaitForSingleObject(process_.get(), 30000);
        ::GetExitCodeProcess(process_.get(), &code);
        return code;
    }

  private:
    void launch(std::wstring commandLine) {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started{};
        ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &started);
        process_.reset(started.hProcess);
        const win32::UniqueHandle thread(started.hThread);
        processId_ = started.dwProcessId;
        threadId_ = started.dwThreadId;
    }
    HWND find(const wchar_t* windowClass) const {
        return win32::findProcessWindow(processId_, windowClass);
    }
    bool ready() {
        window_ = poll([&] { return find(ids::kWindowClass); }, [](HWND found) { return found; });
        return waitForFocus(ids::kPaßworttext) == ids::kPaßworttext;
    }

    win32::UniqueHandle process_;
    DWORD processId_ = 0, threadId_ = 0;
    HWND window_ = nullptr, box_ = nullptr;
    std::chrono::steady_clock::time_point started_;
};

}  // namespace torvelt::e2e
