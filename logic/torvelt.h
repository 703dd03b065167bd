// The lock window's logic: its state and one routine for each thing the user or the timer does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "lock_controls.h"
#include "lock_state.h"
#include "runtime.h"

namespace torvelt {

struct Contact {
    std::string email;
    std::string web;
};

// The About message for a program version and its maker's addresses.
std::string aboutText(const Version& version, const Contact& contact);

// The countdown caption for the seconds left.
std::string countdownCaption(std::int16_t seconds);

class Torvelt {
  public:
    Torvelt(Runtime& runtime, LockControls& controls, Contact contact);

    // Once, when the window is created: reads the settings, repairing a broken store.
    void Form_Load();
    void Klick_Abbruch_Click();
    void Klick_OK_Click();
    // A key typed into the password field; setting `KeyAscii` to 0 discards it.
    void Paßworttext_KeyPress(std::int16_t& KeyAscii);
    void Picture1_About();
    void Timer_Timer();

    const LockState& state() const { return state_; }

  private:
    void NewPaßWort();
    void WindowsExit();

    void readSettings();
    std::string readSetting(std::string_view key, std::string_view fallback);
    std::string storedPassword();
    void loginAttempt(const std::string& entry);
    // One try less; true when it was the last, once the shutdown has started and the lock ended.
    bool lastTryUsed();
    void askForNewPassword(std::string_view prompt);
    void checkOldPassword(const std::string& entry);
    void confirmNewPassword(const std::string& entry);
    void launchShutdown();
    void stopCountdown();
    void clearAndFocusEntry();
    int show(std::string_view text, int style, std::optional<std::string_view> title);

    Runtime& runtime_;
    LockControls& controls_;
    const Contact contact_;
    LockState state_;
    // The shutdown failure is told once: the countdown tries again every second.
    bool shutdownFailureShown_ = false;
};

}  // namespace torvelt
