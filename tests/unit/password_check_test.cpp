// The Ok button as a login: empty entries, counting the tries, the master password, near misses.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "fake_system.h"
#include "torvelt.h"

namespace torvelt::testing {
namespace {

const std::string kLastTry = "Das war dein letzter Versuch.....und Tschüß.";
const std::string kOneLeft = "Das ist nicht richtig. Du hast jetzt noch 1 Versuch.";

std::string triesLeft(int count) {
    return "Das ist nicht richtig. Du hast jetzt noch " + std::to_string(count) + " Versuche.";
}

// A started lock with the stored password "geheim" on its own in-memory system.
struct Lock {
    explicit Lock(const std::string& maxFehler) {
        sys.setPassword("geheim");
        sys.setSetting("maxFehler", maxFehler);
        lock.Form_Load();
    }
    void confirm(const std::string& text) {
        sys.entry = text;
        lock.Klick_OK_Click();
    }

    FakeSystem sys;
    Torvelt lock{sys, sys, {}};
};

TEST(PasswordCheck, EmptyEntryIsRefusedInEveryStateWithoutUsingATry) {
    Lock l("5");
    std::vector<int> statesSeen;
    for (const std::string next : {"new Paßwort", "geheim", "neu", ""}) {
        statesSeen.push_back(l.lock.state().Zustand);
        const int focusBefore = l.sys.focusCalls;
        l.confirm("");
        EXPECT_EQ(l.sys.lastBox().text, "Gib erst das Paßwort ein.")
            << "Zustand " << statesSeen.back();
        EXPECT_EQ(l.sys.lastBox().style, 64);
        EXPECT_EQ(l.sys.lastBox().title, "Fehler");
        EXPECT_EQ(l.sys.focusCalls, focusBefore + 1);
        EXPECT_EQ(l.lock.state().Zustand, statesSeen.back());
        EXPECT_EQ(l.lock.state().RestVersuche, 5);
        l.confirm(next);
    }
    EXPECT_EQ(statesSeen, (std::vector<int>{1, 4, 5, 6}));
}

TEST(PasswordCheck, WrongTriesCountDownAndTheLastOneShutsDown) {
    for (const auto& [maxFehler, messages] :
         std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"5", {triesLeft(4), triesLeft(3), triesLeft(2), kOneLeft, kLastTry}},
             {"2", {kOneLeft, kLastTry}},
             {"1", {kLastTry}}}) {
        Lock l(maxFehler);
        std::size_t launchesWhileLastTryShown = 99;
        l.sys.whileBoxOpen = [&](const BoxShown& box) {
            if (box.title == "Upsss...") {
                launchesWhileLastTryShown = l.sys.launches.size();
            }
        };
        std::vector<std::string> shown;
        for (int attempt = 1; attempt <= 10 && !l.sys.ended(); ++attempt) {
            l.confirm("falsch");
            shown.push_back(l.sys.lastBox().text);
            if (!l.sys.ended()) {
                EXPECT_EQ(l.sys.lastBox().style, 16);
                EXPECT_EQ(l.sys.lastBox().title, "Fehler");
                EXPECT_EQ(l.sys.entry, "") << "after wrong try " << attempt;
                EXPECT_EQ(l.sys.focusCalls, attempt) << "after wrong try " << attempt;
            }
        }
        EXPECT_EQ(shown, messages) << "maxFehler " << maxFehler;
        EXPECT_EQ(l.sys.lastBox().style, 16);
        // The message first, then the launch, then the end: the double fails a launch after it.
        EXPECT_EQ(launchesWhileLastTryShown, 0u);
        EXPECT_EQ(l.sys.launches.size(), 1u) << "maxFehler " << maxFehler;
        EXPECT_EQ(l.sys.endCalls, 1);
    }
}

TEST(PasswordCheck, NoTriesLeftAtStartCountsOnAndNeverShutsDown) {
    for (const auto& [maxFehler, firstLeft] :
         std::vector<std::pair<std::string, int>>{{"0", -1}, {"-3", -4}, {"-32768", -32768}}) {
        Lock l(maxFehler);
        l.confirm("falsch");
        EXPECT_EQ(l.sys.lastBox().text, triesLeft(firstLeft)) << "maxFehler " << maxFehler;
        for (int attempt = 0; attempt < 20; ++attempt) {
            l.confirm("falsch");
        }
        EXPECT_EQ(l.lock.state().RestVersuche, firstLeft == -32768 ? -32768 : firstLeft - 20);
        EXPECT_TRUE(l.sys.launches.empty()) << "maxFehler " << maxFehler;
        EXPECT_FALSE(l.sys.ended()) << "maxFehler " << maxFehler;
    }
}

TEST(PasswordCheck, StoredOrMasterPasswordInAnyCaseEndsAtOnce) {
    for (const std::string entry : {"geheim", "ravelo", "RAVELO", "RaVeLo"}) {
        Lock l("5");
        l.confirm(entry);
        EXPECT_EQ(l.sys.endCalls, 1) << entry;
        EXPECT_TRUE(l.sys.boxes.empty()) << entry;
        EXPECT_TRUE(l.sys.launches.empty()) << entry;
    }
}

TEST(PasswordCheck, NearMissesAndTheCapitalisedCommandWordAreWrongTries) {
    Lock l("100");
    int left = 100;
    for (const std::string entry :
         {"Geheim", "geheim ", " geheim", "ravelo ", "New Paßwort", "new Paßwort "}) {
        l.confirm(entry);
        EXPECT_EQ(l.lock.state().RestVersuche, --left) << "entry \"" << entry << "\"";
        EXPECT_EQ(l.lock.state().Zustand, 1) << "entry \"" << entry << "\"";
    }
    EXPECT_FALSE(l.sys.ended());
}

TEST(PasswordCheck, StoredPasswordIsReadAgainAtEveryAttempt) {
    Lock l("5");
    l.confirm("neu");
    l.sys.setPassword("neu");
    l.confirm("geheim");
    EXPECT_EQ(l.lock.state().RestVersuche, 3) << "the password stored before no longer counts";
    l.confirm("neu");
    EXPECT_EQ(l.sys.endCalls, 1);
}

}  // namespace
}  // namespace torvelt::testing
