#pragma once
// Where the program keeps what it writes (config.xml, data\, favorites\, update\, debug dumps):
// beside Kestrane.exe as always, unless that folder cannot be written (a copy in Program Files,
// a read-only share); then under the user's local application data, in the same layout.
#include <functional>

#include "base/path.h"

// Creates and deletes a uniquely named file in the folder: attributes and ACLs do not tell
// whether a write will succeed, only a write does.
bool IsFolderWritable(const Path& folder);

// %LOCALAPPDATA%\Kestrane; empty when the shell does not know the folder.
Path LocalUserFolder();

// The user's Pictures folder (the known folder where the shell has it, My Pictures before
// Vista); empty when the shell does not know it.
Path PicturesFolder();

// The settings file, in whichever folder is chosen.
constexpr const wchar_t* kConfigFileName = L"config.xml";

// The program folder when isWritable says so, otherwise perUserFolder (created); the program
// folder as well when there is no per-user folder to fall back on. A writable program folder
// without settings while perUserFolder has them (a per-user copy that an update installed
// beside a read-only one) keeps using perUserFolder, so the user's settings and pictures stay.
Path ChooseUserFolder(const Path& programFolder, const Path& perUserFolder,
                      const std::function<bool(const Path&)>& isWritable = IsFolderWritable);
