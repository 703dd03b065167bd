// Where everything sits on the lock window, in twips, and the conversion to pixels at a DPI.
#pragma once

#include <array>
#include <string_view>

#include "control_ids.h"

namespace torvelt::layout {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kClientWidth = 3225;
inline constexpr int kClientHeight = 1590;
// The platform's dialog font (Tahoma wherever it is mapped), scaled to the window's DPI.
inline constexpr wchar_t kFontFace[] = L"MS Shell Dlg 2";
inline constexpr int kFontPoints = 8;

enum class Kind { Picture, Button, Edit, Label };

struct Control {
    int id;
    Kind kind;
    int left, top, width, height;  // twips from the client area's top-left corner
    int tabIndex;
    std::string_view text;  // UTF-8
};

// In creation order.
inline constexpr std::array<Control, 7> kControls{{
    {ids::kPicture2, Kind::Picture, 60, 60, 480, 480, 5, ""},
    {ids::kPicture1, Kind::Picture, 120, 1200, 750, 345, 4, ""},
    {ids::kKlickAbbruch, Kind::Button, 2160, 1280, 975, 300, 3, "&Abbruch"},
    {ids::kKlickOK, Kind::Button, 2160, 960, 975, 300, 2, "&Ok"},
    {ids::kPaßworttext, Kind::Edit, 120, 600, 3015, 285, 1, ""},
    {ids::kTimerText, Kind::Label, 120, 960, 1725, 195, 6, "Timeout in: xx sekunden"},
    {ids::kLabel1, Kind::Label, 720, 120, 2400, 435, 0,
     "Um Windows benutzen zu können, gib das Paßwort ein."},
}};

// Rounded to the nearest pixel: 1280 twips are 85 pixels at 96 DPI and 128 at 144 DPI.
constexpr int toPixels(int twips, int dpi) {
    return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch;
}

}  // namespace torvelt::layout
