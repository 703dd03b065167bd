// Tests of the GIF decoder on hand-built files, and of the lock window's committed pictures.
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

using Bytes = std::vector<std::uint8_t>;
using Colours = std::vector<std::uint32_t>;
using Code = std::pair<int, int>;  // value, width in bits

constexpr std::uint32_t kClear = 0;
const Colours kRgbw{0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};

Bytes readResource(const std::string& name) {
    std::ifstream file(std::string(TORVELT_RESOURCE_DIR) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

Bytes packCodes(const std::vector<Code>& codes) {
    Bytes out;
    std::uint32_t bits = 0;
    int count = 0;
    for (const auto& [value, width] : codes) {
        bits |= static_cast<std::uint32_t>(value) << count;
        for (count += width; count >= 8; count -= 8, bits >>= 8) {
            out.push_back(static_cast<std::uint8_t>(bits));
        }
    }
    if (count > 0) {
        out.push_back(static_cast<std::uint8_t>(bits));
    }
    return out;
}

// Every pixel as its own code is a valid LZW stream; the widths still follow the table the
// reader builds, so a long one fills that table.
Bytes literalCodes(const std::vector<int>& indices, int minWidth) {
    int width = minWidth + 1;
    int next = (1 << minWidth) + 2;
    std::vector<Code> codes{{1 << minWidth, width}};
    for (std::size_t i = 0; i < indices.size(); ++i) {
        codes.emplace_back(indices[i], width);
        if (i > 0 && next < 4096 && ++next == 1 << width && width < 12) {
            ++width;
        }
    }
    codes.emplace_back((1 << minWidth) + 1, width);
    return packCodes(codes);
}

struct TestGif {
    int screenWidth = 2;
    int screenHeight = 2;
    Colours global = kRgbw;
    Colours local;
    int transparent = -1;  // no control extension when negative
    int left = 0;
    int top = 0;
    int width = 2;
    int height = 2;
    bool interlaced = false;
    int minCodeWidth = 2;
    Bytes data;
};

void appendWord(Bytes& out, int value) {
    out.insert(out.end(),
               {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)});
}

// Returns the flag bits announcing the table; test tables hold a power of two colours.
std::uint8_t appendTable(Bytes& out, const Colours& colours) {
    int sizeBits = 0;
    while ((2u << sizeBits) < colours.size()) {
        ++sizeBits;
    }
    for (const std::uint32_t c : colours) {
        out.insert(out.end(), {static_cast<std::uint8_t>(c >> 16),
                               static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)});
    }
    return colours.empty() ? 0 : static_cast<std::uint8_t>(0x80 | sizeBits);
}

Bytes build(const TestGif& gif) {
    Bytes out{'G', 'I', 'F', '8', '9', 'a'};
    appendWord(out, gif.screenWidth);
    appendWord(out, gif.screenHeight);
    Bytes table;
    out.insert(out.end(), {appendTable(table, gif.global), 0, 0});
    out.insert(out.end(), table.begin(), table.end());
    if (gif.transparent >= 0) {
        out.insert(out.end(),
                   {0x21, 0xF9, 4, 1, 0, 0, static_cast<std::uint8_t>(gif.transparent), 0});
    }
    out.push_back(0x2C);
    for (const int field : {gif.left, gif.top, gif.width, gif.height}) {
        appendWord(out, field);
    }
    table.clear();
    out.push_back(appendTable(table, gif.local) | (gif.interlaced ? 0x40 : 0));
    out.insert(out.end(), table.begin(), table.end());
    out.push_back(static_cast<std::uint8_t>(gif.minCodeWidth));
    for (std::size_t at = 0; at < gif.data.size(); at += 255) {
        const auto size = std::min<std::size_t>(255, gif.data.size() - at);
        out.push_back(static_cast<std::uint8_t>(size));
        out.insert(out.end(), gif.data.begin() + at, gif.data.begin() + at + size);
    }
    out.insert(out.end(), {0, 0x3B});
    return out;
}

Bytes withBlocksBeforeTrailer(Bytes file, const Bytes& blocks) {
    file.insert(file.end() - 1, blocks.begin(), blocks.end());
    return file;
}

// 2x2 red, green, blue, white; the code width grows before the last pixel.
TestGif tinyGif() {
    TestGif gif;
    gif.data = packCodes({{4, 3}, {0, 3}, {1, 3}, {2, 3}, {3, 4}, {5, 4}});
    return gif;
}

Colours coloursOf(const std::vector<int>& indices, const Colours& table) {
    Colours out;
    for (const int index : indices) {
        out.push_back(table.at(static_cast<std::size_t>(index)));
    }
    return out;
}

TEST(GifDecode, TinyImageGivesItsColoursRowByRowInEitherVersion) {
    Bytes file = build(tinyGif());
    for (const char version : {'9', '7'}) {
        file[4] = version;
        const auto image = decodeGif(file);
        ASSERT_TRUE(image) << version;
        EXPECT_EQ(image->width, 2);
        EXPECT_EQ(image->height, 2);
        EXPECT_EQ(image->pixels, kRgbw);
    }
}

TEST(GifDecode, LaterBlocksAreSkippedButChecked) {
    const Bytes comment{0x21, 0xFE, 3, 'a', 'b', 'c', 0};
    const Bytes frame{0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0};
    const Bytes file =
        withBlocksBeforeTrailer(withBlocksBeforeTrailer(build(tinyGif()), comment), frame);
    const auto image = decodeGif(file);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, kRgbw);

    const std::vector<std::pair<const char*, Bytes>> badBlocks{
        {"short control block", {0x21, 0xF9, 3, 1, 0, 0, 0}},
        {"long control block", {0x21, 0xF9, 5, 1, 0, 0, 0, 0, 0}},
        {"unknown block", {0x2B}},
        {"unfinished frame", {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44}},
    };
    for (const auto& [what, blocks] : badBlocks) {
        EXPECT_FALSE(decodeGif(withBlocksBeforeTrailer(file, blocks))) << what;
    }
}

TEST(GifDecode, LzwStreamsDecodeToTheirPixels) {
    struct Case {
        const char* what;
        std::vector<Code> codes;
        std::vector<int> pixels;
    };
    const std::vector<Case> cases{
        {"code of the entry being made", {{4, 3}, {1, 3}, {6, 3}, {1, 3}, {5, 4}}, {1, 1, 1, 1}},
        {"entries reused after widening",
         {{4, 3}, {0, 3}, {1, 3}, {6, 3}, {0, 4}, {5, 4}},
         {0, 1, 0, 1, 0}},
        {"clear in mid-stream",
         {{4, 3}, {0, 3}, {1, 3}, {4, 3}, {2, 3}, {3, 3}, {5, 3}},
         {0, 1, 2, 3}},
        {"clear narrows the codes again",
         {{4, 3}, {0, 3}, {1, 3}, {2, 3}, {4, 4}, {3, 3}, {0, 3}, {5, 3}},
         {0, 1, 2, 3, 0}},
        {"no end code after the last pixel",
         {{4, 3}, {3, 3}, {2, 3}, {1, 3}, {0, 4}},
         {3, 2, 1, 0}},
        {"string running past the last pixel", {{4, 3}, {2, 3}, {6, 3}, {5, 3}}, {2, 2}},
    };
    for (const auto& c : cases) {
        TestGif gif;
        gif.screenWidth = gif.width = static_cast<int>(c.pixels.size());
        gif.screenHeight = gif.height = 1;
        gif.data = packCodes(c.codes);
        const auto image = decodeGif(build(gif));
        ASSERT_TRUE(image) << c.what;
        EXPECT_EQ(image->pixels, coloursOf(c.pixels, kRgbw)) << c.what;
    }
}

TEST(GifDecode, LongStreamKeepsDecodingWithAFullTable) {
    TestGif gif;
    gif.screenWidth = gif.width = 100;
    gif.screenHeight = gif.height = 60;  // the table fills after about 4090 codes
    std::vector<int> indices;
    for (int i = 0; i < 6000; ++i) {
        indices.push_back((i * 7 + i / 13) % 4);
    }
    gif.data = literalCodes(indices, 2);
    const auto image = decodeGif(build(gif));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, coloursOf(indices, kRgbw));
}

TEST(GifDecode, InterlacedRowsLandInPlace) {
    TestGif gif;
    gif.screenHeight = gif.height = 10;
    gif.interlaced = true;
    gif.global.clear();
    for (std::uint32_t i = 0; i < 16; ++i) {
        gif.global.push_back(0xFF000000u | i * 0x101010u);
    }
    gif.minCodeWidth = 4;
    std::vector<int> stored;  // each row painted in the colour of the row it belongs in
    for (const int row : {0, 8, 4, 2, 6, 1, 3, 5, 7, 9}) {
        stored.insert(stored.end(), {row, row});
    }
    gif.data = literalCodes(stored, 4);
    const auto image = decodeGif(build(gif));
    ASSERT_TRUE(image);
    Colours expected;
    for (std::size_t row = 0; row < 10; ++row) {
        expected.insert(expected.end(), {gif.global[row], gif.global[row]});
    }
    EXPECT_EQ(image->pixels, expected);
}

TEST(GifDecode, SmallFrameSitsAtItsOffsetWithLocalColoursAndTransparency) {
    TestGif gif;
    gif.screenWidth = 4;
    gif.screenHeight = 3;
    gif.left = 1;
    gif.top = 2;
    gif.height = 1;
    gif.local = {0xFF123456u, 0xFF654321u};
    gif.transparent = 1;
    gif.data = literalCodes({0, 1}, 2);
    const auto image = decodeGif(build(gif));
    ASSERT_TRUE(image);
    Colours expected(12, kClear);
    expected[2 * 4 + 1] = 0xFF123456u;
    EXPECT_EQ(image->pixels, expected);
}

TEST(GifDecode, RefusesMalformedFiles) {
    struct Case {
        const char* what;
        void (*spoil)(TestGif&);
    };
    const std::vector<Case> cases{
        {"empty screen", [](TestGif& g) { g.screenWidth = 0; }},
        {"oversized screen", [](TestGif& g) { g.screenHeight = 4097; }},
        {"frame past the screen", [](TestGif& g) { g.left = 1; }},
        {"no colour table", [](TestGif& g) { g.global.clear(); }},
        {"index past the colour table", [](TestGif& g) { g.global.resize(2); }},
        {"code width too small", [](TestGif& g) { g.minCodeWidth = 1; }},
        {"code width too large", [](TestGif& g) { g.minCodeWidth = 9; }},
    };
    for (const auto& c : cases) {
        TestGif gif = tinyGif();
        c.spoil(gif);
        EXPECT_FALSE(decodeGif(build(gif))) << c.what;
    }
    const std::vector<std::pair<const char*, std::vector<Code>>> badStreams{
        {"first code not a colour", {{4, 3}, {6, 3}}},
        {"code past the next entry", {{4, 3}, {0, 3}, {7, 3}, {5, 3}}},
        {"end code too early", {{4, 3}, {0, 3}, {5, 3}}},
        {"data ends too soon", {{4, 3}, {0, 3}}},
    };
    for (const auto& [what, codes] : badStreams) {
        TestGif gif;
        gif.data = packCodes(codes);
        EXPECT_FALSE(decodeGif(build(gif))) << what;
    }
    Bytes badVersion = build(tinyGif());
    badVersion[4] = '8';
    EXPECT_FALSE(decodeGif(badVersion));
    EXPECT_FALSE(decodeGif(Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B}));
    EXPECT_FALSE(decodeGif({}));
}

TEST(LogoPicture, DecodesWithTransparentBackground) {
    const Bytes file = readResource("picture1.gif");
    const auto image = decodeGif(file);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 50);
    EXPECT_EQ(image->height, 23);
    ASSERT_EQ(image->pixels.size(), 50u * 23u);
    const auto countAlpha = [&](std::uint32_t alpha) {
        return std::ranges::count_if(image->pixels, [&](auto p) { return p >> 24 == alpha; });
    };
    EXPECT_GT(countAlpha(0), 100);
    EXPECT_GT(countAlpha(0xFF), 100);
    EXPECT_EQ(countAlpha(0) + countAlpha(0xFF), 50 * 23);
    EXPECT_EQ(image->pixels.back(), kClear);  // bottom right corner

    // A full 256-colour global table, and a control extension making index 0 transparent.
    EXPECT_EQ(file.at(10), 0xF7);
    EXPECT_EQ(Bytes(file.begin() + 781, file.begin() + 789), (Bytes{0x21, 0xF9, 4, 1, 0, 0, 0, 0}));
}

TEST(LogoPicture, TruncatedOrCorruptedCopiesAreRefused) {
    const Bytes file = readResource("picture1.gif");
    ASSERT_GT(file.size(), 802u);
    for (std::size_t size = 0; size < file.size(); ++size) {
        EXPECT_FALSE(decodeGif(std::span(file).first(size))) << size;
    }
    // The frame descriptor starts at 789, after the 256-colour table and the control extension.
    const std::vector<std::pair<std::size_t, std::uint8_t>> corruptions{
        {0, 'J'},              // not a GIF
        {794, 51},             // frame wider than the screen
        {799, 0},              // impossible code widths
        {799, 12},             //
        {800, 0},              // no image data
        {801, 0xFF},           // first code neither clear nor a colour
        {file.size() - 1, 0},  // trailer gone
    };
    for (const auto& [offset, value] : corruptions) {
        Bytes copy = file;
        copy[offset] = value;
        EXPECT_FALSE(decodeGif(copy)) << offset;
    }
    // Any other damage may decode, but only ever to a whole picture.
    for (std::size_t offset = 0; offset < file.size(); ++offset) {
        for (const std::uint8_t flip : {0x01, 0x80, 0xFF}) {
            Bytes copy = file;
            copy[offset] ^= flip;
            if (const auto image = decodeGif(copy)) {
                EXPECT_EQ(image->pixels.size(),
                          static_cast<std::size_t>(image->width * image->height));
            }
        }
    }
}

std::uint32_t readLittle(const Bytes& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | bytes.at(at + static_cast<std::size_t>(i));
    }
    return value;
}

// Mask rows run bottom-up, padded to four bytes; a set bit lets the desktop show through.
bool showsThrough(const Bytes& image, std::uint32_t size, std::uint32_t x, std::uint32_t y) {
    const std::size_t maskStart = image.size() - 4 * size;
    return (image.at(maskStart + (size - 1 - y) * 4 + x / 8) >> (7 - x % 8) & 1) != 0;
}

TEST(WindowIcons, HoldTwoSixteenColourSizesAndDiffer) {
    std::vector<Bytes> padlockAndKey;
    for (const char* name : {"torvelt.ico", "picture2.ico"}) {
        SCOPED_TRACE(name);
        const Bytes file = readResource(name);
        ASSERT_GT(file.size(), 38u);
        EXPECT_EQ(readLittle(file, 0, 4), 0x00010000u);  // reserved, then 1 for an icon
        ASSERT_EQ(readLittle(file, 4, 2), 2u);
        for (const std::uint32_t size : {32u, 16u}) {
            const std::size_t entry = size == 32 ? 6 : 22;
            EXPECT_EQ(readLittle(file, entry, 4), size | size << 8 | 16u << 16);  // 16 colours
            EXPECT_EQ(readLittle(file, entry + 4, 4), 1u | 4u << 16);  // one plane, 4 bits
            const std::uint32_t length = readLittle(file, entry + 8, 4);
            const std::uint32_t offset = readLittle(file, entry + 12, 4);
            EXPECT_EQ(length, 40 + 16 * 4 + size * size / 2 + 4 * size);
            ASSERT_LE(std::size_t{offset} + length, file.size());
            const Bytes image(file.begin() + offset, file.begin() + offset + length);
            EXPECT_EQ(readLittle(image, 0, 4), 40u);
            EXPECT_EQ(readLittle(image, 4, 4), size);
            EXPECT_EQ(readLittle(image, 8, 4), size * 2);  // colour bitmap and mask together
            EXPECT_EQ(readLittle(image, 14, 2), 4u);
            EXPECT_TRUE(showsThrough(image, size, 0, 0));
            EXPECT_TRUE(showsThrough(image, size, size - 1, size - 1));
            // The left edge of the padlock's body and of the key's bow.
            EXPECT_FALSE(showsThrough(image, size, size / 8, size / 2));
            padlockAndKey.push_back(image);
        }
    }
    ASSERT_EQ(padlockAndKey.size(), 4u);
    EXPECT_NE(padlockAndKey[0], padlockAndKey[2]);
    EXPECT_NE(padlockAndKey[1], padlockAndKey[3]);
}

}  // namespace
}  // namespace torvelt
