// The lock worked by scripts of user actions and ticks: what it shows, stores and launches.
#include "fake_system.h"
#include "texts.h"

namespace torvelt::testing {
namespace {

using namespace torvelt::texts;

std::string box(int style, Text title, std::string_view text) {
    return "[" + title + "|" + std::to_string(style) + "] " + std::string(text) + "\n";
}
std::string caption(int seconds) {
    return "caption Timeout in: " + std::to_string(seconds) + " sekunden\n";
}
std::string launch(Text directory) {
    return "launch " + directory + "\\System32\\shutdown.exe /s /f /t 0 2\n";
}
const std::string kCleared = "entry=\nfocus\n";
std::string wrong(Text left) {
    return box(16, "Fehler", "Das ist nicht richtig. Du hast jetzt noch " + left + ".") + kCleared;
}
const std::string kStart = caption(10);
const std::string kShutdown = launch("C:\\WINDOWS");
const std::string kFailed = box(64, "geht nicht...", kGehtNichtText);
const std::string kSure = box(292, "Sicher?", kSicherText);
const std::string kStopped = "timer 0\ncaption Timer angehalten\n";
const std::string kFirst = kStopped + box(64, "Neues Paßwort", kFirstPasswordPrompt) + kCleared;
const std::string kAskedOld = box(64, "Neues Paßwort", kAskOld) + kCleared;
const std::string kRepeated = box(64, "Bestätigung", kRepeat) + kCleared;
const std::string kRepaired = box(64, "RegFehler", kRegFehlerText) + "delete WindowsStart\n";

TEST(Lock, ScriptsShowStoreAndLaunchWhatTheRulesSay) {
    const Settings none, first{{"Key", ""}};
    const std::vector<std::tuple<Settings, std::string, std::string>> scripts{
        {none, "O", kStart + box(64, "Fehler", kEmptyEntry) + "focus\n"},
        {none, "Ofalsch|Ofalsch|Ofalsch|Ofalsch|Ofalsch",
         kStart + wrong("4 Versuche") + wrong("3 Versuche") + wrong("2 Versuche") +
             wrong("1 Versuch") + box(16, "Upsss...", kLastTry) + kShutdown + "end\n"},
        // The master password, in any case, even when the stored one cannot be read.
        {none, "!R|ORaVeLo", kStart + "end\n"},
        {none, "OGeheim|Oravelo |ONew Paßwort|O geheim|Ogeheim",
         kStart + wrong("4 Versuche") + wrong("3 Versuche") + wrong("2 Versuche") +
             wrong("1 Versuch") + "end\n"},
        {none, "Pneu|Ogeheim|Oneu", kStart + wrong("4 Versuche") + "end\n"},
        {none, "Enew Paßwort|Ka|E", kStart + kAskedOld + box(16, "-", kOldWrong) + "timer 1000\n"},
        {first, "O", kStart + kFirst},  // even with nothing typed
        // The countdown runs on until the old password is right; the new one is stored as typed.
        {{{"Key", "alt"}, {"TimeOut", "1"}},
         "Onew Paßwort|T|Oalt|O Mein Wort |O Mein Wort ",
         caption(1) + kAskedOld + caption(0) + kShutdown + kStopped +
             box(64, "Neues Paßwort", kAskNew) + kCleared + kRepeated + "write " + kAt +
             "Key= Mein Wort \n" + box(64, "alles Ok", kStored) + "end\n"},
        {{{"Key", "alt"}},
         "Onew Paßwort|OAlt|Ofalsch",
         kStart + kAskedOld + box(16, "-", kOldWrong) + "timer 1000\n" + wrong("4 Versuche")},
        {first, "Kx|O|Oneu|ONeu|Onew Paßwort|Oa",
         kStart + kFirst + box(64, "Fehler", kEmptyEntry) + "focus\n" + kRepeated +
             box(16, "Fehler", kMismatch) + kCleared + kAskedOld + box(16, "-", kOldWrong) +
             "timer 1000\n"},
        {first, "Kx|Oa|!W|Oa", kStart + kFirst + kRepeated + "write " + kAt + "Key=a\nerror\n"},
        {none, "CN|!L|CY", kStart + kSure + kSure + kShutdown + kFailed + "end\n"},
        // The program below the directory as the system reports it, whose length is in characters.
        {{{"TimeOut", "2"}},
         "T|T|DC:\\Straße|L9|T|L0|T|DC:\\WINDOWS|L255|T|L256|T",
         caption(2) + caption(1) + caption(0) + kShutdown + caption(-1) + launch("C:\\Straße") +
             caption(-2) + launch("") + caption(-3) +
             launch(std::string("C:\\WINDOWS\0", 11) + std::string(244, ' ')) + caption(-4) +
             kFailed},
        {{{"TimeOut", "-32768"}}, "T", caption(-32768) + caption(-32768) + kShutdown},
        {none, "A",
         kStart + box(64, "Info zu...",
                      "Torvelt Version 1.012.00\r\rEmailkontakt: a@example.org\rInternet "
                      "https://example.org")},
        // Start-up: the settings as stored, and a number that cannot be read wipes them all.
        {{{"Key", " "}, {"maxFehler", "-12345"}, {"TimeOut", "0"}},
         "Ofalsch|O ",
         caption(0) + wrong("-12346 Versuche") + "end\n"},
        {{{"maxFehler", "32767"}, {"TimeOut", " 06789 "}},
         "Ofalsch",
         caption(6789) + wrong("32766 Versuche")},
        {{{"maxFehler", "abc"}}, "O", kRepaired + kStart + kFirst},
    };
    for (const auto& [stored, script, trace] : scripts) {
        EXPECT_EQ(FakeSystem(stored).run(script), trace) << script;
    }
}

TEST(Lock, ANumberThatCannotBeReadWipesTheSettingsOnceAtStart) {
    for (const std::string number : {"", "-", "+5", "1e3", "12a", "--5", "- 5", "1 000",
                                     "\xEF\xBC\x95" /* full-width 5 */, "32768", "-32769"}) {
        EXPECT_EQ(FakeSystem({{"TimeOut", number}}).run("O"), kRepaired + kStart + kFirst)
            << number;
    }
    EXPECT_THROW(FakeSystem(Settings{{"maxFehler", "x"}}, "!D"), RuntimeError) << "caught twice";
}

}  // namespace
}  // namespace torvelt::testing
