// Registry access for the settings: open, read, write and delete under the current user's key.
#include "registry_settings.h"

#include <windows.h>

#include <vector>

#include "runtime.h"
#include "unique_handles.h"
#include "utf16.h"

namespace torvelt::win32 {

namespace {

[[noreturn]] void fail(const char* what, LSTATUS status) {
    throw RuntimeError(std::string(what) + " (Registry-Fehler " + std::to_string(status) + ")");
}

bool isText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// Text up to the first NUL: stored strings may or may not carry their terminator.
std::string textOf(const std::vector<wchar_t>& data) {
    std::wstring_view text(data.data(), data.size());
    return toUtf8(text.substr(0, text.find(L'\0')));
}

}  // namespace

std::wstring settingsPath(std::string_view app, std::string_view section) {
    const std::wstring path = L"Software\\" + toUtf16(app);
    return section.empty() ? path : path + L"\\" + toUtf16(section);
}

std::optional<std::string> RegistrySettings::read(const std::string& app,
                                                  const std::string& section,
                                                  const std::string& key) {
    HKEY opened = nullptr;
    LSTATUS status = ::RegOpenKeyExW(HKEY_CURRENT_USER, settingsPath(app, section).c_str(), 0,
                                     KEY_QUERY_VALUE, &opened);
    if (status == ERROR_FILE_NOT_FOUND) {
        return std::nullopt;
    }
    if (status != ERROR_SUCCESS) {
        fail("Einstellungen nicht lesbar", status);
    }
    const UniqueKey section_key(opened);
    const std::wstring name = toUtf16(key);
    // The value may grow between asking its size and reading it; ask again then.
    for (;;) {
        DWORD type = 0;
        DWORD bytes = 0;
        status =
            ::RegQueryValueExW(section_key.get(), name.c_str(), nullptr, &type, nullptr, &bytes);
        if (status == ERROR_FILE_NOT_FOUND) {
            return std::nullopt;
        }
        if (status != ERROR_SUCCESS) {
            fail("Einstellung nicht lesbar", status);
        }
        if (!isText(type)) {
            throw RuntimeError("Einstellung \"" + key + "\" ist kein Text");
        }
        std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = bytes;
        status = ::RegQueryValueExW(section_key.get(), name.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(data.data()), &size);
        if (status == ERROR_MORE_DATA) {
            continue;
        }
        if (status != ERROR_SUCCESS) {
            fail("Einstellung nicht lesbar", status);
        }
        if (!isText(type)) {
            throw RuntimeError("Einstellung \"" + key + "\" ist kein Text");
        }
        data.resize(size / sizeof(wchar_t));
        return textOf(data);
    }
}

void RegistrySettings::write(const std::string& app, const std::string& section,
                             const std::string& key, const std::string& value) {
    HKEY created = nullptr;
    LSTATUS status =
        ::RegCreateKeyExW(HKEY_CURRENT_USER, settingsPath(app, section).c_str(), 0, nullptr,
                          REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &created, nullptr);
    if (status != ERROR_SUCCESS) {
        fail("Einstellungen nicht schreibbar", status);
    }
    const UniqueKey section_key(created);
    const std::wstring text = toUtf16(value);
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    status = ::RegSetValueExW(section_key.get(), toUtf16(key).c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(text.c_str()), bytes);
    if (status != ERROR_SUCCESS) {
        fail("Einstellung nicht schreibbar", status);
    }
}

void RegistrySettings::deleteApp(const std::string& app) {
    const LSTATUS status = ::RegDeleteTreeW(HKEY_CURRENT_USER, settingsPath(app).c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        fail("Einstellungen nicht löschbar", status);
    }
}

}  // namespace torvelt::win32
