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

// GetProcAddress's type fits no function; the detour through void (*)() tells the compiler so.
template <typename Function>
Function* exported(HMODULE module, const char* name) {
    const FARPROC found = module ? ::GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(found));
}

// COM from ole32, loaded only when the logo is decoded: linked, ole32 and the DLLs it brings
// (combase, rpcrt4) would load before the window, which never needs them. It stays loaded, as a
// linked DLL would.
class Com {
  public:
    Com() {
        const HMODULE ole32 = ::LoadLibraryExW(L"ole32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        const auto enter = exported<decltype(::CoInitializeEx)>(ole32, "CoInitializeEx");
        create_ = exported<decltype(::CoCreateInstance)>(ole32, "CoCreateInstance");
        leave_ = exported<decltype(::CoUninitialize)>(ole32, "CoUninitialize");
        entered_ =
            enter && create_ && leave_ && SUCCEEDED(enter(nullptr, COINIT_APARTMENTTHREADED));
    }
    ~Com() {
        if (entered_) {
            leave_();
        }
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;

    HRESULT makeFactory(IWICImagingFactory** out) const {
        return entered_ ? create_(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(out))
                        : E_FAIL;
    }

  private:
    decltype(::CoCreateInstance)* create_ = nullptr;
    decltype(::CoUninitialize)* leave_ = nullptr;
    bool entered_ = false;
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
    const Com com;
    const auto factory =
        made<IWICImagingFactory>([&](IWICImagingFactory** out) { return com.makeFactory(out); });
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
