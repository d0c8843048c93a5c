#pragma once
// Menu mnemonics. Menu texts mark their key with "&" ("E&xit", "退出(&X)"); the flat style
// draws the menus itself, so the system neither sees the marks nor matches the keys: the
// owner answers WM_MENUCHAR from here. Other places that show the same texts (tooltips, the
// hot-key list) show them without the marks.
#include <windows.h>

#include <string>
#include <vector>

// The text as shown outside a menu: a lone "&" goes, "&&" becomes "&", and a key added in
// brackets ("退出(&X)", "选项(&O)...") goes with its brackets.
std::wstring StripMnemonic(const std::wstring& text);
// The text as a menu shows it without its underline: "&" marks go, "退出(&X)" keeps "(X)".
std::wstring WithoutMarks(const std::wstring& text);
// A text that is to show as it is in a menu (a category, a language): every "&" doubled.
std::wstring EscapeMnemonic(const std::wstring& text);
// The marked key of a text, upper-cased; 0 when it has none.
wchar_t MnemonicOf(const std::wstring& text);

// What WM_MENUCHAR needs to know of one item of a menu.
struct MenuCharItem {
    std::wstring text;  // with its marks
    bool separator = false;
    bool enabled = true;
};

// The answer to WM_MENUCHAR for a key typed in a menu whose item at position highlighted
// (-1: none) is selected. An item answers to its marked key or, without a mark, to its first
// character (the lists of categories, favourites and languages). One item: MNC_EXECUTE (a
// disabled one is only selected); several: MNC_SELECT of the next one after the highlighted
// one, so that the key cycles through them; none: MNC_IGNORE.
LRESULT AnswerMenuChar(const std::vector<MenuCharItem>& items, wchar_t key, int highlighted);
