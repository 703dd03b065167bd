// Start-up: what the settings become in the lock state, and the repair of a broken store.
#include <gtest/gtest.h>

#include "fake_system.h"
#include "torvelt.h"

namespace torvelt::testing {
namespace {

class StartupTest : public ::testing::Test {
  protected:
    FakeSystem sys;
    Torvelt lock{sys, sys, Contact{"a@example.org", "https://example.org"}};
};

TEST_F(StartupTest, EmptyStoreStartsFirstSetupWithDefaultsAndWritesNothing) {
    lock.Form_Load();
    EXPECT_EQ(lock.state().Zustand, 2);
    EXPECT_EQ(lock.state().RestVersuche, 5);
    EXPECT_EQ(lock.state().RestZeit, 10);
    EXPECT_EQ(sys.caption, "Timeout in: 10 sekunden");
    EXPECT_TRUE(sys.boxes.empty());
    EXPECT_TRUE(sys.settings.empty());
}

TEST_F(StartupTest, PasswordPresenceDecidesTheStateExactly) {
    for (const auto& [stored, expected] :
         std::vector<std::pair<std::string, int>>{{"", 2}, {" ", 1}, {"geheim", 1}}) {
        FakeSystem fresh;
        fresh.setPassword(stored);
        Torvelt freshLock{fresh, fresh, {}};
        freshLock.Form_Load();
        EXPECT_EQ(freshLock.state().Zustand, expected) << "stored password \"" << stored << "\"";
    }
}

TEST_F(StartupTest, StoredNumbersAreTakenAsTheyAreWithoutBounds) {
    sys.setPassword("geheim");
    sys.setSetting("maxFehler", "-3");
    sys.setSetting("TimeOut", "0");
    const auto before = sys.settings;
    lock.Form_Load();
    EXPECT_EQ(lock.state().RestVersuche, -3);
    EXPECT_EQ(lock.state().RestZeit, 0);
    EXPECT_EQ(sys.caption, "Timeout in: 0 sekunden");
    EXPECT_TRUE(sys.boxes.empty());
    EXPECT_EQ(sys.settings, before);
}

TEST_F(StartupTest, BrokenNumberWipesTheStoreOnceAndStartsAsOnFirstStart) {
    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
             {"maxFehler", "abc"}, {"TimeOut", "40000"}, {"TimeOut", ""}, {"maxFehler", "7.5"}}) {
        FakeSystem fresh;
        fresh.setPassword("geheim");
        fresh.setSetting(key, value);
        fresh.settings[{"WindowsStart", "Andere", "x"}] = "y";
        Torvelt freshLock{fresh, fresh, {}};
        freshLock.Form_Load();
        ASSERT_EQ(fresh.boxes.size(), 1u) << key << "=\"" << value << "\"";
        EXPECT_EQ(fresh.boxes[0].text,
                  "Ein Fehler ist gekommen, ich Lösche die Einträge in der Regedit. Somit ist das "
                  "Paßwort gelöscht.");
        EXPECT_EQ(fresh.boxes[0].style, 64);
        EXPECT_EQ(fresh.boxes[0].title, "RegFehler");
        EXPECT_TRUE(fresh.settings.empty()) << "the whole application entry must go";
        EXPECT_EQ(freshLock.state().Zustand, 2);
        EXPECT_EQ(freshLock.state().RestVersuche, 5);
        EXPECT_EQ(freshLock.state().RestZeit, 10);
        EXPECT_EQ(fresh.caption, "Timeout in: 10 sekunden");
    }
}

TEST_F(StartupTest, FailureDuringTheRepairIsNotCaughtAgain) {
    sys.setSetting("maxFehler", "x");
    sys.failDelete = true;
    EXPECT_THROW(lock.Form_Load(), RuntimeError);
    EXPECT_EQ(sys.boxes.size(), 1u);
    EXPECT_EQ(sys.deleteCalls, 1);
}

}  // namespace
}  // namespace torvelt::testing
