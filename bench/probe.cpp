// Under Wine, what only Win32 can see of a bench program: its start until ready, and the countdown.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "control_ids.h"
#include "process_window.h"
#include "registry_settings.h"
#include "texts.h"
#include "unique_handles.h"
#include "utf16.h"

namespace {

using torvelt::win32::toUtf8;

// Almost nine hours: no countdown started by the bench can run out while it measures.
constexpr char kBenchTimeOut[] = "32000";
constexpr int kLowestSafeCountdown = 31000;
constexpr double kReadyTimeoutMs = 30000;
constexpr DWORD kEndTimeoutMs = 10000;
constexpr DWORD kDriftPollMs = 20;

using Failure = std::runtime_error;

// QueryPerformanceCounter: the finest clock Wine offers, and one that never jumps.
double nowMs() {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The lock's settings, so that its countdown runs and cannot run out; read back before each start.
void writeBenchSettings() {
    using torvelt::win32::RegistrySettings;
    const std::string app(torvelt::texts::kApp);
    const std::string section(torvelt::texts::kSection);
    RegistrySettings::write(app, section, std::string(torvelt::texts::kKeyPassword), "bench");
    RegistrySettings::write(app, section, std::string(torvelt::texts::kKeyTimeOut), kBenchTimeOut);
}

void requireBenchSettings() {
    if (torvelt::win32::RegistrySettings::read(
            std::string(torvelt::texts::kApp), std::string(torvelt::texts::kSection),
            std::string(torvelt::texts::kKeyTimeOut)) != kBenchTimeOut) {
        throw Failure("the lock's TimeOut is not the bench's; refusing to start anything");
    }
}

// ---- Reading the countdown of the lock window.

// The seconds "Timeout in: N sekunden" shows; nothing if the caption shows none.
std::optional<int> countdownSeconds(const std::string& caption) {
    const auto& before = torvelt::texts::kCaptionBefore;
    const auto& after = torvelt::texts::kCaptionAfter;
    if (caption.size() <= before.size() + after.size() || !caption.starts_with(before) ||
        !caption.ends_with(after)) {
        return std::nullopt;
    }
    const std::string number =
        caption.substr(before.size(), caption.size() - before.size() - after.size());
    char* end = nullptr;
    const long seconds = std::strtol(number.c_str(), &end, 10);
    return *end == '\0' ? std::optional(static_cast<int>(seconds)) : std::nullopt;
}

// ---- One started program; its end is certain, so that no error path leaves a lock running.

class Child {
  public:
    explicit Child(const std::wstring& exe) {
        requireBenchSettings();
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        started_ = nowMs();
        if (!::CreateProcessW(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info)) {
            throw Failure("cannot start " + toUtf8(exe));
        }
        process_.reset(info.hProcess);
        thread_.reset(info.hThread);
        id_ = info.dwProcessId;
        try {
            waitReady();
        } catch (...) {
            end();
            throw;
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { end(); }

    double readyMs() const { return readyMs_; }
    std::optional<int> countdown() const {
        return countdownSeconds(
            torvelt::win32::windowText(::GetDlgItem(window_, torvelt::ids::kTimerText)));
    }
    // Waits `ms`; the program ending meanwhile is an error.
    void keep(double ms) const {
        if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(ms)) != WAIT_TIMEOUT) {
            throw Failure("the program ended while it was measured");
        }
    }

  private:
    void end() const {
        ::TerminateProcess(process_.get(), 1);
        ::WaitForSingleObject(process_.get(), kEndTimeoutMs);
        // The next start must not find this one's window.
        for (int waited = 0; ::IsWindow(window_) && waited < 2000; ++waited) {
            ::Sleep(5);
        }
    }

    // Ready: the keyboard focus of the foreground thread is in a window of this process whose
    // top-level window is visible and in front; for the lock, in its password field.
    void waitReady() {
        while (nowMs() - started_ < kReadyTimeoutMs) {
            GUITHREADINFO info{};
            info.cbSize = sizeof(info);
            const double at = nowMs() - started_;
            DWORD owner = 0;
            if (::GetGUIThreadInfo(0, &info) && info.hwndFocus &&
                ::GetWindowThreadProcessId(info.hwndFocus, &owner) && owner == id_) {
                const HWND root = ::GetAncestor(info.hwndFocus, GA_ROOT);
                const bool lock =
                    torvelt::win32::findProcessWindow(id_, torvelt::ids::kWindowClass) == root;
                if (::IsWindowVisible(root) && ::GetForegroundWindow() == root &&
                    (!lock || ::GetDlgCtrlID(info.hwndFocus) == torvelt::ids::kPaßworttext)) {
                    window_ = root;
                    readyMs_ = at;
                    if (lock && countdown().value_or(0) < kLowestSafeCountdown) {
                        throw Failure("the lock's countdown is not the bench's TimeOut; ended it");
                    }
                    return;
                }
            }
            keep(1);
        }
        throw Failure("no window with the focus within 30 s");
    }

    double started_ = 0;
    torvelt::win32::UniqueHandle process_;
    torvelt::win32::UniqueHandle thread_;
    DWORD id_ = 0;
    HWND window_ = nullptr;
    double readyMs_ = 0;
};

// ---- The three measurements; each prints tab-separated lines that bench/run.sh reads.

void line(const std::string& text) {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

// Starts every program `rounds` times, one after the other, the first one changing each round,
// so that no program always follows the same other's teardown. One unmeasured start each first
// fills Wine's caches.
void timeToReady(int rounds, const std::vector<std::wstring>& exes) {
    for (const auto& exe : exes) {
        Child warmUp(exe);
    }
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t step = 0; step < exes.size(); ++step) {
            const std::size_t index = (step + static_cast<std::size_t>(round)) % exes.size();
            const Child child(exes[index]);
            line("ready\t" + std::to_string(index) + "\t" + std::to_string(child.readyMs()));
        }
    }
}

// Announces ready, then leaves the program alone while bench/run.sh reads /proc.
void hold(double seconds, const std::wstring& exe) {
    const Child child(exe);
    line("ready\t0\t" + std::to_string(child.readyMs()));
    child.keep(seconds * 1000);
}

// The ticks the caption lost against the wall clock in `seconds` from its first tick on. Read
// only at both ends (half a second after the last expected tick), so that nothing but its own
// timer wakes the lock meanwhile.
void drift(double seconds, const std::wstring& exe) {
    const Child child(exe);
    const auto read = [&] {
        const auto value = child.countdown();
        if (!value || *value < kLowestSafeCountdown) {
            throw Failure("the countdown cannot be read or left the safe range");
        }
        return *value;
    };
    const int shown = read();
    int first = shown;
    while ((first = read()) == shown) {
        child.keep(kDriftPollMs);
    }
    child.keep(seconds * 1000 + 500);
    line("drift\t" + std::to_string(first - read() - static_cast<int>(seconds)));
}

int run(const std::vector<std::wstring>& arguments) {
    if (arguments.size() < 3) {
        throw Failure("usage: probe ready ROUNDS EXE... | hold SECONDS EXE | drift SECONDS EXE");
    }
    writeBenchSettings();
    const std::wstring& mode = arguments[0];
    const double number = std::stod(arguments[1]);
    const std::vector<std::wstring> exes(arguments.begin() + 2, arguments.end());
    if (mode == L"ready") {
        timeToReady(static_cast<int>(number), exes);
    } else if (mode == L"hold") {
        hold(number, exes.at(0));
    } else if (mode == L"drift") {
        drift(number, exes.at(0));
    } else {
        throw Failure("unknown mode " + toUtf8(mode));
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        return run(std::vector<std::wstring>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "probe: %s\n", error.what());
        return 1;
    }
}
