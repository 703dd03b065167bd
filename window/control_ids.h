// Identifiers of the lock window's controls, shared with the tests that drive the real window.
#pragma once

namespace torvelt::ids {

inline constexpr wchar_t kWindowClass[] = L"Torvelt";
inline constexpr wchar_t kWindowTitle[] = L"Windows Start";

// Away from IDOK and IDCANCEL, which the dialog manager sends for Enter and Escape.
inline constexpr int kPicture2 = 1002;
inline constexpr int kPicture1 = 1003;
inline constexpr int kKlickAbbruch = 1004;
inline constexpr int kKlickOK = 1005;
inline constexpr int kPaßworttext = 1006;
inline constexpr int kTimerText = 1007;
inline constexpr int kLabel1 = 1008;

}  // namespace torvelt::ids
