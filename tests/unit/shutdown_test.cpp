// The shutdown command, reached through the end of the countdown and the confirmed cancel.
#include "lock_fixture.h"

namespace torvelt::testing {
namespace {

const std::string kFailure =
    "Sorry, aber das Programm geht auf diesem Rechner nicht. Da es nun Müll ist, lösch es einfach.";

TEST(Shutdown, CommandIsShutdownExeBelowTheDirectoryAsReportedAndAFailureIsOnlyShown) {
    const std::string exe = "\\System32\\shutdown.exe";
    // Directory, its length if reported other than the truth, launch refused, program (none when
    // the failure is shown).
    const std::vector<std::tuple<std::string, std::optional<std::uint32_t>, bool, std::string>>
        cases{{"C:\\Straße", {}, false, "C:\\Straße" + exe},
              {"C:\\WINDOWS", 0, false, exe},
              // The longest length taken: the buffer as the system left it.
              {"C:\\WINDOWS", 255, false,
               std::string("C:\\WINDOWS\0", 11) + std::string(244, ' ') + exe},
              {"C:\\WINDOWS", 256, false, ""},
              {"C:\\WINDOWS", {}, true, ""}};
    for (const auto& [directory, reported, failLaunch, program] : cases) {
        Lock l({{"TimeOut", "1"}});
        l.sys.windowsDirectoryText = directory;
        l.sys.windowsDirectoryLength = reported;
        l.sys.failLaunch = failLaunch;
        EXPECT_NO_THROW(l.lock.Timer_Timer());
        EXPECT_FALSE(l.sys.ended()) << "the countdown never ends the program";
        ASSERT_EQ(l.sys.boxes.size(), program.empty() ? 1u : 0u) << reported.value_or(0);
        ASSERT_EQ(l.sys.launches.size(), program.empty() ? 0u : 1u);
        if (program.empty()) {
            expectBox(l.sys.boxes[0], kFailure, 64, "geht nicht...");
            continue;
        }
        EXPECT_EQ(l.sys.launches[0].program, program);
        EXPECT_EQ(l.sys.launches[0].arguments, "/s /f /t 0");
        EXPECT_EQ(l.sys.launches[0].windowStyle, 2);
    }
}

TEST(Shutdown, CancelAsksFirstAndOnYesLaunchesThenEndsEvenIfTheLaunchFails) {
    enum Answer { kNo = 7, kYes = 6 };
    for (const auto& [answer, failLaunch] :
         std::vector<std::pair<Answer, bool>>{{kNo, false}, {kYes, false}, {kYes, true}}) {
        Lock l;
        l.sys.entry = "gehe";
        l.sys.answers = {answer};
        l.sys.failLaunch = failLaunch;
        l.lock.Klick_Abbruch_Click();  // the double fails any launch after the end
        ASSERT_EQ(l.sys.boxes.size(), failLaunch ? 2u : 1u) << "launch refused: " << failLaunch;
        expectBox(l.sys.boxes[0], "Windows Herunterfahren. Bist Du dir sicher?", 292, "Sicher?");
        if (failLaunch) {
            EXPECT_EQ(l.sys.boxes[1].text, kFailure);
        }
        EXPECT_EQ(l.sys.launches.size(), answer == kYes && !failLaunch ? 1u : 0u);
        EXPECT_EQ(l.sys.endCalls, answer == kYes ? 1 : 0) << "answer " << answer;
        l.expectState(1, 5, 10);
        EXPECT_EQ(l.sys.entry, "gehe");
    }
}

TEST(Shutdown, TicksBehindTheFailureMessageDoNotStackMoreMessages) {
    Lock l({{"TimeOut", "1"}});
    l.sys.failLaunch = true;
    int ticksBehindBox = 0;
    l.sys.whileBoxOpen = [&](const BoxShown&) {
        while (ticksBehindBox < 3) {
            ++ticksBehindBox;
            l.lock.Timer_Timer();
        }
    };
    l.lock.Timer_Timer();
    EXPECT_EQ(l.sys.boxes.size(), 1u);
    EXPECT_EQ(l.sys.deepestBoxNesting, 1);
    EXPECT_EQ(l.sys.caption, caption(-3)) << "the ticks behind the box still count";

    l.sys.whileBoxOpen = nullptr;
    l.lock.Timer_Timer();
    EXPECT_EQ(l.sys.boxes.size(), 2u) << "once closed, the next tick reports the failure again";
    EXPECT_EQ(l.sys.boxes[1].text, kFailure);
}

}  // namespace
}  // namespace torvelt::testing
