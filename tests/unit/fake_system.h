// In-memory stand-in for the system and the lock window's controls; unexpected use fails the test.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "lock_controls.h"
#include "runtime.h"

namespace torvelt::testing {

struct BoxShown {
    std::string text;
    int style = 0;
    std::optional<std::string> title;
};

struct Launch {
    std::string program;
    std::string arguments;
    int windowStyle = 0;
};

class FakeSystem : public Runtime, public LockControls {
  public:
    using SettingKey = std::tuple<std::string, std::string, std::string>;

    // --- What the test sets up ---
    std::map<SettingKey, std::string> settings;
    // Answers for Yes/No questions, taken in order; Ok-only boxes answer 1 (Ok) by themselves.
    std::deque<int> answers;
    // Runs while a box is open, as the timer may tick behind a modal box.
    std::function<void(const BoxShown&)> whileBoxOpen;
    std::string windowsDirectoryText = "C:\\WINDOWS";
    std::optional<std::uint32_t>
        windowsDirectoryLength;  // what the query reports, if not the truth
    bool failLaunch = false;
    bool failRead = false;
    bool failWrite = false;
    bool failDelete = false;
    Version version{1, 1, 5};

    // --- What the test reads back ---
    std::vector<BoxShown> boxes;
    std::vector<Launch> launches;
    std::vector<std::string> captions;
    std::vector<int> timerIntervals;
    int endCalls = 0;
    int focusCalls = 0;
    int deleteCalls = 0;
    int writeCalls = 0;
    int boxesOpen = 0;
    int deepestBoxNesting = 0;
    std::string entry;  // the text of the password field
    std::string caption;
    int timerInterval = 1000;

    // --- Convenience ---
    void setPassword(const std::string& value);
    void setSetting(const std::string& key, const std::string& value);
    std::optional<std::string> setting(const std::string& key) const;
    bool ended() const { return endCalls > 0; }
    const BoxShown& lastBox() const;

    // --- Runtime ---
    int messageBox(const std::string& text, int style,
                   const std::optional<std::string>& title) override;
    std::string readSetting(const std::string& app, const std::string& section,
                            const std::string& key, const std::string& fallback) override;
    void writeSetting(const std::string& app, const std::string& section, const std::string& key,
                      const std::string& value) override;
    void deleteSettings(const std::string& app) override;
    std::uint32_t windowsDirectory(std::string& buffer, std::uint32_t size) override;
    void launch(const std::string& program, const std::string& arguments, int windowStyle) override;
    void endProgram() override;
    std::string lowerCase(const std::string& text) override;
    Version programVersion() override;

    // --- LockControls ---
    std::string paßworttextText() override;
    void setPaßworttextText(const std::string& text) override;
    void focusPaßworttext() override;
    void setTimerTextCaption(const std::string& text) override;
    void setTimerInterval(int milliseconds) override;

  private:
    void expectRunning(const char* operation) const;
};

}  // namespace torvelt::testing
