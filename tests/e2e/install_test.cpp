// The real installer under Wine: silent install, logon, reinstall and upgrade, uninstall, a lock in
// use.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "lock_driver.h"
#include "utf16.h"

namespace torvelt::e2e {
namespace {

namespace fs = std::filesystem;
using win32::toUtf16;
using win32::toUtf8;

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kAppsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t kEntryKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WindowsStart";
constexpr char kOtherRun[] = "\"C:\\Andere\\andere.exe\" /still";
const fs::path kChosenFolder = L"C:\\Programme Ä ß\\Sperre";

std::string utf8(const fs::path& path) {
    return toUtf8(path.wstring());
}
// Built in steps: GCC 12 warns wrongly about the plain concatenation.
std::string inQuotes(const fs::path& path) {
    return (std::string(1, '"') += utf8(path)) += '"';
}
// Wine shows the Linux root as drive Z:.
std::wstring setup(const char* linuxPath) {
    return L"\"Z:" + toUtf16(linuxPath) + L"\" /S";
}
fs::path defaultFolder() {
    return fs::path(_wgetenv(L"LOCALAPPDATA")) / L"Programs\\WindowsStart";
}

// The command line reaches the program as it stands: /D= must come last and unquoted.
DWORD run(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started)) {
        return ::GetLastError() | 0x80000000;
    }
    const win32::UniqueHandle process(started.hProcess), thread(started.hThread);
    DWORD code = ::WaitForSingleObject(process.get(), 30000);
    ::GetExitCodeProcess(process.get(), &code);
    return code;
}

// A registry value under HKEY_CURRENT_USER as text, a DWORD in decimal; nothing if it is absent.
std::optional<std::string> value(const wchar_t* key, const wchar_t* name) {
    wchar_t data[1024] = {};
    DWORD type = 0, size = sizeof(data);
    if (::RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ | RRF_RT_REG_DWORD, &type, data,
                       &size)) {
        return std::nullopt;
    }
    DWORD number = 0;
    std::memcpy(&number, data, sizeof(number));
    return type == REG_DWORD ? std::to_string(number) : toUtf8(data);
}

// The number of subkeys; nothing if the key is absent.
std::optional<DWORD> subkeys(const wchar_t* key) {
    HKEY opened = nullptr;
    ::RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &opened);
    const win32::UniqueKey owner(opened);
    DWORD count = 0;
    return opened && !::RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &count, nullptr,
                                         nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)
               ? std::optional(count)
               : std::nullopt;
}

std::string bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A logon as Windows does it: wineboot without arguments starts every Run entry of the user, as
// the shell would (a Wine session's own start does not). Returns the lock, running.
win32::UniqueHandle logOn() {
    EXPECT_EQ(run(L"wineboot.exe"), 0u);
    const HWND window =
        poll([] { return ::FindWindowW(ids::kWindowClass, ids::kWindowTitle); },
             [](HWND found) { return found && ::IsWindowVisible(found); }, 3 * kPatience);
    EXPECT_TRUE(window && ::IsWindowVisible(window)) << "no lock window after the logon";
    DWORD processId = 0;
    const DWORD threadId = ::GetWindowThreadProcessId(window, &processId);
    const auto focus = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        return ::GetGUIThreadInfo(threadId, &info) ? ::GetDlgCtrlID(info.hwndFocus) : 0;
    };
    EXPECT_EQ(poll(focus, [](int id) { return id == ids::kPaßworttext; }), ids::kPaßworttext)
        << "the focus is not in the password field";
    return win32::UniqueHandle(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
}

void end(const win32::UniqueHandle& lock) {
    ::TerminateProcess(lock.get(), 1);
    ::WaitForSingleObject(lock.get(), 5000);
}

// Nothing installed, another program's logon entry; and no logon entry of the lock left behind,
// since the next logon would start it.
class Install : public ::testing::Test {
  protected:
    void SetUp() override {
        TearDown();
        const std::wstring other = toUtf16(kOtherRun);
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Andere", REG_SZ, other.c_str(),
                          static_cast<DWORD>((other.size() + 1) * sizeof(wchar_t)));
    }
    void TearDown() override {
        for (const wchar_t* name : {L"WindowsStart", L"Andere"}) {
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, name);
        }
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kEntryKey);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, win32::settingsPath(texts::kApp).c_str());
        std::error_code ignored;
        fs::remove_all(defaultFolder(), ignored);
        fs::remove_all(kChosenFolder.parent_path(), ignored);
    }
};

// Installed: the built exe, the quoted logon entry, the installed-apps entry, the settings kept.
void expectInstalled(const fs::path& folder, const char* version, const char* builtExe) {
    const fs::path exe = folder / L"torvelt.exe";
    const std::string uninstaller = inQuotes(folder / L"uninstall.exe");
    EXPECT_TRUE(bytes(exe) == bytes(L"Z:" + toUtf16(builtExe))) << "not the built torvelt.exe";
    const std::tuple<const wchar_t*, const wchar_t*, std::string> expected[] = {
        {kRunKey, L"WindowsStart", inQuotes(exe)},
        {kRunKey, L"Andere", kOtherRun},
        {kEntryKey, L"DisplayName", "WindowsStart"},
        {kEntryKey, L"DisplayVersion", version},
        {kEntryKey, L"Publisher", "WindowsStart"},
        {kEntryKey, L"DisplayIcon", utf8(exe)},
        {kEntryKey, L"InstallLocation", utf8(folder)},
        {kEntryKey, L"UninstallString", uninstaller},
        {kEntryKey, L"QuietUninstallString", uninstaller + " /S"},
        {kEntryKey, L"NoModify", "1"},
        {kEntryKey, L"NoRepair", "1"}};
    for (const auto& [key, name, text] : expected) {
        EXPECT_EQ(value(key, name), text) << toUtf8(name);
    }
    EXPECT_GE(std::stoul(value(kEntryKey, L"EstimatedSize").value_or("0")),
              fs::file_size(exe) / 1024);
    EXPECT_EQ(storedText("Key"), "geheim");
}

TEST_F(Install, SilentInstallLogonAndUninstallInTheDefaultAndAChosenFolder) {
    for (const fs::path& folder : {defaultFolder(), kChosenFolder}) {
        SCOPED_TRACE(utf8(folder));
        writeSetting("Key", "geheim");
        const std::wstring chosen = folder == kChosenFolder ? L" /D=" + folder.wstring() : L"";
        ASSERT_EQ(run(setup(TORVELT_SETUP) + chosen), 0u);
        expectInstalled(folder, TORVELT_VERSION, TORVELT_BUILT_EXE);

        const win32::UniqueHandle lock = logOn();
        // Run in place (_?=), the uninstaller's exit code is its outcome: 2, aborted, since the
        // running lock holds torvelt.exe; and nothing may be gone.
        const std::wstring uninstall =
            toUtf16(value(kEntryKey, L"QuietUninstallString").value_or(""));
        EXPECT_EQ(run(uninstall + L" _?=" + folder.wstring()), 2u);
        end(lock);
        expectInstalled(folder, TORVELT_VERSION, TORVELT_BUILT_EXE);

        // As the installed-apps list does it; the uninstaller finishes in a copy of itself.
        ASSERT_EQ(run(uninstall), 0u);
        EXPECT_FALSE(poll([&] { return fs::exists(folder); }, [](bool there) { return !there; }))
            << "the folder with torvelt.exe and uninstall.exe is still there";
        EXPECT_EQ(value(kRunKey, L"WindowsStart"), std::nullopt);
        EXPECT_EQ(subkeys(kEntryKey), std::nullopt) << "the installed-apps entry stayed";
        EXPECT_EQ(subkeys(win32::settingsPath(texts::kApp).c_str()), std::nullopt) << "the password stayed";
        EXPECT_EQ(value(kRunKey, L"Andere"), kOtherRun);
    }
}

TEST_F(Install, SettingsSurviveAReinstallAndAnUpgrade) {
    const std::pair<std::string, std::string> settings[] = {
        {"Key", "geheim"}, {"maxFehler", "3"}, {"TimeOut", "45"}};
    for (const auto& [name, text] : settings) {
        writeSetting(name, text);
    }
    for (const char* installer : {TORVELT_SETUP, TORVELT_SETUP, TORVELT_BUMPED_SETUP}) {
        SCOPED_TRACE(installer);
        ASSERT_EQ(run(setup(installer)), 0u);
        for (const auto& [name, text] : settings) {
            EXPECT_EQ(storedText(name), text) << name;
        }
        EXPECT_EQ(subkeys(kAppsKey), 1u) << "entries in the installed-apps list";
    }
    expectInstalled(defaultFolder(), TORVELT_BUMPED_VERSION, TORVELT_BUMPED_EXE);
}

}  // namespace
}  // namespace torvelt::e2e
