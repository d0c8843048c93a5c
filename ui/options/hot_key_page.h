#pragma once
// The options page of the global hot keys: one row per command that may take a hot key, a
// field that captures a combination, and buttons that give it to the selected command, take
// its key away or give back its default. Apply refuses a map in which two commands share a key.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "config/settings.h"
#include "ui/controls/hot_key_edit.h"
#include "ui/options/property_page.h"

class HotKeyPage : public PropertyPage {
public:
    // Tells the user that two commands share a key: owner window, text, title. A message box
    // unless replaced (the tests must not block on one).
    using ConflictReport = std::function<void(HWND owner, const std::wstring& text, const std::wstring& title)>;

    explicit HotKeyPage(OptionsDraft& draft);
    void SetConflictReport(ConflictReport report) { m_report = std::move(report); }

    bool ReadBack() override;

protected:
    void OnInit() override;
    void Retext() override;
    bool OnCommand(WORD id, WORD code) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool TracksOwnChanges() const override { return true; }

private:
    HWND List() const;
    int SelectedRow() const;
    std::uint32_t KeyOf(const std::wstring& name) const;  // 0 when the command has no key
    void ShowRow(int row);
    void FitColumns();
    void ShowDescription();
    void OnSelectionChanged();
    // Gives the selected command a key (0 takes its key away) and shows it.
    void SetSelectedKey(std::uint32_t value);

    Settings::HotKeyMap m_stored;  // the map the sheet holds, to tell whether there are changes
    Settings::HotKeyMap m_edited;
    HotKeyEdit m_keyEdit;
    ConflictReport m_report;
};
