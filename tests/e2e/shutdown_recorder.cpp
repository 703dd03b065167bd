// Stand-in for shutdown.exe in throwaway Wine prefixes: logs each start, shuts nothing down.
#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kLogPath[] = L"C:\\shutdown-recorder.log";

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                        nullptr, nullptr);
    return result;
}

// -1 tells the tests that the launcher left the show state to the system.
int startupShowWindow() {
    STARTUPINFOW info{};
    info.cb = sizeof(info);
    GetStartupInfoW(&info);
    if ((info.dwFlags & STARTF_USESHOWWINDOW) == 0) {
        return -1;
    }
    return static_cast<int>(info.wShowWindow);
}

// Another launch may be writing the same log at this very moment; retry briefly instead of
// losing its record or ours.
HANDLE openLog() {
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE file = CreateFileW(kLogPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            return file;
        }
        Sleep(10);
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

// Meant to be linked as a GUI program (-mwindows): a console program started by the lock,
// which has no console, gets a console window of its own that would cover the screen under
// test. Plain main() rather than wmain() so the build needs no -municode.
int main() {
    // The raw command line, not argv: the tests check quoting exactly as the launcher built it.
    std::string line = toUtf8(GetCommandLineW());
    line += '\t';
    line += std::to_string(startupShowWindow());
    line += '\n';

    HANDLE log = openLog();
    if (log == INVALID_HANDLE_VALUE) {
        return 1;
    }
    // One WriteFile per record: FILE_APPEND_DATA places it at the end as a single unit.
    DWORD written = 0;
    const BOOL ok = WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(log);
    return (ok && written == line.size()) ? 0 : 1;
}
