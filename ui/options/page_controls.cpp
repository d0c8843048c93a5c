#include "ui/options/page_controls.h"

#include <commctrl.h>

#include "base/localization.h"
#include "base/text.h"

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void SetChecked(HWND dialog, int id, bool checked) {
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void EnableItem(HWND dialog, int id, bool enabled) {
    HWND item = GetDlgItem(dialog, id);
    // Only on a real change: enabling repaints, and the page timer calls this twice a second.
    if (item && (IsWindowEnabled(item) != FALSE) != enabled) EnableWindow(item, enabled);
}

std::wstring GetItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    if (!item) return std::wstring();
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(item, &text[0], static_cast<int>(text.size()))));
    return Trim(text);
}

void FillChoices(HWND dialog, int id, const std::vector<Choice>& choices) {
    HWND list = GetDlgItem(dialog, id);
    const LRESULT selected = SendMessageW(list, CB_GETCURSEL, 0, 0);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (const Choice& choice : choices) {
        const LRESULT index =
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(GetString(choice.textId).c_str()));
        if (index >= 0) SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(index), choice.value);
    }
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void SelectChoiceValue(HWND dialog, int id, int value) {
    HWND list = GetDlgItem(dialog, id);
    const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
    LRESULT found = CB_ERR;
    for (LRESULT i = 0; i < count && found == CB_ERR; ++i)
        if (SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == value) found = i;
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
}

int SelectedChoiceValue(HWND dialog, int id) {
    HWND list = GetDlgItem(dialog, id);
    const LRESULT selected = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return 0;
    return static_cast<int>(SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0));
}

void SetUpDown(HWND dialog, int upDownId, int low, int high, int value) {
    HWND upDown = GetDlgItem(dialog, upDownId);
    SendMessageW(upDown, UDM_SETRANGE32, static_cast<WPARAM>(low), high);
    HWND buddy = reinterpret_cast<HWND>(SendMessageW(upDown, UDM_GETBUDDY, 0, 0));
    if (buddy) SetWindowTextW(buddy, std::to_wstring(value).c_str());
}
