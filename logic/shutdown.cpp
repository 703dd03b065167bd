// The shutdown command and the cancel button that asks for it.
#include <exception>
#include <utility>

#include "text_services.h"
#include "texts.h"
#include "torvelt.h"

namespace torvelt {

namespace {

constexpr std::uint32_t kDirectoryBufferSize = 255;

}  // namespace

void Torvelt::WindowsExit() {
    try {
        launchShutdown();
    } catch (const std::exception&) {
        if (!std::exchange(shutdownFailureShown_, true)) {
            show(texts::kGehtNichtText, kStyleInformation, texts::kGehtNichtTitle);
        }
    }
}

void Torvelt::launchShutdown() {
    std::string buffer(kDirectoryBufferSize, ' ');
    const std::uint32_t length = runtime_.windowsDirectory(buffer, kDirectoryBufferSize);
    if (length == 0 || length > kDirectoryBufferSize) {
        // No directory (the query failed), or the size it would need: no usable path.
        throw RuntimeError("Windows-Verzeichnis nicht lesbar");
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
