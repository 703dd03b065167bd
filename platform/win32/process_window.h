// Finding another process's window from outside, as the test driver and the benchmark do.
#pragma once

#include <windows.h>

namespace torvelt::win32 {

// The visible top-level window of `windowClass` that belongs to the process; null if none.
inline HWND findProcessWindow(DWORD processId, const wchar_t* windowClass) {
    for (HWND window = nullptr;
         (window = ::FindWindowExW(nullptr, window, windowClass, nullptr));) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == processId && ::IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace torvelt::win32
