// The shutdown command, reached through the end of the countdown and the confirmed cancel.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fake_system.h"
#include "torvelt.h"

namespace torvelt::testing {
namespace {

// A started lock with a password whose countdown runs out at the first tick.
struct Lock {
    Lock() {
        sys.setPassword("geheim");
        sys.setSetting("TimeOut", "1");
        lock.Form_Load();
    }
    void expectFailureBox(std::size_t index) {
        ASSERT_LT(index, sys.boxes.size());
        EXPECT_EQ(sys.boxes[index].text,
                  "Sorry, aber das Programm geht auf diesem Rechner nicht. Da es nun Müll ist, "
                  "lösch es einfach.");
        EXPECT_EQ(sys.boxes[index].style, 64);
        EXPECT_EQ(sys.boxes[index].title, "geht nicht...");
    }

    FakeSystem sys;
    Torvelt lock{sys, sys, {}};
};

TEST(Shutdown, CommandIsShutdownExeBelowTheWindowsDirectoryAsReported) {
    struct Case {
        std::string directory;
        std::optional<std::uint32_t> reported;  // when the query reports other than the truth
        std::string program;
    };
    for (const auto& c : std::vector<Case>{
             {"C:\\WINDOWS", std::nullopt, "C:\\WINDOWS\\System32\\shutdown.exe"},
             {"D:\\Mein Windows", std::nullopt, "D:\\Mein Windows\\System32\\shutdown.exe"},
             {"C:\\Straße", std::nullopt, "C:\\Straße\\System32\\shutdown.exe"},
             {"C:\\WINDOWS", 0, "\\System32\\shutdown.exe"}}) {
        Lock l;
        l.sys.windowsDirectoryText = c.directory;
        l.sys.windowsDirectoryLength = c.reported;
        l.lock.Timer_Timer();
        ASSERT_EQ(l.sys.launches.size(), 1u) << c.directory;
        EXPECT_EQ(l.sys.launches[0].program, c.program);
        EXPECT_EQ(l.sys.launches[0].arguments, "/s /f /t 0");
        EXPECT_EQ(l.sys.launches[0].windowStyle, 2);
        EXPECT_TRUE(l.sys.boxes.empty()) << c.directory;
        EXPECT_FALSE(l.sys.ended()) << "the countdown never ends the program";
    }
}

TEST(Shutdown, DirectoryTooLongOrLaunchRefusedIsShownOnceAndSwallowed) {
    for (const bool tooLong : {true, false}) {
        Lock l;
        if (tooLong) {
            l.sys.windowsDirectoryLength = 256;
        } else {
            l.sys.failLaunch = true;
        }
        EXPECT_NO_THROW(l.lock.Timer_Timer());
        EXPECT_EQ(l.sys.boxes.size(), 1u) << "directory too long: " << tooLong;
        l.expectFailureBox(0);
        EXPECT_TRUE(l.sys.launches.empty());
        EXPECT_FALSE(l.sys.ended());
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
        EXPECT_EQ(l.sys.boxes[0].text, "Windows Herunterfahren. Bist Du dir sicher?");
        EXPECT_EQ(l.sys.boxes[0].style, 292);
        EXPECT_EQ(l.sys.boxes[0].title, "Sicher?");
        EXPECT_EQ(l.sys.boxes.size(), failLaunch ? 2u : 1u) << "launch refused: " << failLaunch;
        if (failLaunch) {
            l.expectFailureBox(1);
        }
        EXPECT_EQ(l.sys.launches.size(), answer == kYes && !failLaunch ? 1u : 0u);
        EXPECT_EQ(l.sys.endCalls, answer == kYes ? 1 : 0) << "answer " << answer;
    }
}

TEST(Shutdown, CancelAnsweredNoLeavesTheLockAsItWas) {
    Lock l;
    l.sys.entry = "gehe";
    l.sys.answers = {7};
    l.lock.Klick_Abbruch_Click();
    EXPECT_EQ(l.lock.state().Zustand, 1);
    EXPECT_EQ(l.lock.state().RestVersuche, 5);
    EXPECT_EQ(l.lock.state().RestZeit, 1);
    EXPECT_EQ(l.sys.entry, "gehe");
}

TEST(Shutdown, TicksBehindTheFailureMessageDoNotStackMoreMessages) {
    Lock l;
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
    EXPECT_EQ(l.sys.caption, "Timeout in: -3 sekunden") << "the ticks behind the box still count";

    l.sys.whileBoxOpen = nullptr;
    l.lock.Timer_Timer();
    EXPECT_EQ(l.sys.boxes.size(), 2u) << "once closed, the next tick reports the failure again";
    l.expectFailureBox(1);
}

}  // namespace
}  // namespace torvelt::testing
