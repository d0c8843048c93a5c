#pragma once
// The command line's verbs: "Kestrane.exe /next" and the like, "-" as well as "/", in any case.
// A second start hands its verb to the running Kestrane in a WM_COPYDATA message; a first start
// performs it once its window is ready. Each verb is the command of a button or menu item.
#include <windows.h>

#include <optional>
#include <string>

struct CommandLine {
    enum Kind { NoVerb, Verb, Invalid } kind = NoVerb;
    WORD command = 0;   // for a verb: the WM_COMMAND id it performs
    std::wstring verb;  // for a verb: its name, lower case, without the "/" or "-"
};

// The arguments after the program's name: nothing, one known verb, or anything else (invalid).
CommandLine ParseCommandLine(const std::wstring& arguments);
// The one-line usage for an invalid command line.
std::wstring CommandLineUsage();

// The WM_COPYDATA record of a verb: dwData names it, the data is the sender's process id and
// the verb's name.
constexpr ULONG_PTR kVerbCopyDataId = 0x4B535456;  // "KSTV"
// Hands the verb to the running window; false when it did not take it within two seconds.
bool SendVerb(HWND running, const std::wstring& verb);
// The command of a verb that came in a WM_COPYDATA: none when the record is not a verb's, names
// no known verb, or comes from another session than this process's.
std::optional<WORD> ReceiveVerb(const COPYDATASTRUCT& data);
