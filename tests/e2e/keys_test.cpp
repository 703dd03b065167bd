// Keys and clicks reach only what they name, two roads by the mouse, and the lock stays in front.
#include <functional>

#include "lock_driver.h"

namespace torvelt::e2e {
namespace {

// Real mouse input at a control's centre; unlike the driver's, it leaves the foreground alone.
void mouse(HWND control, DWORD button) {
    RECT area;
    ::GetWindowRect(control, &area);
    INPUT input{INPUT_MOUSE, {}};
    input.mi.dx = ((area.left + area.right) / 2 * 65536 + 65535) / ::GetSystemMetrics(SM_CXSCREEN);
    input.mi.dy = ((area.top + area.bottom) / 2 * 65536 + 65535) / ::GetSystemMetrics(SM_CYSCREEN);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | button;
    ::SendInput(1, &input, sizeof(input));
}

using Step = std::function<void(Lock&)>;
struct Road {
    const char* name;
    bool firstStart;
    std::vector<Step> steps;
    Box box;          // the one message box the road ends in
    int fieldLength;  // once it is answered
    friend void PrintTo(const Road& road, std::ostream* out) { *out << road.name; }
};

// clang-format off
const auto text = [](const char* typed) -> Step { return [=](Lock& l) { l.type(typed); }; };
const auto entered = [](const char* typed) -> Step { return [=](Lock& l) { (void)l.enter(typed); }; };
const auto key = [](WORD pressed) -> Step { return [=](Lock& l) { l.press(pressed); }; };
const auto alt = [](WORD pressed) -> Step { return [=](Lock& l) { l.pressWithAlt(pressed); }; };
const auto click = [](int id) -> Step { return [=](Lock& l) { l.click(id); }; };
const auto at = [](int id, DWORD button) -> Step { return [=](Lock& l) { mouse(l.control(id), button); }; };
const Step answered = [](Lock& l) { l.nextBox(), (void)l.answer(VK_RETURN); };
constexpr int kField = ids::kPaßworttext;
const Box kWrongTry = okBox("Fehler", "Das ist nicht richtig. Du hast jetzt noch 4 Versuche.", Icon::Stop);
const Box kSicher = yesNoBox("Sicher?", "Windows Herunterfahren. Bist Du dir sicher?");

// A stray key or release that pressed something would show another box first.
const Road kRoads[] = {
    {"PlainAOnFocusedOkAsksNothing", false, {text("falsch"), key(VK_TAB), text("a"), click(kField), key(VK_RETURN)}, kWrongTry, 0},
    {"PlainOOnFocusedOkSpendsNoTry", false, {text("falsch"), key(VK_TAB), text("o"), click(kField), key(VK_RETURN)}, kWrongTry, 0},
    {"PlainAJOnFocusedPictureDoNothing", false, {text("falsch"), key(VK_TAB), key(VK_TAB), key(VK_TAB), text("aj"), click(kField), key(VK_RETURN)}, kWrongTry, 0},
    {"AltOFromTheField", false, {text("falsch"), alt('O')}, kWrongTry, 0},
    {"AltOFromFocusedAbbruch", false, {text("falsch"), key(VK_TAB), key(VK_TAB), alt('O')}, kWrongTry, 0},
    {"AltAFromTheField", false, {text("ab"), alt('A')}, kSicher, 2},
    {"AltAFromFocusedOk", false, {key(VK_TAB), alt('A')}, kSicher, 0},
    {"SpaceOnFocusedAbbruch", false, {key(VK_TAB), key(VK_TAB), key(VK_SPACE)}, kSicher, 0},
    {"ReleaseAloneOnPicture1ShowsNoAbout", false, {text("falsch"), at(ids::kLabel1, MOUSEEVENTF_LEFTDOWN), at(ids::kPicture1, MOUSEEVENTF_LEFTUP), key(VK_RETURN)}, kWrongTry, 0},
    {"MouseOnOkAtFirstStartAsksForAPassword", true, {click(ids::kKlickOK)}, okBox("Neues Paßwort", "Es gibt noch kein Paßwort für dieses Programm.\rGib jetzt eins ein und drücke Ok oder Enter.", Icon::Information), 0},
    {"WrongOldPasswordKeepsTheEntryAndTheCountdown", false, {entered("new Paßwort"), answered, entered("falsch")}, okBox("Torvelt", "Das alte Paßwort ist nicht richtig. Der Timer ist wieder aktiv.", Icon::Stop), 6},
};
// clang-format on

class Roads : public LockTest, public ::testing::WithParamInterface<Road> {};

TEST_P(Roads, EndInTheirOwnBox) {
    const Road& road = GetParam();
    if (!road.firstStart) {
        storePassword("geheim");
    }
    ASSERT_TRUE(lock.start());
    for (const Step& step : road.steps) {
        step(lock);
    }
    EXPECT_EQ(lock.nextBox(), road.box);
    ASSERT_TRUE(lock.answer(VK_RETURN));  // Ok, or No where Yes and No are asked
    EXPECT_EQ(lock.waitForFieldLength(road.fieldLength), road.fieldLength);
    const std::string caption = lock.caption();
    if (!road.firstStart) {
        EXPECT_NE(poll([&] { return lock.caption(); }, [&](const auto& now) { return now != caption; }),
                  caption)
            << "the countdown runs";
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, Roads, ::testing::ValuesIn(kRoads),
                         [](const auto& road) { return std::string(road.param.name); });

bool isAbove(HWND upper, HWND lower) {
    HWND below = upper;
    while (below && (below = ::GetWindow(below, GW_HWNDNEXT)) != lower) {
    }
    return upper && below == lower;
}

HWND inFront(HWND window) {
    return poll([&] { return ::SetForegroundWindow(window), ::GetForegroundWindow(); },
                [&](HWND front) { return front == window; });
}

using Front = LockTest;

TEST_F(Front, LockAndItsBoxStayAboveALaterWindowAndTakeKeysOnceClicked) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    lock.click(ids::kPicture1);
    ASSERT_EQ(lock.nextBox().title, "Info zu...");
    const HWND box = ::GetLastActivePopup(lock.window());
    // Another program (the driver) opens a window over the lock and brings itself to the front.
    const HWND other = ::CreateWindowExW(0, L"STATIC", L"Other", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                         0, 0, 1024, 768, nullptr, nullptr, nullptr, nullptr);
    ::SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ASSERT_EQ(inFront(other), other);
    EXPECT_TRUE(box != lock.window() && isAbove(box, other)) << "the box is under the other window";
    EXPECT_TRUE(isAbove(lock.window(), other)) << "the lock is under the other window";
    ASSERT_TRUE(lock.answer(VK_RETURN));
    ASSERT_EQ(inFront(other), other);
    mouse(lock.control(ids::kPaßworttext), MOUSEEVENTF_LEFTDOWN);
    mouse(lock.control(ids::kPaßworttext), MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(poll([] { return ::GetForegroundWindow(); },
                   [&](HWND front) { return front == lock.window(); }),
              lock.window());
    lock.type("x");  // the lock is in front already: the driver's own bringing forward is idle
    EXPECT_EQ(lock.waitForFieldLength(1), 1) << "the key went elsewhere";
    ::DestroyWindow(other);
}

}  // namespace
}  // namespace torvelt::e2e
