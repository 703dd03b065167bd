// The driver's means: registry, recorder log, keyboard and mouse input, the lock's windows.
#include "lock_driver.h"

#include <tlhelp32.h>

#include <algorithm>
#include <array>
#include <fstream>

#include "registry_settings.h"
#include "texts.h"
#include "utf16.h"

namespace torvelt::e2e {

namespace {

using ::testing::AssertionFailure;
using ::testing::AssertionResult;
using ::testing::AssertionSuccess;
using win32::toUtf16;
using win32::toUtf8;

LRESULT sendTo(HWND window, UINT message) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

// Input goes to the focus of the foreground window; the driver has no window of its own.
void send(HWND to, std::vector<INPUT> inputs) {
    poll([&] { return ::GetForegroundWindow() == to || ::SetForegroundWindow(to); },
         [&](bool) { return ::GetForegroundWindow() == to; });
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

INPUT key(WORD virtualKey, wchar_t unicode, DWORD up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki = {virtualKey, static_cast<WORD>(unicode ? unicode : ::MapVirtualKeyW(virtualKey, 0)),
                (unicode ? KEYEVENTF_UNICODE : 0u) | up, 0, 0};
    return input;
}

// The pixels of `area` on the screen, or of a system icon drawn on the colour of its corner.
std::vector<COLORREF> pixels(const RECT& area, int icon = 0) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    const HDC screen = ::GetDC(nullptr);
    const win32::UniqueGdiObject bitmap(::CreateCompatibleBitmap(screen, width, height));
    const win32::UniqueMemoryDc dc(::CreateCompatibleDC(screen));
    ::SelectObject(dc.get(), bitmap.get());
    ::BitBlt(dc.get(), 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    ::ReleaseDC(nullptr, screen);
    if (icon) {  // the icons' corners are transparent
        const win32::UniqueGdiObject brush(::CreateSolidBrush(::GetPixel(dc.get(), 0, 0)));
        const RECT all{0, 0, width, height};
        ::FillRect(dc.get(), &all, static_cast<HBRUSH>(brush.get()));
        ::DrawIconEx(dc.get(), 0, 0, ::LoadIconW(nullptr, MAKEINTRESOURCEW(icon)), width, height, 0,
                     nullptr, DI_NORMAL);
    }
    std::vector<COLORREF> read;
    for (int at = 0; at < width * height; ++at) {
        read.push_back(::GetPixel(dc.get(), at % width, at / width));
    }
    return read;
}

// Wine tells no other process anything about the box's icon handle: the icon shown is the system
// icon that gives the same pixels.
Icon iconShown(HWND control) {
    RECT area;
    ::GetWindowRect(control, &area);
    for (const auto& [icon, id] : {std::pair(Icon::Stop, 32513), std::pair(Icon::Question, 32514),
                                   std::pair(Icon::Information, 32516)}) {
        if (pixels(area, id) == pixels(area)) {
            return icon;
        }
    }
    return Icon::Unknown;
}

// The default button is the one in the default style: Wine never tells the dialog manager, so
// DM_GETDEFID answers IDOK even where No is the default.
Box readBox(HWND box) {
    Box read{
        win32::windowText(box), win32::windowText(::GetDlgItem(box, 0xFFFF)), Icon::None, {}, 0};
    for (HWND child = nullptr; (child = ::FindWindowExW(box, child, nullptr, nullptr));) {
        const LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
        if (!::IsWindowVisible(child) || ::GetDlgCtrlID(child) == 0xFFFF) {
            continue;
        }
        if (win32::windowText(child).empty() && (style & SS_TYPEMASK) == SS_ICON) {
            read.icon = poll([&] { return iconShown(child); },  // painted yet?
                             [](Icon icon) { return icon != Icon::Unknown; }, 2s);
            continue;
        }
        read.buttons.push_back(::GetDlgCtrlID(child));
        if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            read.defaultButton = read.buttons.back();
        }
    }
    std::ranges::sort(read.buttons);
    return read;
}

}  // namespace

void PrintTo(const Box& box, std::ostream* out) {
    *out << "{\"" << box.title << "\", \"" << box.text << "\", icon " << static_cast<int>(box.icon)
         << " (1 stop, 2 information, 3 question), buttons";
    for (const int id : box.buttons) {
        *out << ' ' << id;
    }
    *out << ", default " << box.defaultButton << '}';
}

Box okBox(std::string_view title, std::string_view text, Icon icon) {
    return Box{std::string(title), std::string(text), icon, {IDOK}, IDOK};
}

Box yesNoBox(std::string_view title, std::string_view text) {
    return Box{std::string(title), std::string(text), Icon::Question, {IDYES, IDNO}, IDNO};
}

void writeSetting(const Setting& setting) {
    const bool text = setting.type == REG_SZ || setting.type == REG_EXPAND_SZ;
    const std::wstring wide = toUtf16(setting.data);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, win32::settingsPath(texts::kApp, setting.section).c_str(),
                      toUtf16(setting.name).c_str(), setting.type,
                      text ? static_cast<const void*>(wide.c_str()) : setting.data.data(),
                      static_cast<DWORD>(text ? (wide.size() + 1) * 2 : setting.data.size()));
}

void writeSetting(std::string_view name, std::string_view data, DWORD type) {
    writeSetting(Setting{std::string(name), std::string(data), type});
}

bool settingsExist() {
    HKEY key = nullptr;
    ::RegOpenKeyExW(HKEY_CURRENT_USER, win32::settingsPath(texts::kApp).c_str(), 0, KEY_READ, &key);
    return win32::UniqueKey(key).get();
}

std::optional<std::string> storedText(std::string_view name) {
    const std::wstring path = win32::settingsPath(texts::kApp, texts::kSection);
    const std::wstring value = toUtf16(name);
    DWORD bytes = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr,
                       nullptr, &bytes)) {
        return std::nullopt;
    }
    std::wstring text(bytes / 2, L'\0');
    ::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr,
                   text.data(), &bytes);
    return toUtf8(text.c_str());
}

std::string shutdownRecord() {
    std::array<wchar_t, MAX_PATH> directory{};
    ::GetWindowsDirectoryW(directory.data(), MAX_PATH);
    return '"' + toUtf8(directory.data()) + std::string(texts::kShutdownProgram) + "\" " +
           std::string(texts::kShutdownArguments) + "\t2";
}

// A recorder that has been started runs until it has written its line: with none running, every
// launch so far is in the log.
std::vector<std::string> shutdownRecords(std::size_t atLeast) {
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

void LockTest::SetUp() {
    // Window and screen coordinates in real pixels, as the lock itself uses them.
    ::SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, win32::settingsPath(texts::kApp).c_str());
    ::DeleteFileW(L"C:\\shutdown-recorder.log");
}

void LockTest::storePassword(std::string_view password) {
    writeSetting(texts::kKeyPassword, password);
    writeSetting(texts::kKeyTimeOut, "600");
}

Lock::~Lock() {
    if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_.get(), 1);
        ::WaitForSingleObject(process_.get(), 5000);
    }
}

AssertionResult Lock::start() {
    std::array<wchar_t, MAX_PATH> exe{};
    ::GetEnvironmentVariableW(L"TORVELT_EXE", exe.data(), MAX_PATH);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(exe.data(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started)) {
        return AssertionFailure() << "cannot start \"" << toUtf8(exe.data()) << "\" ($TORVELT_EXE)";
    }
    process_.reset(started.hProcess);
    thread_.reset(started.hThread);
    processId_ = started.dwProcessId;
    threadId_ = started.dwThreadId;
    poll([&] { return boxOpen() || find(ids::kWindowClass); }, [](bool seen) { return seen; },
         3 * kPatience);
    return boxOpen() ? AssertionSuccess() : waitUntilReady();  // ready once the box is answered
}

AssertionResult Lock::waitUntilReady() {
    window_ = poll([&] { return find(ids::kWindowClass); }, [](HWND found) { return found; });
    if (const int focus = waitForFocus(ids::kPaßworttext); focus != ids::kPaßworttext) {
        return AssertionFailure() << "no lock window with the focus in the field; focus: " << focus;
    }
    return AssertionSuccess();
}

HWND Lock::find(const wchar_t* windowClass) const {
    for (HWND window = nullptr;
         (window = ::FindWindowExW(nullptr, window, windowClass, nullptr));) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == processId_ && ::IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

void Lock::type(std::string_view text) {
    std::vector<INPUT> inputs;
    for (const wchar_t unit : toUtf16(text)) {
        inputs.insert(inputs.end(), {key(0, unit, 0), key(0, unit, KEYEVENTF_KEYUP)});
    }
    send(window_, inputs);
}

void Lock::keys(const std::vector<WORD>& held) {
    std::vector<INPUT> inputs;
    for (const WORD down : held) {
        inputs.push_back(key(down, 0, 0));
    }
    for (auto up = held.rbegin(); up != held.rend(); ++up) {
        inputs.push_back(key(*up, 0, KEYEVENTF_KEYUP));
    }
    send(window_, inputs);
}

// Press and release carry the position themselves: in Wine's virtual desktop a stale report of
// an earlier pointer move can put the pointer back between a separate move and the press.
void Lock::click(int controlId) {
    RECT area;
    ::GetWindowRect(control(controlId), &area);
    INPUT press{};
    press.type = INPUT_MOUSE;
    press.mi.dx = ((area.left + area.right) / 2 * 65536 + 65535) / ::GetSystemMetrics(SM_CXSCREEN);
    press.mi.dy = ((area.top + area.bottom) / 2 * 65536 + 65535) / ::GetSystemMetrics(SM_CYSCREEN);
    press.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN;
    INPUT release = press;
    release.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP;
    send(window_, {press, release});
}

// The lock clears and focuses the field only once its message box has returned: keys typed
// before that would be cleared away or land elsewhere.
AssertionResult Lock::enter(std::string_view text) {
    send(window_, {});
    const int focus = waitForFocus(ids::kPaßworttext);
    const int before = waitForFieldLength(0);
    const int expected = static_cast<int>(toUtf16(text).size());
    if (focus != ids::kPaßworttext || before != 0) {
        return AssertionFailure() << "focus in " << focus << ", field holding " << before;
    }
    type(text);
    if (const int length = waitForFieldLength(expected); length != expected) {
        return AssertionFailure() << "the field took " << length << " of " << expected << " keys";
    }
    press(VK_RETURN);
    return AssertionSuccess();
}

Box Lock::nextBox() {
    box_ = poll([&] { return find(L"#32770"); }, [](HWND found) { return found; });
    std::array<wchar_t, 16> owner{};  // modal to the lock window and in front of it
    ::GetClassNameW(::GetWindow(box_, GW_OWNER), owner.data(), static_cast<int>(owner.size()));
    EXPECT_STREQ(owner.data(), ids::kWindowClass) << "the class of the box's owner";
    send(box_, {});  // only the active box takes keys, and by then it has painted itself
    return box_ ? readBox(box_) : Box{"(no message box)", "", Icon::None, {}, 0};
}

AssertionResult Lock::answer(WORD virtualKey) {
    send(box_, {key(virtualKey, 0, 0), key(virtualKey, 0, KEYEVENTF_KEYUP)});
    return closed();
}

AssertionResult Lock::clickButton(int buttonId) {
    sendTo(::GetDlgItem(box_, buttonId), BM_CLICK);
    return closed();
}

AssertionResult Lock::closed() {
    const HWND box = std::exchange(box_, nullptr);
    if (!box || poll([&] { return ::IsWindowVisible(box); }, [](BOOL open) { return !open; })) {
        return AssertionFailure() << "no message box, or it stays open";
    }
    return window_ ? AssertionSuccess() : waitUntilReady();
}

std::string Lock::caption() const {
    return win32::windowText(control(ids::kTimerText));
}

// Asked by a message: an edit control keeps what was typed to itself.
int Lock::waitForFieldLength(int expected) const {
    return poll(
        [&] { return static_cast<int>(sendTo(control(ids::kPaßworttext), WM_GETTEXTLENGTH)); },
        [&](int length) { return length == expected; });
}

int Lock::waitForFocus(int controlId) const {
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
// asked, such as the rest of a routine whose message box was just answered, is done.
bool Lock::running() const {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) &&
           ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT && ::IsWindowVisible(window_);
}

std::optional<DWORD> Lock::waitForExit() const {
    DWORD code = 0;
    if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(kPatience.count())) ||
        !::GetExitCodeProcess(process_.get(), &code)) {
        return std::nullopt;
    }
    return code;
}

}  // namespace torvelt::e2e
