// Conversions at the edge to the system: UTF-8 inside the program, UTF-16 at the calls.
#pragma once

#include <string>
#include <string_view>

namespace torvelt::win32 {

std::wstring toUtf16(std::string_view utf8);
std::string toUtf8(std::wstring_view utf16);

}  // namespace torvelt::win32
