// Decoding Picture1's GIF away from the window's thread, and handing the finished picture over.
#include "background_decode.h"

#include <utility>

namespace torvelt {

void BackgroundDecode::start(std::span<const std::uint8_t> gif, HWND window, UINT done) {
    gif_ = gif;
    window_ = window;
    done_ = done;
    thread_.reset(::CreateThread(nullptr, 0, run, this, 0, nullptr));
    if (!thread_) {
        run(this);  // late, on the window's thread, but the picture still comes
    }
}

DecodedPicture BackgroundDecode::take() {
    // The thread's end also makes everything it wrote visible to this thread.
    waitForThread();
    return std::move(picture_);
}

DWORD WINAPI BackgroundDecode::run(void* self) {
    auto& decode = *static_cast<BackgroundDecode*>(self);
    decode.picture_ = decodeGif(decode.gif_);
    ::PostMessageW(decode.window_, decode.done_, 0, 0);
    return 0;
}

void BackgroundDecode::waitForThread() const {
    if (thread_) {
        ::WaitForSingleObject(thread_.get(), INFINITE);
    }
}

}  // namespace torvelt
