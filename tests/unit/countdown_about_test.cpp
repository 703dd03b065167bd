// The countdown tick by tick, the About message, and what keys do in the login state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fake_system.h"
#include "torvelt.h"

namespace torvelt::testing {
namespace {

const Contact kContact{"a@example.org", "https://example.org"};

// A started lock with the stored password "geheim" on its own in-memory system.
struct Lock {
    explicit Lock(const std::string& timeOut) {
        sys.setPassword("geheim");
        sys.setSetting("TimeOut", timeOut);
        lock.Form_Load();
    }

    FakeSystem sys;
    Torvelt lock{sys, sys, kContact};
};

std::string caption(int seconds) {
    return "Timeout in: " + std::to_string(seconds) + " sekunden";
}

TEST(Countdown, CountsToZeroThenLaunchesAtEveryFurtherTick) {
    Lock l("10");
    for (int tick = 1; tick <= 11; ++tick) {
        l.lock.Timer_Timer();
        EXPECT_EQ(l.sys.caption, caption(10 - tick)) << "tick " << tick;
        EXPECT_EQ(l.sys.launches.size(), tick < 10 ? 0u : tick - 9u) << "tick " << tick;
    }
    EXPECT_FALSE(l.sys.ended());
    EXPECT_TRUE(l.sys.timerIntervals.empty()) << "the countdown never stops itself";
}

TEST(Countdown, NothingLeftAtStartLaunchesAtTheFirstTick) {
    for (const auto& [timeOut, shown] : std::vector<std::pair<std::string, int>>{
             {"1", 0}, {"0", -1}, {"-5", -6}, {"-32768", -32768}}) {
        Lock l(timeOut);
        l.lock.Timer_Timer();
        EXPECT_EQ(l.sys.caption, caption(shown)) << "TimeOut " << timeOut;
        EXPECT_EQ(l.lock.state().RestZeit, shown);
        EXPECT_EQ(l.sys.launches.size(), 1u) << "TimeOut " << timeOut;
    }
}

TEST(About, VersionLineWritesZeroBeforeMinorAndRevision) {
    for (const auto& [version, line] :
         std::vector<std::pair<Version, std::string>>{{{1, 1, 5}, "Torvelt Version 1.01.05"},
                                                      {{1, 12, 5}, "Torvelt Version 1.012.05"},
                                                      {{2, 3, 0}, "Torvelt Version 2.03.00"}}) {
        const std::string text = aboutText(version, kContact);
        EXPECT_EQ(text, line + "\r\rEmailkontakt: a@example.org\rInternet https://example.org");
        EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 3) << text;
        EXPECT_EQ(text.find('\n'), std::string::npos) << text;
    }
}

TEST(About, ShowsTheProgramVersionAndLeavesTheLockAlone) {
    Lock l("10");
    l.sys.version = {1, 12, 0};
    l.sys.entry = "geh";
    l.lock.Picture1_About();
    ASSERT_EQ(l.sys.boxes.size(), 1u);
    EXPECT_EQ(l.sys.boxes[0].text, aboutText({1, 12, 0}, kContact));
    EXPECT_EQ(l.sys.boxes[0].style, 64);
    EXPECT_EQ(l.sys.boxes[0].title, "Info zu...");
    EXPECT_EQ(l.lock.state().Zustand, 1);
    EXPECT_EQ(l.lock.state().RestVersuche, 5);
    EXPECT_EQ(l.lock.state().RestZeit, 10);
    EXPECT_EQ(l.sys.entry, "geh");
}

TEST(KeyPress, LetterPassesThroughAndEnterConfirmsInLoginAndDialogue) {
    Lock l("10");
    std::int16_t key = 'a';
    l.lock.Paßworttext_KeyPress(key);
    EXPECT_EQ(key, 'a');
    EXPECT_TRUE(l.sys.boxes.empty());
    EXPECT_EQ(l.sys.captions.size(), 1u) << "only the caption of the start-up";
    EXPECT_EQ(l.sys.focusCalls, 0);

    for (const auto& [entry, zustand] : std::vector<std::pair<std::string, int>>{
             {"", 1}, {"new Paßwort", 4}, {"", 4}, {"geheim", 5}}) {
        l.sys.entry = entry;
        key = 13;
        l.lock.Paßworttext_KeyPress(key);
        EXPECT_EQ(key, 13) << "entry \"" << entry << "\"";
        EXPECT_EQ(l.lock.state().Zustand, zustand) << "entry \"" << entry << "\"";
    }
    EXPECT_EQ(l.sys.boxes[0].text, "Gib erst das Paßwort ein.");
    EXPECT_EQ(l.sys.boxes.size(), 4u);
}

}  // namespace
}  // namespace torvelt::testing
