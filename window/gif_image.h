// Decodes the first frame of a GIF file into 32-bit pixels, portably and safely on any input.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace torvelt {

struct GifImage {
    int width = 0;
    int height = 0;
    // 0xAARRGGBB, row by row from the top; alpha is 0 where the picture is transparent and
    // 0xFF elsewhere.
    std::vector<std::uint32_t> pixels;
};

// The first frame of a GIF87a or GIF89a file, drawn onto its logical screen: pixels that the
// frame does not cover, and those of the frame's transparent colour, are transparent.
// Anything malformed or truncated gives std::nullopt: the block structure must be intact up to
// the trailer, the frame must lie within the screen and its data must cover all its pixels with
// colours from its colour table. Screens larger than 4096x4096 are refused.
std::optional<GifImage> decodeGif(std::span<const std::uint8_t> data);

}  // namespace torvelt
