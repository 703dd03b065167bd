// The real installer under Wine: silent install, reinstall, upgrade and move, the logon, a lock in
// use, an unwritable folder, silent limits, the settings page typed into, silent uninstall.
#include "lock_driver.h"

namespace torvelt::e2e {
namespace {

namespace fs = std::filesystem;
using win32::toUtf8;

const std::wstring kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kAppsKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::wstring kEntryKey = kAppsKey + L"\\WindowsStart";
const std::wstring kApprovedKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
const std::wstring kSettingsKey = win32::settingsPath(texts::kApp, texts::kSection);
// Another program's logon entry, as expectValues reads it.
constexpr char kOtherRun[] = "Andere=\"C:\\Andere\\andere.exe\" /still";
// Setups as Windows paths (Wine shows the Linux root as drive Z:): the release, one version up.
const std::wstring kSetup = L"\"Z:" TORVELT_BUILD "/WindowsStart-" TORVELT_VERSION "-setup.exe\"",
                   kBumped = L"\"Z:" TORVELT_BUMPED "/WindowsStart-" TORVELT_BUMPED_VERSION
                             "-setup.exe\"";

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
    const auto kib =
        (fs::file_size(folder / L"torvelt.exe") + fs::file_size(folder / L"uninstall.exe") + 1023) /
        1024;
    expectValues(kEntryKey,
                 {"DisplayName=WindowsStart", "DisplayVersion=" + version, "Publisher=WindowsStart",
                  "DisplayIcon=" + exe, "InstallLocation=" + dir, "UninstallString=" + uninstaller,
                  "QuietUninstallString=" + uninstaller + " /S", "NoModify=1", "NoRepair=1",
                  "EstimatedSize=" + std::to_string(kib)});
    EXPECT_EQ(read(kAppsKey), "1") << "entries in the installed-apps list";
}

void expectNoLock() {
    EXPECT_FALSE(poll([] { return ::FindWindowW(ids::kWindowClass, nullptr); },
                      [](HWND found) { return found; }, 3s))
        << "a lock was started";
}

void writeOtherLogonEntry() {
    const std::wstring other = toUtf16(kOtherRun).substr(7);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey.c_str(), L"Andere", REG_SZ, other.c_str(),
                      (other.size() + 1) * 2);
}

// Another program's logon entry and the lock's settings are there before; a file of the user's
// own lies in the chosen folder. Installing again without /D= goes where the installed one is.
TEST(Install, SilentInstallMoveLogonAndUninstall) {
    writeOtherLogonEntry();
    // Switched off once in Task Manager's start-up list: installing switches it on.
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kApprovedKey.c_str(), L"WindowsStart", REG_SZ, L"aus", 8);
    const std::vector<std::string> settings{"Key=geheim", "maxFehler=3", "TimeOut=45"};
    for (const std::string& line : settings) {
        writeSetting({line.substr(0, line.find('=')), line.substr(line.find('=') + 1)});
    }
    const fs::path standard = fs::path(_wgetenv(L"LOCALAPPDATA")) / L"Programs\\WindowsStart",
                   chosen = L"C:\\Programme Ä ß\\Sperre", old = L"C:\\alt-uninstall.exe";
    for (const fs::path& folder : {standard, chosen}) {
        fs::create_directories(folder);
        std::ofstream(folder / L"Notiz.txt") << std::string(300000, 'x');
    }
    const std::tuple<std::wstring, fs::path, std::string, std::string> steps[] = {
        {kSetup + L" /S", standard, TORVELT_BUILD, TORVELT_VERSION},
        {kSetup + L" /S", standard, TORVELT_BUILD, TORVELT_VERSION},
        {kBumped + L" /S /D=" + chosen.wstring(), chosen, TORVELT_BUMPED, TORVELT_BUMPED_VERSION},
        {kSetup + L" /S", chosen, TORVELT_BUILD, TORVELT_VERSION}};
    for (std::size_t step = 0; step < std::size(steps); ++step) {
        const auto& [command, folder, build, version] = steps[step];
        SCOPED_TRACE(toUtf8(command));
        if (step == 2) {
            fs::copy_file(standard / L"uninstall.exe", old);
        } else if (step == 3) {  // a second copy, as an earlier release could leave it
            fs::copy_file(chosen / L"torvelt.exe", standard / L"torvelt.exe");
            fs::copy_file(chosen / L"uninstall.exe", standard / L"uninstall.exe");
        }
        ASSERT_EQ(Lock().run(command), 0u);
        expectInstalled(folder, build, version);
        expectValues(kSettingsKey, settings);
        expectValues(kApprovedKey, {"WindowsStart=(none)"});
        EXPECT_EQ(fs::exists(standard / L"torvelt.exe"), folder == standard)
            << "an old copy stayed";
        // The old copy's uninstaller, run for its own folder, leaves the current install alone.
        EXPECT_EQ(
            folder == chosen ? Lock().run(old.wstring() + L" /S _?=" + standard.wstring()) : 0, 0u);
    }
    EXPECT_EQ(Lock().run(kBumped + L" /S /D=Z:\\proc\\WindowsStart"), 2u) << "unwritable folder";
    // The folders made for a refused install go again; one that was there stays.
    fs::create_directories(L"C:\\Neu0");
    EXPECT_EQ(Lock().run(kBumped + L" /S /D=C:\\Neu0\\Neu1\\Neu2\\" + std::wstring(300, L'x')), 2u);
    EXPECT_TRUE(fs::exists(L"C:\\Neu0") && !fs::exists(L"C:\\Neu0\\Neu1")) << "folders left";
    expectInstalled(chosen, TORVELT_BUILD, TORVELT_VERSION);

    // The logon as the shell does it: the Run entry's command line, started. The running lock
    // holds torvelt.exe: neither an upgrade nor the uninstaller (run in place with _?=, so that
    // its exit code is its outcome) may change anything.
    const std::wstring uninstall = toUtf16(read(kEntryKey, "QuietUninstallString"));
    {
        Lock lock;
        EXPECT_TRUE(lock.start(toUtf16(read(kRunKey, "WindowsStart"))))
            << "no lock window with the focus in the password field";
        EXPECT_EQ(Lock().run(kBumped + L" /S /MAXFEHLER=7 /D=C:\\Anderswo"), 2u);
        EXPECT_EQ(Lock().run(uninstall + L" _?=" + chosen.wstring()), 2u);
        Lock setup;  // through the pages, it says why
        setup.start(kBumped);
        for (const std::size_t fields : {1, 2}) {
            setup.page(fields);
            setup.keys({VK_RETURN});
        }
        EXPECT_EQ(setup.nextBox(),
                  "Installation von WindowsStart|WindowsStart läuft gerade. Geben Sie erst Ihr "
                  "Paßwort ein, dann starten Sie die Installation noch einmal. Es wurde nichts "
                  "installiert.|S| ok*");
        setup.answer(IDOK);
        EXPECT_EQ(poll([&] { return win32::windowText(::GetDlgItem(setup.window(), 1037)); },
                       [](const std::string& header) { return header == "Nicht installiert"; }),
                  "Nicht installiert");
    }
    expectInstalled(chosen, TORVELT_BUILD, TORVELT_VERSION);
    expectValues(kSettingsKey, settings);

    // As the installed-apps list does it; the uninstaller finishes in a copy of itself and
    // leaves the user's own file.
    ASSERT_EQ(Lock().run(uninstall), 0u);
    EXPECT_FALSE(poll([&] { return fs::exists(chosen / L"uninstall.exe"); },
                      [](bool there) { return !there; }))
        << "uninstall.exe is still there";
    EXPECT_TRUE(fs::exists(chosen / L"Notiz.txt") && fs::exists(standard / L"Notiz.txt") &&
                !fs::exists(chosen / L"torvelt.exe"));
    expectValues(kRunKey, {"WindowsStart=(none)", kOtherRun});
    EXPECT_EQ(read(kAppsKey), "0") << "the installed-apps entry stayed";
    EXPECT_EQ(read(win32::settingsPath(texts::kApp)), "(none)") << "the settings stayed";

    // The limits given silently; an invalid or unknown option installs nothing.
    for (const wchar_t* invalid :
         {L" /S /MAXFEHLER=1000", L" /S /TIMEOUT=9", L" /S \"/TIMEOUT=60\""}) {
        EXPECT_EQ(Lock().run(kSetup + invalid), 2u) << toUtf8(invalid);
        EXPECT_EQ(read(kRunKey, "WindowsStart") + read(kAppsKey) + read(kSettingsKey),
                  "(none)0(none)");
    }
    // A store the lock would wipe, behind a default value: a Key and a limit that are no text.
    for (const Setting& broken : {Setting{"", "x"}, Setting{"Key", "\7", REG_DWORD},
                                  Setting{"maxFehler", "\7", REG_DWORD}}) {
        writeSetting(broken);
    }
    ASSERT_EQ(Lock().run(kSetup + L" /S /TIMEOUT=60"), 0u);
    expectValues(kSettingsKey, {"Key=(none)", "maxFehler=5", "TimeOut=60"});
    expectNoLock();
}

// Any spelling of the installed folder is that folder, typed or stored by an earlier release:
// installing there again keeps one copy whose entries name it as the file system spells it. An
// uninstaller run for another spelling of its folder, with the installed-apps entry there or
// gone, removes everything.
TEST(Install, AnySpellingOfTheFolderIsThatFolder) {
    writeOtherLogonEntry();
    const std::wstring programs = std::wstring(_wgetenv(L"LOCALAPPDATA")) + L"\\Programs",
                       standard = programs + L"\\WindowsStart";
    ASSERT_EQ(Lock().run(kSetup + L" /S"), 0u);
    std::wstring shortName(MAX_PATH, L'\0'), upper = standard, prefix = _wgetenv(L"WINEPREFIX");
    shortName.resize(::GetShortPathNameW(standard.c_str(), shortName.data(), MAX_PATH));
    std::ranges::transform(upper, upper.begin(), ::towupper);
    std::ranges::replace(prefix, L'/', L'\\');
    for (const std::wstring& spelling :
         {programs + L"\\\\WindowsStart", programs + L"\\.\\WindowsStart",
          programs + L"\\x\\..\\WindowsStart", standard + L".", shortName, upper,
          L"Z:" + prefix + L"\\drive_c" + standard.substr(2)}) {
        SCOPED_TRACE(toUtf8(spelling));
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kEntryKey.c_str(), L"InstallLocation", REG_SZ,
                          spelling.c_str(), static_cast<DWORD>(spelling.size() + 1) * 2);
        ASSERT_EQ(Lock().run(kSetup + L" /S /D=" + spelling), 0u);
        expectInstalled(standard, TORVELT_BUILD, TORVELT_VERSION);
    }
    for (const bool entry : {true, false}) {
        ASSERT_EQ(Lock().run(kSetup + L" /S /D=C:\\Sperre\\\\X"), 0u);
        expectInstalled(L"C:\\Sperre\\X", TORVELT_BUILD, TORVELT_VERSION);
        writeSetting({"Key", "geheim"});
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kApprovedKey.c_str(), L"WindowsStart", REG_SZ, L"aus",
                          8);
        if (!entry) {
            ::RegDeleteTreeW(HKEY_CURRENT_USER, kEntryKey.c_str());
        }
        ASSERT_EQ(Lock().run(L"C:\\Sperre\\X\\uninstall.exe /S _?=C:\\Sperre\\y\\..\\X"), 0u);
        expectValues(kRunKey, {"WindowsStart=(none)", kOtherRun});
        expectValues(kApprovedKey, {"WindowsStart=(none)"});
        EXPECT_EQ(read(kAppsKey) + read(win32::settingsPath(texts::kApp)), "0(none)");
    }
}

// The last page's text.
std::string finishText(HWND window) {
    const HWND page = ::FindWindowExW(window, nullptr, L"#32770", nullptr);
    for (HWND label = nullptr; (label = ::FindWindowExW(page, label, L"Static", nullptr));) {
        if (win32::windowText(label).starts_with("WindowsStart ist")) {
            return win32::windowText(label);
        }
    }
    return "";
}

// Through the pages, with real keys: each refusal shows its box and lets the user stay on the
// page; a field left as it was shown writes nothing. A Key that is no text is none. Then a
// reinstall, with limits stored that the page would not take and that the lock refuses.
TEST(Install, SettingsPageOnAFirstInstallAndAReinstall) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, win32::settingsPath(texts::kApp).c_str());
    writeSetting({"Key", "\7", REG_DWORD});
    const std::string refused = "Installation von WindowsStart|",
                      tries =
                          "Falsche Versuche bis zum "
                          "Herunterfahren: bitte eine ganze Zahl von 1 bis 999.|S| ok*",
                      seconds =
                          "Sekunden bis zum "
                          "Herunterfahren: bitte eine ganze Zahl von 10 bis 32767.|S| ok*";
    const std::vector<std::vector<std::string>> rows = {
        {"", "", "5", "10", refused + "Bitte geben Sie ein Paßwort ein.|S| ok*"},
        {"Tür zu ß", "tür zu ß", "5", "10",
         refused + "Die beiden Eingaben sind nicht gleich. "
                   "Bitte geben Sie das Paßwort zweimal genau gleich ein.|S| ok*"},
        {"Straße", "Strasse", "5", "10",
         refused + "Die beiden Eingaben sind nicht gleich. "
                   "Bitte geben Sie das Paßwort zweimal genau gleich ein.|S| ok*"},
        {"NEW PAßWORT", "NEW PAßWORT", "5", "10",
         refused + "\"new Paßwort\" ist der Befehl, mit "
                   "dem Sie in der Sperre das Paßwort ändern. Bitte wählen Sie ein anderes "
                   "Paßwort.|S| ok*"},
        {"Tür zu ß", "Tür zu ß", "0", "10", refused + tries},
        {"Tür zu ß", "Tür zu ß", "3", "9", refused + seconds},
        {"Tür zu ß", "Tür zu ß", "3", "1e3", refused + seconds},
        {"Tür zu ß", "Tür zu ß", "3", "10", ""}};
    for (const int fieldCount : {4, 2}) {
        Lock setup;
        setup.start(kSetup);
        setup.page(1);
        setup.keys({VK_RETURN});
        const std::vector<HWND> fields = setup.page(fieldCount);
        ASSERT_EQ(fields.size(), static_cast<std::size_t>(fieldCount)) << "password fields";
        EXPECT_EQ(setup.focus(), fields[0]) << "the first field has no focus";
        for (const auto& row : fieldCount == 4 ? rows : decltype(rows){}) {
            for (std::size_t i = 0; i < fields.size(); ++i) {
                setup.drag(fields[i], fields[i]);
                setup.keys({VK_END});
                setup.keys({VK_SHIFT, VK_HOME});
                setup.type(row[i]);
            }
            setup.keys({VK_RETURN});
            if (!row[4].empty()) {
                ASSERT_EQ(setup.nextBox(), row[4]);
                setup.answer(IDOK);
                expectValues(kSettingsKey, {"Key=7", "maxFehler=(none)", "TimeOut=(none)"});
            }
        }
        if (fieldCount == 2) {
            std::string shown;
            for (const HWND field : fields) {
                wchar_t text[32] = {};
                ::SendMessageW(field, WM_GETTEXT, 32, reinterpret_cast<LPARAM>(text));
                shown += toUtf8(text) + '|';
            }
            EXPECT_EQ(shown, "0|10|") << "prefilled";
            setup.keys({VK_RETURN});
        }
        ASSERT_EQ(poll([&] { return win32::windowText(::GetDlgItem(setup.window(), IDOK)); },
                       [](const std::string& text) { return text == "&Fertigstellen"; }, 30s),
                  "&Fertigstellen")
            << "no finish page";
        const std::string finish = poll([&] { return finishText(setup.window()); },
                                        [](const std::string& text) { return !text.empty(); });
        EXPECT_NE(finish.find(fieldCount == 4 ? "Nach 3 falschen Versuchen oder nach 10 Sekunden "
                                              : "Versuche allein fahren Windows nie herunter."),
                  std::string::npos)
            << finish;
        setup.keys({VK_RETURN});
        EXPECT_EQ(setup.waitForExit(), 0u);
        expectNoLock();
        const bool first = fieldCount == 4;
        expectValues(kSettingsKey, {"Key=Tür zu ß", first ? "maxFehler=3" : "maxFehler= 0 ",
                                    first ? "TimeOut=(none)" : "TimeOut=10"});
        writeSetting({"maxFehler", " 0 "});
        writeSetting({"TimeOut", "1e3"});
    }
}

}  // namespace
}  // namespace torvelt::e2e
