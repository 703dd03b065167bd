// The installer's folder decisions on Windows: identity, canonical path, made and removed folders.
#include "folders.h"

#include <windows.h>

#include <iterator>
#include <vector>

#include "runtime.h"
#include "unique_handles.h"

namespace torvelt::setup {

namespace {

win32::UniqueFile openFolder(const std::wstring& folder) {
    return win32::UniqueFile(
        ::CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// Resolves ".", "..", doubled separators, trailing dots and blanks, and a relative path.
std::wstring fullPath(const std::wstring& path) {
    std::wstring full(::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    full.resize(
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
    return full;
}

// Long names and the case on disk, the drive by which the volume is mounted.
std::wstring canonicalPath(const std::wstring& folder) {
    const win32::UniqueFile opened = openFolder(folder);
    constexpr DWORD kFlags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    std::wstring path(::GetFinalPathNameByHandleW(opened.get(), nullptr, 0, kFlags), L'\0');
    path.resize(::GetFinalPathNameByHandleW(opened.get(), path.data(),
                                            static_cast<DWORD>(path.size()), kFlags));
    if (path.empty()) {
        throw RuntimeError("Ordner nicht lesbar");
    }
    if (path.starts_with(L"\\\\?\\UNC\\")) {
        return L"\\" + path.substr(7);
    }
    return path.starts_with(L"\\\\?\\") ? path.substr(4) : path;
}

std::wstring parentOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L'\\', path.size() - 2);
    return slash == std::wstring::npos ? path : path.substr(0, slash + 1);
}

}  // namespace

bool sameFolder(const std::wstring& first, const std::wstring& second) {
    const win32::UniqueFile a = openFolder(first), b = openFolder(second);
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    return a && b && ::GetFileInformationByHandle(a.get(), &x) &&
           ::GetFileInformationByHandle(b.get(), &y) &&
           (x.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

MadeFolder makeFolder(const std::wstring& folder) {
    std::vector<std::wstring> missing;
    for (std::wstring at = fullPath(folder);
         ::GetFileAttributesW(at.c_str()) == INVALID_FILE_ATTRIBUTES && parentOf(at) != at;
         at = parentOf(at)) {
        missing.push_back(at);
    }
    std::wstring firstMade;
    for (auto made = missing.rbegin(); made != missing.rend(); ++made) {
        if (!::CreateDirectoryW(made->c_str(), nullptr)) {
            if (!firstMade.empty()) {
                removeMade(*std::prev(made), firstMade);
            }
            throw RuntimeError("Ordner nicht erstellt");
        }
        firstMade = firstMade.empty() ? *made : firstMade;
    }
    return {canonicalPath(folder), firstMade};
}

void removeMade(const std::wstring& folder, const std::wstring& firstMade) {
    if (firstMade.empty()) {
        return;
    }
    for (std::wstring at = folder;; at = parentOf(at)) {
        const bool last = sameFolder(at, firstMade) || parentOf(at) == at;
        if (!::RemoveDirectoryW(at.c_str()) || last) {
            return;
        }
    }
}

}  // namespace torvelt::setup
