// The roads to a shutdown that do not need a password: the countdown and the Abbruch button.
#include <tuple>

#include "lock_driver.h"

namespace torvelt::e2e {
namespace {

using Countdown = LockTest;
using Cancel = LockTest;

// Waits until the caption shows `seconds` and the log holds one launch for every tick from zero
// on. A tick sets the caption before it launches: records read between two equal captions belong
// to the ticks up to that caption.
std::vector<std::string> shutdownsAt(const Lock& lock, int seconds) {
    const std::string caption = "Timeout in: " + std::to_string(seconds) + " sekunden";
    const auto expectedCount = static_cast<std::size_t>(1 - seconds);
    const auto [before, records, after] = poll(
        [&] {
            std::string first = lock.caption();
            std::vector<std::string> read = shutdownRecords();
            return std::tuple(std::move(first), std::move(read), lock.caption());
        },
        [&](const auto& seen) {
            const auto& [first, read, last] = seen;
            return first == caption && last == caption && read.size() == expectedCount;
        });
    EXPECT_EQ(after, caption);
    return records;
}

TEST_F(Countdown, RunningOutShutsDownAtEveryTickWhileTheLockStays) {
    writeSetting("Key", "geheim");
    writeSetting("TimeOut", "2");
    ASSERT_TRUE(lock.start());
    EXPECT_EQ(shutdownsAt(lock, 0), std::vector{shutdownRecord()});
    EXPECT_TRUE(lock.running());
    EXPECT_EQ(shutdownsAt(lock, -1), std::vector(2, shutdownRecord()));
    EXPECT_TRUE(lock.running());
}

TEST_F(Cancel, AbbruchAsksFirstAndNoKeepsTheLock) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    lock.pressWithAlt('A');
    ASSERT_EQ(lock.nextBox(), yesNoBox("Sicher?", "Windows Herunterfahren. Bist Du dir sicher?"));
    ASSERT_TRUE(lock.clickButton(IDNO));
    EXPECT_EQ(lock.waitForFocus(ids::kPaßworttext), ids::kPaßworttext);
    EXPECT_TRUE(lock.running());
    const std::string caption = lock.caption();
    EXPECT_NE(lock.waitForCaptionChange(caption), caption) << "the countdown goes on";
    EXPECT_EQ(shutdownRecords(), kNoShutdown);
}

TEST_F(Cancel, YesShutsDownAndEnds) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    lock.pressWithAlt('A');
    ASSERT_EQ(lock.nextBox().title, "Sicher?");
    ASSERT_TRUE(lock.clickButton(IDYES));
    EXPECT_EQ(lock.waitForExit(), 0u);
    EXPECT_EQ(shutdownRecords(1), std::vector{shutdownRecord()});
}

TEST_F(Cancel, EnterAnswersNo) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    lock.pressWithAlt('A');
    ASSERT_EQ(lock.nextBox().title, "Sicher?");
    ASSERT_TRUE(lock.answer(VK_RETURN));
    EXPECT_EQ(lock.waitForFocus(ids::kPaßworttext), ids::kPaßworttext);
    EXPECT_TRUE(lock.running());
    EXPECT_EQ(shutdownRecords(), kNoShutdown);
}

}  // namespace
}  // namespace torvelt::e2e
