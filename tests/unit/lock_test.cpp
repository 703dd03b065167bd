// The lock on an in-memory system that traces what it does: scripts of user actions and ticks
// checked against the traces the rules give, and random event sequences against a small model.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <tuple>

#include "texts.h"
#include "torvelt.h"

namespace torvelt::testing {
namespace {

using namespace torvelt::texts;

using Settings = std::map<std::string, std::string>;
using Text = const std::string&;

// Every effect becomes a line of `trace`; an unscripted question or any use after the end fails.
class FakeSystem : public Runtime, public LockControls {
  public:
    // The lock started on the stored settings, its password "geheim" unless they give another,
    // with the calls in `refused` failing from the start.
    explicit FakeSystem(const Settings& s, Text refused = "") : failing(refused), settings(s) {
        settings.try_emplace("Key", "geheim");
        lock.Form_Load();
    }
    // The trace since the start after the script; a RuntimeError that gets out fails the test.
    std::string run(Text script) {
        std::istringstream actions(script);
        for (std::string action; std::getline(actions, action, '|');) {
            verbs.at(action[0])(action.substr(1));
        }
        return trace;
    }
    bool ended() const { return trace.ends_with("end\n"); }

    std::string failing;  // the calls refused: 'R'ead, 'W'rite, 'D'elete, 'L'aunch
    Settings settings;    // by key, all in "WindowsStart\Paßwort"
    std::function<void(Text text)> whileBoxOpen = [](Text) {};  // the timer ticks behind boxes
    std::string trace, entry, answer /* Y or N to the next question */, directory = "C:\\WINDOWS";
    std::optional<std::uint32_t> length;  // of the directory, when the system reports another
    int timerInterval = 1000, launches = 0;
    Torvelt lock{*this, *this, {"a@b", "c"}};

    // Ok on the text that follows, if any; a key (Enter is "\r"), a tick, Cancel answered Yes or
    // No, About; a new Windows directory or its length; failing calls.
    const std::map<char, std::function<void(Text)>> verbs{
        {'O', [this](Text t) { with(entry, t.empty() ? entry : t).Klick_OK_Click(); }},
        {'K', [this](Text t) { key(t[0]); }},
        {'T', [this](Text) { lock.Timer_Timer(); }},
        {'C', [this](Text t) { with(answer, t).Klick_Abbruch_Click(); }},
        {'A', [this](Text) { lock.Picture1_About(); }},
        {'D', [this](Text t) { directory = t; }},
        {'L', [this](Text t) { length = std::stoul(t); }},
        {'!', [this](Text t) { failing += t; }},
    };

    int messageBox(Text text, int style, const std::optional<std::string>& title) override {
        record("[" + title.value_or("-") + "|" + std::to_string(style) + "] " + text);
        EXPECT_FALSE(answer.empty() && style == kStyleQuestionNo) << "unscripted Yes/No: " << text;
        whileBoxOpen(text);
        return style != kStyleQuestionNo ? 1 : std::exchange(answer, "") == "Y" ? kAnswerYes : 7;
    }
    std::string readSetting(Text app, Text section, Text key, Text fallback) override {
        record("", 'R');
        EXPECT_EQ(app + "\\" + section, "WindowsStart\\Paßwort") << "read of " << key;
        return settings.contains(key) ? settings[key] : fallback;
    }
    void writeSetting(Text app, Text section, Text key, Text value) override {
        record("write " + app + "\\" + section + "\\" + key + "=" + value, 'W');
        settings[key] = value;
    }
    void deleteSettings(Text app) override {
        record("delete " + app, 'D');
        settings.clear();
    }
    // As the system: the path and a NUL at the start of the buffer if they fit.
    std::uint32_t windowsDirectory(std::string& buffer, std::uint32_t size) override {
        if (directory.size() < size) {
            buffer.replace(0, directory.size() + 1, directory + '\0');
        }
        return length.value_or(static_cast<std::uint32_t>(directory.size()));
    }
    void launch(Text program, Text arguments, int style) override {
        ++launches;
        record("launch " + program + " " + arguments + " " + std::to_string(style), 'L');
    }
    void endProgram() override { record("end"); }
    std::string lowerCase(Text text) override {
        std::string lower = text;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return lower;
    }
    Version programVersion() override { return {1, 12, 0}; }
    std::string paßworttextText() override { return entry; }
    void setPaßworttextText(Text text) override { record("entry=" + (entry = text)); }
    void focusPaßworttext() override { record("focus"); }
    void setTimerTextCaption(Text text) override { record("caption " + text); }
    void setTimerInterval(int t) override { record("timer " + std::to_string(timerInterval = t)); }

    Torvelt& with(std::string& field, Text value) {
        field = value;
        return lock;
    }
    // A key the lock lets through lands in the field, as in the real edit control.
    void key(std::int16_t ascii) {
        lock.Paßworttext_KeyPress(ascii);
        entry += ascii == 0 || ascii == 13 ? "" : std::string(1, static_cast<char>(ascii));
    }
    // A line of the trace (none for a read), then the refusal of `call` if it is failing.
    void record(Text what, char call = '-') {
        EXPECT_FALSE(ended()) << (what.empty() ? "a read" : what) << " after the program had ended";
        trace += what.empty() ? "" : what + "\n";
        if (failing.find(call) != std::string::npos) {
            throw RuntimeError("refused by the test");
        }
    }
};

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
const std::string kAbout =
    box(64, "Info zu...", "Torvelt Version 1.012.00\r\rEmailkontakt: a@b\rInternet c");
const std::string kRepaired = box(64, "RegFehler", kRegFehlerText) + "delete WindowsStart\n";

TEST(Lock, ScriptsShowStoreAndLaunchWhatTheRulesSay) {
    std::vector<std::tuple<Settings, std::string, std::string>> scripts{
        // Case counts, and only the master password is taken in any case.
        {{},
         "OGeheim|Oravelo |ONew Paßwort|O geheim|Ofalsch",
         kStart + wrong("4 Versuche") + wrong("3 Versuche") + wrong("2 Versuche") +
             wrong("1 Versuch") + box(16, "Upsss...", kLastTry) + kShutdown + "end\n"},
        // About; the master password, in any case, even when the stored one cannot be read.
        {{}, "A|!R|ORaVeLo", kStart + kAbout + "end\n"},
        // The settings as stored; Cancel answered No, then Yes with the shutdown refused.
        {{{"maxFehler", "32767"}, {"TimeOut", " 06789 "}},
         "Ofalsch|CN|!L|CY",
         caption(6789) + wrong("32766 Versuche") + kSure + kSure + kShutdown + kFailed + "end\n"},
        // No shutdown for tries below zero; the program below the directory as the system reports
        // it, whose length is in UTF-16 units; a failed query (0) or start is told only once.
        {{{"Key", " "}, {"maxFehler", "-12345"}, {"TimeOut", "0"}},
         "Ofalsch|DC:\\Straße|L9|T|DC:\\😀|L5|T|L0|T|DC:\\WINDOWS|L255|T|L256|T|O ",
         caption(0) + wrong("-12346 Versuche") + caption(-1) + launch("C:\\Straße") + caption(-2) +
             launch("C:\\😀") + caption(-3) + kFailed + caption(-4) +
             launch(std::string("C:\\WINDOWS\0", 11) + std::string(244, ' ')) + caption(-5) +
             "end\n"},
    };
    // A number that cannot be read wipes the settings, once.
    for (const std::string number : {"", "-", "+5", "1e3", "12a", "--5", "- 5", "1 000", "5\t",
                                     "\t5", "\xEF\xBC\x95" /* full-width 5 */, "32768", "-32769"}) {
        scripts.emplace_back(Settings{{"TimeOut", number}}, "O", kRepaired + kStart + kFirst);
    }
    for (const auto& [stored, script, trace] : scripts) {
        EXPECT_EQ(FakeSystem(stored).run(script), trace) << script;
    }
    EXPECT_THROW(FakeSystem(Settings{{"maxFehler", "x"}}, "D"), RuntimeError) << "caught twice";
}

// Stored numbers (the last two unreadable); what is typed, and what may be stored as the password;
// keys, Enter, Ok, Cancel answered Yes or No, a tick, About, and (S) a new entry in the field.
const std::vector<std::string> kNumbers{"5", "1", "2", "0", "-3", " 7", "-32768", "32767", "x", ""};
const std::vector<std::string> kEntries{"",       "geheim", "Geheim",      "falsch", " ",
                                        "RaVeLo", "ravelo", "new Paßwort", "neu",    "neu "};
const std::vector<std::string> kEvents{"Ka", "K ", "K\r", "O", "CY", "CN", "T", "A", "S", "S"};

// What the lock must have become, worked out from its rules alone.
struct Model {
    int zustand = 1, tries = 5, seconds = 10, timer = 1000, shutdowns = 0;
    std::string key, first;
    bool ended = false;

    // What `event` does to the lock with `e` in its field; only when the dialogue asks for a new
    // password does the countdown stop.
    void send(Text event, Text e, bool master) {
        if (event == "CY") {
            std::tie(shutdowns, ended) = std::tuple(shutdowns + 1, true);
        } else if (event == "T") {
            seconds = std::max(seconds - 1, -32768);
            shutdowns += seconds < 1 ? 1 : 0;
        } else if ((event != "O" && event != "K\r" && (event[0] != 'K' || zustand != 2)) ||
                   (zustand != 2 && e.empty())) {
            return;
        } else if (zustand == 2) {
            std::tie(zustand, timer) = std::tuple(5, 0);
        } else if (e == "new Paßwort") {
            zustand = 4;
        } else if (zustand == 1 && (master || e == key)) {
            ended = true;
        } else if (zustand == 4 && e == key) {
            std::tie(zustand, timer) = std::tuple(5, 0);
        } else if (zustand == 1 || zustand == 4) {  // a wrong old password costs a try as well
            tries = std::max(tries - 1, -32768);
            std::tie(ended, shutdowns) = std::tuple(tries == 0, shutdowns + (tries == 0 ? 1 : 0));
            std::tie(zustand, timer) = ended ? std::tuple(zustand, timer) : std::tuple(1, 1000);
        } else if (zustand == 5) {
            std::tie(zustand, first) = std::tuple(6, e);
        } else {
            std::tie(ended, zustand, key) =
                e == first ? std::tuple(true, 6, e) : std::tuple(false, 5, key);
        }
    }
};

TEST(RandomEvents, EveryEventDoesWhatTheRulesSay) {
    const char* seedText = std::getenv("TORVELT_TEST_SEED");
    const unsigned base = seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : 1;
    for (unsigned seed = base; seed < base + 5000 && !HasFailure(); ++seed) {
        SCOPED_TRACE("reproduce with TORVELT_TEST_SEED=" + std::to_string(seed));
        std::mt19937 random(seed);
        const auto pick = [&](const auto& from) { return from[random() % from.size()]; };
        const std::string tries = pick(kNumbers), seconds = pick(kNumbers), key = pick(kEntries);
        FakeSystem l({{"Key", key}, {"maxFehler", tries}, {"TimeOut", seconds}});
        Model m;  // an unreadable number wipes the store: no password, the default limits
        if (tries != "x" && seconds != "x" && !tries.empty() && !seconds.empty()) {
            std::tie(m.tries, m.seconds, m.key) = std::tuple(stoi(tries), stoi(seconds), key);
        }
        m.zustand = m.key.empty() ? 2 : 1;
        l.failing = random() % 5 == 0 ? "L" : "";
        l.whileBoxOpen = [&](Text) {
            if (random() % 3 == 0 && l.timerInterval > 0) {
                l.lock.Timer_Timer();
                m.send("T", "", false);
            }
        };
        for (int step = 0; step < 60 && !l.ended() && !HasFailure(); ++step) {
            const std::string event = pick(kEvents), e = l.entry;
            if (event == "S") {
                l.entry = pick(kEntries);
            } else if (event != "T" || l.timerInterval > 0) {
                ASSERT_NO_THROW(l.verbs.at(event[0])(event.substr(1))) << event;
                m.send(event, e, l.lowerCase(e) == "ravelo");
            }
            const LockState& is = l.lock.state();
            ASSERT_EQ(
                std::tuple(int{is.Zustand}, int{is.RestVersuche}, int{is.RestZeit}, l.timerInterval,
                           l.settings["Key"], l.launches, l.ended()),
                std::tuple(m.zustand, m.tries, m.seconds, m.timer, m.key, m.shutdowns, m.ended))
                << "(Zustand, RestVersuche, RestZeit, timer, Key, shutdowns, ended) after " << event
                << " on " << e;
        }
    }
}

}  // namespace
}  // namespace torvelt::testing
