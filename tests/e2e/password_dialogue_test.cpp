// Choosing a password: on the first start, after a repaired store, and through the command word.
#include "lock_driver.h"

namespace torvelt::e2e {
namespace {

constexpr char kFirstPrompt[] =
    "Es gibt noch kein Paßwort für dieses Programm.\rGib jetzt eins ein und drücke Ok oder Enter.";
constexpr char kRepeat[] = "Wiederhole jetzt die Eingabe.";
constexpr char kStored[] =
    "Das neue Paßwort ist beim nächsten Start gültig. Du hast jetzt volle Macht über Windows.";
constexpr char kStopped[] = "Timer angehalten";

using FirstStart = LockTest;
using PasswordChange = LockTest;

TEST_F(FirstStart, FirstKeyLeadsToChoosingAPasswordThatIsStoredExactly) {
    ASSERT_TRUE(lock.start());
    lock.type("x");
    ASSERT_EQ(lock.nextBox(), okBox("Neues Paßwort", kFirstPrompt, Icon::Information));
    EXPECT_EQ(lock.caption(), kStopped);
    ASSERT_TRUE(lock.answer(VK_RETURN));
    // Blanks, case and ß kept: the password is stored as typed. enter() also shows that the
    // first key did not reach the field.
    ASSERT_TRUE(lock.enter(" Mein Paßwort "));
    ASSERT_EQ(lock.nextBox(), okBox("Bestätigung", kRepeat, Icon::Information));
    ASSERT_TRUE(lock.answer(VK_RETURN));
    ASSERT_TRUE(lock.enter(" Mein Paßwort "));
    ASSERT_EQ(lock.nextBox(), okBox("alles Ok", kStored, Icon::Information));
    ASSERT_TRUE(lock.answer(VK_RETURN));
    EXPECT_EQ(lock.waitForExit(), 0u);
    EXPECT_EQ(storedText("Key"), " Mein Paßwort ");
    EXPECT_EQ(shutdownRecords(), kNoShutdown);
}

TEST_F(FirstStart, MismatchedConfirmationAsksForTheNewPasswordAgain) {
    ASSERT_TRUE(lock.start());
    lock.type("x");
    ASSERT_EQ(lock.nextBox().text, kFirstPrompt);
    ASSERT_TRUE(lock.answer(VK_RETURN));
    ASSERT_TRUE(lock.enter("eins"));
    ASSERT_EQ(lock.nextBox().text, kRepeat);
    ASSERT_TRUE(lock.answer(VK_RETURN));
    ASSERT_TRUE(lock.enter("zwei"));
    ASSERT_EQ(lock.nextBox(),
              okBox("Fehler", "Die Bestätigung war nicht richtig, also noch einmal.", Icon::Stop));
    ASSERT_TRUE(lock.answer(VK_RETURN));
    // A stopped countdown shows only in ticks that do not come: watch longer than one period.
    EXPECT_EQ(poll([&] { return lock.caption(); },
                   [](const std::string& caption) { return caption != kStopped; }, 1500ms),
              kStopped);
    ASSERT_TRUE(lock.enter("drei"));
    ASSERT_EQ(lock.nextBox(), okBox("Bestätigung", kRepeat, Icon::Information))
        << "the entry after the mismatch is the new password";
    ASSERT_TRUE(lock.answer(VK_RETURN));
    ASSERT_TRUE(lock.enter("drei"));
    ASSERT_EQ(lock.nextBox().text, kStored);
    ASSERT_TRUE(lock.answer(VK_RETURN));
    EXPECT_EQ(lock.waitForExit(), 0u);
    EXPECT_EQ(storedText("Key"), "drei");
    EXPECT_EQ(shutdownRecords(), kNoShutdown);
}

TEST_F(PasswordChange, CommandWordChangesThePasswordOnceTheOldOneIsGiven) {
    storePassword("alt");
    ASSERT_TRUE(lock.start());
    ASSERT_TRUE(lock.enter("new Paßwort"));
    ASSERT_EQ(lock.nextBox(),
              okBox("Neues Paßwort", "Gib das alte Paßwort ein.", Icon::Information));
    ASSERT_TRUE(lock.answer(VK_RETURN));
    // Only the right old password may stop the countdown: until then it goes on.
    const std::string asked = lock.caption();
    EXPECT_NE(asked, kStopped);
    EXPECT_NE(lock.waitForCaptionChange(asked), asked);
    ASSERT_TRUE(lock.enter("alt"));
    ASSERT_EQ(lock.nextBox(),
              okBox("Neues Paßwort", "Gib jetzt das neue Paßwort ein.", Icon::Information));
    EXPECT_EQ(lock.caption(), kStopped);
    ASSERT_TRUE(lock.answer(VK_RETURN));
    ASSERT_TRUE(lock.enter("neu"));
    ASSERT_EQ(lock.nextBox(), okBox("Bestätigung", kRepeat, Icon::Information));
    ASSERT_TRUE(lock.answer(VK_RETURN));
    ASSERT_TRUE(lock.enter("neu"));
    ASSERT_EQ(lock.nextBox(), okBox("alles Ok", kStored, Icon::Information));
    ASSERT_TRUE(lock.answer(VK_RETURN));
    EXPECT_EQ(lock.waitForExit(), 0u);
    EXPECT_EQ(storedText("Key"), "neu");
    EXPECT_EQ(shutdownRecords(), kNoShutdown);
}

}  // namespace
}  // namespace torvelt::e2e
