// Tests of the GIF decoder on hand-made files, and of the lock window's committed pictures.
#include "gif_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace torvelt {
namespace {

using Byte = std::uint8_t;
using Bytes = std::vector<Byte>;
using Codes = std::vector<std::pair<int, int>>;  // value, width in bits

Bytes readResource(const std::string& name) {
    std::ifstream file(std::string(TORVELT_RESOURCE_DIR) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Index i of the hand-made files' colour table.
std::uint32_t grey(int i) {
    return 0xFF000000u | static_cast<std::uint32_t>(i) * 0x111111u;
}

// A GIF89a with 16 greys, a control extension that makes index `transparent` clear when it is
// not negative, and one frame of LZW `codes`. `box`: the screen's width and height, then the
// frame's left, top, width and height.
Bytes gif(const std::vector<int>& box, const Codes& codes, int minCodeWidth = 4,
          int transparent = -1, bool interlaced = false) {
    Bytes out{'G', 'I', 'F', '8', '9', 'a'};
    const auto word = [&](int v) { out.push_back(Byte(v & 0xFF)), out.push_back(Byte(v >> 8)); };
    std::for_each(box.begin(), box.begin() + 2, word);
    out.insert(out.end(), {0x83, 0, 0});
    for (int i = 0; i < 16; ++i) {
        out.insert(out.end(), 3, Byte(i * 0x11));
    }
    out.insert(out.end(),
               {0x21, 0xF9, 4, transparent >= 0, 0, 0, Byte(std::max(transparent, 0)), 0, 0x2C});
    std::for_each(box.begin() + 2, box.end(), word);
    out.insert(out.end(), {Byte(interlaced ? 0x40 : 0), Byte(minCodeWidth)});
    Bytes data;
    std::uint32_t bits = 0;
    int count = 0;
    for (const auto& [value, width] : codes) {  // least significant bit first
        bits |= static_cast<std::uint32_t>(value) << count;
        for (count += width; count >= 8; count -= 8, bits >>= 8) {
            data.push_back(Byte(bits));
        }
    }
    if (count > 0) {
        data.push_back(Byte(bits));
    }
    for (std::size_t at = 0; at < data.size(); at += 255) {  // in sub-blocks
        const std::size_t size = std::min<std::size_t>(255, data.size() - at);
        out.push_back(Byte(size));
        out.insert(out.end(), data.begin() + at, data.begin() + at + size);
    }
    out.insert(out.end(), {0, 0x3B});
    return out;
}

TEST(GifDecode, TinyStreamWithGrowingCodesAndACodeNotYetInTheTable) {
    // Clear; 1; 6, the entry being made (1 1); 0, after which the codes grow to four bits; 7
    // (1 1 0); clear, and the codes are three bits again; 2; end.
    const Codes codes{{4, 3}, {1, 3}, {6, 3}, {0, 3}, {7, 4}, {4, 4}, {2, 3}, {5, 3}};
    const auto image = decodeGif(gif({8, 1, 0, 0, 8, 1}, codes, 2));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, (std::vector<std::uint32_t>{grey(1), grey(1), grey(1), grey(0),
                                                         grey(1), grey(1), grey(0), grey(2)}));
}

TEST(GifDecode, InterlacedFrameAtAnOffsetWithATransparentColour) {
    // A 1x10 frame at (1, 1) on a 2x11 screen; each stored row in the grey of the row it belongs
    // in, and grey 9 is the transparent colour.
    const Codes codes{{16, 5}, {0, 5}, {8, 5}, {4, 5}, {2, 5}, {6, 5},
                      {1, 5},  {3, 5}, {5, 5}, {7, 5}, {9, 5}, {17, 5}};
    const auto image = decodeGif(gif({2, 11, 1, 1, 1, 10}, codes, 4, 9, true));
    ASSERT_TRUE(image);
    std::vector<std::uint32_t> expected(22, 0);
    for (int row = 0; row < 9; ++row) {
        expected[static_cast<std::size_t>(2 * row + 3)] = grey(row);
    }
    EXPECT_EQ(image->pixels, expected);
}

TEST(GifDecode, LongStreamDecodesOnWithAFullTable) {
    // Each pixel its own code; every code after the first adds an entry until the table holds
    // 4096, and the codes widen with it.
    Codes codes{{4, 3}};
    std::vector<std::uint32_t> expected;
    for (int i = 0, width = 3; i < 5000; ++i) {
        codes.emplace_back(i % 3, width);
        expected.push_back(grey(i % 3));
        if (6 + i == 1 << width && width < 12) {  // the next entry needs a wider code
            ++width;
        }
    }
    const auto image = decodeGif(gif({100, 50, 0, 0, 100, 50}, codes, 2));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, expected);
}

TEST(LogoPicture, DecodesWholeAndNoTruncatedOrCorruptedCopyDecodes) {
    const Bytes logo = readResource("picture1.gif");
    const auto image = decodeGif(logo);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 50);
    EXPECT_EQ(image->height, 23);
    EXPECT_GT(std::ranges::count(image->pixels, 0u), 100);
    EXPECT_GT(std::ranges::count_if(image->pixels, [](auto p) { return p >> 24 == 0xFF; }), 100);
    EXPECT_EQ(image->pixels.at(50 * 23 - 1), 0u);  // bottom right corner
    ASSERT_EQ(logo.size(), 1058u);
    for (std::size_t size = 0; size < logo.size(); ++size) {
        EXPECT_FALSE(decodeGif(std::span(logo).first(size))) << size;
    }
    // In the logo the frame starts at 789, after the 256 colours and the control extension.
    const auto corrupt = [&](std::size_t at, Byte value) {
        Bytes copy = logo;
        copy[at] = value;
        return copy;
    };
    int index = 0;
    for (const Bytes& file : {
             corrupt(0, 'J'),     // not a GIF
             corrupt(794, 51),    // frame wider than the screen
             corrupt(799, 1),     // code width too small
             corrupt(799, 12),    // code width too large
             corrupt(800, 0),     // no image data
             corrupt(801, 0xFF),  // first code no colour
             // Hand-made streams.
             gif({2, 2, 1, 0, 2, 1}, {{16, 5}, {0, 5}, {0, 5}, {17, 5}}),  // past the right edge
             gif({2, 1, 0, 0, 2, 1}, {{8, 4}, {0, 4}}, 3),                 // data ends early
             gif({2, 1, 0, 0, 2, 1}, {{8, 4}, {0, 4}, {9, 4}}, 3),         // end code early
             gif({1, 1, 0, 0, 1, 1}, {{32, 6}, {20, 6}, {33, 6}}, 5),      // past the colour table
             gif({1, 1, 0, 0, 1, 1}, {{512, 10}, {0, 10}, {513, 10}}, 9),  // codes too wide
         }) {
        EXPECT_FALSE(decodeGif(file)) << "case " << index++;
    }
}

TEST(WindowIcons, HoldTwoSixteenColourSizesAndDiffer) {
    const Bytes directory{
        0,  0,  1,  0, 2, 0,                                       // reserved, an icon, two images
        32, 32, 16, 0, 1, 0, 4, 0, 0xE8, 2, 0, 0, 38,   0, 0, 0,   // 16 colours, one plane, 4 bits,
        16, 16, 16, 0, 1, 0, 4, 0, 0x28, 1, 0, 0, 0x0E, 3, 0, 0};  // then length and offset
    std::vector<Bytes> icons;
    for (const char* name : {"torvelt.ico", "picture2.ico"}) {
        icons.push_back(readResource(name));
        const Bytes& file = icons.back();
        ASSERT_EQ(file.size(), 1078u) << name;
        EXPECT_EQ(Bytes(file.begin(), file.begin() + 38), directory) << name;
        // Each bitmap header's width, height (colour bits and mask together) and bits per pixel.
        EXPECT_EQ((Bytes{file[42], file[46], file[52], file[786], file[790], file[796]}),
                  (Bytes{32, 64, 4, 16, 32, 4}))
            << name;
    }
    EXPECT_NE(icons[0], icons[1]);
}

}  // namespace
}  // namespace torvelt
