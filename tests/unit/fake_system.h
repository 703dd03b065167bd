// An in-memory system that traces what the lock does, with a lock started on it and run by scripts.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>

#include "torvelt.h"

namespace torvelt::testing {

using Settings = std::map<std::string, std::string>;
using Text = const std::string&;
inline const std::string kAt = "WindowsStart\\Paßwort\\";

// Every effect becomes a line of `trace`; an unscripted question or any use after the end fails.
class FakeSystem : public Runtime, public LockControls {
  public:
    // The lock started on the stored settings, its password "geheim" unless they give another,
    // after the system has been prepared by the script `before`.
    explicit FakeSystem(const Settings& stored, Text before = "") {
        settings[kAt + "Key"] = "geheim";
        for (const auto& [key, value] : stored) {
            settings[kAt + key] = value;
        }
        run(before);
        lock.Form_Load();
    }
    // The trace since the start after the script; a RuntimeError, which the window would report,
    // shows as "error".
    std::string run(Text script) {
        std::istringstream actions(script);
        for (std::string action; std::getline(actions, action, '|');) {
            try {
                verbs.at(action[0])(action.substr(1));
            } catch (const RuntimeError&) {
                trace += "error\n";
            }
        }
        return trace;
    }
    bool ended() const { return trace.ends_with("end\n"); }

    Settings settings;                            // by "app\section\key"
    std::function<void(Text text)> whileBoxOpen;  // the timer ticks behind open boxes
    std::string trace, entry, directory = "C:\\WINDOWS";
    std::optional<std::uint32_t> length;  // of the directory, when the system reports another
    std::optional<int> answer;            // to the next Yes/No question
    std::string failing;                  // the calls refused: 'R'ead, 'W'rite, 'D'elete, 'L'aunch
    int timerInterval = 1000, launches = 0;
    Torvelt lock{*this, *this, {"a@example.org", "https://example.org"}};

    // Ok or Enter on the text that follows, if any; a key, a tick, Cancel answered Yes or No,
    // About; a new stored password, Windows directory or its length; failing calls.
    const std::map<char, std::function<void(Text)>> verbs{
        {'O', [this](Text t) { with(entry, t.empty() ? entry : t).Klick_OK_Click(); }},
        {'E', [this](Text t) { key(13, t.empty() ? entry : t); }},
        {'K', [this](Text t) { key(t[0], entry); }},
        {'T', [this](Text) { lock.Timer_Timer(); }},
        {'C', [this](Text t) { with(answer, {t == "Y" ? kAnswerYes : 7}).Klick_Abbruch_Click(); }},
        {'A', [this](Text) { lock.Picture1_About(); }},
        {'P', [this](Text t) { settings[kAt + "Key"] = t; }},
        {'D', [this](Text t) { directory = t; }},
        {'L', [this](Text t) { length = std::stoul(t); }},
        {'!', [this](Text t) { failing += t; }},
    };

    int messageBox(Text text, int style, const std::optional<std::string>& title) override {
        record("[" + title.value_or("-") + "|" + std::to_string(style) + "] " + text);
        const bool question = style == kStyleQuestionNo;
        EXPECT_TRUE(answer || !question) << "unscripted question: " << text;
        const int pressed = question ? std::exchange(answer, std::nullopt).value() : 1;
        if (whileBoxOpen) {
            whileBoxOpen(text);
        }
        return pressed;
    }
    std::string readSetting(Text app, Text section, Text key, Text fallback) override {
        EXPECT_FALSE(ended()) << "read of " << key << " after the program had ended";
        refuseIf('R');
        const auto found = settings.find(app + "\\" + section + "\\" + key);
        return found == settings.end() ? fallback : found->second;
    }
    void writeSetting(Text app, Text section, Text key, Text value) override {
        record("write " + app + "\\" + section + "\\" + key + "=" + value);
        refuseIf('W');
        settings[app + "\\" + section + "\\" + key] = value;
    }
    void deleteSettings(Text app) override {
        record("delete " + app);
        refuseIf('D');
        std::erase_if(settings, [&](const auto& s) { return s.first.starts_with(app + "\\"); });
    }
    // As the system: the path and a NUL over the blanks if they fit.
    std::uint32_t windowsDirectory(std::string& buffer, std::uint32_t size) override {
        EXPECT_EQ(buffer, std::string(size, ' ')) << "the buffer must come in as blanks";
        if (directory.size() < size) {
            buffer.replace(0, directory.size() + 1, directory + '\0');
        }
        return length.value_or(static_cast<std::uint32_t>(directory.size()));
    }
    void launch(Text program, Text arguments, int style) override {
        record("launch " + program + " " + arguments + " " + std::to_string(style));
        ++launches;
        refuseIf('L');
    }
    void endProgram() override { record("end"); }
    std::string lowerCase(Text text) override {
        std::string lower = text;
        std::ranges::transform(lower, lower.begin(),
                               [](unsigned char c) { return std::tolower(c); });
        return lower;
    }
    Version programVersion() override { return {1, 12, 0}; }
    std::string paßworttextText() override { return entry; }
    void setPaßworttextText(Text text) override { record("entry=" + (entry = text)); }
    void focusPaßworttext() override { record("focus"); }
    void setTimerTextCaption(Text text) override { record("caption " + text); }
    void setTimerInterval(int ms) override {
        record("timer " + std::to_string(timerInterval = ms));
    }

  private:
    template <typename T>
    Torvelt& with(T& field, const T& value) {
        field = value;
        return lock;
    }
    // A key the lock lets through lands in the field, as in the real edit control.
    void key(std::int16_t ascii, Text text) {
        with(entry, text).Paßworttext_KeyPress(ascii);
        entry += ascii == 0 || ascii == 13 ? "" : std::string(1, static_cast<char>(ascii));
    }
    void refuseIf(char call) const {
        if (failing.find(call) != std::string::npos) {
            throw RuntimeError("refused by the test");
        }
    }
    void record(Text what) {
        EXPECT_FALSE(ended()) << what << " after the program had ended";
        trace += what + "\n";
    }
};

}  // namespace torvelt::testing
