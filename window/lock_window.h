// The lock window: owns the controls and the lock, and routes every event to its routine.
#pragma once

#include <windows.h>

#include <array>
#include <exception>
#include <string>

#include "layout.h"
#include "lock_controls.h"
#include "password_field.h"
#include "picture_box.h"
#include "torvelt.h"
#include "unique_handles.h"
#include "win32_runtime.h"

namespace torvelt {

class LockWindow final : public LockControls {
  public:
    // Topmost: a window another start-up program opens later cannot cover the lock and its
    // countdown. WS_EX_CONTROLPARENT lets the dialog manager walk the controls with Tab and
    // access keys.
    static constexpr DWORD kExStyle = WS_EX_TOPMOST | WS_EX_CONTROLPARENT;

    LockWindow(HINSTANCE instance, Contact contact);
    LockWindow(const LockWindow&) = delete;
    LockWindow& operator=(const LockWindow&) = delete;

    // Creates the window, runs the start-up, shows it centred with the focus in the field.
    void open();
    HWND handle() const { return window_; }
    // A plain character for the window or a control that takes no characters: the dialog
    // manager would take it as an access key and press a button. Access keys want Alt.
    bool isStrayCharacter(const MSG& message) const;

    std::string paßworttextText() override;
    void setPaßworttextText(const std::string& text) override;
    void focusPaßworttext() override;
    void setTimerTextCaption(const std::string& caption) override;
    void setTimerInterval(int milliseconds) override;

  private:
    void registerClasses();
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void onCreate();
    void onCommand(int id, int notification);
    void onActivate(bool active);
    void onDpiChanged(UINT dpi, const RECT& suggested);
    void onKeyPress(std::int16_t& code);

    void loadImages();
    void showLogo();
    void createControls(UINT dpi);
    HWND createControl(const layout::Control& place, const RECT& at);
    void applyLayout(UINT dpi);
    void sizeTimerText(const std::wstring& text);
    // The window's frame at `dpi`, centred in the work area of `monitor`.
    static RECT centredFrame(HMONITOR monitor, UINT dpi);
    HWND control(int id) const;

    template <typename Routine>
    void guarded(Routine&& routine);
    void reportError(const std::exception* error);

    HINSTANCE instance_;
    HWND window_ = nullptr;
    win32::Win32Runtime runtime_;
    Torvelt lock_;
    KeyPressHandler keyPress_;
    std::array<HWND, 7> controls_{};
    win32::UniqueGdiObject font_;
    win32::UniqueIcon picture2Icon_;
    win32::UniqueGdiObject picture1Bitmap_;
    PictureContent picture2_;
    PictureContent picture1_;
    int timerInterval_ = 0;
    HWND focusBeforeDeactivation_ = nullptr;
    std::wstring timerTextShape_;
};

}  // namespace torvelt
