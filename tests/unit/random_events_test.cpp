// Thousands of random event sequences from random settings: the lock never leaves its rules.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "fake_system.h"
#include "torvelt.h"

namespace torvelt::testing {
namespace {

constexpr int kSequences = 3000;
constexpr int kEventsPerSequence = 60;

const std::vector<std::string> kPasswords{"", " ", "geheim", "Geheim", "new Paßwort", "ravelo"};
const std::vector<std::string> kNumbers{"5", "1", "2", "0", "-3", "-32768", "32767", "abc", ""};
const std::vector<std::string> kEntries{"",       "geheim", "Geheim",      "falsch", " ",
                                        "RaVeLo", "ravelo", "new Paßwort", "neu",    "neu "};

enum class Event { Key, Enter, Ok, CancelYes, CancelNo, Tick, About, Entry, Count };

struct LockRun {
    explicit LockRun(std::mt19937& random) : random_(random) {}

    template <typename T>
    const T& pick(const std::vector<T>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random_)];
    }
    bool chance(int percent) {
        return std::uniform_int_distribution<int>(1, 100)(random_) <= percent;
    }

    // Absent or one of the values, for each of the three settings.
    void storeRandomSettings() {
        if (chance(70)) {
            sys.setPassword(pick(kPasswords));
        }
        if (chance(50)) {
            sys.setSetting("maxFehler", pick(kNumbers));
        }
        if (chance(50)) {
            sys.setSetting("TimeOut", pick(kNumbers));
        }
        sys.failLaunch = chance(20);
    }

    // Ticks come behind open boxes too, as the system's timer does; a box must never open
    // inside another box of the same text.
    void tickBehindBoxes() {
        sys.whileBoxOpen = [this](const BoxShown& box) {
            EXPECT_TRUE(open.insert(box.text).second) << "box opened inside itself: " << box.text;
            if (chance(30) && sys.timerInterval > 0) {
                lock.Timer_Timer();
            }
            open.erase(box.text);
        };
    }

    void send(Event event) {
        std::int16_t key = 0;
        switch (event) {
            case Event::Key:
                key = static_cast<std::int16_t>(pick(std::vector<int>{'a', 'Z', ' ', 8, 27}));
                lock.Paßworttext_KeyPress(key);
                if (key != 0 && key != 8 && key != 27) {
                    sys.entry += static_cast<char>(key);
                }
                break;
            case Event::Enter:
                key = 13;
                lock.Paßworttext_KeyPress(key);
                break;
            case Event::Ok:
                lock.Klick_OK_Click();
                break;
            case Event::CancelYes:
            case Event::CancelNo:
                sys.answers.push_back(event == Event::CancelYes ? kAnswerYes : 7);
                lock.Klick_Abbruch_Click();
                break;
            case Event::Tick:
                if (sys.timerInterval > 0) {
                    lock.Timer_Timer();
                }
                break;
            case Event::About:
                lock.Picture1_About();
                break;
            default:
                sys.entry = pick(kEntries);
                break;
        }
    }

    std::mt19937& random_;
    FakeSystem sys;
    Torvelt lock{sys, sys, {"a@example.org", "https://example.org"}};
    std::set<std::string> open;
};

bool confirms(Event event) {
    return event == Event::Enter || event == Event::Ok;
}

// The only ways out: a confirmed entry (right or master password, a new password, the last
// wrong try) or a cancel answered Yes.
void expectRightfulEnd(LockRun& run, Event event, const std::string& entry,
                       const std::string& storedBefore, std::size_t launchesBefore) {
    const bool cancelled = event == Event::CancelYes;
    const bool rightPassword = run.sys.lowerCase(entry) == "ravelo" || entry == storedBefore;
    const bool newPassword = run.sys.setting("Key") == entry && run.sys.writeCalls > 0;
    const bool lastTry = run.lock.state().RestVersuche == 0 &&
                         (run.sys.launches.size() > launchesBefore || run.sys.failLaunch);
    EXPECT_TRUE(cancelled || (confirms(event) && (rightPassword || newPassword || lastTry)))
        << "ended by event " << static_cast<int>(event) << " with entry \"" << entry << "\"";
    EXPECT_EQ(run.sys.endCalls, 1);
}

TEST(RandomEvents, LockKeepsItsRulesWhateverHappens) {
    const char* seedText = std::getenv("TORVELT_TEST_SEED");
    const unsigned base = seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : 1;
    for (int sequence = 0; sequence < kSequences && !HasFailure(); ++sequence) {
        const unsigned seed = base + static_cast<unsigned>(sequence);
        SCOPED_TRACE("reproduce with TORVELT_TEST_SEED=" + std::to_string(seed));
        std::mt19937 random(seed);
        LockRun run(random);
        run.storeRandomSettings();
        run.tickBehindBoxes();
        ASSERT_NO_THROW(run.lock.Form_Load());
        const auto afterStart = run.sys.settings;

        for (int step = 0; step < kEventsPerSequence && !run.sys.ended(); ++step) {
            const auto event = static_cast<Event>(
                std::uniform_int_distribution<int>(0, static_cast<int>(Event::Count))(random));
            const std::string entry = run.sys.entry;
            const std::string storedBefore = run.sys.setting("Key").value_or("");
            const auto settingsBefore = run.sys.settings;
            const std::size_t launchesBefore = run.sys.launches.size();
            ASSERT_NO_THROW(run.send(event)) << "event " << static_cast<int>(event);

            const int state = run.lock.state().Zustand;
            ASSERT_TRUE(state >= 1 && state <= 6) << "Zustand " << state;
            if (run.sys.ended()) {
                expectRightfulEnd(run, event, entry, storedBefore, launchesBefore);
            } else {
                EXPECT_EQ(run.sys.settings, settingsBefore) << "store changed, lock still running";
            }
        }
        if (!run.sys.ended()) {
            EXPECT_EQ(run.sys.settings, afterStart);
        }
    }
}

}  // namespace
}  // namespace torvelt::testing
