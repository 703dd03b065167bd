// Works a real torvelt.exe from outside, as its user and its system would: settings, keys, windows.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
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

enum class Icon { None, Stop, Information, Question, Unknown };

// A message box as its user sees it; compared whole, so that a failure shows all of it.
struct Box {
    std::string title, text;
    Icon icon = Icon::None;
    std::vector<int> buttons;  // control IDs in ascending order: IDOK, IDYES, IDNO
    int defaultButton = 0;
    bool operator==(const Box&) const = default;
};
void PrintTo(const Box& box, std::ostream* out);
Box okBox(std::string_view title, std::string_view text, Icon icon);
Box yesNoBox(std::string_view title, std::string_view text);  // No preselected

// A value of the password section, or with section "" of HKCU\Software\WindowsStart itself:
// text in UTF-8, other types as their bytes.
struct Setting {
    std::string name, data;
    DWORD type = REG_SZ;
    std::string section = "Paßwort";
};
void writeSetting(const Setting& setting);
void writeSetting(std::string_view name, std::string_view data, DWORD type = REG_SZ);
bool settingsExist();  // HKCU\Software\WindowsStart
// The password section's REG_SZ value `name`; nothing if it is missing or of another type.
std::optional<std::string> storedText(std::string_view name);

// The recorder's line for one shutdown, as the lock must launch it: quoted path, minimized (2).
std::string shutdownRecord();
inline const std::vector<std::string> kNoShutdown;
// The recorder's lines once at least `atLeast` are there and no recorder is still running.
std::vector<std::string> shutdownRecords(std::size_t atLeast = 0);

// One torvelt.exe process and its windows; a process still running at the end is terminated.
class Lock {
  public:
    ~Lock();
    // Starts $TORVELT_EXE and waits until its window shows with the focus in the password field,
    // or until its start-up shows a message box.
    ::testing::AssertionResult start();
    // Real input into the lock window, which is made the foreground window first.
    void type(std::string_view text);
    void press(WORD key) { keys({key}); }
    void pressWithAlt(WORD key) { keys({VK_MENU, key}); }
    void keys(const std::vector<WORD>& held);  // pressed in order, released in reverse
    void click(int controlId);
    // Waits until the field is empty and has the focus, types `text`, waits until the field has
    // taken it, then presses Enter.
    ::testing::AssertionResult enter(std::string_view text);
    // Waits for the next message box of the lock and reads it; answers it with a real key or a
    // click on one of its buttons and waits until it has closed.
    Box nextBox();
    ::testing::AssertionResult answer(WORD key = VK_RETURN);
    ::testing::AssertionResult clickButton(int buttonId);
    bool boxOpen() const { return find(L"#32770"); }

    HWND window() const { return window_; }
    HWND control(int id) const { return ::GetDlgItem(window_, id); }
    std::string caption() const;
    // These wait for the value given, and return the last one read.
    int waitForFieldLength(int expected) const;
    int waitForFocus(int controlId) const;
    bool running() const;
    std::optional<DWORD> waitForExit() const;  // nothing if it still runs after kPatience

  private:
    HWND find(const wchar_t* windowClass) const;
    ::testing::AssertionResult waitUntilReady();
    ::testing::AssertionResult closed();

    win32::UniqueHandle process_, thread_;
    DWORD processId_ = 0, threadId_ = 0;
    HWND window_ = nullptr, box_ = nullptr;
};

// Every scenario starts from an empty store and an empty recorder log.
class LockTest : public ::testing::Test {
  protected:
    void SetUp() override;
    // A password, and a countdown too long to run out while a scenario runs.
    static void storePassword(std::string_view password);

    Lock lock;
};

}  // namespace torvelt::e2e
