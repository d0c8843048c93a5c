#include "ui/localization.h"

#include <windows.h>

std::wstring GetString(const std::wstring& id) { return id; }

std::wstring FormatString(const std::wstring& pattern, const std::vector<std::wstring>& arguments) {
    std::vector<DWORD_PTR> inserts;
    for (const std::wstring& argument : arguments) inserts.push_back(reinterpret_cast<DWORD_PTR>(argument.c_str()));
    // FormatMessage reads as many inserts as the pattern names; pad so a stray "%9" is safe.
    while (inserts.size() < 99) inserts.push_back(reinterpret_cast<DWORD_PTR>(L""));
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                  pattern.c_str(), 0, 0, reinterpret_cast<wchar_t*>(&buffer), 0,
                                  reinterpret_cast<va_list*>(inserts.data()));
    std::wstring result = length ? std::wstring(buffer, length) : pattern;
    if (buffer) LocalFree(buffer);
    return result;
}

void LoadStringMaps() {}
void SelectLanguage(unsigned short) {}
unsigned short GetSelectedLangId() { return 0; }
