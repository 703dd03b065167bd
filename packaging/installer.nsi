; The per-user installer of the lock: torvelt.exe, its logon entry and its entry among the installed apps.
; makensis.cmake defines VERSION, STAGE (the folder cpack staged the release files in) and OUTFILE,
; and SIGN (sign.sh) when the release is signed.
Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestDPIAware true
; No build-time file dates inside: the same sources always give the same setup.
SetDateSave off
; The uninstaller is signed before it goes in, the setup last; "= 0": a failed signature fails.
!ifdef SIGN
    !uninstfinalize '"${SIGN}" "%1"' = 0
    !finalize '"${SIGN}" "%1"' = 0
!endif

!include FileFunc.nsh
!include LogicLib.nsh
!include MUI2.nsh
!include branding.nsh

!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\WindowsStart"

Name WindowsStart
BrandingText "WindowsStart ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\WindowsStart"
; Installing again, or a newer version, goes where the installed one is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" InstallLocation

!define STARTUP_APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"
Var OldDir
; Ends the installer (in .onInit as in a section) with exit code 2: nothing was changed.
!macro Fail TEXT
    MessageBox MB_OK|MB_ICONSTOP "${TEXT} Es wurde nichts installiert." /SD IDOK
    SetErrorLevel 2
    Abort
!macroend

!include settings.nsh

!define MUI_DIRECTORYPAGE_TEXT_TOP "WindowsStart fragt bei jeder Anmeldung nach Ihrem Paßwort. Wählen Sie den Ordner für das Programm."
!insertmacro MUI_PAGE_DIRECTORY
Page custom SettingsPage SettingsLeave
!insertmacro MUI_PAGE_INSTFILES
; The lock is never started from here: its countdown would run out in the middle of a session.
!define MUI_FINISHPAGE_TEXT "WindowsStart ist installiert.$\r$\n$\r$\nAb der nächsten Anmeldung fragt die Sperre nach Ihrem Paßwort. Nach $Tries falschen Versuchen oder nach $Seconds Sekunden fährt sie Windows ohne Rückfrage herunter; was in anderen Programmen nicht gespeichert ist, geht dabei verloren."
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE German

VIProductVersion ${VERSION}
VIAddVersionKey /LANG=${LANG_GERMAN} ProductName WindowsStart
VIAddVersionKey /LANG=${LANG_GERMAN} CompanyName WindowsStart
VIAddVersionKey /LANG=${LANG_GERMAN} LegalCopyright WindowsStart
VIAddVersionKey /LANG=${LANG_GERMAN} FileDescription "WindowsStart Setup"
VIAddVersionKey /LANG=${LANG_GERMAN} FileVersion ${VERSION}
VIAddVersionKey /LANG=${LANG_GERMAN} ProductVersion ${VERSION}

; A running lock holds its exe open: one that cannot be opened for writing cannot be replaced.
!macro CheckNotRunning DIR
    ClearErrors
    ${If} ${FileExists} "${DIR}\torvelt.exe"
        FileOpen $0 "${DIR}\torvelt.exe" a
        ${If} ${Errors}
            !insertmacro Fail "WindowsStart läuft gerade. Geben Sie erst Ihr Paßwort ein, dann starten Sie die Installation noch einmal."
        ${EndIf}
        FileClose $0
    ${EndIf}
!macroend

!macro AddSize FILE
    FileOpen $0 "${FILE}" r
    FileSeek $0 0 END $2
    FileClose $0
    IntOp $1 $1 + $2
!macroend

Function .onInit
    ReadRegStr $OldDir HKCU "${UNINSTALL_KEY}" InstallLocation
    Call ReadSettings
FunctionEnd

; Every check and every file comes before the registry: a failed install leaves no entry that
; points at a missing file.
Section
    !insertmacro CheckNotRunning $INSTDIR
    ${If} $OldDir != ""
        !insertmacro CheckNotRunning $OldDir
    ${EndIf}
    ClearErrors
    CreateDirectory $INSTDIR
    FileOpen $0 "$INSTDIR\torvelt.exe.neu" w
    FileClose $0
    Delete "$INSTDIR\torvelt.exe.neu"
    ${If} ${Errors}
        !insertmacro Fail "In den Ordner $INSTDIR kann nicht geschrieben werden. Wählen Sie einen anderen."
    ${EndIf}
    SetOutPath $INSTDIR
    AllowSkipFiles off
    File "${STAGE}/torvelt.exe"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ${If} ${Errors}
        !insertmacro Fail "Die Dateien in $INSTDIR konnten nicht geschrieben werden."
    ${EndIf}
    ; One copy only: the old one's uninstaller would otherwise remove what belongs to this one.
    ${If} $OldDir != ""
    ${AndIf} $OldDir != $INSTDIR
        Delete "$OldDir\torvelt.exe"
        Delete "$OldDir\uninstall.exe"
        RMDir $OldDir
    ${EndIf}
    Call WriteSettings
    ; Quoted, so that a blank in the folder can never start another program.
    WriteRegStr HKCU "${RUN_KEY}" WindowsStart '"$INSTDIR\torvelt.exe"'
    ; Switched off in Task Manager's start-up list once; installing means wanting it at logon.
    DeleteRegValue HKCU "${STARTUP_APPROVED_KEY}" WindowsStart
    WriteRegStr HKCU "${UNINSTALL_KEY}" DisplayName WindowsStart
    WriteRegStr HKCU "${UNINSTALL_KEY}" DisplayVersion ${VERSION}
    WriteRegStr HKCU "${UNINSTALL_KEY}" Publisher WindowsStart
    WriteRegStr HKCU "${UNINSTALL_KEY}" DisplayIcon "$INSTDIR\torvelt.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" InstallLocation $INSTDIR
    WriteRegStr HKCU "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" NoModify 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" NoRepair 1
    ; In KiB, of what was installed: the folder may hold files of the user's own.
    StrCpy $1 1023
    !insertmacro AddSize "$INSTDIR\torvelt.exe"
    !insertmacro AddSize "$INSTDIR\uninstall.exe"
    IntOp $1 $1 / 1024
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" EstimatedSize $1
SectionEnd

Section Uninstall
    ; A running lock holds its exe open: trying it first means nothing is gone when it fails.
    ClearErrors
    Delete "$INSTDIR\torvelt.exe"
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "WindowsStart läuft gerade und kann nicht entfernt werden. Geben Sie erst Ihr Paßwort ein, dann starten Sie die Deinstallation noch einmal. Es wurde nichts entfernt." /SD IDOK
        Abort
    ${EndIf}
    ; An old copy's uninstaller leaves alone what belongs to the install in another folder.
    ReadRegStr $0 HKCU "${RUN_KEY}" WindowsStart
    ${If} $0 == '"$INSTDIR\torvelt.exe"'
        DeleteRegValue HKCU "${RUN_KEY}" WindowsStart
        DeleteRegValue HKCU "${STARTUP_APPROVED_KEY}" WindowsStart
    ${EndIf}
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" InstallLocation
    ${If} $0 == $INSTDIR
    ${OrIf} $0 == ""
        DeleteRegKey HKCU "${UNINSTALL_KEY}"
        ; The settings hold the password in plain text: none may stay behind.
        DeleteRegKey HKCU "Software\WindowsStart"
    ${EndIf}
    ; Only what was installed: the folder may hold files of the user's own, and then stays.
    Delete "$INSTDIR\uninstall.exe"
    RMDir $INSTDIR
SectionEnd
