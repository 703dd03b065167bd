// The password dialogue: the first password, a change after the old one, and its ways back.
#include "lock_fixture.h"

namespace torvelt::testing {
namespace {

const std::string kFirstPrompt =
    "Es gibt noch kein Paßwort für dieses Programm.\rGib jetzt eins ein und drücke Ok oder Enter.";
const std::string kAskOld = "Gib das alte Paßwort ein.";
const std::string kRepeat = "Wiederhole jetzt die Eingabe.";

// To the prompt for the new password: the first setup, or a change with the old password.
void openNewPasswordPrompt(Lock& l, const std::string& password) {
    if (password.empty()) {
        l.press('x');
        return;
    }
    l.confirm("new Paßwort");
    l.confirm(password);
}

TEST(PasswordChange, FirstKeyOrEnterOnFirstStartOpensTheDialogueAndStopsTheCountdown) {
    for (const char key : {'x', '\r'}) {
        Lock l({{"Key", ""}});
        EXPECT_EQ(l.press(key), 0) << "the key must be discarded";
        ASSERT_EQ(l.sys.boxes.size(), 1u) << "the password check must not run";
        expectBox(l.sys.boxes[0], kFirstPrompt, 64, "Neues Paßwort");
        EXPECT_EQ(l.sys.timerIntervals, std::vector<int>{0});
        EXPECT_EQ(l.sys.caption, "Timer angehalten");
        EXPECT_EQ(l.lock.state().Zustand, 5);
        EXPECT_EQ(l.sys.focusCalls, 1);
    }
}

TEST(PasswordChange, CountdownRunsOnUntilTheOldPasswordIsRightThenTheNewIsStoredAsTyped) {
    Lock l({{"Key", "alt"}, {"TimeOut", "1"}});
    l.confirm("new Paßwort");
    expectBox(l.sys.lastBox(), kAskOld, 64, "Neues Paßwort");
    EXPECT_EQ(l.lock.state().Zustand, 4);
    EXPECT_EQ(l.sys.entry, "");
    EXPECT_TRUE(l.sys.timerIntervals.empty()) << "asking for the old password stops nothing";
    l.lock.Timer_Timer();
    EXPECT_EQ(l.sys.launches.size(), 1u);

    l.confirm("alt");
    expectBox(l.sys.lastBox(), "Gib jetzt das neue Paßwort ein.", 64, "Neues Paßwort");
    EXPECT_EQ(l.sys.timerIntervals, std::vector<int>{0}) << "the right old password stops it";
    l.confirm(" Mein Wort ");
    expectBox(l.sys.lastBox(), kRepeat, 64, "Bestätigung");
    EXPECT_EQ(l.lock.state().Zustand, 6);
    EXPECT_EQ(l.sys.entry, "");
    l.confirm(" Mein Wort ");
    EXPECT_EQ(l.sys.setting("Key"), " Mein Wort ");
    expectBox(
        l.sys.lastBox(),
        "Das neue Paßwort ist beim nächsten Start gültig. Du hast jetzt volle Macht über Windows.",
        64, "alles Ok");
    EXPECT_EQ(l.sys.endCalls, 1);
}

TEST(PasswordChange, WrongOldPasswordResumesTheLoginAndTheCountdownWithoutUsingATry) {
    Lock l({{"Key", "alt"}});
    l.lock.Timer_Timer();
    openNewPasswordPrompt(l, "alt");  // stops the countdown at 9
    l.confirm("new Paßwort");         // as the new password, back to the old one
    const int focusBefore = l.sys.focusCalls;
    l.confirm("falsch");
    expectBox(l.sys.lastBox(), "Das alte Paßwort ist nicht richtig. Der Timer ist wieder aktiv.",
              16, std::nullopt);
    EXPECT_EQ(l.sys.timerIntervals, (std::vector<int>{0, 1000}));
    l.expectState(1, 5, 9);
    EXPECT_EQ(l.sys.entry, "falsch") << "the entry stays";
    EXPECT_EQ(l.sys.focusCalls, focusBefore);
}

TEST(PasswordChange, MismatchedConfirmationAsksAgainAndARefusedWriteClaimsNoSuccess) {
    for (const std::string password : {"alt", ""}) {
        Lock l({{"Key", password}});
        openNewPasswordPrompt(l, password);
        l.confirm("neu1");
        const int focusBefore = l.sys.focusCalls;
        l.confirm("neu2");
        expectBox(l.sys.lastBox(), "Die Bestätigung war nicht richtig, also noch einmal.", 16,
                  "Fehler");
        // Back to the new password, not to its confirmation nor to the login.
        EXPECT_EQ(l.lock.state().Zustand, 5) << "password \"" << password << "\"";
        EXPECT_EQ(l.sys.entry, "");
        EXPECT_EQ(l.sys.focusCalls, focusBefore + 1);
        EXPECT_EQ(l.sys.timerIntervals, std::vector<int>{0}) << "the countdown stays stopped";

        l.confirm("neu3");
        l.sys.failWrite = true;
        EXPECT_THROW(l.confirm("neu3"), RuntimeError);
        EXPECT_EQ(l.sys.lastBox().text, kRepeat) << "no message may follow the refused write";
        EXPECT_EQ(l.sys.writeCalls, 1);
        EXPECT_FALSE(l.sys.ended());
    }
}

}  // namespace
}  // namespace torvelt::testing
