// The lock window as it shows at the screen's DPI: title, place, controls and their texts.
#include <array>
#include <cstdlib>

#include "lock_driver.h"
#include "utf16.h"

namespace torvelt::e2e {
namespace {

using Place = std::array<long, 4>;  // left, top, width, height in pixels of the client area

Place placeOf(HWND control, HWND window) {
    RECT area;
    ::GetWindowRect(control, &area);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&area), 2);
    return {area.left, area.top, area.right - area.left, area.bottom - area.top};
}

struct Control {
    int id;
    const char* text;  // nothing: counts
    Place at96, at144;
};

// The countdown label sizes itself to its text: only its corner is fixed.
const Control kControls[] = {
    {ids::kLabel1,
     "Um Windows benutzen zu können, gib das Paßwort ein.",
     {48, 8, 160, 29},
     {72, 12, 240, 44}},
    {ids::kPaßworttext, "", {8, 40, 201, 19}, {12, 60, 302, 29}},
    {ids::kKlickOK, "&Ok", {144, 64, 65, 20}, {216, 96, 98, 30}},
    {ids::kKlickAbbruch, "&Abbruch", {144, 85, 65, 20}, {216, 128, 98, 30}},
    {ids::kPicture1, "", {8, 80, 50, 23}, {12, 120, 75, 35}},
    {ids::kPicture2, "", {4, 4, 32, 32}, {6, 6, 48, 48}},
    {ids::kTimerText, nullptr, {8, 64, 0, 0}, {12, 96, 0, 0}},
};

using Window = LockTest;

TEST_F(Window, ShowsAsDesignedAtTheScreensDpi) {
    storePassword("geheim");
    ASSERT_TRUE(lock.start());
    const int dpi = std::atoi(std::getenv("TORVELT_E2E_DPI"));  // the prefix's, from the test run
    ASSERT_EQ(::GetDpiForWindow(lock.window()), static_cast<UINT>(dpi));
    EXPECT_EQ(win32::windowText(lock.window()), "Windows Start");
    EXPECT_TRUE(::GetClassLongPtrW(lock.window(), GCL_STYLE) & CS_NOCLOSE) << "close greyed";
    EXPECT_EQ(::SendMessageW(lock.control(ids::kPaßworttext), EM_GETPASSWORDCHAR, 0, 0), L'*');
    RECT client, frame, work;
    ::GetClientRect(lock.window(), &client);
    EXPECT_EQ((Place{0, 0, client.right, client.bottom}),
              (dpi == 96 ? Place{0, 0, 215, 106} : Place{0, 0, 323, 159}));
    ::GetWindowRect(lock.window(), &frame);
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR(frame.left + frame.right, work.left + work.right, 1) << "centred across";
    EXPECT_NEAR(frame.top + frame.bottom, work.top + work.bottom, 1) << "centred down";
    for (const Control& control : kControls) {
        const HWND shown = lock.control(control.id);
        Place at = placeOf(shown, lock.window());
        const Place expected = dpi == 96 ? control.at96 : control.at144;
        at[2] = expected[2] ? at[2] : 0;
        at[3] = expected[3] ? at[3] : 0;
        EXPECT_EQ(at, expected) << "control " << control.id << " at " << dpi << " DPI";
        EXPECT_EQ(win32::windowText(shown), control.text ? control.text : win32::windowText(shown));
    }
}

}  // namespace
}  // namespace torvelt::e2e
