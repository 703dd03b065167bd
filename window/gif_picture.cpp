// Decoding Picture1's GIF through the Windows Imaging Component, with COM only while it decodes.
#include "gif_picture.h"

#include <wincodec.h>

namespace torvelt {

namespace {

// Runs `make(out)` and takes ownership of what it hands out; empty when it fails.
template <typename Interface, typename Make>
win32::UniqueCom<Interface> made(Make make) {
    Interface* object = nullptr;
    return win32::UniqueCom<Interface>(SUCCEEDED(make(&object)) ? object : nullptr);
}

// Multithreaded: the decoding thread runs no message loop, which a single-threaded apartment
// would need.
class ComApartment {
  public:
    ComApartment() : entered_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~ComApartment() {
        if (entered_) {
            ::CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    bool entered_;
};

DecodedPicture copyPixels(IWICBitmapSource& source) {
    UINT width = 0;
    UINT height = 0;
    if (FAILED(source.GetSize(&width, &height)) || width == 0 || height == 0 || width > 4096 ||
        height > 4096) {
        return {};
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    DecodedPicture picture{win32::UniqueGdiObject(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS,
                                                                     &bits, nullptr, 0)),
                           static_cast<int>(width), static_cast<int>(height)};
    if (!picture.bitmap || FAILED(source.CopyPixels(nullptr, width * 4, width * height * 4,
                                                    static_cast<BYTE*>(bits)))) {
        return {};
    }
    return picture;
}

}  // namespace

DecodedPicture decodeGif(std::span<const std::uint8_t> bytes) {
    const ComApartment apartment;
    const auto factory = made<IWICImagingFactory>([](IWICImagingFactory** out) {
        return ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(out));
    });
    const auto stream = made<IWICStream>(
        [&](IWICStream** out) { return factory ? factory.get()->CreateStream(out) : E_FAIL; });
    if (!stream || FAILED(stream.get()->InitializeFromMemory(const_cast<BYTE*>(bytes.data()),
                                                             static_cast<DWORD>(bytes.size())))) {
        return {};
    }
    const auto decoder = made<IWICBitmapDecoder>([&](IWICBitmapDecoder** out) {
        return factory.get()->CreateDecoderFromStream(stream.get(), nullptr,
                                                      WICDecodeMetadataCacheOnDemand, out);
    });
    const auto frame = made<IWICBitmapFrameDecode>([&](IWICBitmapFrameDecode** out) {
        return decoder ? decoder.get()->GetFrame(0, out) : E_FAIL;
    });
    const auto converter = made<IWICFormatConverter>([&](IWICFormatConverter** out) {
        return frame ? factory.get()->CreateFormatConverter(out) : E_FAIL;
    });
    if (!converter || FAILED(converter.get()->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA,
                                                         WICBitmapDitherTypeNone, nullptr, 0.0,
                                                         WICBitmapPaletteTypeCustom))) {
        return {};
    }
    return copyPixels(*converter.get());
}

}  // namespace torvelt
