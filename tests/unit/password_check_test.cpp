// The Ok button as a login: empty entries, counting the tries, the master password, near misses.
#include "lock_fixture.h"

namespace torvelt::testing {
namespace {

const std::string kLastTry = "Das war dein letzter Versuch.....und Tschüß.";

std::string triesLeft(int count) {
    return "Das ist nicht richtig. Du hast jetzt noch " + std::to_string(count) + " Versuche.";
}

TEST(PasswordCheck, EmptyEntryIsRefusedInEveryStateWithoutUsingATry) {
    Lock l;
    std::vector<int> statesSeen;
    for (const std::string next : {"new Paßwort", "geheim", "neu", ""}) {
        statesSeen.push_back(l.lock.state().Zustand);
        const int focusBefore = l.sys.focusCalls;
        l.confirm("");
        expectBox(l.sys.lastBox(), "Gib erst das Paßwort ein.", 64, "Fehler");
        EXPECT_EQ(l.sys.focusCalls, focusBefore + 1);
        l.expectState(statesSeen.back(), 5, 10);
        l.confirm(next);
    }
    EXPECT_EQ(statesSeen, (std::vector<int>{1, 4, 5, 6}));
}

TEST(PasswordCheck, WrongTriesCountDownAndTheLastOneShutsDown) {
    Lock l;
    std::size_t launchesWhileLastTryShown = 99;
    l.sys.whileBoxOpen = [&](const BoxShown& box) {
        if (box.text == kLastTry) {
            launchesWhileLastTryShown = l.sys.launches.size();
        }
    };
    std::vector<std::string> shown;
    for (int attempt = 1; attempt <= 10 && !l.sys.ended(); ++attempt) {
        l.confirm("falsch");
        shown.push_back(l.sys.lastBox().text);
        EXPECT_EQ(l.sys.lastBox().style, 16);
        EXPECT_EQ(l.sys.lastBox().title, l.sys.ended() ? "Upsss..." : "Fehler");
        if (!l.sys.ended()) {
            EXPECT_EQ(l.sys.entry, "") << "after wrong try " << attempt;
            EXPECT_EQ(l.sys.focusCalls, attempt) << "after wrong try " << attempt;
        }
    }
    EXPECT_EQ(shown, (std::vector<std::string>{
                         triesLeft(4), triesLeft(3), triesLeft(2),
                         "Das ist nicht richtig. Du hast jetzt noch 1 Versuch.", kLastTry}));
    // The message first, then the launch, then the end: the double fails a launch after it.
    EXPECT_EQ(launchesWhileLastTryShown, 0u);
    EXPECT_EQ(l.sys.launches.size(), 1u);
    EXPECT_EQ(l.sys.endCalls, 1);
}

TEST(PasswordCheck, NoTriesLeftAtStartCountsOnToTheFloorAndNeverShutsDown) {
    Lock l({{"maxFehler", "-32767"}});
    l.confirm("falsch");
    EXPECT_EQ(l.sys.lastBox().text, triesLeft(-32768));
    l.confirm("falsch");
    EXPECT_EQ(l.sys.lastBox().text, triesLeft(-32768));
    EXPECT_TRUE(l.sys.launches.empty());
    EXPECT_FALSE(l.sys.ended());
}

TEST(PasswordCheck, OnlyTheStoredOrMasterPasswordInAnyCaseEndsAtOnce) {
    const std::vector<std::pair<std::string, bool>> entries{
        {"geheim", true},   {"ravelo", true},   {"RaVeLo", true},       {"Geheim", false},
        {" geheim", false}, {"ravelo ", false}, {"New Paßwort", false}, {"new Paßwort ", false}};
    for (const auto& [entry, right] : entries) {
        Lock l;
        l.confirm(entry);
        EXPECT_EQ(l.sys.endCalls, right ? 1 : 0) << entry;
        EXPECT_EQ(l.sys.boxes.size(), right ? 0u : 1u) << entry;
        EXPECT_TRUE(l.sys.launches.empty());
        l.expectState(1, right ? 5 : 4, 10);
    }
}

TEST(PasswordCheck, StoredPasswordIsReadAgainAtEveryAttempt) {
    Lock l;
    l.sys.setPassword("neu");
    l.confirm("geheim");
    EXPECT_EQ(l.lock.state().RestVersuche, 4) << "the password stored before no longer counts";
    l.confirm("neu");
    EXPECT_EQ(l.sys.endCalls, 1);
}

}  // namespace
}  // namespace torvelt::testing
