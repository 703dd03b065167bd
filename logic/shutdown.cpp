// The shutdown command and the cancel button that asks for it.
#include <exception>

#include "text_services.h"
#include "texts.h"
#include "torvelt.h"

namespace torvelt {

namespace {

// Raises a flag for the lifetime of a scope, and lowers it however the scope is left.
class FlagRaised {
  public:
    explicit FlagRaised(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagRaised() { flag_ = false; }
    FlagRaised(const FlagRaised&) = delete;
    FlagRaised& operator=(const FlagRaised&) = delete;

  private:
    bool& flag_;
};

constexpr std::uint32_t kDirectoryBufferSize = 255;

}  // namespace

void Torvelt::WindowsExit() {
    if (shutdownFailureShown_) {
        return;
    }
    try {
        launchShutdown();
    } catch (const std::exception&) {
        const FlagRaised shown(shutdownFailureShown_);
        show(texts::kGehtNichtText, kStyleInformation, texts::kGehtNichtTitle);
    }
}

void Torvelt::launchShutdown() {
    std::string buffer(kDirectoryBufferSize, ' ');
    const std::uint32_t length = runtime_.windowsDirectory(buffer, kDirectoryBufferSize);
    if (length > kDirectoryBufferSize) {
        // The system reports the size it would need: the buffer holds no usable path.
        throw RuntimeError("Windows-Verzeichnis länger als der Puffer");
    }
    const std::string program =
        firstCharacters(buffer, length) + std::string(texts::kShutdownProgram);
    runtime_.launch(program, std::string(texts::kShutdownArguments), kShowMinimized);
}

void Torvelt::Klick_Abbruch_Click() {
    if (show(texts::kSicherText, kStyleQuestionNo, texts::kSicherTitle) != kAnswerYes) {
        return;
    }
    WindowsExit();
    runtime_.endProgram();
}

}  // namespace torvelt
