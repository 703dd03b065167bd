// A picture box: shows an icon or a transparent bitmap scaled to its size and reports clicks.
#pragma once

#include <windows.h>

namespace torvelt {

// What a picture box shows; owned by the lock window, which outlives its controls.
struct PictureContent {
    HICON icon = nullptr;
    HBITMAP bitmap = nullptr;  // 32-bit, premultiplied alpha
    int bitmapWidth = 0;
    int bitmapHeight = 0;
};

inline constexpr wchar_t kPictureBoxClass[] = L"TorveltPicture";

void registerPictureBoxClass(HINSTANCE instance);

// Creates a picture box child; a click arrives at the parent as WM_COMMAND with STN_CLICKED.
HWND createPictureBox(HWND parent, int id, const PictureContent* content, const RECT& at);

}  // namespace torvelt
