// Under Wine, measures torvelt.exe against a bare window: start-up, memory, CPU, drift, size.
#include <windows.h>
// Needs the types of windows.h.
#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

// HKCU\Software\WindowsStart\Paßwort, where the lock reads its settings.
constexpr wchar_t kSettingsKey[] = L"Software\\WindowsStart\\Pa\u00DFwort";
// Almost nine hours: no countdown started by the bench can ever run out while it measures.
constexpr wchar_t kBenchTimeOut[] = L"32000";
constexpr wchar_t kBenchPassword[] = L"bench-passwort";
// A caption below this means the lock did not take the bench's TimeOut: stop at once.
constexpr long kLowestSafeCountdown = 31000;

constexpr int kPasswordFieldId = 1006;
constexpr int kCountdownLabelId = 1007;

constexpr double kReadyTimeoutMs = 30000;
constexpr DWORD kEndTimeoutMs = 10000;
constexpr double kWindowGoneTimeoutMs = 10000;
constexpr DWORD kMessageTimeoutMs = 2000;
constexpr double kSettleMs = 2000;
constexpr double kIdleMs = 10000;
constexpr double kDriftMs = 30000;
constexpr DWORD kDriftPollMs = 20;

class Failure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

std::string utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(std::max(size, 0)), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                          size, nullptr, nullptr);
    return result;
}

void progress(const std::string& line) {
    std::fprintf(stderr, "measure: %s\n", line.c_str());
    std::fflush(stderr);
}

std::string format(const char* pattern, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), pattern, value);
    return buffer;
}

// QueryPerformanceCounter: the finest clock Wine offers, and one that never jumps.
class Stopwatch {
  public:
    Stopwatch() { ::QueryPerformanceCounter(&start_); }
    double ms() const {
        LARGE_INTEGER now;
        ::QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 /
               static_cast<double>(frequency());
    }

  private:
    static LONGLONG frequency() {
        static const LONGLONG value = [] {
            LARGE_INTEGER result;
            ::QueryPerformanceFrequency(&result);
            return result.QuadPart;
        }();
        return value;
    }
    LARGE_INTEGER start_;
};

class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() {
        if (handle_ && handle_ != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle_);
        }
    }
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_ = nullptr;
};

class UniqueKey {
  public:
    explicit UniqueKey(HKEY key) : key_(key) {}
    UniqueKey(const UniqueKey&) = delete;
    UniqueKey& operator=(const UniqueKey&) = delete;
    ~UniqueKey() { ::RegCloseKey(key_); }
    HKEY get() const { return key_; }

  private:
    HKEY key_;
};

class UniqueFind {
  public:
    explicit UniqueFind(HANDLE search) : search_(search) {}
    UniqueFind(const UniqueFind&) = delete;
    UniqueFind& operator=(const UniqueFind&) = delete;
    ~UniqueFind() {
        if (search_ != INVALID_HANDLE_VALUE) {
            ::FindClose(search_);
        }
    }
    HANDLE get() const { return search_; }

  private:
    HANDLE search_;
};

void writeSettings() {
    HKEY raw = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0,
                          KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &raw,
                          nullptr) != ERROR_SUCCESS) {
        throw Failure("cannot create the lock's settings key");
    }
    const UniqueKey key(raw);
    for (const auto& [name, value] :
         {std::pair{L"TimeOut", kBenchTimeOut}, std::pair{L"Key", kBenchPassword}}) {
        const auto bytes = static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t));
        if (::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                             bytes) != ERROR_SUCCESS) {
            throw Failure("cannot write the lock's settings");
        }
    }
}

std::wstring readSetting(const wchar_t* name) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &raw) !=
        ERROR_SUCCESS) {
        return {};
    }
    const UniqueKey key(raw);
    wchar_t buffer[64]{};
    DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = 0;
    if (::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                           &bytes) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return {};
    }
    return std::wstring(buffer, ::wcsnlen(buffer, bytes / sizeof(wchar_t)));
}

// Checked before every start of the lock: its countdown must not be able to run out.
void requireBenchSettings() {
    if (readSetting(L"TimeOut") != kBenchTimeOut) {
        throw Failure("the lock's TimeOut is not the bench's; refusing to start it");
    }
}

double cpuMs(HANDLE process) {
    FILETIME created, ended, kernel, user;
    if (!::GetProcessTimes(process, &created, &ended, &kernel, &user)) {
        throw Failure("GetProcessTimes failed");
    }
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

// What a /proc file holds; empty when it cannot be read, as when its process just ended.
// ReadFile rather than a stream: /proc reports size 0, and a failing read must not throw.
std::string readProcFile(const std::wstring& path) {
    const UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string content;
    if (file.get() == INVALID_HANDLE_VALUE) {
        return content;
    }
    char buffer[4096];
    DWORD read = 0;
    // Bounded: the files read here are a few KiB.
    while (content.size() < (1u << 20) &&
           ::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        content.append(buffer, read);
    }
    return content;
}

// Wine runs every Windows process as a Linux process whose command line it sets to the Windows
// path of the .exe; Z: is Wine's view of /, so /proc can be read from here. Only an exact path
// counts: other Wine prefixes on this machine may run a torvelt.exe of their own.
std::optional<std::wstring> linuxProcessOf(const std::wstring& exe) {
    const std::string wanted = utf8(exe);
    const auto sameLetter = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    std::optional<std::wstring> found;
    WIN32_FIND_DATAW entry{};
    const UniqueFind search(::FindFirstFileW(L"Z:\\proc\\*", &entry));
    if (search.get() == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    do {
        const std::wstring name = entry.cFileName;
        if (name.empty() || name.find_first_not_of(L"0123456789") != std::wstring::npos) {
            continue;
        }
        const std::wstring folder = L"Z:\\proc\\" + name;
        const std::string commandLine = readProcFile(folder + L"\\cmdline");
        const std::string first = commandLine.substr(0, commandLine.find('\0'));
        if (std::equal(first.begin(), first.end(), wanted.begin(), wanted.end(), sameLetter)) {
            if (found) {
                found.reset();  // two of them: which one is ours cannot be told
                break;
            }
            found = folder;
        }
    } while (::FindNextFileW(search.get(), &entry));
    return found;
}

// One "Name:   N kB" line of /proc/PID/status.
std::optional<double> statusKiB(const std::wstring& folder, const std::string& field) {
    const std::string status = readProcFile(folder + L"\\status");
    const auto at = status.find("\n" + field + ":");
    if (at == std::string::npos) {
        return std::nullopt;
    }
    return std::strtod(status.c_str() + at + field.size() + 2, nullptr);
}

struct Memory {
    double privateKiB;      // PROCESS_MEMORY_COUNTERS_EX.PrivateUsage
    double workingSetKiB;   // PROCESS_MEMORY_COUNTERS_EX.WorkingSetSize
    double rssAnonKiB = 0;  // Linux: resident anonymous memory of the Wine process, 0 if unknown
};

Memory memoryOf(HANDLE process, const std::optional<std::wstring>& linuxProcess) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!::K32GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                   sizeof(counters))) {
        throw Failure("K32GetProcessMemoryInfo failed");
    }
    Memory memory{static_cast<double>(counters.PrivateUsage) / 1024.0,
                  static_cast<double>(counters.WorkingSetSize) / 1024.0};
    if (linuxProcess) {
        memory.rssAnonKiB = statusKiB(*linuxProcess, "RssAnon").value_or(0);
    }
    return memory;
}

// CPU time of the threads a Linux process has now: the first number of each thread's schedstat
// is its time on a CPU in nanoseconds.
std::optional<double> linuxCpuMs(const std::wstring& linuxProcess) {
    WIN32_FIND_DATAW entry{};
    const UniqueFind search(::FindFirstFileW((linuxProcess + L"\\task\\*").c_str(), &entry));
    if (search.get() == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    double total = 0;
    bool any = false;
    do {
        const std::wstring name = entry.cFileName;
        if (name.empty() || name.find_first_not_of(L"0123456789") != std::wstring::npos) {
            continue;
        }
        const std::string stat = readProcFile(linuxProcess + L"\\task\\" + name + L"\\schedstat");
        if (!stat.empty()) {
            total += static_cast<double>(std::strtoull(stat.c_str(), nullptr, 10)) / 1e6;
            any = true;
        }
    } while (::FindNextFileW(search.get(), &entry));
    return any ? std::optional<double>(total) : std::nullopt;
}

// The CPU time a started program has used. Wine 8 answers GetProcessTimes for any process with
// the caller's own times; then the Linux process behind the program is asked instead.
class CpuClock {
  public:
    CpuClock(HANDLE process, std::optional<std::wstring> linuxProcess)
        : process_(process), linuxProcess_(std::move(linuxProcess)) {
        callersTimes_ = cpuMs(process_) == cpuMs(::GetCurrentProcess());
        if (callersTimes_ && !(linuxProcess_ && linuxCpuMs(*linuxProcess_))) {
            throw Failure("GetProcessTimes gives this process's own times, and /proc is not there");
        }
    }
    double ms() const {
        if (!callersTimes_) {
            return cpuMs(process_);
        }
        const auto value = linuxCpuMs(*linuxProcess_);
        if (!value) {
            throw Failure("the program's threads vanished from /proc");
        }
        return *value;
    }
    bool fromLinux() const { return callersTimes_; }

  private:
    HANDLE process_;
    std::optional<std::wstring> linuxProcess_;
    bool callersTimes_ = false;
};

// One started program. Its destructor ends it, so that no error path leaves a lock running.
class Child {
  public:
    explicit Child(const std::wstring& exe) {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        std::wstring commandLine = L"\"" + exe + L"\"";
        started_ = Stopwatch();
        if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info)) {
            throw Failure("CreateProcessW failed for " + utf8(exe));
        }
        process_ = UniqueHandle(info.hProcess);
        thread_ = UniqueHandle(info.hThread);
        id_ = info.dwProcessId;
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        ::TerminateProcess(process_.get(), 1);
        ::WaitForSingleObject(process_.get(), kEndTimeoutMs);
    }

    HANDLE handle() const { return process_.get(); }
    DWORD id() const { return id_; }
    double sinceStart() const { return started_.ms(); }

    // Waits up to `milliseconds` (the bounded pause of every poll); true once the program ended.
    bool endsWithin(DWORD milliseconds) const {
        return ::WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0;
    }
    // Waits until `sinceStart()` reaches `ms`; a program ending meanwhile is an error.
    void runUntil(double ms, const char* what) const {
        for (double left = ms - sinceStart(); left > 0; left = ms - sinceStart()) {
            if (endsWithin(static_cast<DWORD>(left) + 1)) {
                throw Failure(std::string("the program ended while ") + what);
            }
        }
    }
    void stop() {
        ::TerminateProcess(process_.get(), 1);
        if (!endsWithin(kEndTimeoutMs)) {
            throw Failure("the program did not end after TerminateProcess");
        }
    }

  private:
    Stopwatch started_;
    UniqueHandle process_;
    UniqueHandle thread_;
    DWORD id_ = 0;
};

struct Ready {
    HWND window;
    HWND focus;
    double ms;
};

// Ready: the foreground thread's keyboard focus is in a window of this process whose top-level
// window is visible and in front. Thread 0 asks about the foreground thread, whose focus is the
// one keystrokes go to.
Ready waitReady(const Child& child) {
    for (;;) {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        if (::GetGUIThreadInfo(0, &info) && info.hwndFocus) {
            const double ms = child.sinceStart();
            DWORD owner = 0;
            ::GetWindowThreadProcessId(info.hwndFocus, &owner);
            const HWND root = ::GetAncestor(info.hwndFocus, GA_ROOT);
            if (owner == child.id() && root && ::IsWindowVisible(root) &&
                ::GetForegroundWindow() == root) {
                return {root, info.hwndFocus, ms};
            }
        }
        if (child.sinceStart() > kReadyTimeoutMs) {
            throw Failure("no focused window within " + format("%.0f", kReadyTimeoutMs) + " ms");
        }
        if (child.endsWithin(1)) {
            throw Failure("the program ended before its window was ready");
        }
    }
}

void waitWindowGone(HWND window) {
    const Stopwatch waited;
    while (::IsWindow(window)) {
        if (waited.ms() > kWindowGoneTimeoutMs) {
            throw Failure("the window outlived its process");
        }
        ::Sleep(5);
    }
}

HWND findControl(HWND window, int id) {
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    ::EnumChildWindows(
        window,
        [](HWND child, LPARAM data) -> BOOL {
            auto* wanted = reinterpret_cast<Search*>(data);
            if (::GetDlgCtrlID(child) == wanted->id) {
                wanted->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The number in "Timeout in: N sekunden", read across processes with a bounded wait.
std::optional<long> countdownOf(HWND window) {
    const HWND label = findControl(window, kCountdownLabelId);
    if (!label) {
        return std::nullopt;
    }
    wchar_t text[256]{};
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(label, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                               SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied)) {
        return std::nullopt;
    }
    const wchar_t* cursor = text;
    while (*cursor && !(std::iswdigit(*cursor) || (*cursor == L'-' && std::iswdigit(cursor[1])))) {
        ++cursor;
    }
    if (!*cursor) {
        return std::nullopt;
    }
    return std::wcstol(cursor, nullptr, 10);
}

long requireSafeCountdown(HWND window) {
    const auto seconds = countdownOf(window);
    if (!seconds || *seconds < kLowestSafeCountdown) {
        throw Failure("the lock's countdown is not the bench's TimeOut; stopped it at once");
    }
    return *seconds;
}

// ---- The .exe file: size and the DLLs its import tables name.

class PeFile {
  public:
    explicit PeFile(const std::filesystem::path& path) {
        std::ifstream file(path, std::ios::binary);
        bytes_.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        if (!file.good() && !file.eof()) {
            throw Failure("cannot read " + path.string());
        }
        if (read<std::uint16_t>(0) != IMAGE_DOS_SIGNATURE) {
            throw Failure(path.string() + " is not an .exe");
        }
        const auto headers = read<std::uint32_t>(offsetof(IMAGE_DOS_HEADER, e_lfanew));
        if (read<std::uint32_t>(headers) != IMAGE_NT_SIGNATURE) {
            throw Failure(path.string() + " has no PE header");
        }
        const auto fileHeader = read<IMAGE_FILE_HEADER>(headers + 4);
        const std::size_t optional = headers + 4 + sizeof(IMAGE_FILE_HEADER);
        const auto magic = read<std::uint16_t>(optional);
        if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
            const auto header = read<IMAGE_OPTIONAL_HEADER64>(optional);
            std::memcpy(directories_, header.DataDirectory, sizeof(directories_));
        } else if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
            const auto header = read<IMAGE_OPTIONAL_HEADER32>(optional);
            std::memcpy(directories_, header.DataDirectory, sizeof(directories_));
        } else {
            throw Failure(path.string() + " has an unknown optional header");
        }
        const std::size_t sections = optional + fileHeader.SizeOfOptionalHeader;
        for (WORD index = 0; index < fileHeader.NumberOfSections; ++index) {
            sections_.push_back(
                read<IMAGE_SECTION_HEADER>(sections + index * sizeof(IMAGE_SECTION_HEADER)));
        }
    }

    std::uint64_t size() const { return bytes_.size(); }

    // Ordinary and delay-loaded imports alike: both put a DLL into the program's needs.
    std::vector<std::string> importedDlls() const {
        std::vector<std::string> names;
        const auto& imports = directories_[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (imports.VirtualAddress != 0) {
            for (std::size_t at = offsetOf(imports.VirtualAddress);;
                 at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
                const auto entry = read<IMAGE_IMPORT_DESCRIPTOR>(at);
                if (entry.Name == 0) {
                    break;
                }
                names.push_back(stringAt(entry.Name));
            }
        }
        // The delay-load descriptor: attributes, then the RVA of the DLL's name, then six more.
        struct DelayDescriptor {
            std::uint32_t attributes, name, module, addresses, names, bound, unload, stamp;
        };
        const auto& delayed = directories_[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
        if (delayed.VirtualAddress != 0) {
            for (std::size_t at = offsetOf(delayed.VirtualAddress);;
                 at += sizeof(DelayDescriptor)) {
                const auto entry = read<DelayDescriptor>(at);
                if (entry.name == 0) {
                    break;
                }
                names.push_back(stringAt(entry.name) + " (delay-loaded)");
            }
        }
        return names;
    }

  private:
    template <typename T>
    T read(std::size_t offset) const {
        if (offset > bytes_.size() || sizeof(T) > bytes_.size() - offset) {
            throw Failure("the .exe ends inside a header it points to");
        }
        T value;
        std::memcpy(&value, bytes_.data() + offset, sizeof(T));
        return value;
    }

    std::size_t offsetOf(std::uint32_t rva) const {
        for (const auto& section : sections_) {
            const std::uint32_t length = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
            if (rva >= section.VirtualAddress && rva - section.VirtualAddress < length) {
                return section.PointerToRawData + (rva - section.VirtualAddress);
            }
        }
        throw Failure("an import points outside every section");
    }

    std::string stringAt(std::uint32_t rva) const {
        std::string text;
        for (std::size_t at = offsetOf(rva);; ++at) {
            const char c = read<char>(at);
            if (c == '\0') {
                return text;
            }
            text += c;
        }
    }

    std::vector<char> bytes_;
    IMAGE_DATA_DIRECTORY directories_[IMAGE_NUMBEROF_DIRECTORY_ENTRIES]{};
    std::vector<IMAGE_SECTION_HEADER> sections_;
};

// A system DLL ships with Windows: it is in the system folder, and is none of MinGW's runtime
// DLLs that a build without -static would have to bring along.
bool isSystemDll(std::string name) {
    if (const auto mark = name.find(' '); mark != std::string::npos) {
        name.resize(mark);
    }
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* runtime : {"libstdc++", "libgcc", "libwinpthread", "libssp", "libatomic"}) {
        if (lower.rfind(runtime, 0) == 0) {
            return false;
        }
    }
    wchar_t folder[MAX_PATH]{};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    const std::wstring path =
        std::wstring(folder, length) + L"\\" + std::wstring(name.begin(), name.end());
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// ---- What is measured, per program.

struct Program {
    std::string name;
    std::wstring exe;
    bool isLock;
};

struct Results {
    std::vector<double> readyMs;
    int focusInPasswordField = 0;
    std::vector<double> privateKiB;
    std::vector<double> workingSetKiB;
    std::vector<double> rssAnonKiB;
    std::vector<double> idleCpuMs;
    bool cpuFromLinux = false;
};

struct Stats {
    double median;
    double min;
    double max;
};

Stats statsOf(std::vector<double> values) {
    if (values.empty()) {
        throw Failure("no samples");
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    const double median =
        values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
    return {median, values.front(), values.back()};
}

// One start to a ready window and the end again; the time-to-ready sample.
void startOnce(const Program& program, Results* results) {
    if (program.isLock) {
        requireBenchSettings();
    }
    Child child(program.exe);
    const Ready ready = waitReady(child);
    if (program.isLock) {
        requireSafeCountdown(ready.window);
    }
    if (results) {
        results->readyMs.push_back(ready.ms);
        if (program.isLock && ::GetDlgCtrlID(ready.focus) == kPasswordFieldId) {
            ++results->focusInPasswordField;
        }
    }
    child.stop();
    waitWindowGone(ready.window);
}

// One start left alone: memory once settled, CPU over the idle span after ready.
void settleOnce(const Program& program, Results& results) {
    if (program.isLock) {
        requireBenchSettings();
    }
    Child child(program.exe);
    const Ready ready = waitReady(child);
    if (program.isLock) {
        requireSafeCountdown(ready.window);
    }
    // Found once the window is ready, so that the search costs no start-up time.
    const auto linuxProcess = linuxProcessOf(program.exe);
    const CpuClock cpu(child.handle(), linuxProcess);
    results.cpuFromLinux = cpu.fromLinux();
    // Ten seconds from the first reading on; the one countdown read above is all the bench
    // asks of the program meanwhile.
    const double idleFrom = child.sinceStart();
    const double cpuAtStart = cpu.ms();
    child.runUntil(ready.ms + kSettleMs, "settling");
    const Memory memory = memoryOf(child.handle(), linuxProcess);
    child.runUntil(idleFrom + kIdleMs, "idle");
    results.idleCpuMs.push_back(cpu.ms() - cpuAtStart);
    results.privateKiB.push_back(memory.privateKiB);
    results.workingSetKiB.push_back(memory.workingSetKiB);
    results.rssAnonKiB.push_back(memory.rssAnonKiB);
    child.stop();
    waitWindowGone(ready.window);
}

struct Drift {
    long startValue = 0;
    long endValue = 0;
    double elapsedS = 0;
    double ticks = 0;            // decrease minus elapsed seconds, from ready on
    double meanPeriodMs = 0;     // between the first and the last change seen
    double edgeTicksPer30s = 0;  // that period's gain or loss over 30 s
    double firstTickAfterReadyMs = 0;
    int steps = 0;
    int oddSteps = 0;  // changes other than one second down
    std::string oddStepsText;
};

Drift measureDrift(const Program& lock) {
    requireBenchSettings();
    Child child(lock.exe);
    const Ready ready = waitReady(child);
    Drift drift;
    drift.startValue = requireSafeCountdown(ready.window);
    const double start = child.sinceStart();
    long last = drift.startValue;
    double firstChange = -1;
    double lastChange = -1;
    long firstChangeValue = 0;
    long lastChangeValue = 0;
    double now = start;
    while (now - start < kDriftMs) {
        if (child.endsWithin(kDriftPollMs)) {
            throw Failure("the lock ended during the drift measurement");
        }
        const auto value = countdownOf(ready.window);
        now = child.sinceStart();
        if (!value) {
            throw Failure("the countdown caption could not be read");
        }
        if (*value < kLowestSafeCountdown) {
            throw Failure("the countdown fell below the safe range; stopped it at once");
        }
        if (*value != last) {
            ++drift.steps;
            if (*value != last - 1) {
                ++drift.oddSteps;
                drift.oddStepsText.append(" ").append(std::to_string(last)).append("->");
                drift.oddStepsText.append(std::to_string(*value));
                drift.oddStepsText.append(format("@%.0fms", now - start));
            }
            if (firstChange < 0) {
                firstChange = now;
                firstChangeValue = *value;
            }
            lastChange = now;
            lastChangeValue = *value;
            last = *value;
        }
    }
    drift.endValue = last;
    drift.elapsedS = (now - start) / 1000.0;
    drift.ticks = static_cast<double>(drift.startValue - drift.endValue) - drift.elapsedS;
    if (firstChange >= 0) {
        drift.firstTickAfterReadyMs = firstChange - start;
    }
    const long spanTicks = firstChangeValue - lastChangeValue;
    if (spanTicks > 0) {
        drift.meanPeriodMs = (lastChange - firstChange) / static_cast<double>(spanTicks);
        drift.edgeTicksPer30s = 30000.0 / drift.meanPeriodMs - 30.0;
    }
    child.stop();
    waitWindowGone(ready.window);
    return drift;
}

// ---- The table.

struct Row {
    std::string metric, lock, bare, ratio, target, met;
};

std::string ratioText(double lock, double bare) {
    if (bare <= 0) {
        return "n/a";
    }
    return format("%.2f", lock / bare);
}

std::string rangeText(const Stats& stats, const char* pattern) {
    return format(pattern, stats.median) + " (" + format(pattern, stats.min) + "-" +
           format(pattern, stats.max) + ")";
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text.empty() ? "(none)" : text;
}

struct Options {
    std::wstring lockExe;
    std::wstring bareExe;
    std::wstring out;
    int starts = 20;
    int settleRuns = 3;
};

Options parse(int argc, wchar_t** argv) {
    Options options;
    for (int index = 1; index < argc; ++index) {
        const std::wstring name = argv[index];
        if (index + 1 >= argc) {
            throw Failure("missing value after " + utf8(name));
        }
        const std::wstring value = argv[++index];
        if (name == L"--torvelt") {
            options.lockExe = value;
        } else if (name == L"--bare") {
            options.bareExe = value;
        } else if (name == L"--out") {
            options.out = value;
        } else if (name == L"--starts") {
            options.starts = std::stoi(value);
        } else if (name == L"--settle-runs") {
            options.settleRuns = std::stoi(value);
        } else {
            throw Failure("unknown option " + utf8(name));
        }
    }
    if (options.lockExe.empty() || options.bareExe.empty() || options.out.empty() ||
        options.starts < 1 || options.settleRuns < 1) {
        throw Failure(
            "usage: measure --torvelt EXE --bare EXE --out TSV [--starts N] [--settle-runs N]");
    }
    return options;
}

int run(const Options& options) {
    const Program lock{"torvelt", options.lockExe, true};
    const Program bare{"bare window", options.bareExe, false};
    writeSettings();

    const PeFile lockFile(options.lockExe);
    const PeFile bareFile(options.bareExe);

    // Not counted: the first start of each reads its files from disk and fills Wine's caches.
    progress("warm-up starts");
    startOnce(lock, nullptr);
    startOnce(bare, nullptr);

    Results lockResults;
    Results bareResults;
    // Alternating which goes first, so that neither always follows the other's teardown.
    progress("time to ready: " + std::to_string(options.starts) + " starts each");
    for (int round = 0; round < options.starts; ++round) {
        if (round % 2 == 0) {
            startOnce(lock, &lockResults);
            startOnce(bare, &bareResults);
        } else {
            startOnce(bare, &bareResults);
            startOnce(lock, &lockResults);
        }
    }
    progress("memory and idle CPU: " + std::to_string(options.settleRuns) + " runs each");
    for (int round = 0; round < options.settleRuns; ++round) {
        if (round % 2 == 0) {
            settleOnce(lock, lockResults);
            settleOnce(bare, bareResults);
        } else {
            settleOnce(bare, bareResults);
            settleOnce(lock, lockResults);
        }
    }
    progress("countdown drift over 30 s");
    const Drift drift = measureDrift(lock);

    const Stats lockReady = statsOf(lockResults.readyMs);
    const Stats bareReady = statsOf(bareResults.readyMs);
    const Stats lockPrivate = statsOf(lockResults.privateKiB);
    const Stats barePrivate = statsOf(bareResults.privateKiB);
    const Stats lockWorkingSet = statsOf(lockResults.workingSetKiB);
    const Stats bareWorkingSet = statsOf(bareResults.workingSetKiB);
    const Stats lockIdle = statsOf(lockResults.idleCpuMs);
    const Stats bareIdle = statsOf(bareResults.idleCpuMs);
    const auto lockDlls = lockFile.importedDlls();
    const auto bareDlls = bareFile.importedDlls();
    const bool lockSystemOnly = std::all_of(lockDlls.begin(), lockDlls.end(), isSystemDll);
    const bool bareSystemOnly = std::all_of(bareDlls.begin(), bareDlls.end(), isSystemDll);
    const auto yesNo = [](bool met) { return std::string(met ? "yes" : "NO"); };
    const double readyRatio = lockReady.median / bareReady.median;
    const Stats lockRssAnon = statsOf(lockResults.rssAnonKiB);
    const Stats bareRssAnon = statsOf(bareResults.rssAnonKiB);
    // Wine 8 leaves PrivateUsage at 0 for other processes; then the Linux figure stands in.
    const bool privateUsageKnown = lockPrivate.min > 0 && barePrivate.min > 0;
    const bool rssAnonKnown = lockRssAnon.min > 0 && bareRssAnon.min > 0;
    const double privateRatio = privateUsageKnown ? lockPrivate.median / barePrivate.median
                                : rssAnonKnown    ? lockRssAnon.median / bareRssAnon.median
                                                  : -1;
    const std::string privateTarget = privateUsageKnown ? "ratio <= 1.25"
                                      : rssAnonKnown    ? "ratio <= 1.25 (judged on RssAnon)"
                                                        : "ratio <= 1.25 (not measurable)";

    const std::string starts = std::to_string(options.starts);
    const std::string runs = std::to_string(options.settleRuns);
    const std::vector<Row> rows{
        {"metric", "torvelt", "bare window", "ratio torvelt/bare", "target", "met"},
        {"time to ready, median of " + starts + " (ms)", format("%.1f", lockReady.median),
         format("%.1f", bareReady.median), format("%.2f", readyRatio), "ratio <= 1.25",
         yesNo(readyRatio <= 1.25)},
        {"time to ready, min (ms)", format("%.1f", lockReady.min), format("%.1f", bareReady.min),
         ratioText(lockReady.min, bareReady.min), "", ""},
        {"time to ready, max (ms)", format("%.1f", lockReady.max), format("%.1f", bareReady.max),
         ratioText(lockReady.max, bareReady.max), "", ""},
        {"private memory (PrivateUsage) at ready + 2 s, median of " + runs + " (min-max) (KiB)",
         rangeText(lockPrivate, "%.0f"), rangeText(barePrivate, "%.0f"),
         ratioText(lockPrivate.median, barePrivate.median),
         privateUsageKnown ? privateTarget : "(0: not filled in by Wine)",
         privateUsageKnown ? yesNo(privateRatio <= 1.25) : ""},
        {"private memory (Linux RssAnon of the Wine process) at ready + 2 s, median of " + runs +
             " (min-max) (KiB)",
         rangeText(lockRssAnon, "%.0f"), rangeText(bareRssAnon, "%.0f"),
         ratioText(lockRssAnon.median, bareRssAnon.median), privateUsageKnown ? "" : privateTarget,
         privateUsageKnown || privateRatio < 0 ? "" : yesNo(privateRatio <= 1.25)},
        {"working set at ready + 2 s, median of " + runs + " (min-max) (KiB)",
         rangeText(lockWorkingSet, "%.0f"), rangeText(bareWorkingSet, "%.0f"),
         ratioText(lockWorkingSet.median, bareWorkingSet.median), "", ""},
        {"idle CPU in the 10 s after ready, median of " + runs + " (min-max) (ms)" +
             (lockResults.cpuFromLinux || bareResults.cpuFromLinux
                  ? " [Linux schedstat: Wine's GetProcessTimes gives the caller's own times]"
                  : " [GetProcessTimes]"),
         rangeText(lockIdle, "%.1f"), rangeText(bareIdle, "%.1f"),
         ratioText(lockIdle.median, bareIdle.median), "torvelt < 20 ms in every run",
         yesNo(lockIdle.max < 20.0)},
        {".exe size as built (bytes)", std::to_string(lockFile.size()),
         std::to_string(bareFile.size()),
         ratioText(static_cast<double>(lockFile.size()), static_cast<double>(bareFile.size())),
         "torvelt < 524288 (512 KiB)", yesNo(lockFile.size() < 524288)},
        {"imported DLLs", joined(lockDlls), joined(bareDlls),
         std::to_string(lockDlls.size()) + "/" + std::to_string(bareDlls.size()),
         "system DLLs only", yesNo(lockSystemOnly) + (bareSystemOnly ? "" : " (bare window: NO)")},
        {"focus in password field 1006 at ready",
         std::to_string(lockResults.focusInPasswordField) + "/" + starts, "-", "-", "", ""},
        {"countdown drift over " + format("%.2f", drift.elapsedS) + " s (ticks)",
         format("%+.2f", drift.ticks) + " (" + std::to_string(drift.startValue) + " -> " +
             std::to_string(drift.endValue) + ")",
         "-", "-", "|drift| <= 1 tick", yesNo(drift.ticks >= -1.0 && drift.ticks <= 1.0)},
        {"countdown: mean tick period between first and last change (ms)",
         format("%.1f", drift.meanPeriodMs), "-", "-", "", ""},
        {"countdown: that period's drift over 30 s (ticks)", format("%+.3f", drift.edgeTicksPer30s),
         "-", "-", "", ""},
        {"countdown: changes seen / not one second down",
         std::to_string(drift.steps) + " / " + std::to_string(drift.oddSteps) + drift.oddStepsText,
         "-", "-", "", ""},
        {"countdown: first change after ready (ms)", format("%.0f", drift.firstTickAfterReadyMs),
         "-", "-", "", ""},
    };

    std::ofstream out(std::filesystem::path(options.out), std::ios::binary | std::ios::trunc);
    for (const auto& row : rows) {
        out << row.metric << '\t' << row.lock << '\t' << row.bare << '\t' << row.ratio << '\t'
            << row.target << '\t' << row.met << '\n';
    }
    out.close();
    if (!out) {
        throw Failure("cannot write the results to " + utf8(options.out));
    }
    progress("done");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        return run(parse(argc, argv));
    } catch (const std::exception& error) {
        progress(std::string("FAILED: ") + error.what());
        return 1;
    }
}
