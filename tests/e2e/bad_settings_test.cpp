// Settings the lock did not write: odd but readable ones are taken, broken ones wiped at start.
#include <string>

#include "lock_driver.h"

namespace torvelt::e2e {
namespace {

constexpr char kFirstPrompt[] =
    "Es gibt noch kein Paßwort für dieses Programm.\rGib jetzt eins ein und drücke Ok oder Enter.";
constexpr char kRegFehler[] =
    "Ein Fehler ist gekommen, ich Lösche die Einträge in der Regedit. Somit ist das Paßwort "
    "gelöscht.";

struct Broken {
    const char* name;  // of the scenario
    void (*write)();
};

void PrintTo(const Broken& broken, std::ostream* out) {
    *out << broken.name;
}

class BrokenSetting : public LockTest, public ::testing::WithParamInterface<Broken> {};

TEST_P(BrokenSetting, IsReportedAndEverySettingDeletedBeforeAFirstStart) {
    writeSetting("Key", "geheim");
    GetParam().write();
    ASSERT_TRUE(lock.launch());
    ASSERT_EQ(lock.nextBox(), okBox("RegFehler", kRegFehler, Icon::Information));
    ASSERT_TRUE(lock.answer(VK_RETURN));
    ASSERT_TRUE(lock.waitUntilReady());
    EXPECT_FALSE(settingsExist()) << "HKCU\\Software\\WindowsStart is still there";
    lock.type("x");
    EXPECT_EQ(lock.nextBox().text, kFirstPrompt) << "with the password gone, a first start";
    EXPECT_TRUE(lock.running());
}

// Each bad value once, the number settings taking turns.
INSTANTIATE_TEST_SUITE_P(
    Values, BrokenSetting,
    ::testing::Values(
        Broken{"MaxFehlerEmpty", [] { writeSetting("maxFehler", ""); }},
        Broken{"TimeOutDecimalPoint", [] { writeSetting("TimeOut", "7.5"); }},
        Broken{"MaxFehlerExponent", [] { writeSetting("maxFehler", "1e3"); }},
        Broken{"TimeOutPlusSign", [] { writeSetting("TimeOut", "+5"); }},
        Broken{"MaxFehlerAbove32767", [] { writeSetting("maxFehler", "40000"); }},
        Broken{"TimeOutBelowMinus32768", [] { writeSetting("TimeOut", "-32769"); }},
        Broken{"TimeOutLetters", [] { writeSetting("TimeOut", "abc"); }},
        Broken{"MaxFehlerFullWidthDigit", [] { writeSetting("maxFehler", "\uFF17"); }},
        Broken{"MaxFehlerDword", [] { writeDwordSetting("maxFehler", 7); }},
        Broken{"TimeOutBinary", [] { writeBinarySetting("TimeOut", std::string_view("7\0", 2)); }},
        Broken{"KeyDword", [] { writeDwordSetting("Key", 7); }},
        // The repair deletes the whole WindowsStart key, other sections too.
        Broken{"MaxFehlerBesideAnotherSection",
               [] {
                   ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\WindowsStart\\Andere", L"Wert",
                                     REG_SZ, L"x", 2 * sizeof(wchar_t));
                   writeSetting("maxFehler", "x");
               }}),
    [](const auto& row) { return std::string(row.param.name); });

using Settings = LockTest;

TEST_F(Settings, NumberBetweenBlanksIsTaken) {
    writeSetting("Key", "geheim");
    writeSetting("TimeOut", " 7 ");
    ASSERT_TRUE(lock.start());
    EXPECT_FALSE(lock.boxOpen());
    const std::string caption = lock.caption();
    EXPECT_LE(countdownSeconds(caption).value_or(99), 7) << caption;
    EXPECT_GE(countdownSeconds(caption).value_or(-99), 5) << caption;
}

TEST_F(Settings, SingleBlankIsAPassword) {
    writeSetting("Key", " ");
    ASSERT_TRUE(lock.start());
    ASSERT_TRUE(lock.enter(" "));
    EXPECT_EQ(lock.waitForExit(), 0u);
}

TEST_F(Settings, MegabytePasswordIsReadAndCompared) {
    storePassword(std::string(1 << 20, 'k'));
    ASSERT_TRUE(lock.start());
    EXPECT_FALSE(lock.boxOpen());
    ASSERT_TRUE(lock.enter("falsch"));
    EXPECT_EQ(lock.nextBox(),
              okBox("Fehler", "Das ist nicht richtig. Du hast jetzt noch 4 Versuche.", Icon::Stop));
    ASSERT_TRUE(lock.answer(VK_RETURN));
    EXPECT_TRUE(lock.running());
}

TEST_F(Settings, ExpandableTextIsTakenLiterally) {
    writeSetting("Key", "%USERNAME%x", REG_EXPAND_SZ);
    ASSERT_TRUE(lock.start());
    ASSERT_TRUE(lock.enter("%USERNAME%x"));
    EXPECT_EQ(lock.waitForExit(), 0u);
}

TEST_F(Settings, EmptySectionIsAFirstStartThatWritesNothing) {
    ASSERT_TRUE(createKey(kSettingsSection));
    ASSERT_TRUE(lock.start());
    EXPECT_FALSE(lock.boxOpen());
    lock.type("x");
    EXPECT_EQ(lock.nextBox().text, kFirstPrompt);
    EXPECT_EQ(storedText("Key"), std::nullopt);
}

}  // namespace
}  // namespace torvelt::e2e
