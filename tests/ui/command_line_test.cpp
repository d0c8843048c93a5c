// The command line's verbs and their hand-over record.
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "ui/main_window/command_line.h"

TEST(CommandLine, OneVerbInAnyCaseWithSlashOrDashElseUsage) {
    EXPECT_EQ(ParseCommandLine(L"").kind, CommandLine::NoVerb);
    EXPECT_EQ(ParseCommandLine(L"   ").kind, CommandLine::NoVerb);
    const std::pair<const wchar_t*, WORD> verbs[] = {
        {L"/next", IDC_NEXT},
        {L"-PREV", IDC_PREV},
        {L"/Freeze", ID_FREEZE_ON},
        {L"/unfreeze", ID_FREEZE_OFF},
        {L"-restore", ID_RESTORE_OLD_WALLPAPER},
        {L"/DOWNLOAD", ID_DOWNLOAD_NOW},
        {L" /show ", ID_SHOW_MAIN_WINDOW},
        {L"\"/hide\"", ID_HIDE_MAIN_WINDOW},
        {L"/exit", ID_APP_EXIT},
        {L"/Ban", ID_NEVER_SHOW_PICTURE},
        {L"-save", ID_SAVE_PICTURE},
    };
    for (const auto& [text, command] : verbs) {
        const CommandLine line = ParseCommandLine(text);
        EXPECT_EQ(line.kind, CommandLine::Verb) << text;
        EXPECT_EQ(line.command, command) << text;
    }
    EXPECT_EQ(ParseCommandLine(L"/Next").verb, L"next");
    for (const wchar_t* text : {L"/bogus", L"next", L"/next extra", L"/next /prev", L"/", L"--next", L"/nextt"})
        EXPECT_EQ(ParseCommandLine(text).kind, CommandLine::Invalid) << text;
    EXPECT_NE(CommandLineUsage().find(L"/unfreeze"), std::wstring::npos);
}

TEST(CommandLine, AHandedOverVerbIsTakenOnlyWhenWellFormedAndFromThisSession) {
    struct {
        DWORD sender;
        wchar_t verb[16];
    } record{GetCurrentProcessId(), L"prev"};
    COPYDATASTRUCT data{kVerbCopyDataId, sizeof(record), &record};
    EXPECT_EQ(ReceiveVerb(data), std::optional<WORD>(IDC_PREV));

    COPYDATASTRUCT other = data;
    other.dwData = 1;
    EXPECT_FALSE(ReceiveVerb(other)) << "another program's record";
    other = data;
    other.cbData = sizeof(record) - 1;
    EXPECT_FALSE(ReceiveVerb(other)) << "cut short";
    other.cbData = sizeof(record);
    other.lpData = nullptr;
    EXPECT_FALSE(ReceiveVerb(other));
    wcscpy(record.verb, L"format");
    EXPECT_FALSE(ReceiveVerb(data)) << "no such verb";
    for (wchar_t& c : record.verb) c = L'x';
    EXPECT_FALSE(ReceiveVerb(data)) << "no end to the name";
    wcscpy(record.verb, L"next");
    record.sender = 0xFFFFFFF0;  // no such process: its session cannot be told
    EXPECT_FALSE(ReceiveVerb(data));
}
