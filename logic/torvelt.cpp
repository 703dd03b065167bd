// Construction of the lock and the small helpers its routines share.
#include "torvelt.h"

#include <utility>

#include "text_services.h"
#include "texts.h"

namespace torvelt {

Torvelt::Torvelt(Runtime& runtime, LockControls& controls, Contact contact)
    : runtime_(runtime), controls_(controls), contact_(std::move(contact)) {}

std::string countdownCaption(std::int16_t seconds) {
    return std::string(texts::kCaptionBefore) + int16ToText(seconds) +
           std::string(texts::kCaptionAfter);
}

std::string Torvelt::readSetting(std::string_view key, std::string_view fallback) {
    return runtime_.readSetting(std::string(texts::kApp), std::string(texts::kSection),
                                std::string(key), std::string(fallback));
}

// Read afresh at every comparison: the password is never kept in memory longer than that.
std::string Torvelt::storedPassword() {
    return readSetting(texts::kKeyPassword, "");
}

void Torvelt::stopCountdown() {
    controls_.setTimerInterval(0);
    controls_.setTimerTextCaption(std::string(texts::kTimerStopped));
}

void Torvelt::clearAndFocusEntry() {
    controls_.setPaßworttextText("");
    controls_.focusPaßworttext();
}

int Torvelt::show(std::string_view text, int style, std::optional<std::string_view> title) {
    std::optional<std::string> boxTitle;
    if (title) {
        boxTitle = std::string(*title);
    }
    return runtime_.messageBox(std::string(text), style, boxTitle);
}

}  // namespace torvelt
