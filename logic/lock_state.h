// The whole state of a running lock; it lives as long as the lock window and is never stored.
#pragma once

#include <cstdint>
#include <string>

namespace torvelt {

// Values of `Zustand`.
enum : std::uint8_t {
    kPasswordStored = 1,   // a confirmed entry is a login attempt
    kNoPasswordYet = 2,    // the next key or confirmation opens the first-password dialogue
    kChangeRequested = 3,  // the command word was confirmed; passes at once to 4
    kAwaitOld = 4,         // waiting for the old password
    kAwaitNew = 5,         // waiting for the new password
    kAwaitConfirm = 6,     // waiting for the new password once more
};

struct LockState {
    // Until start-up has read the settings the lock behaves as a lock with a password and the
    // default limits, so that a start-up that fails outright still counts down and locks.
    std::uint8_t Zustand = kPasswordStored;
    std::int16_t RestVersuche = 5;
    std::int16_t RestZeit = 10;
    std::string Eingabe1;
    std::string Eingabe2;
};

}  // namespace torvelt
