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

!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\WindowsStart"

Name WindowsStart
BrandingText "WindowsStart ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\WindowsStart"
; Installing again, or a newer version, goes where the installed one is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" InstallLocation

!define MUI_DIRECTORYPAGE_TEXT_TOP "WindowsStart fragt bei jeder Anmeldung nach deinem Paßwort. Wähle den Ordner für das Programm."
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; Checked, so that the user chooses the password at once; the silent install shows no page.
!define MUI_FINISHPAGE_RUN "$INSTDIR\torvelt.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Jetzt starten und das Paßwort wählen"
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

; HKCU\Software\WindowsStart is never touched here: the password and the limits stay.
Section
    SetOutPath $INSTDIR
    File "${STAGE}/torvelt.exe"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ; Quoted, so that a blank in the folder can never start another program.
    WriteRegStr HKCU "${RUN_KEY}" WindowsStart '"$INSTDIR\torvelt.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" DisplayName WindowsStart
    WriteRegStr HKCU "${UNINSTALL_KEY}" DisplayVersion ${VERSION}
    WriteRegStr HKCU "${UNINSTALL_KEY}" Publisher WindowsStart
    WriteRegStr HKCU "${UNINSTALL_KEY}" DisplayIcon "$INSTDIR\torvelt.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" InstallLocation $INSTDIR
    WriteRegStr HKCU "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" NoModify 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" NoRepair 1
    ${GetSize} $INSTDIR "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" EstimatedSize $0
SectionEnd

Section Uninstall
    ; A running lock holds its exe open: trying it first means nothing is gone when it fails.
    ClearErrors
    Delete "$INSTDIR\torvelt.exe"
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "WindowsStart läuft gerade und kann nicht entfernt werden. Gib erst dein Paßwort ein, dann starte die Deinstallation noch einmal. Es wurde nichts entfernt." /SD IDOK
        Abort
    ${EndIf}
    DeleteRegValue HKCU "${RUN_KEY}" WindowsStart
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ; The settings hold the password in plain text: none may stay behind.
    DeleteRegKey HKCU "Software\WindowsStart"
    ; The folder goes last: once it is gone, so is everything else.
    Delete "$INSTDIR\uninstall.exe"
    RMDir $INSTDIR
SectionEnd
