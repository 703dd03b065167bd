// Start-up: the settings into the lock state, and the repair of a store that cannot be read.
#include <exception>

#include "text_services.h"
#include "texts.h"
#include "torvelt.h"

namespace torvelt {

void Torvelt::Form_Load() {
    try {
        readSettings();
    } catch (const std::exception&) {
        // The repair runs once; a failure inside it is not caught here again.
        show(texts::kRegFehlerText, kStyleInformation, texts::kRegFehlerTitle);
        runtime_.deleteSettings(std::string(texts::kApp));
        readSettings();
    }
}

void Torvelt::readSettings() {
    state_.Zustand = storedPassword().empty() ? kNoPasswordYet : kPasswordStored;
    state_.RestVersuche = textToInt16(readSetting(texts::kKeyMaxFehler, texts::kDefaultMaxFehler));
    state_.RestZeit = textToInt16(readSetting(texts::kKeyTimeOut, texts::kDefaultTimeOut));
    controls_.setTimerTextCaption(countdownCaption(state_.RestZeit));
}

}  // namespace torvelt
