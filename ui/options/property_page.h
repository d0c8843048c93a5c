#pragma once
// One page of the options sheet: a dialog template, a localised title, and the part of the
// draft it edits. The page fills its controls from the draft when it is made, re-texts
// itself on a language change, and reads its controls back into the draft on Apply.
#include <windows.h>
#include <prsht.h>

#include <functional>
#include <string>

#include "base/localization.h"
#include "ui/controls/dialog_base.h"
#include "ui/options/options_draft.h"

class PropertyPage : public CDialogBase, private LanguageListener {
public:
    // Tells the user what is wrong with a value: owner window, text, title. A message box
    // unless replaced (the tests must not block on one).
    using ErrorReport = std::function<void(HWND owner, const std::wstring& text, const std::wstring& title)>;

    PropertyPage(WORD templateId, std::wstring titleId, OptionsDraft& draft);
    ~PropertyPage() override;

    // The record the sheet is made from; the page must outlive the sheet.
    PROPSHEETPAGEW Describe();
    bool IsCreated() const { return WindowExists(); }

    // Checks the controls and stores them into the draft. False when a value is wrong: the
    // page has told the user (a message box at the control) and the sheet stays open.
    virtual bool ReadBack() { return true; }
    // Called after the page read itself back on Apply (the sheet commits after the last page);
    // false keeps the sheet open, as a refused value does.
    void SetAppliedCallback(std::function<bool()> applied) { m_applied = std::move(applied); }
    void SetErrorReport(ErrorReport report) { m_report = std::move(report); }

protected:
    // The controls take the draft's values (WM_INITDIALOG).
    virtual void OnInit() {}
    // Every text again, in the language now selected; selections and values stay.
    virtual void Retext() {}
    // WM_COMMAND from a control; true when handled.
    virtual bool OnCommand(WORD /*id*/, WORD /*code*/) { return false; }
    // Every 500 ms while the page exists: the enabled state of dependent controls.
    virtual void OnPageTimer() {}
    // Messages the base does not take (WM_NOTIFY of controls, WM_PAINT, ...).
    virtual INT_PTR OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) { return FALSE; }
    // True for a page that calls SetChanged itself; otherwise any click or edit of a control
    // marks the page changed.
    virtual bool TracksOwnChanges() const { return false; }

    // Tells the sheet whether the page has changes (the Apply button follows).
    void SetChanged(bool changed);
    // Sets a control's text to the localised text of a string id.
    void SetItemText(int controlId, const wchar_t* stringId);
    // A message box owned by the page, texts from string ids, with the error icon (or the
    // replacement report).
    void ShowError(const wchar_t* textId, const wchar_t* titleId);

    OptionsDraft& m_draft;

private:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnLanguageChanged() override;
    static INT_PTR CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    WORD m_templateId;
    std::wstring m_titleId;
    std::wstring m_title;  // the tab's text, alive while the sheet is
    bool m_initialising = false;
    std::function<bool()> m_applied;
    ErrorReport m_report;
};
