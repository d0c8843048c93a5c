#include "ui/menus/menu_mnemonics.h"

namespace {

wchar_t Upper(wchar_t c) {
    // CharUpperW takes a single character in the low word of the pointer.
    return static_cast<wchar_t>(
        reinterpret_cast<UINT_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(c)))));
}

// The key an item answers to: its mark, or else its first shown character.
wchar_t KeyOf(const std::wstring& text) {
    if (wchar_t marked = MnemonicOf(text)) return marked;
    const std::wstring shown = StripMnemonic(text);
    return shown.empty() ? 0 : Upper(shown[0]);
}

}  // namespace

std::wstring StripMnemonic(const std::wstring& text) {
    std::wstring shown;
    shown.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        // A key added in brackets to a text without the letter ("退出(&X)") goes with them.
        if (text.compare(i, 2, L"(&") == 0 && i + 3 < text.size() && text[i + 2] != L'&' && text[i + 3] == L')') {
            while (!shown.empty() && shown.back() == L' ') shown.pop_back();
            i += 3;
            continue;
        }
        if (text[i] == L'&') {
            if (i + 1 < text.size() && text[i + 1] == L'&') shown += L'&', ++i;
            continue;
        }
        shown += text[i];
    }
    return shown;
}

std::wstring WithoutMarks(const std::wstring& text) {
    std::wstring shown;
    shown.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && ++i >= text.size()) break;
        shown += text[i];
    }
    return shown;
}

std::wstring EscapeMnemonic(const std::wstring& text) {
    std::wstring escaped;
    escaped.reserve(text.size());
    for (wchar_t c : text) {
        if (c == L'&') escaped += L'&';
        escaped += c;
    }
    return escaped;
}

wchar_t MnemonicOf(const std::wstring& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&') continue;
        if (text[i + 1] != L'&') return Upper(text[i + 1]);
        ++i;  // "&&" is an ampersand, not a mark
    }
    return 0;
}

LRESULT AnswerMenuChar(const std::vector<MenuCharItem>& items, wchar_t key, int highlighted) {
    const wchar_t wanted = Upper(key);
    std::vector<int> matches;
    for (size_t i = 0; i < items.size(); ++i)
        if (!items[i].separator && wanted && KeyOf(items[i].text) == wanted) matches.push_back(static_cast<int>(i));
    if (matches.empty()) return MAKELRESULT(0, MNC_IGNORE);
    if (matches.size() == 1) {
        const int only = matches.front();
        return MAKELRESULT(only, items[only].enabled ? MNC_EXECUTE : MNC_SELECT);
    }
    for (int position : matches)
        if (position > highlighted) return MAKELRESULT(position, MNC_SELECT);
    return MAKELRESULT(matches.front(), MNC_SELECT);
}
