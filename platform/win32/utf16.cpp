// UTF-8 and UTF-16 conversions through the system's own converters.
#include "utf16.h"

#include <windows.h>

#include <limits>

#include "runtime.h"

namespace torvelt::win32 {

namespace {

int checkedLength(std::size_t size) {
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw RuntimeError("Text zu lang");
    }
    return static_cast<int>(size);
}

std::wstring toWide(UINT codePage, std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int length = checkedLength(text.size());
    const int wideLength = ::MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), wideLength);
    return wide;
}

}  // namespace

std::wstring toUtf16(std::string_view utf8) {
    return toWide(CP_UTF8, utf8);
}

std::string toUtf8(std::wstring_view utf16) {
    if (utf16.empty()) {
        return {};
    }
    const int length = checkedLength(utf16.size());
    const int utf8Length =
        ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(utf8Length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, utf8.data(), utf8Length, nullptr,
                          nullptr);
    return utf8;
}

std::string windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return toUtf8(text);
}

}  // namespace torvelt::win32
