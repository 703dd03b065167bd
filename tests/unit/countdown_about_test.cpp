// The countdown tick by tick, the About message, and what keys do in the login state.
#include "lock_fixture.h"

namespace torvelt::testing {
namespace {

TEST(Countdown, EveryTickShowsOneSecondLessAndLaunchesOnceNoneAreLeft) {
    Lock l({{"TimeOut", "2"}});
    for (const auto& [left, launches] :
         std::vector<std::pair<int, std::size_t>>{{1, 0}, {0, 1}, {-1, 2}}) {
        l.lock.Timer_Timer();
        EXPECT_EQ(l.sys.caption, caption(left));
        EXPECT_EQ(l.sys.launches.size(), launches) << "at " << left;
    }
    EXPECT_FALSE(l.sys.ended());
    EXPECT_TRUE(l.sys.timerIntervals.empty()) << "the countdown never stops itself";
    Lock lowest({{"TimeOut", "-32768"}});
    lowest.lock.Timer_Timer();
    EXPECT_EQ(lowest.sys.caption, caption(-32768));
    EXPECT_EQ(lowest.sys.launches.size(), 1u);
}

TEST(About, ShowsTheVersionWithZerosBeforeMinorAndRevisionAndLeavesTheLockAlone) {
    for (const auto& [version, line] : std::vector<std::pair<Version, std::string>>{
             {{1, 1, 5}, "Torvelt Version 1.01.05"}, {{2, 12, 0}, "Torvelt Version 2.012.00"}}) {
        Lock l;
        l.sys.version = version;
        l.sys.entry = "geh";
        l.lock.Picture1_About();
        ASSERT_EQ(l.sys.boxes.size(), 1u);
        expectBox(l.sys.boxes[0],
                  line + "\r\rEmailkontakt: a@example.org\rInternet https://example.org", 64,
                  "Info zu...");
        l.expectState(1, 5, 10);
        EXPECT_EQ(l.sys.entry, "geh");
    }
}

TEST(KeyPress, LetterPassesThroughAndEnterConfirmsInLoginAndDialogue) {
    Lock l;
    EXPECT_EQ(l.press('a'), 'a');
    EXPECT_TRUE(l.sys.boxes.empty());
    EXPECT_EQ(l.sys.captions.size(), 1u) << "only the caption of the start-up";
    EXPECT_EQ(l.sys.focusCalls, 0);
    for (const auto& [entry, zustand] :
         std::vector<std::pair<std::string, int>>{{"new Paßwort", 4}, {"geheim", 5}}) {
        l.sys.entry = entry;
        EXPECT_EQ(l.press(13), 13);
        EXPECT_EQ(l.lock.state().Zustand, zustand) << "entry \"" << entry << "\"";
    }
}

}  // namespace
}  // namespace torvelt::testing
