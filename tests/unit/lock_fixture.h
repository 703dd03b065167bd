// A started lock on its own in-memory system, and the checks and headers the logic tests share.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "fake_system.h"
#include "torvelt.h"

namespace torvelt::testing {

inline std::string caption(int seconds) {
    return "Timeout in: " + std::to_string(seconds) + " sekunden";
}

inline void expectBox(const BoxShown& box, const std::string& text, int style,
                      const std::optional<std::string>& title) {
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.style, style);
    EXPECT_EQ(box.title, title);
}

using Settings = std::map<std::string, std::string>;

struct Lock {
    // The password "geheim" unless `stored` says otherwise ("" means a first start); the other
    // settings as `stored` gives them.
    explicit Lock(std::initializer_list<Settings::value_type> stored = {})
        : Lock(Settings(stored)) {}
    explicit Lock(const Settings& stored) {
        sys.setPassword("geheim");
        for (const auto& [key, value] : stored) {
            sys.setSetting(key, value);
        }
        lock.Form_Load();
    }
    void confirm(const std::string& text) {
        sys.entry = text;
        lock.Klick_OK_Click();
    }
    std::int16_t press(std::int16_t key) {
        lock.Paßworttext_KeyPress(key);
        return key;
    }
    void expectState(int zustand, int tries, int seconds) const {
        EXPECT_EQ(lock.state().Zustand, zustand);
        EXPECT_EQ(lock.state().RestVersuche, tries);
        EXPECT_EQ(lock.state().RestZeit, seconds);
    }

    FakeSystem sys;
    Torvelt lock{sys, sys, {"a@example.org", "https://example.org"}};
};

}  // namespace torvelt::testing
