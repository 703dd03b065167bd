// Thousands of random event sequences, each event checked against a small model of the rules.
#include <cstdlib>
#include <random>
#include <tuple>

#include "fake_system.h"
#include "texts.h"

namespace torvelt::testing {
namespace {

constexpr int kBroken = 99999;  // a setting the number reader must refuse
const std::vector<std::pair<std::string, int>> kNumbers{
    {"5", 5},  {"1", 1},           {"2", 2},         {"0", 0},         {"-3", -3},
    {" 7", 7}, {"-32768", -32768}, {"32767", 32767}, {"abc", kBroken}, {"", kBroken}};
// What is typed, and what may be stored as the password.
const std::vector<std::string> kEntries{"",       "geheim", "Geheim",      "falsch", " ",
                                        "RaVeLo", "ravelo", "new Paßwort", "neu",    "neu "};
// Keys, Enter, Ok, Cancel answered Yes or No, a tick, About, and (S) a new entry in the field.
const std::vector<std::string> kEvents{"Ka", "KZ", "K ", "E", "O", "CY", "CN", "T", "A", "S", "S"};

// What the lock must have become, worked out from its rules alone.
struct Model {
    int zustand = 1, tries = 5, seconds = 10, timer = 1000, shutdowns = 0;
    std::string key, first;
    bool ended = false, failureShown = false;

    void tick() {
        seconds = std::max(seconds - 1, -32768);
        shutdowns += seconds < 1 && !failureShown ? 1 : 0;
    }
    // The dialogue asks for a new password, and only now the countdown stops.
    void ask() { std::tie(zustand, timer) = std::tuple(5, 0); }
    void confirm(Text e, bool master) {
        if (zustand == 2) {
            ask();
        } else if (e.empty()) {
            return;
        } else if (e == "new Paßwort") {
            zustand = 4;
        } else if (zustand == 1 && (master || e == key)) {
            ended = true;
        } else if (zustand == 1) {
            tries = std::max(tries - 1, -32768);
            ended = tries == 0;
            shutdowns += ended ? 1 : 0;
        } else if (zustand == 4 && e == key) {
            ask();
        } else if (zustand == 4) {
            std::tie(zustand, timer) = std::tuple(1, 1000);
        } else if (zustand == 5) {
            std::tie(zustand, first) = std::tuple(6, e);
        } else {
            ended = e == first;
            key = ended ? e : key;
            zustand = ended ? 6 : 5;
        }
    }
    // What `event` does to the lock with `e` in its field.
    void send(Text event, Text e, bool master) {
        if (event == "O" || event == "E" || (event[0] == 'K' && zustand == 2)) {
            confirm(e, master);
        } else if (event == "CY") {
            std::tie(shutdowns, ended) = std::tuple(shutdowns + 1, true);
        } else if (event == "T") {
            tick();
        }
    }
};

TEST(RandomEvents, EveryEventDoesWhatTheRulesSay) {
    const char* seedText = std::getenv("TORVELT_TEST_SEED");
    const unsigned base = seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : 1;
    for (unsigned seed = base; seed < base + 3000 && !HasFailure(); ++seed) {
        SCOPED_TRACE("reproduce with TORVELT_TEST_SEED=" + std::to_string(seed));
        std::mt19937 random(seed);
        const auto pick = [&](const auto& from) {
            return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
        };
        const auto [maxFehler, tries] = pick(kNumbers);
        const auto [timeOut, seconds] = pick(kNumbers);
        const std::string key = pick(kEntries);
        FakeSystem l({{"Key", key}, {"maxFehler", maxFehler}, {"TimeOut", timeOut}});
        Model m;  // a broken number wipes the store: no password, the default limits
        if (tries != kBroken && seconds != kBroken) {
            std::tie(m.tries, m.seconds, m.key) = std::tuple(tries, seconds, key);
        }
        m.zustand = m.key.empty() ? 2 : 1;
        l.failing = random() % 5 == 0 ? "L" : "";
        l.whileBoxOpen = [&](Text text) {
            const bool outer = m.failureShown;
            m.failureShown = outer || text == texts::kGehtNichtText;
            if (random() % 3 == 0 && l.timerInterval > 0) {
                l.lock.Timer_Timer();
                m.tick();
            }
            m.failureShown = outer;
        };
        for (int step = 0; step < 60 && !l.ended() && !HasFailure(); ++step) {
            const std::string event = pick(kEvents), e = l.entry;
            if (event == "S") {
                l.entry = pick(kEntries);
            } else if (event != "T" || l.timerInterval > 0) {
                ASSERT_NO_THROW(l.verbs.at(event[0])(event.substr(1))) << event;
                m.send(event, e, l.lowerCase(e) == "ravelo");
            }
            const LockState& is = l.lock.state();
            ASSERT_EQ(
                std::tuple(int{is.Zustand}, int{is.RestVersuche}, int{is.RestZeit}, l.timerInterval,
                           l.settings[kAt + "Key"], l.launches, l.ended()),
                std::tuple(m.zustand, m.tries, m.seconds, m.timer, m.key, m.shutdowns, m.ended))
                << "(Zustand, RestVersuche, RestZeit, timer, Key, shutdowns, ended) after " << event
                << " on \"" << e << "\" at step " << step;
        }
    }
}

}  // namespace
}  // namespace torvelt::testing
