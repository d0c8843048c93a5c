#include "ui/main_window/command_line.h"

#include <cwctype>
#include <vector>

#include "resources/resource.h"

namespace {

struct KnownVerb {
    const wchar_t* name;
    WORD command;
};

constexpr KnownVerb kVerbs[] = {
    {L"next", IDC_NEXT},
    {L"prev", IDC_PREV},
    {L"freeze", ID_FREEZE_ON},
    {L"unfreeze", ID_FREEZE_OFF},
    {L"restore", ID_RESTORE_OLD_WALLPAPER},
    {L"download", ID_DOWNLOAD_NOW},
    {L"show", ID_SHOW_MAIN_WINDOW},
    {L"hide", ID_HIDE_MAIN_WINDOW},
    {L"exit", ID_APP_EXIT},
    {L"ban", ID_NEVER_SHOW_PICTURE},
    {L"save", ID_SAVE_PICTURE},
};

std::optional<WORD> CommandOf(const std::wstring& name) {
    for (const KnownVerb& verb : kVerbs)
        if (name == verb.name) return verb.command;
    return std::nullopt;
}

// The record sent: who sends, and the verb's name (at most 15 characters, zero-terminated).
struct VerbRecord {
    DWORD senderProcessId;
    wchar_t verb[16];
};

}  // namespace

CommandLine ParseCommandLine(const std::wstring& arguments) {
    std::vector<std::wstring> words;
    std::wstring word;
    for (wchar_t c : arguments + L" ") {
        if (c == L'"') continue;  // "/next" in quotes is /next
        if (std::iswspace(c)) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    CommandLine line;
    if (words.empty()) return line;
    line.kind = CommandLine::Invalid;
    if (words.size() != 1 || words[0].size() < 2 || (words[0][0] != L'/' && words[0][0] != L'-')) return line;
    std::wstring name = words[0].substr(1);
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
    if (std::optional<WORD> command = CommandOf(name)) {
        line.kind = CommandLine::Verb;
        line.command = *command;
        line.verb = name;
    }
    return line;
}

std::wstring CommandLineUsage() {
    return L"Usage: Kestrane.exe [/next | /prev | /freeze | /unfreeze | /restore | /download | /show | /hide | "
           L"/exit | /save | /ban]";
}

bool SendVerb(HWND running, const std::wstring& verb) {
    VerbRecord record{GetCurrentProcessId(), {}};
    verb.copy(record.verb, sizeof(record.verb) / sizeof(wchar_t) - 1);
    COPYDATASTRUCT data{kVerbCopyDataId, sizeof(record), &record};
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 2000,
                               &answer) &&
           answer == TRUE;
}

std::optional<WORD> ReceiveVerb(const COPYDATASTRUCT& data) {
    if (data.dwData != kVerbCopyDataId || data.cbData != sizeof(VerbRecord) || !data.lpData) return std::nullopt;
    VerbRecord record;
    memcpy(&record, data.lpData, sizeof(record));
    record.verb[15] = L'\0';
    DWORD theirs = 0, ours = 0;
    if (!ProcessIdToSessionId(record.senderProcessId, &theirs) || !ProcessIdToSessionId(GetCurrentProcessId(), &ours) ||
        theirs != ours)
        return std::nullopt;
    return CommandOf(record.verb);
}
