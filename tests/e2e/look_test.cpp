// The window at the prefix's DPI: title, close button, place, pixel rectangles and texts that fit.
#include <algorithm>
#include <array>
#include <cstdlib>

#include "lock_driver.h"

namespace torvelt::e2e {
namespace {

using Rect = std::array<int, 4>;  // left, top, width and height in client pixels
struct Control {
    int id;
    const char* text;  // nothing: counts
};
const Control kControls[] = {{ids::kPicture2, ""},
                             {ids::kPicture1, ""},
                             {ids::kKlickAbbruch, "&Abbruch"},
                             {ids::kKlickOK, "&Ok"},
                             {ids::kPaßworttext, ""},
                             {ids::kTimerText, nullptr},
                             {ids::kLabel1, "Um Windows benutzen zu können, gib das Paßwort ein."}};
struct Geometry {
    int dpi;
    Rect client;
    std::array<Rect, std::size(kControls)> controls;  // TimerText sizes itself: its place only
};
// clang-format off
constexpr Geometry kGeometries[] = {
    {96, {0, 0, 215, 106}, {{{4, 4, 32, 32}, {8, 80, 50, 23}, {144, 85, 65, 20}, {144, 64, 65, 20}, {8, 40, 201, 19}, {8, 64, 0, 0}, {48, 8, 160, 29}}}},
    {120, {0, 0, 269, 133}, {{{5, 5, 40, 40}, {10, 100, 63, 29}, {180, 107, 81, 25}, {180, 80, 81, 25}, {10, 50, 251, 24}, {10, 80, 0, 0}, {60, 10, 200, 36}}}},
    {144, {0, 0, 323, 159}, {{{6, 6, 48, 48}, {12, 120, 75, 35}, {216, 128, 98, 30}, {216, 96, 98, 30}, {12, 60, 302, 29}, {12, 96, 0, 0}, {72, 12, 240, 44}}}},
    {192, {0, 0, 430, 212}, {{{8, 8, 64, 64}, {16, 160, 100, 46}, {288, 171, 130, 40}, {288, 128, 130, 40}, {16, 80, 402, 38}, {16, 128, 0, 0}, {96, 16, 320, 58}}}},
};
// clang-format on

// The user's message font as Wine keeps it, read by each process as it starts.
constexpr wchar_t kMetrics[] = L"Control Panel\\Desktop\\WindowMetrics";
class Look : public LockTest {
    void TearDown() override { ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kMetrics, L"MessageFont"); }
};

TEST_F(Look, AtTheScreensDpiInTheDialogFontWhateverTheMessageFont) {
    const int dpi = std::atoi(std::getenv("TORVELT_E2E_DPI"));  // the prefix's, from the test run
    LOGFONTW wide{};  // which the fixed labels would not hold
    wide.lfHeight = -::MulDiv(9, dpi, 72);
    ::lstrcpynW(wide.lfFaceName, L"DejaVu Sans", LF_FACESIZE);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kMetrics, L"MessageFont", REG_BINARY, &wide, sizeof(wide));
    writeSetting({"Key", "geheim"});
    writeSetting({"TimeOut", "-32768"});  // the widest countdown caption, held from the start on
    ASSERT_TRUE(lock.start());
    ASSERT_EQ(::GetDpiForWindow(lock.window()), static_cast<UINT>(dpi));
    EXPECT_EQ(win32::windowText(lock.window()), "Windows Start");
    EXPECT_TRUE(::GetClassLongPtrW(lock.window(), GCL_STYLE) & CS_NOCLOSE) << "close greyed";
    EXPECT_EQ(sendTo(lock.control(ids::kPaßworttext), EM_GETPASSWORDCHAR), L'*');
    EXPECT_EQ(lock.caption(), "Timeout in: -32768 sekunden");
    RECT area, work;
    ::GetWindowRect(lock.window(), &area);
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR(area.left + area.right, work.left + work.right, 1) << "centred across";
    EXPECT_NEAR(area.top + area.bottom, work.top + work.bottom, 1) << "centred down";
    const auto row = std::ranges::find(kGeometries, dpi, &Geometry::dpi);
    ASSERT_NE(row, std::end(kGeometries)) << "no rectangles for " << dpi << " DPI";
    ::GetClientRect(lock.window(), &area);
    EXPECT_EQ((Rect{0, 0, area.right, area.bottom}), row->client);
    // Texts are measured in the font the layout was made for; buttons keep two pixels of frame.
    const HDC dc = ::GetDC(nullptr);
    const win32::UniqueGdiObject font(::CreateFontW(-::MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0,
                                                    0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                                    L"MS Shell Dlg 2"));
    const HGDIOBJ previous = ::SelectObject(dc, font.get());
    for (std::size_t i = 0; i < std::size(kControls); ++i) {
        const auto [id, text] = kControls[i];
        const HWND control = lock.control(id);
        ::GetWindowRect(control, &area);
        ::MapWindowPoints(nullptr, lock.window(), reinterpret_cast<POINT*>(&area), 2);
        const bool own = !text;
        EXPECT_EQ((Rect{area.left, area.top, own ? 0 : area.right - area.left,
                        own ? 0 : area.bottom - area.top}),
                  row->controls[i])
            << "control " << id;
        const std::string shown = win32::windowText(control);
        EXPECT_EQ(shown, text ? text : shown);
        const bool button = id == ids::kKlickOK || id == ids::kKlickAbbruch;
        ::GetClientRect(control, &area);
        RECT needs{0, 0, area.right - (button ? 4 : 0), 0};
        ::DrawTextW(dc, toUtf16(shown).c_str(), -1, &needs,
                    DT_CALCRECT | (id == ids::kLabel1 ? DT_WORDBREAK | DT_CENTER | DT_NOPREFIX
                                   : button           ? DT_SINGLELINE
                                                      : DT_SINGLELINE | DT_NOPREFIX));
        EXPECT_TRUE(needs.right <= area.right - (button ? 4 : 0) &&
                    needs.bottom <= area.bottom - (button ? 4 : 0))
            << shown << " needs " << needs.right << "x" << needs.bottom;
        EXPECT_TRUE(id != ids::kTimerText || area.right == needs.right)
            << "the countdown sizes itself in another font";
    }
    ::SelectObject(dc, previous);
    ::ReleaseDC(nullptr, dc);
}

}  // namespace
}  // namespace torvelt::e2e
