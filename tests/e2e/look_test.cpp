// The window's look at the prefix's DPI: its pixel rectangles, and every text fitting its control.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <tuple>

#include "lock_driver.h"
#include "utf16.h"

namespace torvelt::e2e {
namespace {

using Rect = std::array<int, 4>;  // left, top, width and height in client pixels
constexpr std::array kControls{ids::kPicture2,    ids::kPicture1, ids::kKlickAbbruch, ids::kKlickOK,
                               ids::kPaßworttext, ids::kLabel1,   ids::kTimerText};
struct Geometry {
    int dpi;
    Rect client;
    std::array<Rect, kControls.size()> controls;  // TimerText sizes itself: its place only
};
// clang-format off
constexpr Geometry kGeometries[] = {
    {96, {0, 0, 215, 106}, {{{4, 4, 32, 32}, {8, 80, 50, 23}, {144, 85, 65, 20}, {144, 64, 65, 20}, {8, 40, 201, 19}, {48, 8, 160, 29}, {8, 64, 0, 0}}}},
    {120, {0, 0, 269, 133}, {{{5, 5, 40, 40}, {10, 100, 63, 29}, {180, 107, 81, 25}, {180, 80, 81, 25}, {10, 50, 251, 24}, {60, 10, 200, 36}, {10, 80, 0, 0}}}},
    {144, {0, 0, 323, 159}, {{{6, 6, 48, 48}, {12, 120, 75, 35}, {216, 128, 98, 30}, {216, 96, 98, 30}, {12, 60, 302, 29}, {72, 12, 240, 44}, {12, 96, 0, 0}}}},
    {192, {0, 0, 430, 212}, {{{8, 8, 64, 64}, {16, 160, 100, 46}, {288, 171, 130, 40}, {288, 128, 130, 40}, {16, 80, 402, 38}, {96, 16, 320, 58}, {16, 128, 0, 0}}}},
};
// clang-format on

// The user's message font as Wine keeps it, read by each process as it starts; none: as set.
void setMessageFont(const wchar_t* face, int height) {
    constexpr wchar_t kKey[] = L"Control Panel\\Desktop\\WindowMetrics";
    LOGFONTW font{};
    font.lfHeight = height;
    ::lstrcpynW(font.lfFaceName, face ? face : L"", LF_FACESIZE);
    face ? ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"MessageFont", REG_BINARY, &font,
                             sizeof(font))
         : ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"MessageFont");
}

class Look : public LockTest, public ::testing::WithParamInterface<const wchar_t*> {
    void TearDown() override { setMessageFont(nullptr, 0); }
};

// At the prefix's DPI, which the test run passes on (96 where nothing says otherwise), with the
// message font as the prefix has it and with a wide one.
TEST_P(Look, PlacesAndDialogFontFitTheLayoutWhateverTheMessageFont) {
    const char* prefixDpi = std::getenv("TORVELT_E2E_DPI");
    const int dpi = prefixDpi ? std::atoi(prefixDpi) : 96;
    setMessageFont(GetParam(), -::MulDiv(9, dpi, 72));
    writeSetting("Key", "geheim");
    writeSetting("TimeOut", "-32768");  // the widest countdown caption, held from the start on
    ASSERT_TRUE(lock.start());
    ASSERT_EQ(::GetDpiForWindow(lock.window()), static_cast<UINT>(dpi));
    const auto row = std::ranges::find(kGeometries, dpi, &Geometry::dpi);
    ASSERT_NE(row, std::end(kGeometries)) << "no rectangles for " << dpi << " DPI";
    RECT area;
    ::GetClientRect(lock.window(), &area);
    EXPECT_EQ((Rect{0, 0, area.right, area.bottom}), row->client);
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        ::GetWindowRect(lock.control(kControls[i]), &area);
        ::MapWindowPoints(nullptr, lock.window(), reinterpret_cast<POINT*>(&area), 2);
        const bool own = row->controls[i][2] == 0;
        EXPECT_EQ((Rect{area.left, area.top, own ? 0 : area.right - area.left,
                        own ? 0 : area.bottom - area.top}),
                  row->controls[i])
            << "control " << kControls[i] << " at " << dpi << " DPI";
    }
    // Measured in the font the layout was made for; buttons keep two pixels of frame each side.
    const HDC dc = ::GetDC(nullptr);
    const win32::UniqueGdiObject font(::CreateFontW(-::MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0,
                                                    0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                                    L"MS Shell Dlg 2"));
    const HGDIOBJ previous = ::SelectObject(dc, font.get());
    for (const auto& [id, format, frame] :
         {std::tuple{ids::kLabel1, DT_WORDBREAK | DT_CENTER | DT_NOPREFIX, 0},
          std::tuple{ids::kTimerText, DT_SINGLELINE | DT_NOPREFIX, 0},
          std::tuple{ids::kKlickOK, DT_SINGLELINE, 2},
          std::tuple{ids::kKlickAbbruch, DT_SINGLELINE, 2}}) {
        ::GetClientRect(lock.control(id), &area);
        RECT text{0, 0, area.right - 2 * frame, 0};
        ::DrawTextW(dc, win32::toUtf16(win32::windowText(lock.control(id))).c_str(), -1, &text,
                    DT_CALCRECT | format);
        EXPECT_TRUE(text.right <= area.right - 2 * frame && text.bottom <= area.bottom - 2 * frame)
            << win32::windowText(lock.control(id)) << " needs " << text.right << "x" << text.bottom;
        if (id == ids::kTimerText) {
            EXPECT_EQ(area.right, text.right) << "the countdown sizes itself in another font";
        }
    }
    ::SelectObject(dc, previous);
    ::ReleaseDC(nullptr, dc);
    EXPECT_EQ(lock.caption(), "Timeout in: -32768 sekunden");
}

INSTANTIATE_TEST_SUITE_P(MessageFonts, Look, ::testing::Values(nullptr, L"DejaVu Sans"),
                         [](const auto& font) { return font.param ? "DejaVuSans9pt" : "AsSet"; });

}  // namespace
}  // namespace torvelt::e2e
