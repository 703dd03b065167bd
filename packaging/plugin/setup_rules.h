// The installer's decisions, portable so that each is tested below the installer's pages: its
// command line, the limits and the password it takes, and what its last page says.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torvelt::setup {

// The two limits the installer sets, each with the range it takes.
enum class Limit { Tries, Seconds };

// A limit as typed on the page or given on the command line: the number the lock reads in it,
// or nothing when that is no number in the limit's range.
std::optional<std::int16_t> limitValue(Limit limit, std::string_view text);
// What the page says when it refuses a limit's field.
std::string fieldRefusal(Limit limit);
// The line under the page's fields.
std::string pageNote();

struct Options {
    std::optional<std::int16_t> tries, seconds;
    std::string refusal;  // empty when every word was taken
};
// The installer's whole command line, its program first, as NSIS leaves it: without "/D=" and
// what follows, which NSIS takes itself.
Options readOptions(std::string_view commandLine);

struct PasswordRefusal {
    std::string text;
    int field;  // the field to correct: 1 or 2
};
// Why the page refuses the password typed into its two fields, or nothing. Compared unit by unit,
// exactly as the lock compares; `commandWord`: the first entry is the lock's command word in
// some case.
std::optional<PasswordRefusal> passwordRefusal(std::u16string_view first,
                                               std::u16string_view second, bool commandWord);

// The last page: when the lock will shut Windows down, with the limits as it reads them.
std::string finishText(std::int16_t tries, std::int16_t seconds);

// The folder of the program that a logon entry's command line starts: "" when it names none.
std::string programFolder(std::string_view commandLine);

}  // namespace torvelt::setup
