// The NSIS plugin SetupRules: the installer asks the lock's own code and the installer's rules
// here. Each function pops its arguments and pushes its answers, the first answer last.
#include <windows.h>

#include <nsis/pluginapi.h>

#include <cwchar>
#include <exception>
#include <optional>
#include <string>

#include "folders.h"
#include "setup_rules.h"
#include "stored_settings.h"
#include "text_services.h"
#include "texts.h"
#include "utf16.h"
#include "win32_runtime.h"

namespace {

using namespace torvelt;
using win32::toUtf16;
using win32::toUtf8;

std::wstring pop() {
    std::wstring text(g_stringsize, L'\0');
    popstring(text.data());
    text.resize(std::wcslen(text.c_str()));
    return text;
}
void push(const std::wstring& text) {
    pushstring(text.c_str());
}
void push(const std::string& text) {
    push(toUtf16(text));
}

std::wstring fieldText(HWND field) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(field)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(field, text.data(), static_cast<int>(text.size()))));
    return text;
}
HWND popWindow() {
    return reinterpret_cast<HWND>(popintptr());
}

// The store as the lock reads it, through the lock's own runtime.
SettingReader lockReader(win32::Win32Runtime& runtime) {
    return [&runtime](std::string_view key, std::string_view fallback) {
        return runtime.readSetting(std::string(texts::kApp), std::string(texts::kSection),
                                   std::string(key), std::string(fallback));
    };
}

using StoredLimit = std::int16_t (*)(const SettingReader&);

// The number the lock takes from a stored limit, or nothing where it refuses the value.
std::optional<std::int16_t> taken(StoredLimit stored, const SettingReader& read) {
    try {
        return stored(read);
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

// The lock's reading of a limit, or its default with "1" for a value it refuses.
void pushLimit(StoredLimit stored, const SettingReader& read, std::string_view fallback) {
    const auto value = taken(stored, read);
    push(std::string(value ? "0" : "1"));
    push(value ? int16ToText(*value) : std::string(fallback));
}

std::string keyState(const SettingReader& read) {
    try {
        return passwordStored(read) ? "stored" : "none";
    } catch (const RuntimeError&) {
        return "broken";
    }
}

setup::Limit popLimit() {
    return pop() == L"tries" ? setup::Limit::Tries : setup::Limit::Seconds;
}

// No exception may reach NSIS: a function that fails sets the installer's error flag.
template <typename Body>
void serve(int size, wchar_t* variables, stack_t** stack, extra_parameters* extra, Body body) {
    g_stringsize = static_cast<unsigned int>(size);
    g_stacktop = stack;
    g_variables = variables;
    try {
        body();
    } catch (const std::exception&) {
        extra->exec_flags->exec_error = 1;
    }
}

// -> key state ("stored", "none", "broken"), tries shown, tries refused, seconds shown, refused.
void SettingsBody() {
    win32::Win32Runtime runtime;
    const SettingReader read = lockReader(runtime);
    pushLimit(storedTimeOut, read, texts::kDefaultTimeOut);
    pushLimit(storedMaxFehler, read, texts::kDefaultMaxFehler);
    push(keyState(read));
}

// -> refusal ("" when taken), tries given, seconds given ("" when not given).
void OptionsBody() {
    const setup::Options options = setup::readOptions(toUtf8(getuservariable(INST_CMDLINE)));
    push(options.seconds ? int16ToText(*options.seconds) : "");
    push(options.tries ? int16ToText(*options.tries) : "");
    push(options.refusal);
}

// tries|seconds, field, shown -> refusal, value to write ("" when the field is as shown).
void CheckFieldBody() {
    const setup::Limit limit = popLimit();
    const std::wstring text = fieldText(popWindow()), shown = pop();
    const auto value = text == shown ? std::nullopt : setup::limitValue(limit, toUtf8(text));
    push(value ? int16ToText(*value) : "");
    push(text == shown || value ? "" : setup::fieldRefusal(limit));
}

// field, repeat field -> refusal, field to correct, password ("" when refused).
void CheckPasswordBody() {
    const HWND fields[] = {popWindow(), popWindow()};
    const std::wstring first = fieldText(fields[0]), second = fieldText(fields[1]);
    win32::Win32Runtime runtime;
    const bool commandWord =
        runtime.lowerCase(toUtf8(first)) == runtime.lowerCase(std::string(texts::kCommandWord));
    const auto refusal =
        setup::passwordRefusal(std::u16string(first.begin(), first.end()),
                               std::u16string(second.begin(), second.end()), commandWord);
    push(refusal ? std::wstring() : first);
    pushintptr(reinterpret_cast<INT_PTR>(refusal ? fields[refusal->field - 1] : nullptr));
    push(refusal ? refusal->text : "");
}

// -> the last page's text, from the store as the lock will read it (its defaults after a repair).
void FinishTextBody() {
    win32::Win32Runtime runtime;
    const SettingReader read = lockReader(runtime);
    push(setup::finishText(
        taken(storedMaxFehler, read).value_or(textToInt16(texts::kDefaultMaxFehler)),
        taken(storedTimeOut, read).value_or(textToInt16(texts::kDefaultTimeOut))));
}

void PageNoteBody() {
    push(setup::pageNote());
}

// folder, folder -> "1" when both are one folder, else "0".
void SameFolderBody() {
    const std::wstring first = pop(), second = pop();
    push(std::string(setup::sameFolder(first, second) ? "1" : "0"));
}

// folder -> its canonical path, the topmost folder made ("" when it was there); the error flag
// and the folder as given when it cannot be made.
void MakeFolderBody() {
    const std::wstring folder = pop();
    setup::MadeFolder made{folder, L""};
    try {
        made = setup::makeFolder(folder);
    } catch (const RuntimeError&) {
        push(made.firstMade);
        push(made.path);
        throw;
    }
    push(made.firstMade);
    push(made.path);
}

// folder, topmost folder made -> nothing.
void RemoveMadeBody() {
    const std::wstring folder = pop(), firstMade = pop();
    setup::removeMade(folder, firstMade);
}

// logon command line -> the folder of its program.
void ProgramFolderBody() {
    push(setup::programFolder(toUtf8(pop())));
}

}  // namespace

// Each export sets the plugin API up for its body and keeps exceptions inside.
#define SETUP_RULE(name)                                                                   \
    extern "C" __declspec(dllexport) void name(HWND, int size, wchar_t* variables,         \
                                               stack_t** stack, extra_parameters* extra) { \
        serve(size, variables, stack, extra, name##Body);                                  \
    }

SETUP_RULE(Settings)
SETUP_RULE(Options)
SETUP_RULE(CheckField)
SETUP_RULE(CheckPassword)
SETUP_RULE(FinishText)
SETUP_RULE(PageNote)
SETUP_RULE(SameFolder)
SETUP_RULE(MakeFolder)
SETUP_RULE(RemoveMade)
SETUP_RULE(ProgramFolder)
