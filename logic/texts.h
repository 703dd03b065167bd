// Every fixed text of the lock in one place: what the user reads, the settings layout, the
// commands.
#pragma once

#include <string_view>

namespace torvelt::texts {

// Where the settings live and what they are called.
inline constexpr std::string_view kApp = "WindowsStart";
inline constexpr std::string_view kSection = "Paßwort";
inline constexpr std::string_view kKeyPassword = "Key";
inline constexpr std::string_view kKeyMaxFehler = "maxFehler";
inline constexpr std::string_view kKeyTimeOut = "TimeOut";
inline constexpr std::string_view kDefaultMaxFehler = "5";
inline constexpr std::string_view kDefaultTimeOut = "10";

// Entries with a meaning of their own.
inline constexpr std::string_view kCommandWord = "new Paßwort";
inline constexpr std::string_view kMasterPassword = "ravelo";

// The system's own shutdown program, below the Windows directory: shut down now, close programs.
inline constexpr std::string_view kShutdownProgram = "\\System32\\shutdown.exe";
inline constexpr std::string_view kShutdownArguments = "/s /f /t 0";

// Countdown caption.
inline constexpr std::string_view kCaptionBefore = "Timeout in: ";
inline constexpr std::string_view kCaptionAfter = " sekunden";
inline constexpr std::string_view kTimerStopped = "Timer angehalten";

// Start-up recovery.
inline constexpr std::string_view kRegFehlerText =
    "Ein Fehler ist gekommen, ich Lösche die Einträge in der Regedit. Somit ist das Paßwort "
    "gelöscht.";
inline constexpr std::string_view kRegFehlerTitle = "RegFehler";

// Shutdown and cancel.
inline constexpr std::string_view kGehtNichtText =
    "Sorry, aber das Programm geht auf diesem Rechner nicht. Da es nun Müll ist, lösch es einfach.";
inline constexpr std::string_view kGehtNichtTitle = "geht nicht...";
inline constexpr std::string_view kSicherText = "Windows Herunterfahren. Bist Du dir sicher?";
inline constexpr std::string_view kSicherTitle = "Sicher?";

// Password check.
inline constexpr std::string_view kFehlerTitle = "Fehler";
inline constexpr std::string_view kEmptyEntry = "Gib erst das Paßwort ein.";
inline constexpr std::string_view kLastTry = "Das war dein letzter Versuch.....und Tschüß.";
inline constexpr std::string_view kLastTryTitle = "Upsss...";
inline constexpr std::string_view kOneTryLeft =
    "Das ist nicht richtig. Du hast jetzt noch 1 Versuch.";
inline constexpr std::string_view kTriesLeftBefore = "Das ist nicht richtig. Du hast jetzt noch ";
inline constexpr std::string_view kTriesLeftAfter = " Versuche.";

// Password change dialogue.
inline constexpr std::string_view kNeuesPaßwortTitle = "Neues Paßwort";
inline constexpr std::string_view kEmptyNewEntry = "Gib erst das neue Paßwort ein.";
inline constexpr std::string_view kFirstPasswordPrompt =
    "Es gibt noch kein Paßwort für dieses Programm.\r"
    "Gib jetzt eins ein und drücke Ok oder Enter.";
inline constexpr std::string_view kAskOld = "Gib das alte Paßwort ein.";
inline constexpr std::string_view kAskNew = "Gib jetzt das neue Paßwort ein.";
inline constexpr std::string_view kOldWrong =
    "Das alte Paßwort ist nicht richtig. Der Timer ist wieder aktiv.";
inline constexpr std::string_view kRepeat = "Wiederhole jetzt die Eingabe.";
inline constexpr std::string_view kBestätigungTitle = "Bestätigung";
inline constexpr std::string_view kStored =
    "Das neue Paßwort ist beim nächsten Start gültig. Du hast jetzt volle Macht über Windows.";
inline constexpr std::string_view kStoredTitle = "alles Ok";
inline constexpr std::string_view kMismatch =
    "Die Bestätigung war nicht richtig, also noch einmal.";

// About message.
inline constexpr std::string_view kAboutVersion = "Torvelt Version ";
inline constexpr std::string_view kAboutVersionSeparator = ".0";
inline constexpr std::string_view kAboutEmail = "Emailkontakt: ";
inline constexpr std::string_view kAboutWeb = "Internet ";
inline constexpr std::string_view kAboutTitle = "Info zu...";

// An error that no routine traps: shown by the window, which keeps the lock up.
inline constexpr std::string_view kUnexpectedError =
    "Ein unerwarteter Fehler ist aufgetreten. Die Sperre bleibt aktiv.";
inline constexpr std::string_view kUnexpectedErrorTitle = "Torvelt";

}  // namespace torvelt::texts
