// The password dialogue: the first password, a change after the old one, and its ways back.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fake_system.h"
#include "torvelt.h"

namespace torvelt::testing {
namespace {

const std::string kFirstPrompt =
    "Es gibt noch kein Paßwort für dieses Programm.\rGib jetzt eins ein und drücke Ok oder Enter.";
const std::string kAskOld = "Gib das alte Paßwort ein.";
const std::string kRepeat = "Wiederhole jetzt die Eingabe.";

// A started lock on its own in-memory system; no password means a first start.
struct Lock {
    explicit Lock(const std::string& password, const std::string& timeOut = "10") {
        sys.setPassword(password);
        sys.setSetting("TimeOut", timeOut);
        lock.Form_Load();
    }
    void confirm(const std::string& text) {
        sys.entry = text;
        lock.Klick_OK_Click();
    }
    std::int16_t press(std::int16_t key) {
        lock.Paßworttext_KeyPress(key);
        return key;
    }
    // To the prompt for the new password: the first setup, or a change with the old password.
    void openNewPasswordPrompt(const std::string& password) {
        if (password.empty()) {
            press('x');
            return;
        }
        confirm("new Paßwort");
        confirm(password);
    }
    void expectBox(const std::string& text, int style, const std::optional<std::string>& title) {
        EXPECT_EQ(sys.lastBox().text, text);
        EXPECT_EQ(sys.lastBox().style, style);
        EXPECT_EQ(sys.lastBox().title, title);
    }

    FakeSystem sys;
    Torvelt lock{sys, sys, {}};
};

TEST(PasswordChange, FirstKeyOnFirstStartLeadsToAPasswordStoredAsTyped) {
    Lock l("");
    EXPECT_EQ(l.press('x'), 0) << "the key must be discarded";
    l.expectBox(kFirstPrompt, 64, "Neues Paßwort");
    EXPECT_EQ(l.sys.timerIntervals, std::vector<int>{0});
    EXPECT_EQ(l.sys.caption, "Timer angehalten");
    EXPECT_EQ(l.lock.state().Zustand, 5);

    l.confirm(" Mein Wort ");
    l.expectBox(kRepeat, 64, "Bestätigung");
    EXPECT_EQ(l.lock.state().Zustand, 6);
    EXPECT_EQ(l.sys.entry, "");

    l.confirm(" Mein Wort ");
    EXPECT_EQ(l.sys.setting("Key"), " Mein Wort ");
    l.expectBox(
        "Das neue Paßwort ist beim nächsten Start gültig. Du hast jetzt volle Macht über Windows.",
        64, "alles Ok");
    EXPECT_EQ(l.sys.endCalls, 1);
}

TEST(PasswordChange, EnterOnFirstStartOnlyOpensTheDialogue) {
    Lock l("");
    EXPECT_EQ(l.press(13), 0);
    ASSERT_EQ(l.sys.boxes.size(), 1u) << "the password check must not run";
    l.expectBox(kFirstPrompt, 64, "Neues Paßwort");
    EXPECT_EQ(l.lock.state().Zustand, 5);
}

TEST(PasswordChange, CountdownRunsOnUntilTheOldPasswordIsRight) {
    Lock l("alt", "1");
    l.confirm("new Paßwort");
    l.expectBox(kAskOld, 64, "Neues Paßwort");
    EXPECT_EQ(l.lock.state().Zustand, 4);
    EXPECT_EQ(l.sys.entry, "");
    EXPECT_TRUE(l.sys.timerIntervals.empty()) << "asking for the old password stops nothing";
    l.lock.Timer_Timer();
    EXPECT_EQ(l.sys.caption, "Timeout in: 0 sekunden");
    EXPECT_EQ(l.sys.launches.size(), 1u);

    l.confirm("alt");
    l.expectBox("Gib jetzt das neue Paßwort ein.", 64, "Neues Paßwort");
    EXPECT_EQ(l.sys.timerIntervals, std::vector<int>{0});
    EXPECT_EQ(l.sys.caption, "Timer angehalten");
    l.confirm("neu");
    l.confirm("neu");
    EXPECT_EQ(l.sys.setting("Key"), "neu");
    EXPECT_EQ(l.sys.endCalls, 1);
}

TEST(PasswordChange, WrongOldPasswordResumesTheLoginAndTheCountdownWithoutUsingATry) {
    Lock l("alt");
    l.lock.Timer_Timer();
    l.openNewPasswordPrompt("alt");  // stops the countdown at 9
    l.confirm("new Paßwort");        // and back to the old password
    const int focusBefore = l.sys.focusCalls;
    l.confirm("falsch");
    l.expectBox("Das alte Paßwort ist nicht richtig. Der Timer ist wieder aktiv.", 16,
                std::nullopt);
    EXPECT_EQ(l.sys.timerIntervals, (std::vector<int>{0, 1000}));
    EXPECT_EQ(l.sys.caption, "Timer angehalten");
    EXPECT_EQ(l.lock.state().Zustand, 1);
    EXPECT_EQ(l.sys.entry, "falsch") << "the entry stays";
    EXPECT_EQ(l.sys.focusCalls, focusBefore);
    EXPECT_EQ(l.lock.state().RestVersuche, 5);
    l.lock.Timer_Timer();
    EXPECT_EQ(l.sys.caption, "Timeout in: 8 sekunden");
}

TEST(PasswordChange, MismatchedConfirmationAsksForTheNewPasswordAgain) {
    for (const std::string password : {"alt", ""}) {
        Lock l(password);
        l.openNewPasswordPrompt(password);
        l.confirm("neu1");
        const int focusBefore = l.sys.focusCalls;
        l.confirm("neu2");
        l.expectBox("Die Bestätigung war nicht richtig, also noch einmal.", 16, "Fehler");
        EXPECT_EQ(l.lock.state().Zustand, 5) << "password \"" << password << "\"";
        EXPECT_EQ(l.sys.entry, "");
        EXPECT_EQ(l.sys.focusCalls, focusBefore + 1);
        EXPECT_EQ(l.sys.timerIntervals, std::vector<int>{0}) << "the countdown stays stopped";
        EXPECT_EQ(l.sys.writeCalls, 0) << "nothing may be stored yet";

        l.confirm("neu3");
        l.confirm("neu3");
        EXPECT_EQ(l.sys.setting("Key"), "neu3") << "password \"" << password << "\"";
        EXPECT_EQ(l.sys.endCalls, 1);
    }
}

TEST(PasswordChange, CommandWordAsNewPasswordOrConfirmationRestartsTheChange) {
    for (const bool asConfirmation : {false, true}) {
        Lock l("alt");
        l.openNewPasswordPrompt("alt");
        if (asConfirmation) {
            l.confirm("neu");
        }
        l.confirm("new Paßwort");
        l.expectBox(kAskOld, 64, "Neues Paßwort");
        EXPECT_EQ(l.lock.state().Zustand, 4) << "as confirmation: " << asConfirmation;
        EXPECT_EQ(l.sys.writeCalls, 0);
    }
}

TEST(PasswordChange, RefusedWriteRaisesWithoutClaimingSuccess) {
    Lock l("alt");
    l.openNewPasswordPrompt("alt");
    l.confirm("neu");
    l.sys.failWrite = true;
    l.sys.entry = "neu";
    EXPECT_THROW(l.lock.Klick_OK_Click(), RuntimeError);
    EXPECT_EQ(l.sys.writeCalls, 1);
    EXPECT_EQ(l.sys.lastBox().text, kRepeat) << "no message may follow the refused write";
    EXPECT_FALSE(l.sys.ended());
}

}  // namespace
}  // namespace torvelt::testing
