// Number and text services that behave the same on every system: conversions and the counter step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace torvelt {

// Decimal digits with an optional leading minus and optional surrounding blanks. Anything else,
// and values outside -32768..32767, raise RuntimeError.
std::int16_t textToInt16(std::string_view text);

// Plain decimal, a leading minus when negative, no leading blank.
std::string int16ToText(std::int16_t value);

// One less, held at -32768 so that a counter can never overflow.
std::int16_t decrement(std::int16_t value);

// The first `count` characters of UTF-8 `text` as the system counts them, in UTF-16 units (two
// for a character beyond U+FFFF); all of it when shorter.
std::string firstCharacters(std::string_view text, std::size_t count);

}  // namespace torvelt
