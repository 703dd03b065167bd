// Password field behaviour: "*" for every character, no length limit, Enter and Escape kept.
#include "password_field.h"

#include <commctrl.h>

namespace torvelt {

namespace {

constexpr UINT_PTR kSubclassId = 1;

bool isEnterOrEscape(WPARAM key) {
    return key == VK_RETURN || key == VK_ESCAPE;
}

LRESULT CALLBACK fieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR refData) {
    switch (message) {
        case WM_GETDLGCODE: {
            // Without this the dialog manager would turn Enter and Escape into IDOK and IDCANCEL.
            const auto* pending = reinterpret_cast<const MSG*>(lParam);
            const LRESULT code = ::DefSubclassProc(field, message, wParam, lParam);
            if (pending && (pending->message == WM_KEYDOWN || pending->message == WM_CHAR) &&
                isEnterOrEscape(pending->wParam)) {
                return code | DLGC_WANTMESSAGE;
            }
            return code;
        }
        case WM_CHAR: {
            auto code = static_cast<std::int16_t>(wParam);
            (*reinterpret_cast<const KeyPressHandler*>(refData))(code);
            // A single-line field inserts nothing for Enter or Escape, only a beep.
            if (code == 0 || isEnterOrEscape(static_cast<WPARAM>(code))) {
                return 0;
            }
            return ::DefSubclassProc(field, message,
                                     static_cast<WPARAM>(static_cast<std::uint16_t>(code)), lParam);
        }
        default:
            return ::DefSubclassProc(field, message, wParam, lParam);
    }
}

}  // namespace

HWND createPasswordField(HWND parent, int id, const KeyPressHandler* onKeyPress) {
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    const HWND field =
        ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_EDITW, L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL, 0, 0,
                          0, 0, parent, reinterpret_cast<HMENU>(INT_PTR{id}), instance, nullptr);
    ::SendMessageW(field, EM_SETPASSWORDCHAR, L'*', 0);
    ::SendMessageW(field, EM_SETLIMITTEXT, 0,
                   0);  // 0 lifts the limit to the most the field can hold
    ::SetWindowSubclass(field, fieldProc, kSubclassId, reinterpret_cast<DWORD_PTR>(onKeyPress));
    return field;
}

}  // namespace torvelt
