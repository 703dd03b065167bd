// Move-only owners of system handles: every handle the program opens is closed exactly once.
#pragma once

#include <windows.h>

#include <utility>

namespace torvelt::win32 {

template <typename Handle, typename Traits>
class Unique {
  public:
    Unique() = default;
    explicit Unique(Handle handle) : handle_(handle) {}
    ~Unique() { reset(); }
    Unique(Unique&& other) noexcept : handle_(std::exchange(other.handle_, Traits::invalid())) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.handle_, Traits::invalid()));
        }
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::invalid(); }
    void reset(Handle handle = Traits::invalid()) {
        if (handle_ != Traits::invalid()) {
            Traits::close(handle_);
        }
        handle_ = handle;
    }

  private:
    Handle handle_ = Traits::invalid();
};

struct KernelHandleTraits {
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE handle) { ::CloseHandle(handle); }
};
// CreateFileW fails with INVALID_HANDLE_VALUE, not with a null handle.
struct FileHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE handle) { ::CloseHandle(handle); }
};
struct RegistryKeyTraits {
    static HKEY invalid() { return nullptr; }
    static void close(HKEY key) { ::RegCloseKey(key); }
};
struct GdiObjectTraits {
    static HGDIOBJ invalid() { return nullptr; }
    static void close(HGDIOBJ object) { ::DeleteObject(object); }
};
struct IconTraits {
    static HICON invalid() { return nullptr; }
    static void close(HICON icon) { ::DestroyIcon(icon); }
};
struct MemoryDcTraits {
    static HDC invalid() { return nullptr; }
    static void close(HDC dc) { ::DeleteDC(dc); }
};
template <typename Interface>
struct ComTraits {
    static Interface* invalid() { return nullptr; }
    static void close(Interface* object) { object->Release(); }
};

using UniqueHandle = Unique<HANDLE, KernelHandleTraits>;
using UniqueFile = Unique<HANDLE, FileHandleTraits>;
using UniqueKey = Unique<HKEY, RegistryKeyTraits>;
using UniqueGdiObject = Unique<HGDIOBJ, GdiObjectTraits>;
using UniqueIcon = Unique<HICON, IconTraits>;
using UniqueMemoryDc = Unique<HDC, MemoryDcTraits>;
template <typename Interface>
using UniqueCom = Unique<Interface*, ComTraits<Interface>>;

}  // namespace torvelt::win32
