// The lock's roads end to end, one row each: the store at the start, what the user does, the
// boxes and their answers, how the lock ends, the store and the shutdown log at the end.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "lock_driver.h"
#include "texts.h"

namespace torvelt::e2e {
namespace {

using namespace texts;

// Steps are separated by '|'. `start` starts the lock; `away` hides the shutdown program and
// `volatile` makes the store unwritable before that. Then: `type T`, `enter T` (typed into the
// empty field, then Enter), `keys K...` (held together), `click C`, `drag C D` (pressed on C,
// released on D), `focus C` (C is a control), `close` (asked from outside), `front` (the lock
// stays above a later window of another program), `box B [yes|no]` (the next box is B, answered
// with Enter or a click), `paste N` (N 'k's), `ticks FROM TO`, `stopped` or `ticking` (the
// countdown), `second P` (another lock opened with P), and at the end `exits` (with code 0) or
// `runs N` (no box open, N characters in the field), `key [T]` (the stored password is T, or
// there is none), `wiped` (no settings at all) and `shutdowns N` (at least N while the lock runs
// on and ticks below zero).
struct Scenario {
    const char* name;
    std::vector<Setting> settings;
    const char* steps;
};

const Setting kLongTimeOut{"TimeOut", "600"};
const std::vector<Setting> kGeheim{{"Key", "geheim"}, kLongTimeOut};

// clang-format off
const Scenario kScenarios[] = {
    {"WrongPasswordsCostTriesRightOneEndsSecondLockRunsBeside", {{"Key", "Geheim ß"}, kLongTimeOut},
     "start|keys alt O|box empty|keys tab|keys tab|focus abbruch|keys alt O|box empty|enter geheim ß|box tries4|"
     "focus field|ticking|second Geheim ß|enter Geheim ß|exits|shutdowns 0"},
    {"MasterPasswordInCapitalsEnds", kGeheim, "start|enter RAVELO|exits"},
    {"LastTryShutsDownAfterItsMessage", {{"Key", "geheim"}, {"maxFehler", "1"}, kLongTimeOut},
     "start|enter falsch|box lasttry|exits|shutdowns 1"},
    {"CountdownTicksEverySecondAndShutsDownAtZero", {{"Key", "geheim"}, {"TimeOut", "8"}},
     "start|ticks 7 2|runs 0|shutdowns 1"},
    {"FirstStartAsksTwiceWithTheCountdownStoppedAndStoresExactly", {},
     "start|click ok|box first|stopped|enter  Mein Paßwort |box repeat|enter  mein Paßwort |box mismatch|stopped|"
     "enter  Mein Paßwort |box repeat|enter  Mein Paßwort |box stored|exits|key  Mein Paßwort "},
    {"CommandWordChangesThePasswordAfterTheOldOne", {{"Key", "alt"}, kLongTimeOut},
     "start|enter new Paßwort|box askold|enter alt|box asknew|stopped|enter neu|box repeat|enter neu|box stored|exits|key neu"},
    {"CommandWordWithAWrongOldPasswordGoesBackToTheLogin", {{"Key", "alt"}, kLongTimeOut},
     "start|enter new Paßwort|box askold|enter ALT|box oldwrong|runs 3|ticking|key alt"},
    {"AbbruchAnsweredNoByEnterSpaceOrClickKeepsTheLock", kGeheim,
     "start|type ab|keys alt A|box sicher|runs 2|keys tab|keys alt A|box sicher|focus field|keys tab|keys tab|"
     "keys space|box sicher no|focus field|click abbruch|box sicher no|focus field|runs 2|ticking|shutdowns 0"},
    {"AbbruchAnsweredYesShutsDownAndEnds", kGeheim, "start|front|keys alt A|box sicher yes|exits|shutdowns 1"},
    {"AbbruchWithoutAShutdownProgramSaysSoAndEnds", kGeheim, "away|start|keys alt A|box sicher yes|box gehtnicht|exits"},
    {"KeysAndClicksReachOnlyWhatTheyNameAndOnlyPicture1ShowsAbout", kGeheim,
     "start|keys tab|focus ok|type ao|keys tab|focus abbruch|keys tab|focus picture1|type aj|keys tab|focus picture2|"
     "keys tab|focus field|type ab|keys esc|type c|keys alt F4|close|click picture2|click label|type d|"
     "drag label picture1|keys alt A|box sicher|click picture1|box about|runs 4"},
    {"NonTextKeyWipesTheWholeStoreAndStartsAFirstStart",
     {{"Key", std::string("\7\0\0\0", 4), REG_DWORD}, {"Wert", "x", REG_SZ, ""}},
     "start|box regfehler|type x|box first|runs 0|wiped"},
    {"ExpandableKeyIsTakenUnexpanded", {{"Key", "%USERNAME%x", REG_EXPAND_SZ}, kLongTimeOut},
     "start|enter %USERNAME%x|exits"},
    {"PastedMegabyteMatchesAStoredMegabyte", {{"Key", std::string(1 << 20, 'k')}, kLongTimeOut},
     "start|paste 1048576|keys return|exits"},
    {"RefusedStoreWriteIsReportedAndTheLockStays", {},
     "volatile|start|type x|box first|enter neu|box repeat|enter neu|box unexpected|runs 3|key"},
};
// clang-format on

// As the driver's boxShown has them.
std::string box(std::string_view title, std::string_view text, char icon, bool yesNo = false) {
    return std::string(title) + '|' + std::string(text) + '|' + icon +
           (yesNo ? "| yes no*" : "| ok*");
}
// The texts written out as the user must read them, character for character.
// clang-format off
const std::map<std::string, std::string, std::less<>> kBoxes{
    {"empty", box("Fehler", "Gib erst das Paßwort ein.", 'I')},
    {"tries4", box("Fehler", "Das ist nicht richtig. Du hast jetzt noch 4 Versuche.", 'S')},
    {"lasttry", box("Upsss...", "Das war dein letzter Versuch.....und Tschüß.", 'S')},
    {"first", box("Neues Paßwort", "Es gibt noch kein Paßwort für dieses Programm.\rGib jetzt eins ein und drücke Ok oder Enter.", 'I')},
    {"repeat", box("Bestätigung", "Wiederhole jetzt die Eingabe.", 'I')},
    {"mismatch", box("Fehler", "Die Bestätigung war nicht richtig, also noch einmal.", 'S')},
    {"stored", box("alles Ok", "Das neue Paßwort ist beim nächsten Start gültig. Du hast jetzt volle Macht über Windows.", 'I')},
    {"askold", box("Neues Paßwort", "Gib das alte Paßwort ein.", 'I')},
    {"oldwrong", box("Torvelt", "Das alte Paßwort ist nicht richtig. Der Timer ist wieder aktiv.", 'S')},
    {"asknew", box("Neues Paßwort", "Gib jetzt das neue Paßwort ein.", 'I')},
    {"sicher", box("Sicher?", "Windows Herunterfahren. Bist Du dir sicher?", 'Q', true)},  // No preselected
    {"gehtnicht", box("geht nicht...", "Sorry, aber das Programm geht auf diesem Rechner nicht. Da es nun Müll ist, lösch es einfach.", 'I')},
    {"regfehler", box("RegFehler", "Ein Fehler ist gekommen, ich Lösche die Einträge in der Regedit. Somit ist das Paßwort gelöscht.", 'I')},
    {"about", box("Info zu...", "Torvelt Version " TORVELT_ABOUT_VERSION "\r\rEmailkontakt: " TORVELT_CONTACT_EMAIL "\rInternet " TORVELT_CONTACT_WEB, 'I')},
    {"unexpected", box("Torvelt", "Ein unerwarteter Fehler ist aufgetreten. Die Sperre bleibt aktiv.\r\rEinstellungen nicht schreibbar (Registry-Fehler 1021)", 'S')},
};
// clang-format on
const std::map<std::string, WORD, std::less<>> kKeys{{"alt", VK_MENU},      {"tab", VK_TAB},
                                                     {"esc", VK_ESCAPE},    {"F4", VK_F4},
                                                     {"return", VK_RETURN}, {"space", VK_SPACE}};
const std::map<std::string, int, std::less<>> kControls{
    {"field", ids::kPaßworttext}, {"ok", ids::kKlickOK},        {"abbruch", ids::kKlickAbbruch},
    {"label", ids::kLabel1},      {"picture1", ids::kPicture1}, {"picture2", ids::kPicture2}};

constexpr wchar_t kRecorder[] = L"C:\\windows\\system32\\shutdown.exe";
constexpr wchar_t kRecorderAway[] = L"C:\\windows\\system32\\shutdown.away";

// Waits for the countdown to show `seconds`, and tells when it did.
auto shows(const Lock& lock, int seconds) {
    const std::string caption = "Timeout in: " + std::to_string(seconds) + " sekunden";
    EXPECT_EQ(
        poll([&] { return lock.caption(); }, [&](const auto& seen) { return seen == caption; }),
        caption);
    return std::chrono::steady_clock::now();
}

using Step = void (*)(Lock& lock, const std::string& text);
const std::map<std::string, Step, std::less<>> kSteps{
    {"start", [](Lock& lock, auto&) { ASSERT_TRUE(lock.start()); }},
    {"away", [](Lock&, auto&) { ASSERT_TRUE(::MoveFileW(kRecorder, kRecorderAway)); }},
    {"volatile",  // Wine refuses a lasting key below a volatile one
     [](Lock&, auto&) {
         HKEY key = nullptr;
         ::RegCreateKeyExW(HKEY_CURRENT_USER, win32::settingsPath(kApp).c_str(), 0, nullptr,
                           REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &key, nullptr);
         ASSERT_TRUE(win32::UniqueKey(key));
     }},
    {"type", [](Lock& lock, auto& text) { lock.type(text); }},
    {"enter", [](Lock& lock, auto& text) { ASSERT_TRUE(lock.enter(text)) << "field or focus"; }},
    {"keys",
     [](Lock& lock, auto& names) {
         std::vector<WORD> held;
         std::istringstream keys(names);
         for (std::string key; keys >> key;) {
             held.push_back(kKeys.contains(key) ? kKeys.at(key) : static_cast<WORD>(key[0]));
         }
         lock.keys(held);
     }},
    {"click", [](Lock& lock, auto& name) { lock.drag(kControls.at(name), kControls.at(name)); }},
    {"drag",
     [](Lock& lock, auto& names) {
         const std::size_t space = names.find(' ');
         lock.drag(kControls.at(names.substr(0, space)), kControls.at(names.substr(space + 1)));
     }},
    {"focus",
     [](Lock& lock, auto& name) {
         EXPECT_EQ(lock.waitForFocus(kControls.at(name)), kControls.at(name));
     }},
    {"close",  // as the window's close button, and as another program would
     [](Lock& lock, auto&) {
         ::PostMessageW(lock.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
         ::PostMessageW(lock.window(), WM_CLOSE, 0, 0);
     }},
    {"front",  // another program opens a window and brings itself to the front
     [](Lock& lock, auto&) {
         const HWND other = ::CreateWindowExW(0, L"STATIC", L"Other", WS_OVERLAPPEDWINDOW, 0, 0,
                                              1024, 768, nullptr, nullptr, nullptr, nullptr);
         ::ShowWindow(other, SW_SHOW);
         poll([&] { return ::SetForegroundWindow(other), ::GetForegroundWindow() == other; },
              [](bool inFront) { return inFront; });
         HWND below = lock.window();
         while (below && (below = ::GetWindow(below, GW_HWNDNEXT)) != other) {
         }
         EXPECT_TRUE(below) << "the lock is under the other program's window";
         ::DestroyWindow(other);
     }},
    {"box",
     [](Lock& lock, auto& answered) {
         const std::string name = answered.substr(0, answered.find(' '));
         ASSERT_EQ(lock.nextBox(), kBoxes.at(name));
         ASSERT_TRUE(lock.answer(name == answered            ? IDOK
                                 : answered.ends_with("yes") ? IDYES
                                                             : IDNO));
     }},
    {"paste",  // the clipboard owns the memory once it has taken it
     [](Lock& lock, auto& count) {
         const int length = std::stoi(count);
         const HGLOBAL memory = ::GlobalAlloc(GHND, (length + 1) * sizeof(wchar_t));
         std::fill_n(static_cast<wchar_t*>(::GlobalLock(memory)), length, L'k');
         ::GlobalUnlock(memory);
         ASSERT_TRUE(::OpenClipboard(nullptr) && ::EmptyClipboard() &&
                     ::SetClipboardData(CF_UNICODETEXT, memory));
         ::CloseClipboard();
         lock.keys({VK_CONTROL, 'V'});
         ASSERT_EQ(lock.waitForFieldLength(length), length);
     }},
    {"ticks",  // one second a tick: a tick of two seconds or of half a second misses the bounds
     [](Lock& lock, auto& range) {
         int from = 0, to = 0;
         std::istringstream(range) >> from >> to;
         shows(lock, from);
         const auto took = shows(lock, to) - shows(lock, from - 1);
         EXPECT_GT(took, (from - 1 - to) * 750ms);
         EXPECT_LT(took, (from - 1 - to) * 1500ms);
     }},
    {"stopped",  // a stopped countdown shows only in ticks that do not come
     [](Lock& lock, auto&) {
         EXPECT_EQ(poll([&] { return lock.caption(); },
                        [](const std::string& seen) { return seen != "Timer angehalten"; }, 1500ms),
                   "Timer angehalten");
     }},
    {"ticking",
     [](Lock& lock, auto&) {
         const std::string before = lock.caption();
         EXPECT_NE(poll([&] { return lock.caption(); }, [&](auto& now) { return now != before; }),
                   before);
     }},
    {"second",
     [](Lock&, auto& password) {
         Lock second;
         ASSERT_TRUE(second.start());
         ASSERT_TRUE(second.enter(password));
         EXPECT_EQ(second.waitForExit(), 0u);
     }},
    {"exits", [](Lock& lock, auto&) { EXPECT_EQ(lock.waitForExit(), 0u); }},
    {"runs",
     [](Lock& lock, auto& length) {
         EXPECT_TRUE(lock.running() && !lock.boxOpen()) << "the lock without a box";
         EXPECT_EQ(lock.waitForFieldLength(std::stoi(length)), std::stoi(length));
     }},
    {"key",  // a REG_SZ of at most 99 characters, or none
     [](Lock&, auto& text) {
         std::array<wchar_t, 100> stored{};
         DWORD bytes = sizeof(stored);
         const LSTATUS status =
             ::RegGetValueW(HKEY_CURRENT_USER, win32::settingsPath(kApp, kSection).c_str(), L"Key",
                            RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, stored.data(), &bytes);
         EXPECT_EQ(status ? "" : win32::toUtf8(stored.data()), text);  // Wine fills it even so
     }},
    {"wiped",
     [](Lock&, auto&) {
         HKEY key = nullptr;
         ::RegOpenKeyExW(HKEY_CURRENT_USER, win32::settingsPath(kApp).c_str(), 0, KEY_READ, &key);
         EXPECT_FALSE(win32::UniqueKey(key)) << "settings left";
     }},
    {"shutdowns",  // the recorder's lines: the lock's shutdown, quoted, minimized (2)
     [](Lock& lock, auto& count) {
         std::string expected;
         for (int left = std::stoi(count); left > 0; --left) {
             expected += "\"C:\\windows\\System32\\shutdown.exe\" /s /f /t 0\t2\n";
         }
         const auto read = [] {
             std::ifstream log("C:\\shutdown-recorder.log", std::ios::binary);
             return std::string(std::istreambuf_iterator<char>(log), {});
         };
         const std::string shown = poll(
             read, [&](auto& seen) { return !expected.empty() && seen.size() >= expected.size(); },
             expected.empty() ? 1s : 10s);  // Wine starts one in 0.2 s
         // A lock that runs on below zero shuts down again every tick.
         EXPECT_EQ(lock.running() && count != "0" ? shown.substr(0, expected.size()) : shown,
                   expected);
     }},
};

void PrintTo(const Scenario& row, std::ostream* out) {
    *out << row.name;
}

class Scenarios : public LockTest, public ::testing::WithParamInterface<Scenario> {
    void TearDown() override { ::MoveFileW(kRecorderAway, kRecorder); }
};

TEST_P(Scenarios, End) {
    const Scenario& row = GetParam();
    for (const Setting& setting : row.settings) {
        writeSetting(setting);
    }
    std::istringstream steps(row.steps);
    for (std::string step; !HasFatalFailure() && std::getline(steps, step, '|');) {
        SCOPED_TRACE(step);
        const std::size_t space = std::min(step.find(' '), step.size());
        kSteps.at(step.substr(0, space))(lock, step.substr(std::min(space + 1, step.size())));
    }
}

INSTANTIATE_TEST_SUITE_P(Lock, Scenarios, ::testing::ValuesIn(kScenarios),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace torvelt::e2e
