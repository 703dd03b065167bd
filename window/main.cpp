// Entry point of torvelt.exe: opens the lock window and runs the one message loop.
#include <windows.h>

#include "lock_window.h"
#include "texts.h"
#include "utf16.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    try {
        static torvelt::LockWindow window(
            instance, torvelt::Contact{TORVELT_CONTACT_EMAIL, TORVELT_CONTACT_WEB});
        window.open();
        MSG message;
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (window.isStrayCharacter(message)) {
                continue;
            }
            if (!::IsDialogMessageW(window.handle(), &message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
        }
    } catch (const std::exception&) {
        // Only reached when the window itself cannot be made: there is no lock to keep up.
        ::MessageBoxW(nullptr, torvelt::win32::toUtf16(torvelt::texts::kUnexpectedError).c_str(),
                      L"Torvelt", MB_OK | MB_ICONSTOP);
        return 1;
    }
    return 0;
}
