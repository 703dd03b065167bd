// Keys typed into the password field: the first key opens the first-password dialogue, Enter
// confirms.
#include "torvelt.h"

namespace torvelt {

namespace {
constexpr std::int16_t kEnter = 13;
}

void Torvelt::Paßworttext_KeyPress(std::int16_t& KeyAscii) {
    if (state_.Zustand == kNoPasswordYet) {
        KeyAscii = 0;
        NewPaßWort();
    }
    if (KeyAscii == kEnter) {
        Klick_OK_Click();
    }
}

}  // namespace torvelt
