// The runtime services bound to the Win32 API; settings go through RegistrySettings.
#include "win32_runtime.h"

#include <algorithm>
#include <cstring>

#include "registry_settings.h"
#include "text_services.h"
#include "unique_handles.h"
#include "utf16.h"

namespace torvelt::win32 {

namespace {

constexpr wchar_t kDefaultTitle[] = L"Torvelt";
constexpr DWORD kFixedFileInfoSignature = 0xFEEF04BD;

}  // namespace

int Win32Runtime::messageBox(const std::string& text, int style,
                             const std::optional<std::string>& title) {
    const std::wstring caption = title ? toUtf16(*title) : std::wstring(kDefaultTitle);
    return ::MessageBoxW(owner_, toUtf16(text).c_str(), caption.c_str(), static_cast<UINT>(style));
}

std::string Win32Runtime::readSetting(const std::string& app, const std::string& section,
                                      const std::string& key, const std::string& fallback) {
    return RegistrySettings::read(app, section, key).value_or(fallback);
}

void Win32Runtime::writeSetting(const std::string& app, const std::string& section,
                                const std::string& key, const std::string& value) {
    RegistrySettings::write(app, section, key, value);
}

void Win32Runtime::deleteSettings(const std::string& app) {
    RegistrySettings::deleteApp(app);
}

// The wide query: a directory name outside the ANSI code page arrives unharmed. Its length goes
// back as the system counts it, in UTF-16 units, and the caller cuts the path by the same count.
std::uint32_t Win32Runtime::windowsDirectory(std::string& buffer, std::uint32_t size) {
    std::wstring wide(size, L'\0');
    const UINT length = ::GetWindowsDirectoryW(wide.data(), size);
    if (length <= size) {
        buffer = toUtf8(wide.substr(0, length)) +
                 buffer.substr(std::min<std::size_t>(buffer.size(), length));
    }
    return length;
}

void Win32Runtime::launch(const std::string& program, const std::string& arguments,
                          int windowStyle) {
    const std::wstring application = toUtf16(program);
    // The path is quoted so that a blank in it can never make another program start.
    std::wstring commandLine = L"\"" + application + L"\" " + toUtf16(arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(windowStyle);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, nullptr, &startup, &process)) {
        throw RuntimeError("Start von \"" + program + "\" fehlgeschlagen (Fehler " +
                           std::to_string(::GetLastError()) + ")");
    }
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);
}

void Win32Runtime::endProgram() {
    ::ExitProcess(0);
}

std::string Win32Runtime::lowerCase(const std::string& text) {
    const std::wstring wide = toUtf16(text);
    if (wide.empty()) {
        return {};
    }
    const int length = static_cast<int>(wide.size());
    const int lowerLength = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, wide.c_str(),
                                            length, nullptr, 0, nullptr, nullptr, 0);
    if (lowerLength <= 0) {
        throw RuntimeError("Kleinschreibung fehlgeschlagen");
    }
    std::wstring lower(static_cast<std::size_t>(lowerLength), L'\0');
    ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, wide.c_str(), length, lower.data(),
                    lowerLength, nullptr, nullptr, 0);
    return toUtf8(lower);
}

// Read straight from the .exe's own version resource, without the version-info DLL.
Version Win32Runtime::programVersion() {
    const HRSRC found = ::FindResourceW(nullptr, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    const HGLOBAL loaded = found ? ::LoadResource(nullptr, found) : nullptr;
    const auto* bytes =
        loaded ? static_cast<const unsigned char*>(::LockResource(loaded)) : nullptr;
    const DWORD size = found ? ::SizeofResource(nullptr, found) : 0;
    for (DWORD offset = 0; bytes && offset + sizeof(VS_FIXEDFILEINFO) <= size; offset += 4) {
        VS_FIXEDFILEINFO info;
        std::memcpy(&info, bytes + offset, sizeof(info));
        if (info.dwSignature == kFixedFileInfoSignature) {
            return Version{HIWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionMS),
                           LOWORD(info.dwFileVersionLS)};
        }
    }
    throw RuntimeError("Versionsangabe fehlt");
}

}  // namespace torvelt::win32
