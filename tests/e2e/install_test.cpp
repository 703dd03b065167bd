// The real installer under Wine: silent install, reinstall and upgrade, the logon, a lock in use,
// silent uninstall; into the default folder and into one with blanks and umlauts.
#include "lock_driver.h"

namespace torvelt::e2e {
namespace {

namespace fs = std::filesystem;
using win32::toUtf8;

const std::wstring kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kAppsKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::wstring kEntryKey = kAppsKey + L"\\WindowsStart";
// Another program's logon entry, as expectValues reads it.
constexpr char kOtherRun[] = "Andere=\"C:\\Andere\\andere.exe\" /still";
// Build folders as Linux paths (Wine shows the Linux root as drive Z:) and their versions: the
// release installed twice, then one with a higher version.
const std::pair<std::string, std::string> kReleases[] = {{TORVELT_BUILD, TORVELT_VERSION},
                                                         {TORVELT_BUILD, TORVELT_VERSION},
                                                         {TORVELT_BUMPED, TORVELT_BUMPED_VERSION}};

// Each "name=text" against the key's value of that name.
void expectValues(const std::wstring& key, const std::vector<std::string>& expected) {
    for (const std::string& line : expected) {
        const std::string name = line.substr(0, line.find('='));
        EXPECT_EQ(name + '=' + read(key, name.c_str()), line);
    }
}

void expectInstalled(const fs::path& folder, const std::string& build, const std::string& version) {
    const std::string dir = toUtf8(folder.wstring()), exe = dir + "\\torvelt.exe",
                      uninstaller = '"' + dir + "\\uninstall.exe\"";
    EXPECT_TRUE(fileText(folder / L"torvelt.exe") == fileText("Z:" + build + "/window/torvelt.exe"))
        << "not the built torvelt.exe";
    expectValues(kRunKey, {"WindowsStart=\"" + exe + '"', kOtherRun});
    expectValues(kEntryKey,
                 {"DisplayName=WindowsStart", "DisplayVersion=" + version, "Publisher=WindowsStart",
                  "DisplayIcon=" + exe, "InstallLocation=" + dir, "UninstallString=" + uninstaller,
                  "QuietUninstallString=" + uninstaller + " /S", "NoModify=1", "NoRepair=1"});
    EXPECT_GT(std::stoul(read(kEntryKey, "EstimatedSize")), 0u) << "EstimatedSize in KiB";
    EXPECT_EQ(read(kAppsKey), "1") << "entries in the installed-apps list";
}

// Another program's logon entry and the lock's settings are there before; each folder takes the
// releases in turn, each keeping the settings.
TEST(Install, InstallUpgradeLogonAndUninstallInTheDefaultAndAChosenFolder) {
    const std::wstring other = toUtf16(kOtherRun).substr(7);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey.c_str(), L"Andere", REG_SZ, other.c_str(),
                      (other.size() + 1) * 2);
    const std::wstring settingsKey = win32::settingsPath(texts::kApp, texts::kSection);
    const std::vector<std::string> settings{"Key=geheim", "maxFehler=3", "TimeOut=45"};
    const std::pair<fs::path, std::wstring> rows[] = {
        {fs::path(_wgetenv(L"LOCALAPPDATA")) / L"Programs\\WindowsStart", L""},
        {L"C:\\Programme Ä ß\\Sperre", L" /D=C:\\Programme Ä ß\\Sperre"}};
    for (const auto& [folder, option] : rows) {
        SCOPED_TRACE(toUtf8(folder.wstring()));
        for (const std::string& line : settings) {
            writeSetting({line.substr(0, line.find('=')), line.substr(line.find('=') + 1)});
        }
        for (const auto& [build, version] : kReleases) {
            const std::string setup = build + "/WindowsStart-" + version + "-setup.exe";
            ASSERT_EQ(Lock().run(L"\"Z:" + toUtf16(setup) + L"\" /S" + option), 0u) << setup;
            expectInstalled(folder, build, version);
            expectValues(settingsKey, settings);
        }

        // The logon as the shell does it: the Run entry's command line, started. Run in place
        // (_?=), the uninstaller's exit code is its outcome: 2, aborted, since the running lock
        // holds torvelt.exe; and nothing may be gone.
        const std::wstring uninstall = toUtf16(read(kEntryKey, "QuietUninstallString"));
        {
            Lock lock;
            EXPECT_TRUE(lock.start(toUtf16(read(kRunKey, "WindowsStart"))))
                << "no lock window with the focus in the password field";
            EXPECT_EQ(Lock().run(uninstall + L" _?=" + folder.wstring()), 2u);
        }
        expectInstalled(folder, TORVELT_BUMPED, TORVELT_BUMPED_VERSION);

        // As the installed-apps list does it; the uninstaller finishes in a copy of itself.
        ASSERT_EQ(Lock().run(uninstall), 0u);
        EXPECT_FALSE(poll([&] { return fs::exists(folder); }, [](bool there) { return !there; }))
            << "the folder with torvelt.exe and uninstall.exe is still there";
        expectValues(kRunKey, {"WindowsStart=(none)", kOtherRun});
        EXPECT_EQ(read(kAppsKey), "0") << "the installed-apps entry stayed";
        EXPECT_EQ(read(win32::settingsPath(texts::kApp)), "(none)")
            << "the settings with the password stayed";
    }
}

}  // namespace
}  // namespace torvelt::e2e
