// The installer's rules as rows: its command line, the limits and passwords it takes, its last
// page.
#include <gtest/gtest.h>

#include "setup_rules.h"

namespace torvelt::setup {
namespace {

std::string shown(const Options& options) {
    const auto number = [](auto value) { return value ? std::to_string(*value) : ""; };
    return number(options.tries) + '|' + number(options.seconds) + '|' + options.refusal;
}

TEST(SetupRules, EveryWordOfTheCommandLineIsKnownOnceAndValid) {
    const std::string unknown =
        "\" kennt das Installationsprogramm nicht. Es versteht /S, /NCRC, "
        "/MAXFEHLER=Zahl, /TIMEOUT=Zahl und als letzte /D=Ordner.";
    const std::pair<std::string, std::string> rows[] = {
        {"\"C:\\A B\\setup.exe\" /S", "||"},
        {"setup.exe  /S /NCRC /MAXFEHLER=3 /TIMEOUT=0060 ", "3|60|"},
        {"\"setup.exe\"/TIMEOUT=32767", "|32767|"},
        {"setup.exe /S /TIMEOUT 60", "||Die Angabe \"/TIMEOUT" + unknown},
        {"setup.exe /MAXFEHLER:3", "||Die Angabe \"/MAXFEHLER:3" + unknown},
        {"setup.exe /MAXFEHLERX=3", "||Die Angabe \"/MAXFEHLERX=3" + unknown},
        {"setup.exe -MAXFEHLER=3", "||Die Angabe \"-MAXFEHLER=3" + unknown},
        {"setup.exe \"/MAXFEHLER=3\"", "||Die Angabe \"\"/MAXFEHLER=3\"" + unknown},
        {"setup.exe /s", "||Die Angabe \"/s" + unknown},
        {"setup.exe /MAXFEHLER=3 /MAXFEHLER=abc",
         "||Die Angabe /MAXFEHLER= steht mehr als einmal da."},
        {"setup.exe /S /S", "||Die Angabe /S steht mehr als einmal da."},
        {"setup.exe /MAXFEHLER=1000",
         "||/MAXFEHLER=1000: Falsche Versuche müssen eine ganze Zahl von 1 bis 999 sein."},
        {"setup.exe /TIMEOUT=",
         "||/TIMEOUT=: Sekunden müssen eine ganze Zahl von 10 bis 32767 sein."},
    };
    for (const auto& [commandLine, expected] : rows) {
        EXPECT_EQ(shown(readOptions(commandLine)), expected) << commandLine;
    }
}

// The lock's own number rule, then the range.
TEST(SetupRules, LimitsAreTheLocksNumbersInTheirRange) {
    const std::tuple<Limit, std::string, int> rows[] = {
        {Limit::Tries, "1", 1},        {Limit::Tries, "999", 999},
        {Limit::Tries, " 07 ", 7},     {Limit::Tries, "0", -1},
        {Limit::Tries, "1000", -1},    {Limit::Tries, "-5", -1},
        {Limit::Tries, "5\t", -1},     {Limit::Tries, "1e3", -1},
        {Limit::Tries, "", -1},        {Limit::Seconds, "10", 10},
        {Limit::Seconds, "9", -1},     {Limit::Seconds, "32767", 32767},
        {Limit::Seconds, "32768", -1}, {Limit::Seconds, "-32768", -1},
    };
    for (const auto& [limit, text, expected] : rows) {
        EXPECT_EQ(limitValue(limit, text).value_or(-1), expected) << '"' << text << '"';
    }
}

TEST(SetupRules, BothPasswordEntriesMustBeTheSameUnitByUnit) {
    const std::u16string longest(1023, u'x');
    const std::tuple<std::u16string, std::u16string, bool, std::string> rows[] = {
        {u"Tür zu ß", u"Tür zu ß", false, ""},
        {longest, longest, false, ""},
        {longest + u'x', longest + u'x', false,
         "1 Das Paßwort ist zu lang: höchstens 1023 Zeichen."},
        {u"", u"", false, "1 Bitte geben Sie ein Paßwort ein."},
        {u"Straße", u"Strasse", false, "2 Die beiden Eingaben"},
        {u"é", u"e\u0301", false, "2 Die beiden Eingaben"},
        {u"abc", u"abc\u00AD", false, "2 Die beiden Eingaben"},
        {u"a\xD800", u"a\xD801", false, "2 Die beiden Eingaben"},
        {u"NEW PAßWORT", u"NEW PAßWORT", true, "1 \"new Paßwort\" ist der Befehl"},
    };
    for (const auto& [first, second, commandWord, expected] : rows) {
        const auto refusal = passwordRefusal(first, second, commandWord);
        const std::string found =
            refusal ? std::to_string(refusal->field) + ' ' + refusal->text : "";
        EXPECT_EQ(found.substr(0, expected.size()), expected) << expected;
        EXPECT_EQ(found.empty(), expected.empty()) << found;
    }
}

TEST(SetupRules, TheLastPageCountsInGermanAsTheLockCounts) {
    const std::string before =
                          "WindowsStart ist installiert.\r\n\r\nAb der nächsten Anmeldung "
                          "fragt die Sperre nach Ihrem Paßwort. Nach ",
                      after =
                          " fährt sie Windows ohne Rückfrage herunter; was in anderen "
                          "Programmen nicht gespeichert ist, geht dabei verloren.";
    const std::tuple<int, int, std::string> rows[] = {
        {1, 10, "einem falschen Versuch oder nach 10 Sekunden" + after},
        {3, 60, "3 falschen Versuchen oder nach 60 Sekunden" + after},
        {5, 0, "5 falschen Versuchen oder nach einer Sekunde" + after},
        {0, 10, "10 Sekunden" + after + " Falsche Versuche allein fahren Windows nie herunter."},
        {-5, 1, "einer Sekunde" + after + " Falsche Versuche allein fahren Windows nie herunter."},
    };
    for (const auto& [tries, seconds, expected] : rows) {
        EXPECT_EQ(finishText(static_cast<std::int16_t>(tries), static_cast<std::int16_t>(seconds)),
                  before + expected);
    }
}

TEST(SetupRules, TheLogonEntryNamesItsProgramsFolder) {
    const std::pair<std::string, std::string> rows[] = {{"\"C:\\A B\\torvelt.exe\"", "C:\\A B"},
                                                        {"C:\\A\\torvelt.exe /x", "C:\\A"},
                                                        {"torvelt.exe", ""},
                                                        {"", ""}};
    for (const auto& [commandLine, expected] : rows) {
        EXPECT_EQ(programFolder(commandLine), expected) << commandLine;
    }
}

}  // namespace
}  // namespace torvelt::setup
