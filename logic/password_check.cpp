// The Ok button: dispatches by state and entry, and judges a login attempt.
#include "text_services.h"
#include "texts.h"
#include "torvelt.h"

namespace torvelt {

void Torvelt::Klick_OK_Click() {
    if (state_.Zustand == kNoPasswordYet) {
        NewPaßWort();
        return;
    }
    if (controls_.paßworttextText().empty()) {
        show(texts::kEmptyEntry, kStyleInformation, texts::kFehlerTitle);
        controls_.focusPaßworttext();
        return;
    }
    const std::string entry = controls_.paßworttextText();
    if (entry == texts::kCommandWord) {
        state_.Zustand = kChangeRequested;
        NewPaßWort();
        return;
    }
    if (state_.Zustand > kChangeRequested) {
        NewPaßWort();
        return;
    }
    loginAttempt(entry);
}

void Torvelt::loginAttempt(const std::string& entry) {
    // The master password is judged first: it must open the lock even when the stored one
    // cannot be read.
    if (runtime_.lowerCase(entry) == texts::kMasterPassword || storedPassword() == entry) {
        runtime_.endProgram();
        return;
    }
    if (lastTryUsed()) {
        return;
    }
    if (state_.RestVersuche == 1) {
        show(texts::kOneTryLeft, kStyleStop, texts::kFehlerTitle);
    } else {
        show(std::string(texts::kTriesLeftBefore) + int16ToText(state_.RestVersuche) +
                 std::string(texts::kTriesLeftAfter),
             kStyleStop, texts::kFehlerTitle);
    }
    clearAndFocusEntry();
}

// A wrong login or a wrong old password: the tries bound the guessing on both roads.
bool Torvelt::lastTryUsed() {
    state_.RestVersuche = decrement(state_.RestVersuche);
    if (state_.RestVersuche != 0) {
        return false;
    }
    show(texts::kLastTry, kStyleStop, texts::kLastTryTitle);
    WindowsExit();
    runtime_.endProgram();
    return true;
}

}  // namespace torvelt
