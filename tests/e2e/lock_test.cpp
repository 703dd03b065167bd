// The lock's roads end to end, one row each: the store at the start, what the user does, the
// boxes and their answers, how the lock ends, the store and the shutdown log at the end; and the
// window's look at the prefix's DPI.
#include <cstdlib>
#include <map>
#include <sstream>

#include "lock_driver.h"
#include "texts.h"

namespace torvelt::e2e {
namespace {

using namespace texts;

// Steps are separated by '|'. `start` starts the lock; `away` hides the shutdown program and
// `volatile` makes the store unwritable before that; `look` starts it in a wide message font and
// checks the window at the prefix's DPI. Then: `type T`, `enter T` (typed into the empty field,
// then Enter), `keys K...` (held together), `click C [D]` (pressed on control C, released on it
// or on D), `focus C`, `close` (asked from outside), `front [box]` (a later window of another
// program, brought to the front, stays under the lock and, once it has opened, its box), `box B
// [yes|no]` (the next box is B, answered with Enter or a click), `paste N` (N 'k's),
// `ticks N S` (the countdown shows N S seconds after the start), `countdown stopped|ticking`,
// `second P` (another lock opened with P), and at the end `exits` (with code 0) or `runs N` (no box
// open, N characters in the field), `key T` (the stored password is T, or "(none)"), `wiped` (no
// settings at all) and `shutdowns 0|1` (at least 1 while the lock runs on and ticks below zero).
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
     "focus field|countdown ticking|second Geheim ß|enter Geheim ß|exits|shutdowns 0"},
    {"MasterPasswordInCapitalsEndsAfterAnotherWindowCameToTheFrontAndFocusCameBackToOk", kGeheim, "start|keys tab|focus ok|front|click label|focus ok|click field|enter RAVELO|exits"},
    {"CountdownTicksEverySecondAndShutsDownAtZero", {{"Key", "geheim"}, {"TimeOut", "8"}},
     "start|ticks 2 6|runs 0|shutdowns 1"},
    {"FirstStartAsksTwiceWithTheCountdownStoppedAndStoresExactly", {},
     "start|click ok|box first|countdown stopped|enter  Mein Paßwort |box repeat|enter  mein Paßwort |box mismatch|countdown stopped|"
     "enter  Mein Paßwort |box repeat|enter  Mein Paßwort |box stored|exits|key  Mein Paßwort "},
    {"CommandWordChangesThePasswordAfterTheOldOne", {{"Key", "alt"}, kLongTimeOut},
     "start|enter new Paßwort|box askold|enter alt|box asknew|countdown stopped|enter neu|box repeat|enter neu|box stored|exits|key neu"},
    // A wrong old password costs a try and goes back to the login, whose last wrong try shuts down
    // after its message. The Key, a lone UTF-16 surrogate, is a password like any other.
    {"WrongOldPasswordCostsATryAndTheLastShutsDownWithALoneSurrogateKey", {{"Key", "", REG_SZ, {L"\xD800", 2}}, {"maxFehler", "2"}, kLongTimeOut},
     "start|enter new Paßwort|box askold|enter ALT|box oldwrong|runs 3|countdown ticking|keys return|box lasttry|exits|shutdowns 1"},
    {"AbbruchAnsweredNoByEnterSpaceOrClickKeepsTheLock", kGeheim,
     "start|type ab|keys alt A|box sicher|runs 2|keys tab|keys alt A|box sicher|focus field|keys tab|keys tab|"
     "keys space|box sicher no|focus field|click abbruch|box sicher no|focus field|runs 2|countdown ticking|shutdowns 0"},
    {"AbbruchAnsweredYesShutsDownAndEnds", kGeheim, "start|keys alt A|front box|box sicher yes|exits|shutdowns 1"},
    {"AbbruchWithoutAShutdownProgramSaysSoAndEnds", kGeheim, "away|start|keys alt A|box sicher yes|box gehtnicht|exits"},
    {"KeysAndClicksReachOnlyWhatTheyNameAndOnlyPicture1ShowsAbout", kGeheim,
     "start|keys tab|focus ok|type ao|keys tab|focus abbruch|keys tab|focus picture1|type aj|keys tab|focus picture2|"
     "keys tab|focus field|type ab|keys esc|type c|keys alt F4|close|click picture2|click label|type d|"
     "click label picture1|keys alt A|box sicher|click picture1 label|click abbruch|box sicher no|click picture1|box about|runs 4"},
    {"NonTextKeyWipesTheWholeStoreAndStartsAFirstStart",
     {{"Key", "\7", REG_DWORD}},
     "start|box regfehler|type x|box first|runs 0|wiped"},
    {"ExpandableKeyWithoutItsClosingNulIsTakenWholeAndUnexpanded", {{"Key", "", REG_EXPAND_SZ, L"%USERNAME%x"}, kLongTimeOut},
     "start|enter %USERNAME%x|exits"},
    {"PastedMegabyteMatchesAStoredMegabyte", {{"Key", std::string(1 << 20, 'k')}, kLongTimeOut},
     "start|paste 1048576|keys return|exits"},
    {"LookAtTheScreensDpiInTheDialogFontWhateverTheMessageFont", {{"Key", "geheim"}, {"TimeOut", "-32768"}},
     "look|dpi 144"},
    {"RefusedStoreWriteIsReportedAndTheLockStays", {},
     "volatile|start|type x|box first|enter neu|box repeat|enter neu|box unexpected|runs 3|key (none)"},
};
// clang-format on

// The boxes as the driver's boxShown has them: title|text|icon|buttons, the default one marked
// '*'. The texts are written out as the user must read them, character for character.
// clang-format off
const std::map<std::string, std::string, std::less<>> kBoxes{
    {"empty", "Fehler|Gib erst das Paßwort ein.|I| ok*"},
    {"tries4", "Fehler|Das ist nicht richtig. Du hast jetzt noch 4 Versuche.|S| ok*"},
    {"lasttry", "Upsss...|Das war dein letzter Versuch.....und Tschüß.|S| ok*"},
    {"first", "Neues Paßwort|Es gibt noch kein Paßwort für dieses Programm.\rGib jetzt eins ein und drücke Ok oder Enter.|I| ok*"},
    {"repeat", "Bestätigung|Wiederhole jetzt die Eingabe.|I| ok*"},
    {"mismatch", "Fehler|Die Bestätigung war nicht richtig, also noch einmal.|S| ok*"},
    {"stored", "alles Ok|Das neue Paßwort ist beim nächsten Start gültig. Du hast jetzt volle Macht über Windows.|I| ok*"},
    {"askold", "Neues Paßwort|Gib das alte Paßwort ein.|I| ok*"},
    {"oldwrong", "Torvelt|Das alte Paßwort ist nicht richtig. Der Timer ist wieder aktiv.|S| ok*"},
    {"asknew", "Neues Paßwort|Gib jetzt das neue Paßwort ein.|I| ok*"},
    {"sicher", "Sicher?|Windows Herunterfahren. Bist Du dir sicher?|Q| yes no*"},  // No preselected
    {"gehtnicht", "geht nicht...|Sorry, aber das Programm geht auf diesem Rechner nicht. Da es nun Müll ist, lösch es einfach.|I| ok*"},
    {"regfehler", "RegFehler|Ein Fehler ist gekommen, ich Lösche die Einträge in der Regedit. Somit ist das Paßwort gelöscht.|I| ok*"},
    {"about", "Info zu...|Torvelt Version " TORVELT_ABOUT_VERSION "\r\rEmailkontakt: " TORVELT_CONTACT_EMAIL "\rInternet " TORVELT_CONTACT_WEB "|I| ok*"},
    {"unexpected", "Torvelt|Ein unerwarteter Fehler ist aufgetreten. Die Sperre bleibt aktiv.\r\rEinstellungen nicht schreibbar (Registry-Fehler 1021)|S| ok*"},
};
const std::map<std::string, BYTE, std::less<>> kKeys{{"alt", VK_MENU}, {"tab", VK_TAB}, {"esc", VK_ESCAPE}, {"F4", VK_F4}, {"return", VK_RETURN}, {"space", VK_SPACE}};
const std::map<std::string, int, std::less<>> kControls{{"field", ids::kPaßworttext}, {"ok", ids::kKlickOK}, {"abbruch", ids::kKlickAbbruch},
    {"label", ids::kLabel1}, {"picture1", ids::kPicture1}, {"picture2", ids::kPicture2}, {"timer", ids::kTimerText}};

// The window at the prefix's DPI: each control's text (nothing: counts), and its pixel rectangle
// "left,top,widthxheight" in client pixels after the client area's size, where the countdown,
// which sizes itself, has only its place.
const std::pair<int, const char*> kLook[] = {{ids::kPicture2, ""}, {ids::kPicture1, ""}, {ids::kKlickAbbruch, "&Abbruch"}, {ids::kKlickOK, "&Ok"},
    {ids::kPaßworttext, ""}, {ids::kTimerText, nullptr}, {ids::kLabel1, "Um Windows benutzen zu können, gib das Paßwort ein."}};
const std::map<int, std::string> kRectangles{
    {96, "215x106 4,4,32x32 8,80,50x23 144,85,65x20 144,64,65x20 8,40,201x19 8,64 48,8,160x29"},
    {120, "269x133 5,5,40x40 10,100,63x29 180,107,81x25 180,80,81x25 10,50,251x24 10,80 60,10,200x36"},
    {144, "323x159 6,6,48x48 12,120,75x35 216,128,98x30 216,96,98x30 12,60,302x29 12,96 72,12,240x44"},
    {192, "430x212 8,8,64x64 16,160,100x46 288,171,130x40 288,128,130x40 16,80,402x38 16,128 96,16,320x58"},
};
// clang-format on
// The user's message font as Wine keeps it, read by each process as it starts.
constexpr wchar_t kMetrics[] = L"Control Panel\\Desktop\\WindowMetrics";
const int kDpi = std::atoi(std::getenv("TORVELT_E2E_DPI"));  // the prefix's, from the test run

// How far right and down the pixels other than the window's background reach.
POINT inkReach(const std::vector<COLORREF>& shown, LONG width) {
    POINT reach{0, 0};
    for (LONG i = 0; i < std::ssize(shown); ++i) {
        if (shown[i] != ::GetSysColor(COLOR_BTNFACE)) {
            reach = {std::max(reach.x, i % width + 1), std::max(reach.y, i / width + 1)};
        }
    }
    return reach;
}

// The pixel rectangles at `dpi` (the client area's size only at the prefix's, which sizes the
// frame), every text fitting its control in the font the layout was made for (buttons keep two
// pixels of frame), and both pictures drawn to their boxes.
void layout(Lock& lock, int dpi) {
    RECT area;
    ::GetClientRect(lock.window(), &area);
    std::string rectangles = std::to_string(area.right) + 'x' + std::to_string(area.bottom);
    const win32::UniqueGdiObject font(::CreateFontW(-::MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0,
                                                    0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                                    L"MS Shell Dlg 2"));
    const win32::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    ::SelectObject(dc.get(), font.get());
    for (const auto& [id, text] : kLook) {
        const HWND control = lock.control(id);
        ::GetWindowRect(control, &area);
        ::MapWindowPoints(nullptr, lock.window(), reinterpret_cast<POINT*>(&area), 2);
        rectangles += ' ' + std::to_string(area.left) + ',' + std::to_string(area.top) +
                      (text ? ',' + std::to_string(area.right - area.left) + 'x' +
                                  std::to_string(area.bottom - area.top)
                            : "");
        const std::string shown = win32::windowText(control);
        EXPECT_EQ(shown, text ? text : shown);
        const int frame = id == ids::kKlickOK || id == ids::kKlickAbbruch ? 4 : 0;
        ::GetClientRect(control, &area);
        RECT needs{0, 0, area.right - frame, 0};
        ::DrawTextW(dc.get(), toUtf16(shown).c_str(), -1, &needs,
                    DT_CALCRECT | DT_WORDBREAK | (frame ? 0 : DT_NOPREFIX));
        EXPECT_TRUE(needs.right <= area.right - frame && needs.bottom <= area.bottom - frame)
            << shown << " needs " << needs.right << "x" << needs.bottom;
        EXPECT_TRUE(id != ids::kTimerText || area.right == needs.right)
            << "the countdown sizes itself in another font";
    }
    const std::string expected =
        kRectangles.contains(dpi) ? kRectangles.at(dpi) : "rectangles for the DPI";
    const std::size_t from = dpi == kDpi ? 0 : expected.find(' ');
    EXPECT_EQ(rectangles.substr(from), expected.substr(from));
    // Both pictures show the window's background through their transparent part, once painted,
    // and the logo, which has ink in its last column and row, fills its box.
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    for (const int id : {ids::kPicture1, ids::kPicture2}) {
        const auto shown =
            poll([&] { return pixels(lock.control(id)); },
                 [&](auto& seen) { return std::ranges::count(seen, face) < std::ssize(seen); }, 2s);
        const auto background = std::ranges::count(shown, face);
        EXPECT_TRUE(background > 0 && background < std::ssize(shown))
            << background << " of " << shown.size() << " pixels show the window's background";
        ::GetClientRect(lock.control(id), &area);
        const POINT reach = inkReach(shown, area.right);
        EXPECT_TRUE(id != ids::kPicture1 || (reach.x == area.right && reach.y == area.bottom))
            << "the logo ends at " << reach.x << "x" << reach.y << " in its box";
    }
    // The countdown shows in the font it was measured in: its text nearly fills it (Wine draws
    // the dialog font up to a tenth narrower than it measures it), and a wider font is cut.
    const HWND timer = lock.control(ids::kTimerText);
    ::GetClientRect(timer, &area);
    const LONG end = poll([&] { return inkReach(pixels(timer), area.right).x; },
                          [&](LONG x) { return x * 8 >= area.right * 7; }, 2s);
    EXPECT_TRUE(end * 8 >= area.right * 7 && end < area.right)
        << end << " of " << area.right << " pixels hold text";
}

// Where the window stands, its layout at the prefix's DPI whatever the message font, and what
// focus and repaints draw.
void look(Lock& lock) {
    LOGFONTW wide{};  // a message font the fixed labels would not hold
    wide.lfHeight = -::MulDiv(9, kDpi, 72);
    ::lstrcpynW(wide.lfFaceName, L"DejaVu Sans", LF_FACESIZE);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kMetrics, L"MessageFont", REG_BINARY, &wide, sizeof(wide));
    // A taskbar 40 pixels high at the bottom, as Wine's desktop takes it off the work area once
    // the displays are read again: the lock centres in what is left.
    WNDCLASSW taskbar{};
    taskbar.lpfnWndProc = ::DefWindowProcW;
    taskbar.lpszClassName = L"Shell_TrayWnd";
    ::RegisterClassW(&taskbar);
    const HWND tray =
        ::CreateWindowExW(WS_EX_NOACTIVATE, taskbar.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0,
                          ::GetSystemMetrics(SM_CYSCREEN) - 40, ::GetSystemMetrics(SM_CXSCREEN), 40,
                          nullptr, nullptr, nullptr, nullptr);
    ::ChangeDisplaySettingsExW(nullptr, nullptr, nullptr, 0, nullptr);
    ASSERT_TRUE(lock.start());
    EXPECT_EQ(win32::windowText(lock.window()), "Windows Start");
    EXPECT_TRUE(::GetClassLongPtrW(lock.window(), GCL_STYLE) & CS_NOCLOSE) << "close greyed";
    EXPECT_EQ(sendTo(lock.control(ids::kPaßworttext), EM_GETPASSWORDCHAR), L'*');
    EXPECT_EQ(lock.caption(), "Timeout in: -32768 sekunden");  // the widest, held from the start
    RECT area, work;
    ::GetWindowRect(lock.window(), &area);
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::DestroyWindow(tray);
    ::ChangeDisplaySettingsExW(nullptr, nullptr, nullptr, 0, nullptr);
    EXPECT_EQ(work.bottom, ::GetSystemMetrics(SM_CYSCREEN) - 40) << "the taskbar's top";
    EXPECT_NEAR(area.left + area.right, work.left + work.right, 1) << "centred across";
    EXPECT_NEAR(area.top + area.bottom, work.top + work.bottom, 1) << "centred down";
    layout(lock, kDpi);
    // A repaint of Ok, as on focus or hover, leaves the countdown that reaches over it readable.
    const HWND timer = lock.control(ids::kTimerText);
    ::RedrawWindow(timer, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const auto countdown = pixels(timer);
    lock.keys({VK_TAB});
    EXPECT_EQ(lock.waitForFocus(ids::kKlickOK), ids::kKlickOK);
    ::RedrawWindow(lock.control(ids::kKlickOK), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(pixels(timer) == countdown) << "Ok painted over the countdown";
    // The focused logo shows its dotted focus frame: nothing else changes it.
    const HWND logo = lock.control(ids::kPicture1);
    const auto unfocused = pixels(logo);
    lock.keys({VK_TAB});
    lock.keys({VK_TAB});
    const auto focused =
        poll([&] { return pixels(logo); }, [&](auto& now) { return now != unfocused; }, 2s);
    EXPECT_TRUE(focused != unfocused) << "no focus frame on the focused logo";
}

constexpr wchar_t kRecorder[] = L"C:\\windows\\system32\\shutdown.exe";
constexpr wchar_t kRecorderAway[] = L"C:\\windows\\system32\\shutdown.away";

void step(Lock& lock, const std::string& verb, const std::string& text) {
    if (verb == "start") {
        ASSERT_TRUE(lock.start());
    } else if (verb == "look") {
        look(lock);
    } else if (verb == "dpi") {  // the window moved to a monitor of another DPI
        lock.dpiChanged(std::stoi(text));
        layout(lock, std::stoi(text));
    } else if (verb == "away") {
        ASSERT_TRUE(::MoveFileW(kRecorder, kRecorderAway));
    } else if (verb == "volatile") {  // Wine refuses a lasting key below a volatile one
        HKEY key = nullptr;
        ::RegCreateKeyExW(HKEY_CURRENT_USER, win32::settingsPath(kApp).c_str(), 0, nullptr,
                          REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &key, nullptr);
        ASSERT_TRUE(win32::UniqueKey(key));
    } else if (verb == "type") {
        lock.type(text);
    } else if (verb == "enter") {
        ASSERT_TRUE(lock.enter(text)) << "field or focus";
    } else if (verb == "keys") {
        std::vector<BYTE> held;
        std::istringstream keys(text);
        for (std::string key; keys >> key;) {
            held.push_back(kKeys.contains(key) ? kKeys.at(key) : static_cast<BYTE>(key[0]));
        }
        lock.keys(held);
    } else if (verb == "click") {  // pressed on one control, released on it or on a second one
        lock.drag(kControls.at(text.substr(0, text.find(' '))),
                  kControls.at(text.substr(text.rfind(' ') + 1)));
    } else if (verb == "focus") {
        EXPECT_EQ(lock.waitForFocus(kControls.at(text)), kControls.at(text));
    } else if (verb == "front") {  // another program opens a window and brings itself to front
        const HWND popup = poll([&] { return ::GetLastActivePopup(lock.window()); },
                                [&](HWND shown) { return text.empty() || shown != lock.window(); });
        const HWND other =
            ::CreateWindowExW(0, L"STATIC", L"Other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1024,
                              768, nullptr, nullptr, nullptr, nullptr);
        poll([&] { return ::SetForegroundWindow(other), ::GetForegroundWindow() == other; },
             [](bool inFront) { return inFront; });
        for (const HWND above : {lock.window(), popup}) {
            HWND below = above;
            while (below && (below = ::GetWindow(below, GW_HWNDNEXT)) != other) {
            }
            EXPECT_TRUE(below) << "a window of the lock is under the other program's window";
        }
        ::DestroyWindow(other);
    } else if (verb == "close") {  // as the window's close button, and as another program would
        ::PostMessageW(lock.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
        ::PostMessageW(lock.window(), WM_CLOSE, 0, 0);
    } else if (verb == "box") {
        const std::string name = text.substr(0, text.find(' '));
        ASSERT_EQ(lock.nextBox(), kBoxes.at(name));
        ASSERT_TRUE(lock.answer(name == text ? IDOK : text.ends_with("yes") ? IDYES : IDNO));
    } else if (verb == "paste") {  // the clipboard owns the memory once it has taken it
        const int length = std::stoi(text);
        const HGLOBAL memory = ::GlobalAlloc(GHND, (length + 1) * sizeof(wchar_t));
        std::fill_n(static_cast<wchar_t*>(::GlobalLock(memory)), length, L'k');
        ::GlobalUnlock(memory);
        ASSERT_TRUE(::OpenClipboard(nullptr) && ::EmptyClipboard() &&
                    ::SetClipboardData(CF_UNICODETEXT, memory));
        ::CloseClipboard();
        lock.keys({VK_CONTROL, 'V'});
        ASSERT_EQ(lock.waitForFieldLength(length), length);
    } else if (verb == "ticks") {  // a tick of two seconds or of half a second misses the bounds
        const std::string caption = "Timeout in: " + text.substr(0, text.find(' ')) + " sekunden";
        EXPECT_EQ(poll([&] { return lock.caption(); }, [&](auto& now) { return now == caption; }),
                  caption);
        const auto took = (std::chrono::steady_clock::now() - lock.started()) / 1ms;
        EXPECT_NEAR(took, std::stoi(text.substr(text.find(' '))) * 1000, 250 * took / 1000) << "ms";
    } else if (verb == "countdown") {  // a stopped countdown shows only in ticks that do not come
        const std::string before = lock.caption();
        const std::string seen =
            poll([&] { return lock.caption(); }, [&](auto& now) { return now != before; },
                 text == "stopped" ? 1500ms : 10s);
        EXPECT_EQ(seen == before ? seen : "ticking", text == "stopped" ? "Timer angehalten" : text);
    } else if (verb == "second") {
        Lock second;
        ASSERT_TRUE(second.start() && second.enter(text));
        EXPECT_EQ(second.waitForExit(), 0u);
    } else if (verb == "exits") {
        EXPECT_EQ(lock.waitForExit(), 0u);
    } else if (verb == "runs") {
        EXPECT_TRUE(lock.idle()) << "the lock without a box";
        EXPECT_EQ(lock.waitForFieldLength(std::stoi(text)), std::stoi(text));
    } else if (verb == "key") {
        EXPECT_EQ(read(win32::settingsPath(kApp, kSection), "Key"), text);
    } else if (verb == "wiped") {
        EXPECT_EQ(read(win32::settingsPath(kApp)), "(none)");
    } else if (verb == "shutdowns") {  // 0 or 1 of the lock's shutdown, quoted, minimized (2)
        const std::string expected =
            text == "0" ? "" : "\"C:\\windows\\System32\\shutdown.exe\" /s /f /t 0\t2\n";
        const std::string shown =
            poll([] { return fileText("C:\\shutdown-recorder.log"); },
                 [&](auto& seen) { return !expected.empty() && seen.size() >= expected.size(); },
                 expected.empty() ? 1s : 10s);  // Wine starts one in 0.2 s
        // A lock that runs on below zero shuts down again every tick.
        EXPECT_EQ(lock.idle() && text == "1" ? shown.substr(0, expected.size()) : shown, expected);
    } else {
        FAIL() << "no step " << verb;
    }
}

class Scenarios : public ::testing::TestWithParam<Scenario> {};

// Every row starts from an empty store, the usual message font and an empty recorder log, and
// ends with the shutdown program in its place, with window and screen coordinates in real pixels,
// as the lock itself uses them.
TEST_P(Scenarios, End) {
    ::SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, win32::settingsPath(kApp).c_str());
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kMetrics, L"MessageFont");
    ::DeleteFileW(L"C:\\shutdown-recorder.log");
    for (const Setting& setting : GetParam().settings) {
        writeSetting(setting);
    }
    Lock lock;
    std::istringstream steps(GetParam().steps);
    for (std::string line; !HasFatalFailure() && std::getline(steps, line, '|');) {
        SCOPED_TRACE(line);
        const std::size_t space = std::min(line.find(' '), line.size());
        step(lock, line.substr(0, space), line.substr(std::min(space + 1, line.size())));
    }
    ::MoveFileW(kRecorderAway, kRecorder);  // a failed step only ends its own function
}

INSTANTIATE_TEST_SUITE_P(Lock, Scenarios, ::testing::ValuesIn(kScenarios),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace torvelt::e2e
