// The in-memory stand-in for the system: settings in a map, boxes answered from a script.
#include "fake_system.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace torvelt::testing {

namespace {
const std::string kApp = "WindowsStart";
const std::string kSection = "Paßwort";
constexpr int kAnswerOk = 1;
}  // namespace

void FakeSystem::setPassword(const std::string& value) {
    setSetting("Key", value);
}

void FakeSystem::setSetting(const std::string& key, const std::string& value) {
    settings[{kApp, kSection, key}] = value;
}

std::optional<std::string> FakeSystem::setting(const std::string& key) const {
    const auto found = settings.find({kApp, kSection, key});
    if (found == settings.end()) {
        return std::nullopt;
    }
    return found->second;
}

const BoxShown& FakeSystem::lastBox() const {
    static const BoxShown none{"(no message box)", 0, std::nullopt};
    return boxes.empty() ? none : boxes.back();
}

void FakeSystem::expectRunning(const char* operation) const {
    if (endCalls > 0) {
        ADD_FAILURE() << operation << " was called after the program had ended";
    }
}

int FakeSystem::messageBox(const std::string& text, int style,
                           const std::optional<std::string>& title) {
    expectRunning("messageBox");
    const BoxShown box{text, style, title};
    boxes.push_back(box);
    int answer = kAnswerOk;
    if (style == kStyleQuestionNo) {
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: \"" << text << "\"";
            throw RuntimeError("unscripted question");
        }
        answer = answers.front();
        answers.pop_front();
    }
    ++boxesOpen;
    deepestBoxNesting = std::max(deepestBoxNesting, boxesOpen);
    if (whileBoxOpen) {
        whileBoxOpen(box);
    }
    --boxesOpen;
    return answer;
}

std::string FakeSystem::readSetting(const std::string& app, const std::string& section,
                                    const std::string& key, const std::string& fallback) {
    expectRunning("readSetting");
    if (failRead) {
        throw RuntimeError("read refused");
    }
    const auto found = settings.find({app, section, key});
    return found == settings.end() ? fallback : found->second;
}

void FakeSystem::writeSetting(const std::string& app, const std::string& section,
                              const std::string& key, const std::string& value) {
    expectRunning("writeSetting");
    ++writeCalls;
    if (failWrite) {
        throw RuntimeError("write refused");
    }
    settings[{app, section, key}] = value;
}

void FakeSystem::deleteSettings(const std::string& app) {
    expectRunning("deleteSettings");
    ++deleteCalls;
    if (failDelete) {
        throw RuntimeError("delete refused");
    }
    std::erase_if(settings,
                  [&](const auto& entryPair) { return std::get<0>(entryPair.first) == app; });
}

std::uint32_t FakeSystem::windowsDirectory(std::string& buffer, std::uint32_t size) {
    expectRunning("windowsDirectory");
    EXPECT_EQ(buffer, std::string(size, ' ')) << "the buffer must come in as blanks";
    // Like the system: the path and a terminating NUL over the blanks, if they fit.
    if (windowsDirectoryText.size() < size) {
        buffer.replace(0, windowsDirectoryText.size() + 1, windowsDirectoryText + '\0');
    }
    // The system counts characters, not UTF-8 bytes.
    const auto characters = static_cast<std::uint32_t>(std::count_if(
        windowsDirectoryText.begin(), windowsDirectoryText.end(),
        [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    return windowsDirectoryLength.value_or(characters);
}

void FakeSystem::launch(const std::string& program, const std::string& arguments, int windowStyle) {
    expectRunning("launch");
    if (failLaunch) {
        throw RuntimeError("launch refused");
    }
    launches.push_back({program, arguments, windowStyle});
}

void FakeSystem::endProgram() {
    expectRunning("endProgram");
    ++endCalls;
}

std::string FakeSystem::lowerCase(const std::string& text) {
    std::string lower = text;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

Version FakeSystem::programVersion() {
    return version;
}

std::string FakeSystem::paßworttextText() {
    return entry;
}

void FakeSystem::setPaßworttextText(const std::string& text) {
    expectRunning("setPaßworttextText");
    entry = text;
}

void FakeSystem::focusPaßworttext() {
    expectRunning("focusPaßworttext");
    ++focusCalls;
}

void FakeSystem::setTimerTextCaption(const std::string& text) {
    expectRunning("setTimerTextCaption");
    caption = text;
    captions.push_back(text);
}

void FakeSystem::setTimerInterval(int milliseconds) {
    expectRunning("setTimerInterval");
    timerInterval = milliseconds;
    timerIntervals.push_back(milliseconds);
}

}  // namespace torvelt::testing
