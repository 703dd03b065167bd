// The lock window itself: About, keyboard navigation, the refused ways to close it, its layout.
#include <cmath>
#include <cstdlib>

#include "layout.h"
#include "lock_driver.h"

namespace torvelt::e2e {
namespace {

using Window = LockTest;
using Keyboard = LockTest;
using Geometry = LockTest;

TEST_F(Window, ClickOnPicture1ShowsTheAboutMessage) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    // The other picture and the label answer no click: the key typed after them still reaches
    // the field, where a message box would have taken it.
    lock.click(ids::kPicture2);
    lock.click(ids::kLabel1);
    lock.type("a");
    EXPECT_EQ(lock.waitForFieldLength(1), 1);
    lock.click(ids::kPicture1);
    EXPECT_EQ(lock.nextBox(),
              okBox("Info zu...",
                    "Torvelt Version " TORVELT_ABOUT_VERSION
                    "\r\rEmailkontakt: " TORVELT_CONTACT_EMAIL "\rInternet " TORVELT_CONTACT_WEB,
                    Icon::Information));
    ASSERT_TRUE(lock.answer(VK_RETURN));
    EXPECT_TRUE(lock.running());
}

TEST_F(Window, ClosingIsRefusedEveryWay) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    lock.pressWithAlt(VK_F4);
    ::PostMessageW(lock.window(), WM_CLOSE, 0, 0);
    ::PostMessageW(lock.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    // The lock takes its queue in order, posted messages before keys: once the key typed last
    // is in the field, all three ways to close have been tried.
    lock.type("a");
    EXPECT_EQ(lock.waitForFieldLength(1), 1);
    EXPECT_TRUE(lock.running());
    EXPECT_FALSE(lock.boxOpen());
    const std::string caption = lock.caption();
    EXPECT_NE(lock.waitForCaptionChange(caption), caption) << "the countdown goes on";
}

TEST_F(Keyboard, AltOPressesOkAndAnEmptyEntryCostsNoTry) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    lock.pressWithAlt('O');
    ASSERT_EQ(lock.nextBox(), okBox("Fehler", "Gib erst das Paßwort ein.", Icon::Information));
    ASSERT_TRUE(lock.answer(VK_RETURN));
    ASSERT_TRUE(lock.enter("falsch"));
    EXPECT_EQ(lock.nextBox().text, "Das ist nicht richtig. Du hast jetzt noch 4 Versuche.");
}

TEST_F(Keyboard, TabWalksFieldOkAbbruchPicture1Picture2AndBack) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    for (const int next :
         {ids::kKlickOK, ids::kKlickAbbruch, ids::kPicture1, ids::kPicture2, ids::kPaßworttext}) {
        lock.press(VK_TAB);
        EXPECT_EQ(lock.waitForFocus(next), next);
    }
}

TEST_F(Keyboard, EscapeInTheFieldPressesNothing) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    lock.type("ab");
    lock.press(VK_ESCAPE);
    lock.type("c");
    // The key after Escape arrives in the field: Escape neither cleared it nor moved the focus.
    EXPECT_EQ(lock.waitForFieldLength(3), 3);
    EXPECT_FALSE(lock.boxOpen());
    EXPECT_TRUE(lock.running());
}

struct Rect {
    int left, top, width, height;
    bool operator==(const Rect&) const = default;
};

void PrintTo(const Rect& rect, std::ostream* out) {
    *out << "(" << rect.left << ", " << rect.top << ") " << rect.width << "x" << rect.height;
}

// The prefix's DPI, which the test run passes on; 96 where nothing says otherwise.
int expectedDpi() {
    const char* dpi = std::getenv("TORVELT_E2E_DPI");
    return dpi ? std::atoi(dpi) : 96;
}

TEST_F(Geometry, ClientAreaAndControlsFollowTheLayout) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    const int dpi = expectedDpi();
    ASSERT_EQ(::GetDpiForWindow(lock.window()), static_cast<UINT>(dpi));
    const auto pixels = [&](int twips) {
        return static_cast<int>(std::lround(twips * dpi / double{layout::kTwipsPerInch}));
    };
    EXPECT_EQ(windowText(lock.window()), "Windows Start");
    RECT client;
    ::GetClientRect(lock.window(), &client);
    EXPECT_EQ((Rect{0, 0, client.right, client.bottom}),
              (Rect{0, 0, pixels(layout::kClientWidth), pixels(layout::kClientHeight)}));
    for (const layout::Control& control : layout::kControls) {
        RECT area;
        ::GetWindowRect(lock.control(control.id), &area);
        ::MapWindowPoints(nullptr, lock.window(), reinterpret_cast<POINT*>(&area), 2);
        const Rect expected{pixels(control.left), pixels(control.top), pixels(control.width),
                            pixels(control.height)};
        Rect actual{area.left, area.top, area.right - area.left, area.bottom - area.top};
        if (control.id == ids::kTimerText) {  // sizes itself to its text
            actual.width = expected.width;
            actual.height = expected.height;
        }
        EXPECT_EQ(actual, expected) << "control " << control.id << " at " << dpi << " DPI";
    }
}

}  // namespace
}  // namespace torvelt::e2e
