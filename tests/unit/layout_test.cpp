// The window layout: pixel places at 96 and 144 DPI, and no two visible controls on top of each
// other.
#include "layout.h"

#include <gtest/gtest.h>

namespace torvelt::layout {
namespace {

struct Box {
    int x, y, w, h;
};

Box at(const Control& c, int dpi) {
    return {toPixels(c.left, dpi), toPixels(c.top, dpi), toPixels(c.width, dpi),
            toPixels(c.height, dpi)};
}

TEST(LayoutTest, PixelPlacesAtStandardAndHighDpi) {
    EXPECT_EQ(toPixels(kClientWidth, 96), 215);
    EXPECT_EQ(toPixels(kClientHeight, 96), 106);
    EXPECT_EQ(toPixels(kClientWidth, 144), 323);  // 322.5 rounds up
    EXPECT_EQ(toPixels(kClientHeight, 144), 159);
    const Box abbruch = at(kControls[2], 96);
    EXPECT_EQ(abbruch.x, 144);
    EXPECT_EQ(abbruch.y, 85);  // 85 1/3
    EXPECT_EQ(at(kControls[2], 144).y, 128);
    const Box field = at(kControls[4], 96);
    EXPECT_EQ(field.x, 8);
    EXPECT_EQ(field.y, 40);
    EXPECT_EQ(field.w, 201);
    EXPECT_EQ(field.h, 19);
}

TEST(LayoutTest, ControlsStayInsideTheClientAreaAndApart) {
    for (const int dpi : {96, 120, 144, 192}) {
        for (std::size_t i = 0; i < kControls.size(); ++i) {
            const Box a = at(kControls[i], dpi);
            EXPECT_LE(a.x + a.w, toPixels(kClientWidth, dpi)) << "control " << kControls[i].id;
            EXPECT_LE(a.y + a.h, toPixels(kClientHeight, dpi)) << "control " << kControls[i].id;
            for (std::size_t j = i + 1; j < kControls.size(); ++j) {
                const Box b = at(kControls[j], dpi);
                const bool apart =
                    a.x + a.w <= b.x || b.x + b.w <= a.x || a.y + a.h <= b.y || b.y + b.h <= a.y;
                EXPECT_TRUE(apart) << "controls " << kControls[i].id << " and " << kControls[j].id
                                   << " overlap at " << dpi << " DPI";
            }
        }
    }
}

TEST(LayoutTest, TabOrderIsAPermutation) {
    std::array<int, kControls.size()> seen{};
    for (const Control& c : kControls) {
        ASSERT_LT(c.tabIndex, static_cast<int>(seen.size()));
        ++seen[static_cast<std::size_t>(c.tabIndex)];
    }
    for (const int count : seen) {
        EXPECT_EQ(count, 1);
    }
}

}  // namespace
}  // namespace torvelt::layout
