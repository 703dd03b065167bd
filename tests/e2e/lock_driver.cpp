// The driver's means: registry, recorder log, keyboard and mouse input, the lock's windows.
#include "lock_driver.h"

#include <tlhelp32.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <utility>

#include "utf16.h"

namespace torvelt::e2e {

namespace {

using ::testing::AssertionFailure;
using ::testing::AssertionResult;
using ::testing::AssertionSuccess;
using win32::toUtf16;
using win32::toUtf8;

constexpr char kRecorderLog[] = "C:\\shutdown-recorder.log";
constexpr wchar_t kMessageBoxClass[] = L"#32770";
constexpr int kMessageBoxTextId = 0xFFFF;

LRESULT sendTo(HWND window, UINT message) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

INPUT keyInput(WORD key, wchar_t unicode, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = unicode ? unicode : static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (unicode ? KEYEVENTF_UNICODE : 0) | (up ? KEYEVENTF_KEYUP : 0);
    return input;
}

void send(std::vector<INPUT> inputs) {
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool recorderRunning() {
    const win32::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        if (::lstrcmpiW(entry.szExeFile, L"shutdown.exe") == 0) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> readRecords() {
    std::ifstream log(kRecorderLog, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The pixels of a picture of the given size, drawn by `draw` into a memory DC.
template <typename Draw>
std::vector<COLORREF> picture(int width, int height, Draw draw) {
    const HDC screen = ::GetDC(nullptr);
    const win32::UniqueMemoryDc dc(::CreateCompatibleDC(screen));
    const win32::UniqueGdiObject bitmap(::CreateCompatibleBitmap(screen, width, height));
    ::ReleaseDC(nullptr, screen);
    const HGDIOBJ previous = ::SelectObject(dc.get(), bitmap.get());
    draw(dc.get());
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.push_back(::GetPixel(dc.get(), x, y));
        }
    }
    ::SelectObject(dc.get(), previous);
    return pixels;
}

// The icon handle belongs to the lock's process, and Wine tells no other process anything about
// it: the driver draws each system icon onto the background of the one on the screen instead,
// and the one that gives the same pixels is the one shown.
Icon iconShown(HWND iconControl) {
    RECT area;
    ::GetWindowRect(iconControl, &area);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const auto shown = picture(width, height, [&](HDC dc) {
        const HDC screen = ::GetDC(nullptr);
        ::BitBlt(dc, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
        ::ReleaseDC(nullptr, screen);
    });
    constexpr std::array<std::pair<Icon, int>, 3> kSystemIcons{
        {{Icon::Stop, 32513}, {Icon::Information, 32516}, {Icon::Question, 32514}}};
    for (const auto& [icon, resource] : kSystemIcons) {
        const auto drawn = picture(width, height, [&](HDC dc) {
            const win32::UniqueGdiObject background(::CreateSolidBrush(shown.front()));
            const RECT all{0, 0, width, height};  // the icons' corners are transparent
            ::FillRect(dc, &all, static_cast<HBRUSH>(background.get()));
            ::DrawIconEx(dc, 0, 0, ::LoadIconW(nullptr, MAKEINTRESOURCEW(resource)), width, height,
                         0, nullptr, DI_NORMAL);
        });
        if (drawn == shown) {
            return icon;
        }
    }
    return Icon::Unknown;
}

Box readBox(HWND box) {
    Box read{windowText(box), windowText(::GetDlgItem(box, kMessageBoxTextId)), Icon::None, {}, 0};
    for (HWND child = nullptr; (child = ::FindWindowExW(box, child, L"Static", nullptr));) {
        if ((::GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            // Polled: the box may not have painted its icon yet.
            read.icon = poll([&] { return iconShown(child); },
                             [](Icon icon) { return icon != Icon::Unknown; }, 2s);
        }
    }
    // The default button is the one in the default style, which Enter presses. Wine's message
    // box gives its default button that style and the focus but never tells the dialog manager,
    // so DM_GETDEFID keeps answering the template's IDOK even where No is the default.
    for (HWND child = nullptr; (child = ::FindWindowExW(box, child, L"Button", nullptr));) {
        if (::IsWindowVisible(child)) {
            read.buttons.push_back(::GetDlgCtrlID(child));
            if ((::GetWindowLongPtrW(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                read.defaultButton = ::GetDlgCtrlID(child);
            }
        }
    }
    std::ranges::sort(read.buttons);
    return read;
}

}  // namespace

std::string windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return toUtf8(text);
}

void PrintTo(const Box& box, std::ostream* out) {
    constexpr std::array<const char*, 5> kIcons{"none", "stop", "information", "question",
                                                "unknown"};
    std::string text = box.text;
    std::ranges::replace(text, '\r', '|');
    *out << "{title \"" << box.title << "\", text \"" << text << "\" (| for \\r), icon "
         << kIcons.at(static_cast<std::size_t>(box.icon)) << ", buttons";
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

bool settingsExist() {
    HKEY key = nullptr;
    const LSTATUS status = ::RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsApp, 0, KEY_READ, &key);
    const win32::UniqueKey opened(key);
    return status == ERROR_SUCCESS;
}

void writeSetting(std::string_view name, std::string_view text, DWORD type) {
    const std::wstring value = toUtf16(text);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsSection, toUtf16(name).c_str(), type,
                      value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void writeDwordSetting(std::string_view name, DWORD value) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsSection, toUtf16(name).c_str(), REG_DWORD, &value,
                      sizeof(value));
}

void writeBinarySetting(std::string_view name, std::string_view bytes) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsSection, toUtf16(name).c_str(), REG_BINARY,
                      bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool createKey(const wchar_t* path, DWORD options) {
    HKEY key = nullptr;
    const LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, options,
                                             KEY_WRITE, nullptr, &key, nullptr);
    const win32::UniqueKey created(key);
    return status == ERROR_SUCCESS;
}

std::optional<std::string> storedText(std::string_view name) {
    std::array<wchar_t, 1024> value{};
    DWORD bytes = sizeof(value);
    if (::RegGetValueW(HKEY_CURRENT_USER, kSettingsSection, toUtf16(name).c_str(), RRF_RT_REG_SZ,
                       nullptr, value.data(), &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return toUtf8(value.data());
}

std::string shutdownRecord() {
    std::array<wchar_t, MAX_PATH> directory{};
    ::GetWindowsDirectoryW(directory.data(), static_cast<UINT>(directory.size()));
    // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about "..." + std::string.
    std::string record(1, '"');
    record += toUtf8(directory.data());
    record += "\\System32\\shutdown.exe\" /s /f /t 0\t2";
    return record;
}

// A recorder that has been started runs until it has written its line: with none running, every
// launch so far is in the log.
std::vector<std::string> shutdownRecords(std::size_t atLeast) {
    const auto read = [] {
        const bool settled = !recorderRunning();
        return std::pair(settled, readRecords());
    };
    return poll(read, [&](const auto& seen) { return seen.first && seen.second.size() >= atLeast; })
        .second;
}

std::optional<int> countdownSeconds(const std::string& caption) {
    int seconds = 0;
    int end = 0;
    const bool read =
        std::sscanf(caption.c_str(), "Timeout in: %d sekunden%n", &seconds, &end) == 1;
    return read && end == static_cast<int>(caption.size()) ? std::optional(seconds) : std::nullopt;
}

void LockTest::SetUp() {
    // Window and screen coordinates in real pixels, as the lock itself uses them.
    ::SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsApp);
    ::DeleteFileA(kRecorderLog);
}

void LockTest::storePassword(std::string_view password) {
    writeSetting("Key", password);
    writeSetting("TimeOut", "600");
}

Lock::~Lock() {
    if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_.get(), 1);
        ::WaitForSingleObject(process_.get(), 5000);
    }
}

AssertionResult Lock::start() {
    if (auto launched = launch(); !launched) {
        return launched;
    }
    return waitUntilReady();
}

AssertionResult Lock::launch() {
    std::array<wchar_t, MAX_PATH> exe{};
    if (::GetEnvironmentVariableW(L"TORVELT_EXE", exe.data(), MAX_PATH) == 0) {
        return AssertionFailure() << "TORVELT_EXE does not name torvelt.exe";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(exe.data(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started)) {
        return AssertionFailure() << "cannot start " << toUtf8(exe.data()) << ": error "
                                  << ::GetLastError();
    }
    process_.reset(started.hProcess);
    thread_.reset(started.hThread);
    processId_ = started.dwProcessId;
    threadId_ = started.dwThreadId;
    return AssertionSuccess();
}

AssertionResult Lock::waitUntilReady() {
    window_ = poll([&] { return findWindow(ids::kWindowClass); },
                   [](HWND found) { return found != nullptr; }, 3 * kPatience);
    if (!window_) {
        return AssertionFailure() << "no lock window showed";
    }
    if (const int focus = waitForFocus(ids::kPaßworttext); focus != ids::kPaßworttext) {
        return AssertionFailure() << "the focus is in " << focus << ", not in the password field";
    }
    return AssertionSuccess();
}

HWND Lock::findWindow(const wchar_t* windowClass) const {
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

// Input goes to the focus of the foreground window; the driver has no window of its own.
bool Lock::bringToFront(HWND window) const {
    const auto front = [&] {
        if (::GetForegroundWindow() != window) {
            ::SetForegroundWindow(window);
        }
        return ::GetForegroundWindow() == window;
    };
    return poll(front, [](bool done) { return done; });
}

void Lock::type(std::string_view text) {
    bringToFront(window_);
    std::vector<INPUT> inputs;
    for (const wchar_t unit : toUtf16(text)) {
        inputs.push_back(keyInput(0, unit, false));
        inputs.push_back(keyInput(0, unit, true));
    }
    send(inputs);
}

void Lock::press(WORD key) {
    bringToFront(window_);
    send({keyInput(key, 0, false), keyInput(key, 0, true)});
}

void Lock::pressWith(WORD modifier, WORD key) {
    bringToFront(window_);
    send({keyInput(modifier, 0, false), keyInput(key, 0, false), keyInput(key, 0, true),
          keyInput(modifier, 0, true)});
}

// Press and release carry the position themselves: in Wine's virtual desktop, X reports each
// move of the pointer back a little later, and a stale report can put the pointer back where it
// was before a separate move, between the move and the press.
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
    bringToFront(window_);
    send({press, release});
}

// The lock clears and focuses the field only once its message box has returned: keys typed
// before that would be cleared away or land elsewhere.
AssertionResult Lock::enter(std::string_view text) {
    bringToFront(window_);
    if (const int focus = waitForFocus(ids::kPaßworttext); focus != ids::kPaßworttext) {
        return AssertionFailure() << "the focus is in " << focus << ", not in the password field";
    }
    if (const int before = waitForFieldLength(0); before != 0) {
        return AssertionFailure() << "the password field still holds " << before << " characters";
    }
    const int expected = static_cast<int>(toUtf16(text).size());
    type(text);
    if (const int length = waitForFieldLength(expected); length != expected) {
        return AssertionFailure() << "the field took " << length << " of " << expected << " keys";
    }
    press(VK_RETURN);
    return AssertionSuccess();
}

Box Lock::nextBox() {
    box_ = poll([&] { return findWindow(kMessageBoxClass); },
                [](HWND found) { return found != nullptr; });
    if (!box_) {
        return Box{"(no message box)", "", Icon::None, {}, 0};
    }
    // Only the active box takes keys, and by then it has painted itself.
    bringToFront(box_);
    return readBox(box_);
}

bool Lock::boxOpen() const {
    return findWindow(kMessageBoxClass) != nullptr;
}

int Lock::boxCount() const {
    int count = 0;
    for (HWND box = nullptr; (box = ::FindWindowExW(nullptr, box, kMessageBoxClass, nullptr));) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(box, &owner);
        count += owner == processId_ && ::IsWindowVisible(box) ? 1 : 0;
    }
    return count;
}

bool Lock::inMenu() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return ::GetGUIThreadInfo(threadId_, &info) && (info.flags & GUI_INMENUMODE) != 0;
}

AssertionResult Lock::answer(WORD key) {
    if (!box_) {
        return AssertionFailure() << "no message box to answer";
    }
    bringToFront(box_);
    send({keyInput(key, 0, false), keyInput(key, 0, true)});
    return waitUntilClosed();
}

AssertionResult Lock::clickButton(int buttonId) {
    if (!box_) {
        return AssertionFailure() << "no message box to answer";
    }
    sendTo(::GetDlgItem(box_, buttonId), BM_CLICK);
    return waitUntilClosed();
}

AssertionResult Lock::waitUntilClosed() {
    const HWND box = std::exchange(box_, nullptr);
    if (poll([&] { return ::IsWindowVisible(box) != FALSE; }, [](bool open) { return !open; })) {
        return AssertionFailure() << "the message box stays open";
    }
    return AssertionSuccess();
}

std::string Lock::caption() const {
    return windowText(control(ids::kTimerText));
}

std::string Lock::waitForCaptionChange(std::string_view from) const {
    return poll([&] { return caption(); }, [&](const std::string& seen) { return seen != from; });
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
        if (!::GetGUIThreadInfo(threadId_, &info) || !info.hwndFocus) {
            return 0;
        }
        return ::GetParent(info.hwndFocus) == window_ ? ::GetDlgCtrlID(info.hwndFocus) : -1;
    };
    return poll(focus, [&](int id) { return id == controlId; });
}

// The lock's thread answers a message only between two events: whatever it was doing when
// asked, such as the rest of a routine whose message box was just answered, is done.
bool Lock::running() const {
    DWORD_PTR result = 0;
    return process_ &&
           ::SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) &&
           ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT && ::IsWindowVisible(window_);
}

std::optional<DWORD> Lock::waitForExit() const {
    DWORD code = 0;
    if (!process_ ||
        ::WaitForSingleObject(process_.get(), static_cast<DWORD>(kPatience.count())) !=
            WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process_.get(), &code)) {
        return std::nullopt;
    }
    return code;
}

}  // namespace torvelt::e2e
