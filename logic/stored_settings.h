// How the lock takes each of its stored settings at start: the one rule its installer asks too.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace torvelt {

// The store as the lock reads it: a setting's text, `fallback` when it is absent, RuntimeError
// when it holds something that is not text.
using SettingReader = std::function<std::string(std::string_view key, std::string_view fallback)>;

// Any text but the empty one is a password, blanks included. RuntimeError when "Key" is not text.
bool passwordStored(const SettingReader& read);

// The tries and the seconds as the lock takes them. RuntimeError for a value it refuses: its
// start-up then deletes the whole store, the password with it.
std::int16_t storedMaxFehler(const SettingReader& read);
std::int16_t storedTimeOut(const SettingReader& read);

}  // namespace torvelt
