; The installer's settings: what is stored, the page for the password and the limits, the silent parameters.
!include nsDialogs.nsh

!define SETTINGS_KEY "Software\WindowsStart\Paßwort"
!define /math MAX_PASSWORD ${NSIS_MAX_STRLEN} - 1

Var PasswordField
Var RepeatField
Var TriesField
Var SecondsField
Var HavePassword
Var Password
; Each limit: the text to write, the text its field showed first, and 1 if the stored value is one
; the lock refuses: it would wipe the whole store at its next start, so the field's value goes in.
Var Tries
Var TriesShown
Var TriesBroken
Var Seconds
Var SecondsShown
Var SecondsBroken

; $R0: a text. $R1: the number the lock reads in it, without blanks and leading zeros, or "" if
; the lock refuses it. The lock takes blanks around, an optional minus, digits, -32768 to 32767.
Function LockNumber
    Push $R0
    Push $R2
    Push $R3
    Push $R4
    StrCpy $R1 $R0
    leading:
        StrCpy $R2 $R1 1
        StrCmp $R2 " " 0 +3
        StrCpy $R1 $R1 "" 1
        Goto leading
    trailing:
        StrCpy $R2 $R1 1 -1
        StrCmp $R2 " " 0 +3
        StrCpy $R1 $R1 -1
        Goto trailing
    StrCpy $R3 $R1 1
    StrCmp $R3 "-" 0 +2
        StrCpy $R1 $R1 "" 1
    StrCmp $R1 "" refused
    ; IntCmp reads a leading zero as octal, and zeros in front do not make a number longer.
    zeros:
        StrCpy $R2 $R1 1
        StrCmp $R1 "0" +4
        StrCmp $R2 "0" 0 +3
        StrCpy $R1 $R1 "" 1
        Goto zeros
    StrCpy $R2 0
    digit:
        StrCpy $R0 $R1 1 $R2
        StrCmp $R0 "" +5
        ; A digit is the only character that IntOp gives back unchanged.
        IntOp $R4 $R0 * 1
        StrCmpS $R4 $R0 0 refused
        IntOp $R2 $R2 + 1
        Goto digit
    StrLen $R2 $R1
    IntCmp $R2 5 0 0 refused
    StrCmp $R3 "-" 0 +4
        IntCmp $R1 32768 0 0 refused
        StrCpy $R1 "-$R1"
        Goto done
    IntCmp $R1 32767 done done refused
    refused:
    StrCpy $R1 ""
    done:
    Pop $R4
    Pop $R3
    Pop $R2
    Pop $R0
FunctionEnd

; $R0: a text; $R5 to $R6: a range. $R1: the whole number in that range, or "" if it is none.
Function InRange
    Call LockNumber
    ${If} $R1 < $R5
    ${OrIf} $R1 > $R6
        StrCpy $R1 ""
    ${EndIf}
FunctionEnd

; $R2: the name of a setting. $R3: "" if there is none, "text" if it is text (then in $R0), else
; "other". Any other type the lock refuses.
Function ReadSetting
    Push $R4
    Push $R5
    StrCpy $R3 ""
    StrCpy $R5 0
    ${Do}
        EnumRegValue $R4 HKCU "${SETTINGS_KEY}" $R5
        ${IfThen} $R4 == $R2 ${|} StrCpy $R3 other ${|}
        IntOp $R5 $R5 + 1
    ${LoopUntil} $R4 == ""
    ClearErrors
    ReadRegStr $R0 HKCU "${SETTINGS_KEY}" $R2
    ${IfNotThen} ${Errors} ${|} StrCpy $R3 text ${|}
    Pop $R5
    Pop $R4
FunctionEnd

; The field shows the stored value if the lock takes it, else the lock's default.
!macro ReadLimit NAME DEFAULT VALUE SHOWN BROKEN
    StrCpy $R2 ${NAME}
    Call ReadSetting
    StrCpy ${SHOWN} ${DEFAULT}
    StrCpy ${BROKEN} 0
    ${If} $R3 != ""
        StrCpy ${BROKEN} 1
        Call LockNumber
        ${If} $R3 == text
        ${AndIf} $R1 != ""
            StrCpy ${SHOWN} $R0
            StrCpy ${BROKEN} 0
        ${EndIf}
    ${EndIf}
    StrCpy ${VALUE} ${SHOWN}
!macroend

; A value given as /OPTION=n (in $R9, the command line) replaces the field's; an invalid one ends
; the installer before it has done anything.
!macro LimitOption OPTION LABEL LOW HIGH VALUE
    ClearErrors
    ${GetOptions} $R9 "/${OPTION}=" $R0
    ${IfNot} ${Errors}
        StrCpy $R5 ${LOW}
        StrCpy $R6 ${HIGH}
        Call InRange
        ${If} $R1 == ""
            !insertmacro Fail "/${OPTION}=$R0: ${LABEL} müssen eine ganze Zahl von ${LOW} bis ${HIGH} sein."
        ${EndIf}
        StrCpy ${VALUE} $R1
    ${EndIf}
!macroend

Function ReadSettings
    StrCpy $R2 Key
    Call ReadSetting
    StrCpy $HavePassword 1
    ${IfThen} "$R3$R0" == "" ${|} StrCpy $HavePassword 0 ${|}
    ${IfThen} "$R3$R0" == text ${|} StrCpy $HavePassword 0 ${|}
    !insertmacro ReadLimit maxFehler 5 $Tries $TriesShown $TriesBroken
    !insertmacro ReadLimit TimeOut 10 $Seconds $SecondsShown $SecondsBroken
    ${GetParameters} $R9
    !insertmacro LimitOption MAXFEHLER "Falsche Versuche" 1 999 $Tries
    !insertmacro LimitOption TIMEOUT "Sekunden" 10 32767 $Seconds
FunctionEnd

!macro Row Y LABEL CONTROL VAR TEXT
    ${NSD_CreateLabel} 0 ${Y}u 58% 10u "${LABEL}"
    Pop $R0
    ${NSD_Create${CONTROL}} 60% ${Y}u 40% 12u "${TEXT}"
    Pop ${VAR}
!macroend

Function SettingsPage
    !insertmacro MUI_HEADER_TEXT "Einstellungen" "Paßwort, Versuche und Sekunden bis zum Herunterfahren"
    nsDialogs::Create 1018
    Pop $R0
    ${If} $HavePassword == 0
        !insertmacro Row 2 "Paßwort:" Password $PasswordField ""
        !insertmacro Row 20 "Paßwort wiederholen:" Password $RepeatField ""
    ${Else}
        ${NSD_CreateLabel} 0 0 100% 30u "Ihr gespeichertes Paßwort bleibt. Sie ändern es in der Sperre: $\"new Paßwort$\" eingeben und Enter drücken."
        Pop $R0
    ${EndIf}
    !insertmacro Row 44 "Falsche Versuche bis zum Herunterfahren:" Text $TriesField $Tries
    !insertmacro Row 62 "Sekunden bis zum Herunterfahren:" Text $SecondsField $Seconds
    ${NSD_CreateLabel} 0 86u 100% 40u "Ab der nächsten Anmeldung fragt die Sperre nach dem Paßwort. Nach so vielen falschen Versuchen (1 bis 999) oder Sekunden (10 bis 32767) fährt sie Windows herunter."
    Pop $R0
    ${If} $HavePassword == 0
        ${NSD_SetFocus} $PasswordField
    ${Else}
        ${NSD_SetFocus} $TriesField
    ${EndIf}
    nsDialogs::Show
FunctionEnd

!macro Refuse FIELD TEXT
    MessageBox MB_OK|MB_ICONSTOP "${TEXT}"
    ${NSD_SetFocus} ${FIELD}
    Abort
!macroend

; Only a field changed from what it showed is checked and written (or one that replaces a value
; the lock refuses): a stored value the page would not take stays as it is.
!macro CheckLimit FIELD VALUE SHOWN LABEL LOW HIGH
    ${NSD_GetText} ${FIELD} ${VALUE}
    ${If} ${VALUE} S!= ${SHOWN}
        StrCpy $R0 ${VALUE}
        StrCpy $R5 ${LOW}
        StrCpy $R6 ${HIGH}
        Call InRange
        ${If} $R1 == ""
            !insertmacro Refuse ${FIELD} "${LABEL}: bitte eine ganze Zahl von ${LOW} bis ${HIGH}."
        ${EndIf}
        StrCpy ${VALUE} $R1
    ${EndIf}
!macroend

Function SettingsLeave
    ${If} $HavePassword == 0
        ; Read past its end, a longer password would come back cut short.
        SendMessage $PasswordField ${WM_GETTEXTLENGTH} 0 0 $R0
        SendMessage $RepeatField ${WM_GETTEXTLENGTH} 0 0 $R1
        ${NSD_GetText} $PasswordField $Password
        ${NSD_GetText} $RepeatField $R2
        ${If} $R0 > ${MAX_PASSWORD}
        ${OrIf} $R1 > ${MAX_PASSWORD}
            !insertmacro Refuse $PasswordField "Das Paßwort ist zu lang: höchstens ${MAX_PASSWORD} Zeichen."
        ${ElseIf} $Password == ""
            !insertmacro Refuse $PasswordField "Bitte geben Sie ein Paßwort ein."
        ${ElseIf} $Password S!= $R2
            !insertmacro Refuse $RepeatField "Die beiden Eingaben sind nicht gleich. Bitte geben Sie das Paßwort zweimal genau gleich ein."
        ${ElseIf} $Password == "new Paßwort"
            !insertmacro Refuse $PasswordField "$\"new Paßwort$\" ist der Befehl, mit dem Sie in der Sperre das Paßwort ändern. Bitte wählen Sie ein anderes Paßwort."
        ${EndIf}
    ${EndIf}
    !insertmacro CheckLimit $TriesField $Tries $TriesShown "Falsche Versuche bis zum Herunterfahren" 1 999
    !insertmacro CheckLimit $SecondsField $Seconds $SecondsShown "Sekunden bis zum Herunterfahren" 10 32767
FunctionEnd

!macro WriteLimit NAME VALUE SHOWN BROKEN
    ${If} ${VALUE} S!= ${SHOWN}
    ${OrIf} ${BROKEN} == 1
        WriteRegStr HKCU "${SETTINGS_KEY}" ${NAME} ${VALUE}
    ${EndIf}
!macroend

Function WriteSettings
    ${IfThen} $Password != "" ${|} WriteRegStr HKCU "${SETTINGS_KEY}" Key $Password ${|}
    !insertmacro WriteLimit maxFehler $Tries $TriesShown $TriesBroken
    !insertmacro WriteLimit TimeOut $Seconds $SecondsShown $SecondsBroken
FunctionEnd
