// Faults of the system under the lock: no shutdown program, a store that refuses to be written.
#include <string>
#include <utility>

#include "lock_driver.h"

namespace torvelt::e2e {
namespace {

constexpr char kGehtNicht[] =
    "Sorry, aber das Programm geht auf diesem Rechner nicht. Da es nun Müll ist, lösch es einfach.";
constexpr std::string_view kUnexpected =
    "Ein unerwarteter Fehler ist aufgetreten. Die Sperre bleibt aktiv.";

// The prefix's shutdown recorder, renamed for the scenario so that the lock cannot start it, and
// renamed back afterwards. Never deleted: the test run refuses a prefix without it.
constexpr wchar_t kRecorder[] = L"C:\\windows\\system32\\shutdown.exe";
constexpr wchar_t kRecorderAway[] = L"C:\\windows\\system32\\shutdown.exe.away";

class ShutdownMissing : public LockTest {
  protected:
    void SetUp() override {
        LockTest::SetUp();
        ASSERT_TRUE(::MoveFileW(kRecorder, kRecorderAway))
            << "cannot rename the recorder: error " << ::GetLastError();
        moved_ = true;
    }
    void TearDown() override {
        if (moved_) {
            ::MoveFileW(kRecorderAway, kRecorder);
            EXPECT_NE(::GetFileAttributesW(kRecorder), INVALID_FILE_ATTRIBUTES)
                << "the recorder is not back: error " << ::GetLastError();
        }
    }

  private:
    bool moved_ = false;
};

TEST_F(ShutdownMissing, CountdownShowsOneGehtNichtBoxWhileTheLockStays) {
    writeSetting("Key", "geheim");
    writeSetting("TimeOut", "1");
    ASSERT_TRUE(lock.start());
    ASSERT_EQ(lock.nextBox(), okBox("geht nicht...", kGehtNicht, Icon::Information));
    // Left open: every tick meanwhile finds the shutdown program missing again.
    const auto [boxes, running] =
        poll([&] { return std::pair(lock.boxCount(), lock.running()); },
             [](const auto& seen) { return seen != std::pair(1, true); }, 15s);
    EXPECT_EQ(boxes, 1) << "message boxes open";
    EXPECT_TRUE(running);
    ASSERT_TRUE(lock.answer(VK_RETURN));
    EXPECT_TRUE(lock.running());
}

TEST_F(ShutdownMissing, CancelShowsGehtNichtOnceAndEnds) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    lock.pressWithAlt('A');
    ASSERT_EQ(lock.nextBox().title, "Sicher?");
    ASSERT_TRUE(lock.clickButton(IDYES));
    ASSERT_EQ(lock.nextBox(), okBox("geht nicht...", kGehtNicht, Icon::Information));
    ASSERT_TRUE(lock.answer(VK_RETURN));
    EXPECT_EQ(lock.waitForExit(), 0u);
}

using SettingsStore = LockTest;

// Wine refuses a lasting key below a volatile one (error 1021), which the lock's write needs.
TEST_F(SettingsStore, RefusedWriteIsReportedInsteadOfSuccessAndTheLockStays) {
    ASSERT_TRUE(createKey(kSettingsApp, REG_OPTION_VOLATILE));
    ASSERT_TRUE(lock.start());
    lock.type("x");
    ASSERT_EQ(lock.nextBox().title, "Neues Paßwort");
    ASSERT_TRUE(lock.answer(VK_RETURN));
    ASSERT_TRUE(lock.enter("neu"));
    ASSERT_EQ(lock.nextBox().title, "Bestätigung");
    ASSERT_TRUE(lock.answer(VK_RETURN));
    ASSERT_TRUE(lock.enter("neu"));
    Box box = lock.nextBox();
    const std::string whole = box.text;
    box.text = box.text.substr(0, kUnexpected.size());  // the cause follows
    EXPECT_EQ(box, okBox("Torvelt", kUnexpected, Icon::Stop)) << "whole text: " << whole;
    ASSERT_TRUE(lock.answer(VK_RETURN));
    EXPECT_TRUE(lock.running());
    EXPECT_EQ(storedText("Key"), std::nullopt);
}

}  // namespace
}  // namespace torvelt::e2e
