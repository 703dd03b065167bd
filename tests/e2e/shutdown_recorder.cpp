// Stand-in for shutdown.exe in throwaway Wine prefixes: logs each start, shuts nothing down.
#include <windows.h>

#include <string>

#include "unique_handles.h"
#include "utf16.h"

// One line a start: the raw command line, as the lock quoted it, and the show state it asked
// for (-1: none). Appended in one write to a shared file, so that launches close together lose
// no line.
int main() {
    STARTUPINFOW startup{};
    ::GetStartupInfoW(&startup);
    const std::string line =
        torvelt::win32::toUtf8(::GetCommandLineW()) + '\t' +
        std::to_string(startup.dwFlags & STARTF_USESHOWWINDOW ? startup.wShowWindow : -1) + '\n';
    const torvelt::win32::UniqueHandle log(::CreateFileW(
        L"C:\\shutdown-recorder.log", FILE_APPEND_DATA,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return !::WriteFile(log.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}
