// Number and text services: the stored-number conversion, the counter step and UTF-8 prefixes.
#include "text_services.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "runtime.h"

namespace torvelt {
namespace {

TEST(TextToInt16, AcceptsDecimalWithOptionalMinusAndSurroundingBlanks) {
    for (const auto& [text, expected] :
         std::vector<std::pair<std::string, std::int16_t>>{{"0", 0},
                                                           {"5", 5},
                                                           {"-3", -3},
                                                           {"007", 7},
                                                           {"-0", 0},
                                                           {" 42 ", 42},
                                                           {"  -7", -7},
                                                           {"32767", 32767},
                                                           {"-32768", -32768}}) {
        EXPECT_EQ(textToInt16(text), expected) << "text \"" << text << "\"";
    }
}

TEST(TextToInt16, RejectsEverythingElse) {
    for (const std::string text : {"", " ", "-", "+5", "7.5", "1e3", "abc", "12a", "1,000", "1.000",
                                   "1 000", "--5", "5-", "- 5", "\xEF\xBC\x95" /* full-width 5 */,
                                   "32768", "-32769", "40000", "99999999999999999999"}) {
        EXPECT_THROW(textToInt16(text), RuntimeError) << "text \"" << text << "\"";
    }
}

TEST(Decrement, TakesOneOffAndHoldsAtTheLowestValueWrittenPlainDecimal) {
    for (const auto& [value, expected] :
         std::vector<std::pair<std::int16_t, std::string>>{{5, "4"},
                                                           {1, "0"},
                                                           {0, "-1"},
                                                           {32767, "32766"},
                                                           {-32767, "-32768"},
                                                           {-32768, "-32768"}}) {
        EXPECT_EQ(int16ToText(decrement(value)), expected) << "from " << value;
    }
}

TEST(FirstCharacters, CountsCodePointsNotBytes) {
    const std::string euro = "\xE2\x82\xAC";       // three bytes
    const std::string smile = "\xF0\x9F\x98\x80";  // four bytes
    for (const auto& [text, count, expected] :
         std::vector<std::tuple<std::string, std::size_t, std::string>>{
             {"Straße", 5, "Straß"},
             {"Straße", 4, "Stra"},
             {"Straße", 255, "Straße"},
             {"abc", 0, ""},
             {euro + "x" + smile + "y", 3, euro + "x" + smile}}) {
        EXPECT_EQ(firstCharacters(text, count), expected) << count << " of \"" << text << "\"";
    }
}

}  // namespace
}  // namespace torvelt
