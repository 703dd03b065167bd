// Stand-in for shutdown.exe in throwaway Wine prefixes: logs each start, shuts nothing down.
#include <windows.h>

#include <string>

#include "unique_handles.h"
#include "utf16.h"

// The raw command line, as the lock quoted it, and the show state it asked for (-1: none).
int main() {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    ::GetStartupInfoW(&startup);
    const int show = startup.dwFlags & STARTF_USESHOWWINDOW ? startup.wShowWindow : -1;
    const std::string line =
        torvelt::win32::toUtf8(::GetCommandLineW()) + '\t' + std::to_string(show) + '\n';
    // Another launch may be writing the log at this very moment: retry instead of losing a line.
    for (int attempt = 0; attempt < 200; ::Sleep(10), ++attempt) {
        const HANDLE file =
            ::CreateFileW(L"C:\\shutdown-recorder.log", FILE_APPEND_DATA,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            const torvelt::win32::UniqueHandle log(file);
            DWORD written = 0;  // one write: FILE_APPEND_DATA puts it at the end as one unit
            return ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written,
                               nullptr) &&
                           written == line.size()
                       ? 0
                       : 1;
        }
    }
    return 1;
}
