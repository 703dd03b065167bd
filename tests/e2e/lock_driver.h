// Works a real torvelt.exe from outside, as its user and its system would: settings, keys, windows.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "control_ids.h"
#include "unique_handles.h"

namespace torvelt::e2e {

using namespace std::chrono_literals;

// Long enough for Wine on a busy machine; every wait ends as soon as its condition holds.
inline constexpr std::chrono::milliseconds kPatience = 10s;

// Reads until `done(value)` holds or `bound` has passed, and returns the last value read, so that
// a failed expectation shows what was there instead.
template <typename Read, typename Done>
auto poll(Read read, Done done, std::chrono::milliseconds bound = kPatience) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    auto value = read();
    while (!done(value) && std::chrono::steady_clock::now() < deadline) {
        ::Sleep(20);
        value = read();
    }
    return value;
}

std::string windowText(HWND window);

enum class Icon { None, Stop, Information, Question, Unknown };

// A message box as its user sees it; compared whole, so that a failure shows all of it.
struct Box {
    std::string title;
    std::string text;
    Icon icon = Icon::None;
    std::vector<int> buttons;  // control IDs in ascending order: IDOK, IDYES, IDNO
    int defaultButton = 0;
    bool operator==(const Box&) const = default;
};
void PrintTo(const Box& box, std::ostream* out);

// Style 16 (stop icon) or 64 (information icon): one Ok button.
Box okBox(std::string_view title, std::string_view text, Icon icon);
// Style 292: Yes and No, question icon, No preselected.
Box yesNoBox(std::string_view title, std::string_view text);

// The lock's settings: HKEY_CURRENT_USER\Software\WindowsStart\Paßwort.
inline constexpr wchar_t kSettingsApp[] = L"Software\\WindowsStart";
inline constexpr wchar_t kSettingsSection[] = L"Software\\WindowsStart\\Paßwort";
bool settingsExist();
// `type` REG_SZ or REG_EXPAND_SZ.
void writeSetting(std::string_view name, std::string_view text, DWORD type = REG_SZ);
void writeDwordSetting(std::string_view name, DWORD value);
void writeBinarySetting(std::string_view name, std::string_view bytes);
// Creates a key below HKEY_CURRENT_USER; `options` as RegCreateKeyExW takes them.
bool createKey(const wchar_t* path, DWORD options = REG_OPTION_NON_VOLATILE);
// The text of a REG_SZ value; nothing if it is missing or not text.
std::optional<std::string> storedText(std::string_view name);

// The recorder's line for one shutdown, as the lock must launch it: quoted path, minimized (2).
std::string shutdownRecord();
inline const std::vector<std::string> kNoShutdown;
// The recorder's lines once at least `atLeast` are there and no recorder is still running.
std::vector<std::string> shutdownRecords(std::size_t atLeast = 0);

// The seconds a countdown caption shows; nothing if it shows none.
std::optional<int> countdownSeconds(const std::string& caption);

// One torvelt.exe process and its windows; a process still running at the end is terminated.
class Lock {
  public:
    ~Lock();

    // Starts $TORVELT_EXE and waits until its window shows with the focus in the password field.
    ::testing::AssertionResult start();
    ::testing::AssertionResult launch();
    ::testing::AssertionResult waitUntilReady();

    // Real input into the lock window, which is made the foreground window first.
    void type(std::string_view text);
    void press(WORD key);
    void pressWithAlt(WORD key) { pressWith(VK_MENU, key); }
    void pressWith(WORD modifier, WORD key);
    void click(int controlId);
    // Types `text`, waits until the field has taken it, then presses Enter.
    ::testing::AssertionResult enter(std::string_view text);

    // Waits for the next message box of the lock and reads it.
    Box nextBox();
    // Answers the open message box with a real key, or clicks one of its buttons, and waits
    // until it has closed.
    ::testing::AssertionResult answer(WORD key);
    ::testing::AssertionResult clickButton(int buttonId);
    bool boxOpen() const;
    // How many message boxes of the process show; whether its window is in menu mode.
    int boxCount() const;
    bool inMenu() const;

    HWND window() const { return window_; }
    HWND control(int id) const { return ::GetDlgItem(window_, id); }
    std::string caption() const;
    // These wait for the value given, and return the last one read.
    std::string waitForCaptionChange(std::string_view from) const;
    int waitForFieldLength(int expected) const;
    int waitForFocus(int controlId) const;

    bool running() const;
    // The exit code once the process has ended; nothing if it still runs after kPatience.
    std::optional<DWORD> waitForExit() const;

  private:
    HWND findWindow(const wchar_t* windowClass) const;
    bool bringToFront(HWND window) const;
    ::testing::AssertionResult waitUntilClosed();

    win32::UniqueHandle process_;
    win32::UniqueHandle thread_;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    HWND window_ = nullptr;
    HWND box_ = nullptr;
};

// Every scenario starts from a store and a recorder log of its own choosing.
class LockTest : public ::testing::Test {
  protected:
    void SetUp() override;
    // A password, and a countdown too long to run out while a scenario runs.
    static void storePassword(std::string_view password);

    Lock lock;
};

}  // namespace torvelt::e2e
