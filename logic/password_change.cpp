// The password dialogue: the first password, or a new one after the old one has been given.
#include "texts.h"
#include "torvelt.h"

namespace torvelt {

// One step a call: each confirmed entry moves the dialogue on by one state.
void Torvelt::NewPaßWort() {
    const std::string entry = controls_.paßworttextText();
    if (entry.empty() && state_.Zustand != kNoPasswordYet) {
        show(texts::kEmptyNewEntry, kStyleInformation, texts::kFehlerTitle);
        controls_.focusPaßworttext();
        return;
    }
    switch (state_.Zustand) {
        case kNoPasswordYet:
            askForNewPassword(texts::kFirstPasswordPrompt);
            break;
        case kChangeRequested:
            // The countdown runs on: only the right old password may stop it.
            show(texts::kAskOld, kStyleInformation, texts::kNeuesPaßwortTitle);
            state_.Zustand = kAwaitOld;
            clearAndFocusEntry();
            break;
        case kAwaitOld:
            checkOldPassword(entry);
            break;
        case kAwaitNew:
            state_.Eingabe1 = entry;
            show(texts::kRepeat, kStyleInformation, texts::kBestätigungTitle);
            state_.Zustand = kAwaitConfirm;
            clearAndFocusEntry();
            break;
        case kAwaitConfirm:
            confirmNewPassword(entry);
            break;
        default:
            break;
    }
}

// Only once a new password may be typed does the countdown stop: there is no password yet, or
// the old one has just been given.
void Torvelt::askForNewPassword(std::string_view prompt) {
    stopCountdown();
    show(prompt, kStyleInformation, texts::kNeuesPaßwortTitle);
    state_.Zustand = kAwaitNew;
    clearAndFocusEntry();
}

void Torvelt::checkOldPassword(const std::string& entry) {
    if (storedPassword() == entry) {
        askForNewPassword(texts::kAskNew);
        return;
    }
    if (lastTryUsed()) {
        return;
    }
    show(texts::kOldWrong, kStyleStop, std::nullopt);
    controls_.setTimerInterval(1000);
    state_.Zustand = kPasswordStored;
}

void Torvelt::confirmNewPassword(const std::string& entry) {
    state_.Eingabe2 = entry;
    if (state_.Eingabe2 == state_.Eingabe1) {
        // A failed write raises before the success message: the user is never told a lie.
        runtime_.writeSetting(std::string(texts::kApp), std::string(texts::kSection),
                              std::string(texts::kKeyPassword), entry);
        show(texts::kStored, kStyleInformation, texts::kStoredTitle);
        runtime_.endProgram();
        return;
    }
    // Ask for the new password again; the countdown stays stopped.
    show(texts::kMismatch, kStyleStop, texts::kFehlerTitle);
    state_.Zustand = kAwaitNew;
    clearAndFocusEntry();
}

}  // namespace torvelt
