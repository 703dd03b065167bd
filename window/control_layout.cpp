// Building the lock window's controls and placing them at the screen's DPI.
#include <algorithm>
#include <span>
#include <vector>

#include "control_ids.h"
#include "gif_image.h"
#include "layout.h"
#include "lock_window.h"
#include "resources/resource_ids.h"
#include "utf16.h"

namespace torvelt {

namespace {

constexpr int kFirstControlId = ids::kPicture2;
// TimerText grows with its caption, but never under the buttons beside it.
constexpr int kTimerTextMaxWidthTwips = 2160 - 120 - 60;

std::span<const std::uint8_t> resourceBytes(HINSTANCE instance, int id) {
    const HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
    const HGLOBAL loaded = found ? ::LoadResource(instance, found) : nullptr;
    if (!loaded) {
        return {};
    }
    return {static_cast<const std::uint8_t*>(::LockResource(loaded)),
            ::SizeofResource(instance, found)};
}

// A 32-bit top-down bitmap with premultiplied alpha, as GdiAlphaBlend wants it.
HBITMAP bitmapFromImage(const GifImage& image) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) {
        return nullptr;
    }
    auto* pixels = static_cast<std::uint32_t*>(bits);
    std::transform(image.pixels.begin(), image.pixels.end(), pixels, [](std::uint32_t argb) {
        return (argb >> 24) == 0 ? 0u : argb;  // transparency is all or nothing
    });
    return bitmap;
}

DWORD styleOf(layout::Kind kind) {
    switch (kind) {
        case layout::Kind::Button:
            return WS_TABSTOP | BS_PUSHBUTTON;
        case layout::Kind::Label:
            return SS_NOPREFIX;
        default:
            return 0;
    }
}

}  // namespace

void LockWindow::loadImages() {
    picture2Icon_.reset(static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_PICTURE2),
                                                        IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR)));
    picture2_.icon = picture2Icon_.get();
    if (const auto image = decodeGif(resourceBytes(instance_, IDR_PICTURE1))) {
        picture1Bitmap_.reset(bitmapFromImage(*image));
        picture1_.bitmap = static_cast<HBITMAP>(picture1Bitmap_.get());
        picture1_.bitmapWidth = image->width;
        picture1_.bitmapHeight = image->height;
    }
}

void LockWindow::createControls() {
    for (const layout::Control& place : layout::kControls) {
        HWND created = nullptr;
        if (place.id == ids::kPicture2 || place.id == ids::kPicture1) {
            created = createPictureBox(window_, place.id,
                                       place.id == ids::kPicture2 ? &picture2_ : &picture1_);
        } else if (place.kind == layout::Kind::Edit) {
            created = createPasswordField(window_, place.id, &keyPress_);
        } else {
            const wchar_t* windowClass = place.kind == layout::Kind::Button ? L"BUTTON" : L"STATIC";
            const DWORD align = place.kind != layout::Kind::Label ? 0
                                : place.id == ids::kLabel1        ? SS_CENTER
                                                                  : SS_LEFTNOWORDWRAP;
            created = ::CreateWindowExW(0, windowClass, win32::toUtf16(place.text).c_str(),
                                        WS_CHILD | WS_VISIBLE | styleOf(place.kind) | align, 0, 0,
                                        0, 0, window_, reinterpret_cast<HMENU>(INT_PTR{place.id}),
                                        instance_, nullptr);
        }
        controls_[static_cast<std::size_t>(place.id - kFirstControlId)] = created;
    }
    // The dialog manager walks the tab order in z-order: put the controls in tab order.
    std::vector<layout::Control> byTab(layout::kControls.begin(), layout::kControls.end());
    std::ranges::sort(byTab, {}, &layout::Control::tabIndex);
    for (const layout::Control& place : byTab) {
        ::SetWindowPos(control(place.id), HWND_BOTTOM, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void LockWindow::applyLayout(UINT dpi) {
    const int scale = static_cast<int>(dpi);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    ::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi);
    win32::UniqueGdiObject font(::CreateFontIndirectW(&metrics.lfMessageFont));
    for (const layout::Control& place : layout::kControls) {
        const HWND child = control(place.id);
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        ::SetWindowPos(child, nullptr, layout::toPixels(place.left, scale),
                       layout::toPixels(place.top, scale), layout::toPixels(place.width, scale),
                       layout::toPixels(place.height, scale), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    font_ = std::move(font);
    timerTextShape_.clear();
    sizeTimerText(windowText(control(ids::kTimerText)));
    RECT frame{0, 0, layout::toPixels(layout::kClientWidth, scale),
               layout::toPixels(layout::kClientHeight, scale)};
    ::AdjustWindowRectExForDpi(&frame, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT, dpi);
    ::SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(window_, nullptr, TRUE);
}

// Measured only when the caption's shape changes: the digits of the system fonts share one
// width, so a countdown that only changes digits keeps its size and costs no measuring.
void LockWindow::sizeTimerText(const std::wstring& text) {
    std::wstring shape = text;
    std::ranges::replace_if(
        shape, [](wchar_t c) { return c >= L'0' && c <= L'9'; }, L'0');
    const HWND label = control(ids::kTimerText);
    if (!label || !font_ || shape == timerTextShape_) {
        return;
    }
    timerTextShape_ = std::move(shape);
    const HDC dc = ::GetDC(label);
    const HGDIOBJ previous = ::SelectObject(dc, font_.get());
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc, previous);
    ::ReleaseDC(label, dc);
    const int maxWidth =
        layout::toPixels(kTimerTextMaxWidthTwips, static_cast<int>(::GetDpiForWindow(window_)));
    ::SetWindowPos(label, nullptr, 0, 0, std::min<int>(extent.cx, maxWidth), extent.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void LockWindow::centreOnScreen() {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT frame;
    ::GetWindowRect(window_, &frame);
    const RECT& work = monitor.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    ::SetWindowPos(window_, nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND LockWindow::control(int id) const {
    const auto index = static_cast<std::size_t>(id - kFirstControlId);
    return index < controls_.size() ? controls_[index] : nullptr;
}

}  // namespace torvelt
