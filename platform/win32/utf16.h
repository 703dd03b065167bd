// Conversions at the edge to the system: UTF-8 inside the program, UTF-16 at the calls.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace torvelt::win32 {

std::wstring toUtf16(std::string_view utf8);
std::string toUtf8(std::wstring_view utf16);
// A window's text (a control's caption), also of another process's window.
std::string windowText(HWND window);

}  // namespace torvelt::win32
