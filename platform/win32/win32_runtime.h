// The runtime services on Windows: message boxes, settings, launch, end, version.
#pragma once

#include <windows.h>

#include "runtime.h"

namespace torvelt::win32 {

class Win32Runtime final : public Runtime {
  public:
    // Message boxes are owned by this window, so they stay in front of the lock and modal to it.
    void setOwner(HWND owner) { owner_ = owner; }

    int messageBox(const std::string& text, int style,
                   const std::optional<std::string>& title) override;
    std::string readSetting(const std::string& app, const std::string& section,
                            const std::string& key, const std::string& fallback) override;
    void writeSetting(const std::string& app, const std::string& section, const std::string& key,
                      const std::string& value) override;
    void deleteSettings(const std::string& app) override;
    std::uint32_t windowsDirectory(std::string& buffer, std::uint32_t size) override;
    void launch(const std::string& program, const std::string& arguments, int windowStyle) override;
    [[noreturn]] void endProgram() override;
    std::string lowerCase(const std::string& text) override;
    Version programVersion() override;

  private:
    HWND owner_ = nullptr;
};

}  // namespace torvelt::win32
