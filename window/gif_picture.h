// Picture1's GIF, decoded by the system's own imaging component.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

#include "unique_handles.h"

namespace torvelt {

struct DecodedPicture {
    win32::UniqueGdiObject bitmap;  // 32-bit, premultiplied alpha, top-down
    int width = 0;
    int height = 0;
};

// The first frame of a GIF as the picture box blends it: the palette's transparent entry comes
// out with alpha 0. Nothing (a null bitmap) if the system cannot decode it.
DecodedPicture decodeGif(std::span<const std::uint8_t> bytes);

}  // namespace torvelt
