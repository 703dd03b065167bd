; The installer's settings: the command line, the page for the password and the limits, and what
; is written. What the lock takes from the store, and what the page and the command line accept,
; the SetupRules plugin decides with the lock's own code.
!include nsDialogs.nsh

!define SETTINGS_KEY "Software\WindowsStart\Paßwort"

Var PasswordField
Var RepeatField
Var TriesField
Var SecondsField
; "stored", "none", or "broken" for a Key that is not text: the lock would wipe the whole store.
Var KeyState
Var Password
; Each limit: the number to write ("" keeps the stored value), the number its field shows first
; (what the lock reads in the stored value, or its default), and 1 if the lock refuses the stored
; value: it would wipe the whole store at its next start, so the shown number goes in.
Var Tries
Var TriesShown
Var TriesBroken
Var Seconds
Var SecondsShown
Var SecondsBroken
Var FinishText

; Before anything is written: the whole command line is checked, then the store is read.
Function ReadSettings
    SetupRules::Options
    Pop $R0
    Pop $Tries
    Pop $Seconds
    ${If} $R0 != ""
        !insertmacro Fail $R0
    ${EndIf}
    SetupRules::Settings
    Pop $KeyState
    Pop $TriesShown
    Pop $TriesBroken
    Pop $SecondsShown
    Pop $SecondsBroken
FunctionEnd

; A field shows the number given on the command line, else the shown one.
!macro Row Y LABEL CONTROL VAR VALUE SHOWN
    ${NSD_CreateLabel} 0 ${Y}u 58% 10u "${LABEL}"
    Pop $R0
    StrCpy $R1 "${VALUE}"
    ${IfThen} $R1 == "" ${|} StrCpy $R1 "${SHOWN}" ${|}
    ${NSD_Create${CONTROL}} 60% ${Y}u 40% 12u $R1
    Pop ${VAR}
!macroend

Function SettingsPage
    !insertmacro MUI_HEADER_TEXT "Einstellungen" "Paßwort, Versuche und Sekunden bis zum Herunterfahren"
    nsDialogs::Create 1018
    Pop $R0
    ${If} $KeyState == stored
        ${NSD_CreateLabel} 0 0 100% 30u "Ihr gespeichertes Paßwort bleibt. Sie ändern es in der Sperre: $\"new Paßwort$\" eingeben und Enter drücken."
        Pop $R0
    ${Else}
        !insertmacro Row 2 "Paßwort:" Password $PasswordField "" ""
        !insertmacro Row 20 "Paßwort wiederholen:" Password $RepeatField "" ""
    ${EndIf}
    !insertmacro Row 44 "Falsche Versuche bis zum Herunterfahren:" Text $TriesField $Tries $TriesShown
    !insertmacro Row 62 "Sekunden bis zum Herunterfahren:" Text $SecondsField $Seconds $SecondsShown
    SetupRules::PageNote
    Pop $R1
    ${NSD_CreateLabel} 0 86u 100% 40u $R1
    Pop $R0
    ${If} $KeyState == stored
        ${NSD_SetFocus} $TriesField
    ${Else}
        ${NSD_SetFocus} $PasswordField
    ${EndIf}
    nsDialogs::Show
FunctionEnd

!macro Refuse FIELD TEXT
    MessageBox MB_OK|MB_ICONSTOP "${TEXT}"
    ${NSD_SetFocus} ${FIELD}
    Abort
!macroend

; A field left as it was shown writes nothing: a stored value the page would not take stays.
!macro CheckLimit NAME FIELD VALUE SHOWN
    SetupRules::CheckField ${NAME} ${FIELD} ${SHOWN}
    Pop $R0
    Pop ${VALUE}
    ${If} $R0 != ""
        !insertmacro Refuse ${FIELD} $R0
    ${EndIf}
!macroend

Function SettingsLeave
    ${If} $KeyState != stored
        SetupRules::CheckPassword $PasswordField $RepeatField
        Pop $R0
        Pop $R1
        Pop $Password
        ${If} $R0 != ""
            !insertmacro Refuse $R1 $R0
        ${EndIf}
    ${EndIf}
    !insertmacro CheckLimit tries $TriesField $Tries $TriesShown
    !insertmacro CheckLimit seconds $SecondsField $Seconds $SecondsShown
FunctionEnd

!macro WriteLimit NAME VALUE SHOWN BROKEN
    ${If} ${VALUE} != ""
        WriteRegStr HKCU "${SETTINGS_KEY}" ${NAME} ${VALUE}
    ${ElseIf} ${BROKEN} == 1
        WriteRegStr HKCU "${SETTINGS_KEY}" ${NAME} ${SHOWN}
    ${EndIf}
!macroend

Function WriteSettings
    ${If} $Password != ""
        WriteRegStr HKCU "${SETTINGS_KEY}" Key $Password
    ${ElseIf} $KeyState == broken
        ; Without it the lock keeps the limits written here and asks for a new password.
        DeleteRegValue HKCU "${SETTINGS_KEY}" Key
    ${EndIf}
    !insertmacro WriteLimit maxFehler $Tries $TriesShown $TriesBroken
    !insertmacro WriteLimit TimeOut $Seconds $SecondsShown $SecondsBroken
    SetupRules::FinishText
    Pop $FinishText
FunctionEnd
