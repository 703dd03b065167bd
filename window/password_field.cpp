// Password field behaviour: "*" for every character, no length limit, Enter and Escape kept.
#include "password_field.h"

namespace torvelt {

namespace {

// Where the field keeps the edit control's own procedure and the key routine.
constexpr wchar_t kOriginalProc[] = L"Torvelt.OriginalProc";
constexpr wchar_t kKeyPress[] = L"Torvelt.KeyPress";

bool isEnterOrEscape(WPARAM key) {
    return key == VK_RETURN || key == VK_ESCAPE;
}

LRESULT callOriginal(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(::GetPropW(field, kOriginalProc));
    return ::CallWindowProcW(original, field, message, wParam, lParam);
}

LRESULT CALLBACK fieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE: {
            // Without this the dialog manager would turn Enter and Escape into IDOK and IDCANCEL.
            const auto* pending = reinterpret_cast<const MSG*>(lParam);
            const LRESULT code = callOriginal(field, message, wParam, lParam);
            if (pending && (pending->message == WM_KEYDOWN || pending->message == WM_CHAR) &&
                isEnterOrEscape(pending->wParam)) {
                return code | DLGC_WANTMESSAGE;
            }
            return code;
        }
        case WM_CHAR: {
            auto code = static_cast<std::int16_t>(wParam);
            (*static_cast<const KeyPressHandler*>(::GetPropW(field, kKeyPress)))(code);
            // A single-line field inserts nothing for Enter or Escape, only a beep.
            if (code == 0 || isEnterOrEscape(static_cast<WPARAM>(code))) {
                return 0;
            }
            return callOriginal(field, message,
                                static_cast<WPARAM>(static_cast<std::uint16_t>(code)), lParam);
        }
        case WM_NCDESTROY: {
            const LRESULT result = callOriginal(field, message, wParam, lParam);
            ::RemovePropW(field, kOriginalProc);
            ::RemovePropW(field, kKeyPress);
            return result;
        }
        default:
            return callOriginal(field, message, wParam, lParam);
    }
}

}  // namespace

HWND createPasswordField(HWND parent, int id, const KeyPressHandler* onKeyPress, const RECT& at) {
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    const HWND field =
        ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL,
                          at.left, at.top, at.right - at.left, at.bottom - at.top, parent,
                          reinterpret_cast<HMENU>(INT_PTR{id}), instance, nullptr);
    ::SendMessageW(field, EM_SETPASSWORDCHAR, L'*', 0);
    ::SendMessageW(field, EM_SETLIMITTEXT, 0,
                   0);  // 0 lifts the limit to the most the field can hold
    ::SetPropW(field, kKeyPress, const_cast<KeyPressHandler*>(onKeyPress));
    ::SetPropW(field, kOriginalProc,
               reinterpret_cast<HANDLE>(::SetWindowLongPtrW(
                   field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(fieldProc))));
    return field;
}

}  // namespace torvelt
