#pragma once
// Localised texts by string id. The string maps and language switching arrive with the
// localisation work; until then no language is loaded, so every id shows as itself.
#include <string>
#include <vector>

std::wstring GetString(const std::wstring& id);

// Fills "%1", "%2", ... with the arguments under the system's message-format rules
// ("%%" is a percent sign). A pattern that does not format is returned unchanged.
std::wstring FormatString(const std::wstring& pattern, const std::vector<std::wstring>& arguments);

// Placeholders: no string map is loaded yet, so no language can be selected.
void LoadStringMaps();
void SelectLanguage(unsigned short langId);
unsigned short GetSelectedLangId();
