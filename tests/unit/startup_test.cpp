// Start-up: what the settings become in the lock state, and the repair of a broken store.
#include "lock_fixture.h"

namespace torvelt::testing {
namespace {

TEST(Startup, SettingsAreTakenAsStoredAndABrokenNumberWipesTheStoreOnce) {
    struct Case {
        Settings stored;
        int zustand, tries, seconds;
        bool repaired;
    };
    const std::vector<Case> cases{
        {{{"Key", ""}}, 2, 5, 10, false},
        {{{"Key", " "}, {"maxFehler", "-3"}, {"TimeOut", "0"}}, 1, -3, 0, false},
        {{{"maxFehler", "32767"}, {"TimeOut", " 7"}}, 1, 32767, 7, false},
        {{{"maxFehler", "abc"}}, 2, 5, 10, true},
        {{{"TimeOut", "40000"}}, 2, 5, 10, true},
        {{{"TimeOut", ""}}, 2, 5, 10, true}};
    for (const auto& c : cases) {
        Lock l(c.stored);
        l.expectState(c.zustand, c.tries, c.seconds);
        EXPECT_EQ(l.sys.caption, caption(c.seconds));
        EXPECT_EQ(l.sys.writeCalls, 0);
        EXPECT_EQ(l.sys.deleteCalls, c.repaired ? 1 : 0);
        ASSERT_EQ(l.sys.boxes.size(), c.repaired ? 1u : 0u);
        if (c.repaired) {
            expectBox(l.sys.boxes[0],
                      "Ein Fehler ist gekommen, ich Lösche die Einträge in der Regedit. Somit ist "
                      "das Paßwort gelöscht.",
                      64, "RegFehler");
            EXPECT_TRUE(l.sys.settings.empty()) << "the whole application entry must go";
        }
    }
}

TEST(Startup, FailureDuringTheRepairIsNotCaughtAgain) {
    FakeSystem sys;
    sys.setSetting("maxFehler", "x");
    sys.failDelete = true;
    Torvelt lock{sys, sys, {}};
    EXPECT_THROW(lock.Form_Load(), RuntimeError);
    EXPECT_EQ(sys.boxes.size(), 1u);
}

}  // namespace
}  // namespace torvelt::testing
