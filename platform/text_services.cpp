// Portable number and text services shared by the lock logic, the Windows binding and the tests.
#include "text_services.h"

#include <charconv>
#include <limits>

#include "runtime.h"

namespace torvelt {

namespace {

std::string_view trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::int16_t textToInt16(std::string_view text) {
    const std::string_view number = trimBlanks(text);
    const std::string_view digits = number.starts_with('-') ? number.substr(1) : number;
    if (digits.empty()) {
        throw RuntimeError("Keine Zahl: \"" + std::string(text) + "\"");
    }
    for (const char c : digits) {
        if (!isDigit(c)) {
            throw RuntimeError("Keine Zahl: \"" + std::string(text) + "\"");
        }
    }
    int value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc{} || end != number.data() + number.size() ||
        value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
        throw RuntimeError("Zahl außerhalb von -32768 bis 32767: \"" + std::string(text) + "\"");
    }
    return static_cast<std::int16_t>(value);
}

std::string int16ToText(std::int16_t value) {
    return std::to_string(value);
}

std::int16_t decrement(std::int16_t value) {
    if (value == std::numeric_limits<std::int16_t>::min()) {
        return value;
    }
    return static_cast<std::int16_t>(value - 1);
}

std::string firstCharacters(std::string_view text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t taken = 0; end < text.size() && taken < count;) {
        // A lead byte 11110xxx starts a character beyond U+FFFF: two units of UTF-16.
        taken += (static_cast<unsigned char>(text[end]) & 0xF8) == 0xF0 ? 2 : 1;
        ++end;
        // Continuation bytes of UTF-8 look like 10xxxxxx and belong to the character before.
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            ++end;
        }
    }
    return std::string(text.substr(0, end));
}

}  // namespace torvelt
