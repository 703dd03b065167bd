// The current user's settings in the registry: the only place that calls the registry.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace torvelt::win32 {

// The settings key below HKEY_CURRENT_USER: Software\<app>, or Software\<app>\<section>.
std::wstring settingsPath(std::string_view app, std::string_view section = {});

// Values live as REG_SZ under HKEY_CURRENT_USER\Software\<app>\<section>.
class RegistrySettings {
  public:
    // The stored text, or nothing when the key or value is absent. A value that is not text
    // (REG_DWORD, REG_BINARY, ...) raises RuntimeError: it is a broken setting, not a password.
    static std::optional<std::string> read(const std::string& app, const std::string& section,
                                           const std::string& key);
    static void write(const std::string& app, const std::string& section, const std::string& key,
                      const std::string& value);
    // Removes HKEY_CURRENT_USER\Software\<app> with everything under it; absent is no error.
    static void deleteApp(const std::string& app);
};

}  // namespace torvelt::win32
