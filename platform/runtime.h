// The contract between the lock logic and the system it runs on: every outside effect passes here.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace torvelt {

// Raised by a runtime service that cannot do what it was asked. Only the start-up and the
// shutdown routine trap it; anywhere else it reaches the window, which reports it and stays up.
class RuntimeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Message box styles as the system numbers them.
inline constexpr int kStyleStop = 16;         // Ok, stop icon
inline constexpr int kStyleInformation = 64;  // Ok, information icon
inline constexpr int kStyleQuestionNo = 292;  // Yes and No, question icon, No preselected
inline constexpr int kAnswerYes = 6;

// Window style of a launched program: minimized, with the focus.
inline constexpr int kShowMinimized = 2;

struct Version {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t revision = 0;
};

// Services of the system. All texts are UTF-8; a line break in a message is one "\r".
class Runtime {
  public:
    virtual ~Runtime() = default;

    // Modal box owned by the lock window; returns the pressed button. No title means "Torvelt".
    virtual int messageBox(const std::string& text, int style,
                           const std::optional<std::string>& title) = 0;

    // Settings of the current user. A missing key reads as `fallback`.
    virtual std::string readSetting(const std::string& app, const std::string& section,
                                    const std::string& key, const std::string& fallback) = 0;
    virtual void writeSetting(const std::string& app, const std::string& section,
                              const std::string& key, const std::string& value) = 0;
    // Removes the application's whole entry, every section and key under it.
    virtual void deleteSettings(const std::string& app) = 0;

    // The Windows directory query: `buffer` comes in as `size` blanks and leaves holding the
    // system's answer, `size` characters long; the result is the directory's length in UTF-16
    // units, which the system reports larger than `size` when the buffer is too small, and 0 when
    // the query failed.
    virtual std::uint32_t windowsDirectory(std::string& buffer, std::uint32_t size) = 0;

    // Starts exactly the file `program` with `arguments` and returns at once.
    virtual void launch(const std::string& program, const std::string& arguments,
                        int windowStyle) = 0;

    // Ends the process at once. The real service never returns; callers return straight after.
    virtual void endProgram() = 0;

    // Lower case by fixed rules, independent of the user's locale.
    virtual std::string lowerCase(const std::string& text) = 0;

    virtual Version programVersion() = 0;
};

}  // namespace torvelt
