// Start-up: the settings into the lock state, and the repair of a store that cannot be read.
#include <exception>

#include "stored_settings.h"
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
    const SettingReader read = [this](std::string_view key, std::string_view fallback) {
        return readSetting(key, fallback);
    };
    state_.Zustand = passwordStored(read) ? kPasswordStored : kNoPasswordYet;
    state_.RestVersuche = storedMaxFehler(read);
    state_.RestZeit = storedTimeOut(read);
    controls_.setTimerTextCaption(countdownCaption(state_.RestZeit));
}

}  // namespace torvelt
