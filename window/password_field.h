// The password field: an edit control whose typed characters pass a key routine first.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

namespace torvelt {

// Gets the character code and may change it; 0 discards the key.
using KeyPressHandler = std::function<void(std::int16_t& code)>;

HWND createPasswordField(HWND parent, int id, const KeyPressHandler* onKeyPress, const RECT& at);

}  // namespace torvelt
