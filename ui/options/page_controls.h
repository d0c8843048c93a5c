#pragma once
// Small helpers the option pages share for their standard controls: check boxes, texts,
// up-down numbers and drop-down lists of localised choices.
#include <windows.h>

#include <string>
#include <vector>

// One entry of a drop-down list: its string id and the value it stands for.
struct Choice {
    const wchar_t* textId;
    int value;
};

bool IsChecked(HWND dialog, int id);
void SetChecked(HWND dialog, int id, bool checked);
void EnableItem(HWND dialog, int id, bool enabled);
// The control's text, without blanks at both ends.
std::wstring GetItemText(HWND dialog, int id);

// Fills the drop-down with the localised choices, keeping the selected position (none stays
// none): a language change re-texts the list this way.
void FillChoices(HWND dialog, int id, const std::vector<Choice>& choices);
// Selects the entry whose value is given; none when no entry has it.
void SelectChoiceValue(HWND dialog, int id, int value);
// The value of the selected entry; 0 when none is selected.
int SelectedChoiceValue(HWND dialog, int id);

// An up-down control's range and its buddy's number as given (outside the range too).
void SetUpDown(HWND dialog, int upDownId, int low, int high, int value);
