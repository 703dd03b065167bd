// Where everything sits on the lock window, in twips, and the conversion to pixels at a DPI.
#pragma once

#include <windows.h>

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
    std::string_view text;         // UTF-8
};

// In creation order, which is the z-order from the top: new controls go below the ones before.
// The dialog manager walks the tab order in z-order, so after the countdown comes the tab order.
// The countdown takes no focus, so its place in that order is free: on top, the longest captions
// (such as at -32768) reach over the Ok button's left edge and stay readable.
inline constexpr std::array<Control, 7> kControls{{
    {ids::kTimerText, Kind::Label, 120, 960, 1725, 195, "Timeout in: xx sekunden"},
    {ids::kLabel1, Kind::Label, 720, 120, 2400, 435,
     "Um Windows benutzen zu können, gib das Paßwort ein."},
    {ids::kPaßworttext, Kind::Edit, 120, 600, 3015, 285, ""},
    {ids::kKlickOK, Kind::Button, 2160, 960, 975, 300, "&Ok"},
    {ids::kKlickAbbruch, Kind::Button, 2160, 1280, 975, 300, "&Abbruch"},
    {ids::kPicture1, Kind::Picture, 120, 1200, 750, 345, ""},
    {ids::kPicture2, Kind::Picture, 60, 60, 480, 480, ""},
}};

// Rounded to the nearest pixel: 1280 twips are 85 pixels at 96 DPI and 128 at 144 DPI.
constexpr int toPixels(int twips, int dpi) {
    return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch;
}

// A control's rectangle in client pixels.
constexpr RECT toPixels(const Control& place, int dpi) {
    const int left = toPixels(place.left, dpi);
    const int top = toPixels(place.top, dpi);
    return {left, top, left + toPixels(place.width, dpi), top + toPixels(place.height, dpi)};
}

}  // namespace torvelt::layout
