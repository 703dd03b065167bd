// Works a real torvelt.exe from outside, as its user and its system would: settings, keys, windows.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "control_ids.h"
#include "registry_settings.h"
#include "texts.h"
#include "unique_handles.h"
#include "utf16.h"

namespace torvelt::e2e {

using namespace std::chrono_literals;
using win32::toUtf16;
using win32::toUtf8;

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

inline LRESULT sendTo(HWND window, UINT message, WPARAM wParam = 0) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, message, wParam, 0, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

enum class Icon { None, Stop, Information, Question, Unknown };

// A message box as its user sees it; compared whole, so that a failure shows all of it.
struct Box {
    std::string title, text;
    Icon icon = Icon::None;
    std::vector<int> buttons;  // control IDs in ascending order: IDOK, IDYES, IDNO
    int defaultButton = IDOK;
    bool operator==(const Box&) const = default;
    friend void PrintTo(const Box& box, std::ostream* out) {
        std::string text = box.text;
        std::ranges::replace(text, '\r', '|');
        *out << '"' << box.title << "\", \"" << text << "\" (| for \\r), icon "
             << static_cast<int>(box.icon) << " (1 stop, 2 information, 3 question), "
             << box.buttons.size() << " buttons, default " << box.defaultButton;
    }
};

// Wine tells no other process about the box's icon handle: the icon shown is the system icon
// that, drawn on the colour of the shown one's corner, gives the same pixels.
inline Icon iconShown(HWND control) {
    RECT area;
    ::GetWindowRect(control, &area);
    const int width = area.right - area.left, height = area.bottom - area.top;
    const HDC screen = ::GetDC(nullptr);
    const win32::UniqueGdiObject bitmap(::CreateCompatibleBitmap(screen, 2 * width, height));
    const win32::UniqueMemoryDc dc(::CreateCompatibleDC(screen));
    ::SelectObject(dc.get(), bitmap.get());
    ::BitBlt(dc.get(), 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    ::ReleaseDC(nullptr, screen);
    const win32::UniqueGdiObject corner(::CreateSolidBrush(::GetPixel(dc.get(), 0, 0)));
    const RECT beside{width, 0, 2 * width, height};
    for (const auto& [icon, id] : {std::pair(Icon::Stop, 32513), std::pair(Icon::Question, 32514),
                                   std::pair(Icon::Information, 32516)}) {
        ::FillRect(dc.get(), &beside, static_cast<HBRUSH>(corner.get()));
        ::DrawIconEx(dc.get(), width, 0, ::LoadIconW(nullptr, MAKEINTRESOURCEW(id)), width, height,
                     0, nullptr, DI_NORMAL);
        int same = 0;
        while (same < width * height &&
               ::GetPixel(dc.get(), same % width, same / width) ==
                   ::GetPixel(dc.get(), width + same % width, same / width)) {
            ++same;
        }
        if (same == width * height) {
            return icon;
        }
    }
    return Icon::Unknown;
}

// The default button is the one in the default style: Wine never tells the dialog manager, so
// DM_GETDEFID answers IDOK even where No is the default.
inline Box readBox(HWND box) {
    Box read{win32::windowText(box), win32::windowText(::GetDlgItem(box, 0xFFFF)), Icon::None, {}};
    for (HWND child = nullptr; (child = ::FindWindowExW(box, child, nullptr, nullptr));) {
        const LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
        if (!::IsWindowVisible(child) || ::GetDlgCtrlID(child) == 0xFFFF) {
            continue;
        } else if (win32::windowText(child).empty() && (style & SS_TYPEMASK) == SS_ICON) {
            read.icon = poll([&] { return iconShown(child); },  // painted yet?
                             [](Icon icon) { return icon != Icon::Unknown; }, 2s);
        } else {
            read.buttons.push_back(::GetDlgCtrlID(child));
            if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                read.defaultButton = read.buttons.back();
            }
        }
    }
    std::ranges::sort(read.buttons);
    return read;
}

// A value of the password section, or with section "" of HKCU\Software\WindowsStart itself:
// text in UTF-8, other types as their bytes.
struct Setting {
    std::string name, data;
    DWORD type = REG_SZ;
    std::string section = std::string(texts::kSection);
};
inline void writeSetting(const Setting& setting) {
    const bool text = setting.type == REG_SZ || setting.type == REG_EXPAND_SZ;
    const std::wstring wide = toUtf16(setting.data);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, win32::settingsPath(texts::kApp, setting.section).c_str(),
                      toUtf16(setting.name).c_str(), setting.type,
                      text ? static_cast<const void*>(wide.c_str()) : setting.data.data(),
                      static_cast<DWORD>(text ? (wide.size() + 1) * 2 : setting.data.size()));
}
// The password section's value `name` if it is a REG_SZ of at most 4095 characters.
inline std::optional<std::string> storedText(const std::string& name) {
    std::array<wchar_t, 4096> text{};
    DWORD bytes = sizeof(text);
    return ::RegGetValueW(
               HKEY_CURRENT_USER, win32::settingsPath(texts::kApp, texts::kSection).c_str(),
               toUtf16(name).c_str(), RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, text.data(), &bytes)
               ? std::nullopt
               : std::optional(toUtf8(text.data()));
}

// The recorder's line for one shutdown, as the lock must launch it: quoted path, minimized (2).
inline std::string shutdownRecord() {
    std::array<wchar_t, MAX_PATH> directory{};
    ::GetWindowsDirectoryW(directory.data(), MAX_PATH);
    return '"' + toUtf8(directory.data()) + std::string(texts::kShutdownProgram) + "\" " +
           std::string(texts::kShutdownArguments) + "\t2";
}

// The recorder's lines once at least `atLeast` are there and no recorder is still running: a
// recorder that has been started runs until it has written its line.
inline std::vector<std::string> shutdownRecords(std::size_t atLeast) {
    const auto read = [] {
        const win32::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        bool settled = true;
        for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
             more = ::Process32NextW(snapshot.get(), &entry)) {
            settled = settled && ::lstrcmpiW(entry.szExeFile, L"shutdown.exe") != 0;
        }
        std::vector<std::string> lines;
        std::ifstream log("C:\\shutdown-recorder.log", std::ios::binary);
        for (std::string line; std::getline(log, line);) {
            lines.push_back(line);
        }
        return std::pair(settled, lines);
    };
    return poll(read, [&](const auto& seen) { return seen.first && seen.second.size() >= atLeast; })
        .second;
}

inline INPUT keyInput(WORD key, wchar_t unicode, DWORD up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki = {key, static_cast<WORD>(unicode ? unicode : ::MapVirtualKeyW(key, 0)),
                (unicode ? KEYEVENTF_UNICODE : 0u) | up, 0, 0};
    return input;
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
        if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(process_.get(), 1);
            ::WaitForSingleObject(process_.get(), 5000);
        }
    }

    // Starts $TORVELT_EXE; ready once its window shows with the focus in the password field, or
    // once its start-up has shown a message box (then once that box is answered).
    bool start() {
        std::array<wchar_t, MAX_PATH> exe{};
        ::GetEnvironmentVariableW(L"TORVELT_EXE", exe.data(), MAX_PATH);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started{};
        if (!::CreateProcessW(exe.data(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &started)) {
            return false;
        }
        process_.reset(started.hProcess);
        thread_.reset(started.hThread);
        processId_ = started.dwProcessId;
        threadId_ = started.dwThreadId;
        poll([&] { return find(L"#32770") || find(ids::kWindowClass); },
             [](bool seen) { return seen; }, 30s);
        return find(L"#32770") || ready();
    }

    void type(std::string_view text) {
        std::vector<INPUT> inputs;
        for (const wchar_t unit : toUtf16(text)) {
            inputs.insert(inputs.end(), {keyInput(0, unit, 0), keyInput(0, unit, KEYEVENTF_KEYUP)});
        }
        send(window_, inputs);
    }
    void keys(const std::vector<WORD>& held) {  // pressed in order, released in reverse
        std::vector<INPUT> inputs;
        for (const WORD key : held) {
            inputs.push_back(keyInput(key, 0, 0));
        }
        for (auto key = held.rbegin(); key != held.rend(); ++key) {
            inputs.push_back(keyInput(*key, 0, KEYEVENTF_KEYUP));
        }
        send(window_, inputs);
    }
    // Press on one control and release on another (or the same); each carries the position: in
    // Wine's virtual desktop a stale report of an earlier move can put the pointer back.
    void drag(int pressed, int released) {
        std::vector<INPUT> inputs;
        for (const auto& [id, flag] :
             {std::pair(pressed, MOUSEEVENTF_LEFTDOWN), std::pair(released, MOUSEEVENTF_LEFTUP)}) {
            RECT area;
            ::GetWindowRect(control(id), &area);
            INPUT input{INPUT_MOUSE, {}};
            input.mi.dx =
                ((area.left + area.right) / 2 * 65536 + 65535) / ::GetSystemMetrics(SM_CXSCREEN);
            input.mi.dy =
                ((area.top + area.bottom) / 2 * 65536 + 65535) / ::GetSystemMetrics(SM_CYSCREEN);
            input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flag;
            inputs.push_back(input);
        }
        send(window_, inputs);
    }
    // The lock clears and focuses the field only once its box has returned: keys typed before
    // would be cleared away or land elsewhere. So it waits for that, types, waits until the
    // field has taken it all and presses Enter.
    bool enter(std::string_view text) {
        send(window_, {});
        const int length = static_cast<int>(toUtf16(text).size());
        if (waitForFocus(ids::kPaßworttext) != ids::kPaßworttext || waitForFieldLength(0) != 0) {
            return false;
        }
        type(text);
        const bool taken = waitForFieldLength(length) == length;
        keys({VK_RETURN});
        return taken;
    }

    // The next message box of the lock, owned by its window; answered with Enter or a click on
    // one of its buttons, after which the answer waits until it has closed.
    Box nextBox() {
        box_ = poll([&] { return find(L"#32770"); }, [](HWND found) { return found; });
        std::array<wchar_t, 16> owner{};
        ::GetClassNameW(::GetWindow(box_, GW_OWNER), owner.data(), 16);
        EXPECT_STREQ(owner.data(), ids::kWindowClass) << "the class of the box's owner";
        send(box_, {});  // only the active box takes keys, and by then it has painted itself
        return box_ ? readBox(box_) : Box{"(no message box)", "", Icon::None, {}};
    }
    bool answer(int buttonId) {
        if (buttonId == IDOK) {
            send(box_, {keyInput(VK_RETURN, 0, 0), keyInput(VK_RETURN, 0, KEYEVENTF_KEYUP)});
        } else {
            sendTo(::GetDlgItem(box_, buttonId), BM_CLICK);
        }
        const HWND box = std::exchange(box_, nullptr);
        return !poll([&] { return ::IsWindowVisible(box); }, [](BOOL open) { return !open; }) &&
               (window_ || ready());
    }
    bool boxOpen() const { return find(L"#32770"); }

    HWND window() const { return window_; }
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
        const auto focus = [&] {
            GUITHREADINFO info{};
            info.cbSize = sizeof(info);
            return ::GetGUIThreadInfo(threadId_, &info) && ::GetParent(info.hwndFocus) == window_
                       ? ::GetDlgCtrlID(info.hwndFocus)
                       : 0;
        };
        return poll(focus, [&](int id) { return id == controlId; });
    }
    // The lock's thread answers a message only between two events: whatever it was doing when
    // asked, such as the rest of a routine whose box was just answered, is done.
    bool running() const {
        return sendTo(window_, WM_GETTEXTLENGTH) > 0 &&
               ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT &&
               ::IsWindowVisible(window_);
    }
    std::optional<DWORD> waitForExit() const {  // nothing if it still runs after 10 s
        DWORD code = 0;
        return !::WaitForSingleObject(process_.get(), 10000) &&
                       ::GetExitCodeProcess(process_.get(), &code)
                   ? std::optional(code)
                   : std::nullopt;
    }

  private:
    HWND find(const wchar_t* windowClass) const {
        for (HWND found = nullptr;
             (found = ::FindWindowExW(nullptr, found, windowClass, nullptr));) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(found, &owner);
            if (owner == processId_ && ::IsWindowVisible(found)) {
                return found;
            }
        }
        return nullptr;
    }
    bool ready() {
        window_ = poll([&] { return find(ids::kWindowClass); }, [](HWND found) { return found; });
        return waitForFocus(ids::kPaßworttext) == ids::kPaßworttext;
    }

    win32::UniqueHandle process_, thread_;
    DWORD processId_ = 0, threadId_ = 0;
    HWND window_ = nullptr, box_ = nullptr;
};

// Every test starts from an empty store and an empty recorder log, with window and screen
// coordinates in real pixels, as the lock itself uses them.
class LockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, win32::settingsPath(texts::kApp).c_str());
        ::DeleteFileW(L"C:\\shutdown-recorder.log");
    }
    Lock lock;
};

}  // namespace torvelt::e2e
