; The per-user installer of the lock: torvelt.exe, its logon entry and its entry among the installed apps.
; makensis.cmake defines VERSION, STAGE (the folder cpack staged the release files in) and OUTFILE,
; PLUGINS (the folder of SetupRules.dll), and SIGN (sign.sh) when the release is signed.
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

!addplugindir /amd64-unicode "${PLUGINS}"
!include LogicLib.nsh
!include MUI2.nsh
!include branding.nsh

!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\WindowsStart"

Name WindowsStart
BrandingText "WindowsStart ${VERSION}"
OutFile "${OUTFILE}"
; Also where an earlier release may have left a second copy.
!define DEFAULT_DIR "$LOCALAPPDATA\Programs\WindowsStart"
InstallDir "${DEFAULT_DIR}"
; Installing again, or a newer version, goes where the installed one is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" InstallLocation

!define STARTUP_APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"
Var OldDir
; The topmost folder this install created, "" while it created none.
Var MadeFolder
; Ends the installer (in .onInit as in a section) with exit code 2: nothing was changed, and the
; folders this install made are gone again with what it put there.
!macro Fail TEXT
    ${If} $MadeFolder != ""
        Delete "$INSTDIR\torvelt.exe"
        Delete "$INSTDIR\uninstall.exe"
        ; A folder that is the current one cannot be removed.
        SetOutPath $TEMP
        SetupRules::RemoveMade $INSTDIR $MadeFolder
    ${EndIf}
    MessageBox MB_OK|MB_ICONSTOP "${TEXT} Es wurde nichts installiert." /SD IDOK
    SetErrorLevel 2
    Abort
!macroend

!include settings.nsh

!define MUI_DIRECTORYPAGE_TEXT_TOP "WindowsStart fragt bei jeder Anmeldung nach Ihrem Paßwort. Wählen Sie den Ordner für das Programm."
!insertmacro MUI_PAGE_DIRECTORY
Page custom SettingsPage SettingsLeave
; After a refusal the page claims no more than what happened; the box has said why.
!define MUI_INSTFILESPAGE_ABORTHEADER_TEXT "Nicht installiert"
!define MUI_INSTFILESPAGE_ABORTHEADER_SUBTEXT "Die Installation wurde abgebrochen."
!insertmacro MUI_PAGE_INSTFILES
; The lock is never started from here: its countdown would run out in the middle of a session.
!define MUI_FINISHPAGE_TEXT $FinishText
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
    ${If} "${DIR}" != ""
    ${AndIf} ${FileExists} "${DIR}\torvelt.exe"
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

; One copy only: an old copy's uninstaller would otherwise remove what belongs to this one.
!macro RemoveOldCopy DIR
    SetupRules::SameFolder "${DIR}" $INSTDIR
    Pop $0
    ${If} "${DIR}" != ""
    ${AndIf} $0 == 0
        Delete "${DIR}\torvelt.exe"
        Delete "${DIR}\uninstall.exe"
        RMDir "${DIR}"
    ${EndIf}
!macroend

; Every check and every file comes before the registry: a failed install leaves no entry that
; points at a missing file. The folder is written as the file system spells it, so that every
; entry names it alike.
Section
    !insertmacro CheckNotRunning $INSTDIR
    !insertmacro CheckNotRunning $OldDir
    !insertmacro CheckNotRunning "${DEFAULT_DIR}"
    ClearErrors
    SetupRules::MakeFolder $INSTDIR
    Pop $INSTDIR
    Pop $MadeFolder
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
    !insertmacro RemoveOldCopy $OldDir
    !insertmacro RemoveOldCopy "${DEFAULT_DIR}"
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
    ; An old copy's uninstaller leaves alone what belongs to the install in another folder; the
    ; folders are compared as what they are, however each is spelled.
    ReadRegStr $0 HKCU "${RUN_KEY}" WindowsStart
    SetupRules::ProgramFolder $0
    Pop $1
    SetupRules::SameFolder $1 $INSTDIR
    Pop $1
    ${If} $0 == ""
    ${OrIf} $1 == 1
        DeleteRegValue HKCU "${RUN_KEY}" WindowsStart
        DeleteRegValue HKCU "${STARTUP_APPROVED_KEY}" WindowsStart
    ${EndIf}
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" InstallLocation
    SetupRules::SameFolder $0 $INSTDIR
    Pop $1
    ${If} $0 == ""
    ${OrIf} $1 == 1
        DeleteRegKey HKCU "${UNINSTALL_KEY}"
        ; The settings hold the password in plain text: none may stay behind.
        DeleteRegKey HKCU "Software\WindowsStart"
    ${EndIf}
    ; Only what was installed: the folder may hold files of the user's own, and then stays.
    Delete "$INSTDIR\uninstall.exe"
    RMDir $INSTDIR
SectionEnd
