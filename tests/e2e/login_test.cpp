// Logging in: the stored and the master password end the lock, wrong ones cost tries.
#include <array>

#include "lock_driver.h"

namespace torvelt::e2e {
namespace {

using Login = LockTest;

TEST_F(Login, RightPasswordEndsTheLock) {
    storePassword("Geheim ß");
    ASSERT_TRUE(lock.start());
    ASSERT_TRUE(lock.enter("Geheim ß"));
    EXPECT_EQ(lock.waitForExit(), 0u);
    EXPECT_EQ(shutdownRecords(), kNoShutdown);
}

TEST_F(Login, WrongPasswordCostsATryAndClearsTheField) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    ASSERT_TRUE(lock.enter("Geheim"));  // differs in case only
    ASSERT_EQ(lock.nextBox(),
              okBox("Fehler", "Das ist nicht richtig. Du hast jetzt noch 4 Versuche.", Icon::Stop));
    ASSERT_TRUE(lock.answer(VK_RETURN));
    EXPECT_EQ(lock.waitForFieldLength(0), 0);
    EXPECT_EQ(lock.waitForFocus(ids::kPaßworttext), ids::kPaßworttext);
    EXPECT_TRUE(lock.running());
    EXPECT_EQ(shutdownRecords(), kNoShutdown);
}

TEST_F(Login, MasterPasswordInCapitalsEndsTheLock) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    ASSERT_TRUE(lock.enter("RAVELO"));
    EXPECT_EQ(lock.waitForExit(), 0u);
    EXPECT_EQ(storedText("Key"), "geheim");
    EXPECT_EQ(shutdownRecords(), kNoShutdown);
}

TEST_F(Login, FifthWrongTryShutsDownAndEnds) {
    storePassword("geheim");  // no "maxFehler": five tries
    ASSERT_TRUE(lock.start());
    constexpr std::array<const char*, 4> kWarnings{
        "Das ist nicht richtig. Du hast jetzt noch 4 Versuche.",
        "Das ist nicht richtig. Du hast jetzt noch 3 Versuche.",
        "Das ist nicht richtig. Du hast jetzt noch 2 Versuche.",
        "Das ist nicht richtig. Du hast jetzt noch 1 Versuch.",
    };
    for (const char* warning : kWarnings) {
        ASSERT_TRUE(lock.enter("falsch"));
        ASSERT_EQ(lock.nextBox(), okBox("Fehler", warning, Icon::Stop));
        ASSERT_TRUE(lock.answer(VK_RETURN));
    }
    ASSERT_TRUE(lock.enter("falsch"));
    ASSERT_EQ(lock.nextBox(),
              okBox("Upsss...", "Das war dein letzter Versuch.....und Tschüß.", Icon::Stop));
    EXPECT_EQ(shutdownRecords(), kNoShutdown) << "the shutdown follows the message";
    ASSERT_TRUE(lock.answer(VK_RETURN));
    EXPECT_EQ(lock.waitForExit(), 0u);
    EXPECT_EQ(shutdownRecords(1), std::vector{shutdownRecord()});
}

}  // namespace
}  // namespace torvelt::e2e
