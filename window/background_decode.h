// Picture1's GIF decoded on a thread of its own, so that the window takes the keyboard first.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

#include "gif_picture.h"
#include "unique_handles.h"

namespace torvelt {

// One decode: start() hands the GIF to a new thread, which posts `done` to `window` once the
// whole picture is there; the window's thread then takes it.
class BackgroundDecode {
  public:
    BackgroundDecode() = default;
    BackgroundDecode(const BackgroundDecode&) = delete;
    BackgroundDecode& operator=(const BackgroundDecode&) = delete;
    ~BackgroundDecode() { waitForThread(); }

    void start(std::span<const std::uint8_t> gif, HWND window, UINT done);
    // Once `done` has arrived.
    DecodedPicture take();

  private:
    static DWORD WINAPI run(void* self);
    void waitForThread() const;

    std::span<const std::uint8_t> gif_;
    HWND window_ = nullptr;
    UINT done_ = 0;
    DecodedPicture picture_;
    win32::UniqueHandle thread_;
};

}  // namespace torvelt
