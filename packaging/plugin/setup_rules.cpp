// The installer's command line, limits, password check and last page, by the lock's own rules.
#include "setup_rules.h"

#include <algorithm>
#include <vector>

#include "runtime.h"
#include "text_services.h"

namespace torvelt::setup {

namespace {

struct LimitRule {
    std::string_view option, label, noun;
    std::int16_t low, high;
};

// Fewer seconds than these leave no time to type; more tries than these are no limit at all.
constexpr LimitRule kTries{"/MAXFEHLER=", "Falsche Versuche bis zum Herunterfahren",
                           "Falsche Versuche", 1, 999};
constexpr LimitRule kSeconds{"/TIMEOUT=", "Sekunden bis zum Herunterfahren", "Sekunden", 10, 32767};

// What an installer's text holds: NSIS_MAX_STRLEN less its closing NUL.
constexpr std::size_t kMaxPassword = 1023;

const LimitRule& rule(Limit limit) {
    return limit == Limit::Tries ? kTries : kSeconds;
}

std::string range(const LimitRule& rule) {
    return std::to_string(rule.low) + " bis " + std::to_string(rule.high);
}

// The words after the program, split at blanks as NSIS splits them.
std::vector<std::string_view> words(std::string_view commandLine) {
    const bool quoted = commandLine.starts_with('"');
    const auto programEnd = commandLine.find(quoted ? '"' : ' ', quoted ? 1 : 0);
    std::string_view rest =
        programEnd == std::string_view::npos ? "" : commandLine.substr(programEnd + 1);
    std::vector<std::string_view> found;
    while (!rest.empty()) {
        const auto end = rest.find(' ');
        if (end != 0) {
            found.push_back(rest.substr(0, end));
        }
        rest = end == std::string_view::npos ? "" : rest.substr(end + 1);
    }
    return found;
}

// Reads one known word into `options`; false when the word is none the installer knows.
bool readWord(std::string_view word, Options& options, std::vector<std::string_view>& seen) {
    std::string_view name = word;
    for (const LimitRule* limit : {&kTries, &kSeconds}) {
        if (word.starts_with(limit->option)) {
            name = limit->option;
        }
    }
    if (name != "/S" && name != "/NCRC" && name != kTries.option && name != kSeconds.option) {
        options.refusal = "Die Angabe \"" + std::string(word) +
                          "\" kennt das Installationsprogramm nicht. Es versteht /S, /NCRC, "
                          "/MAXFEHLER=Zahl, /TIMEOUT=Zahl und als letzte /D=Ordner.";
        return false;
    }
    if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
        options.refusal = "Die Angabe " + std::string(name) + " steht mehr als einmal da.";
        return false;
    }
    seen.push_back(name);
    for (const auto& [limit, value] :
         {std::pair(Limit::Tries, &options.tries), std::pair(Limit::Seconds, &options.seconds)}) {
        if (name == rule(limit).option) {
            *value = limitValue(limit, word.substr(name.size()));
            if (!*value) {
                options.refusal = std::string(word) + ": " + std::string(rule(limit).noun) +
                                  " müssen eine ganze Zahl von " + range(rule(limit)) + " sein.";
                return false;
            }
        }
    }
    return true;
}

std::string seconds(std::int16_t count) {
    // The lock shuts down at its first tick when one second or less is left.
    return count <= 1 ? "einer Sekunde" : std::to_string(count) + " Sekunden";
}

}  // namespace

std::optional<std::int16_t> limitValue(Limit limit, std::string_view text) {
    try {
        const std::int16_t value = textToInt16(text);
        if (value >= rule(limit).low && value <= rule(limit).high) {
            return value;
        }
    } catch (const RuntimeError&) {
    }
    return std::nullopt;
}

std::string fieldRefusal(Limit limit) {
    return std::string(rule(limit).label) + ": bitte eine ganze Zahl von " + range(rule(limit)) +
           ".";
}

std::string pageNote() {
    return "Ab der nächsten Anmeldung fragt die Sperre nach dem Paßwort. Nach so vielen falschen "
           "Versuchen (" +
           range(kTries) + ") oder Sekunden (" + range(kSeconds) + ") fährt sie Windows herunter.";
}

Options readOptions(std::string_view commandLine) {
    Options options;
    std::vector<std::string_view> seen;
    for (const std::string_view word : words(commandLine)) {
        if (!readWord(word, options, seen)) {
            return {std::nullopt, std::nullopt, options.refusal};
        }
    }
    return options;
}

std::optional<PasswordRefusal> passwordRefusal(std::u16string_view first,
                                               std::u16string_view second, bool commandWord) {
    if (first.size() > kMaxPassword || second.size() > kMaxPassword) {
        return PasswordRefusal{
            "Das Paßwort ist zu lang: höchstens " + std::to_string(kMaxPassword) + " Zeichen.", 1};
    }
    if (first.empty()) {
        return PasswordRefusal{"Bitte geben Sie ein Paßwort ein.", 1};
    }
    if (first != second) {
        return PasswordRefusal{
            "Die beiden Eingaben sind nicht gleich. Bitte geben Sie das "
            "Paßwort zweimal genau gleich ein.",
            2};
    }
    if (commandWord) {
        return PasswordRefusal{
            "\"new Paßwort\" ist der Befehl, mit dem Sie in der Sperre das "
            "Paßwort ändern. Bitte wählen Sie ein anderes Paßwort.",
            1};
    }
    return std::nullopt;
}

std::string finishText(std::int16_t tries, std::int16_t secondsLeft) {
    const std::string lost =
        " fährt sie Windows ohne Rückfrage herunter; was in anderen "
        "Programmen nicht gespeichert ist, geht dabei verloren.";
    std::string text =
        "WindowsStart ist installiert.\r\n\r\nAb der nächsten Anmeldung fragt die "
        "Sperre nach Ihrem Paßwort. ";
    if (tries <= 0) {
        return text + "Nach " + seconds(secondsLeft) + lost +
               " Falsche Versuche allein fahren Windows nie herunter.";
    }
    text += tries == 1 ? "Nach einem falschen Versuch"
                       : "Nach " + std::to_string(tries) + " falschen Versuchen";
    return text + " oder nach " + seconds(secondsLeft) + lost;
}

std::string programFolder(std::string_view commandLine) {
    std::string_view program = commandLine;
    if (program.starts_with('"')) {
        program = program.substr(1, program.find('"', 1) - 1);
    } else {
        program = program.substr(0, program.find(' '));
    }
    const auto slash = program.rfind('\\');
    return slash == std::string_view::npos ? "" : std::string(program.substr(0, slash));
}

}  // namespace torvelt::setup
