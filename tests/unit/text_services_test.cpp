// Number and text services: the stored-number conversion, the counter step and UTF-8 prefixes.
#include "text_services.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "runtime.h"

namespace torvelt {
namespace {

TEST(TextToInt16, AcceptsDecimalWithOptionalMinusAndSurroundingBlanksOnly) {
    const std::vector<std::pair<std::string, std::int16_t>> accepted{
        {"0", 0},     {"-3", -3},   {"007", 7},       {"-0", 0},
        {" 42 ", 42}, {"  -7", -7}, {"32767", 32767}, {"-32768", -32768}};
    for (const auto& [text, expected] : accepted) {
        EXPECT_EQ(textToInt16(text), expected) << "text \"" << text << "\"";
    }
    for (const std::string text :
         {"", " ", "-", "+5", "7.5", "1e3", "abc", "12a", "1,000", "1.000", "1 000", "--5", "5-",
          "- 5", "\xEF\xBC\x95" /* full-width 5 */, "32768", "-32769", "99999999999999999999"}) {
        EXPECT_THROW(textToInt16(text), RuntimeError) << "text \"" << text << "\"";
    }
}

TEST(Decrement, TakesOneOffAndHoldsAtTheLowestValueWrittenPlainDecimal) {
    const std::vector<std::pair<std::int16_t, std::string>> steps{
        {1, "0"}, {0, "-1"}, {32767, "32766"}, {-32767, "-32768"}, {-32768, "-32768"}};
    for (const auto& [value, expected] : steps) {
        EXPECT_EQ(int16ToText(decrement(value)), expected) << "from " << value;
    }
}

TEST(FirstCharacters, CountsCodePointsNotBytes) {
    const std::string euro = "\xE2\x82\xAC";       // three bytes
    const std::string smile = "\xF0\x9F\x98\x80";  // four bytes
    EXPECT_EQ(firstCharacters("Straße", 5), "Straß");
    EXPECT_EQ(firstCharacters("Straße", 255), "Straße");
    EXPECT_EQ(firstCharacters("abc", 0), "");
    EXPECT_EQ(firstCharacters(euro + "x" + smile + "y", 3), euro + "x" + smile);
}

}  // namespace
}  // namespace torvelt
