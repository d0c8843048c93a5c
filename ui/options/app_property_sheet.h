#pragma once
// The options dialog: six pages over one draft of the settings, run modally at a chosen page.
// Apply and OK commit the draft in one batch after every made page has read itself back;
// Cancel leaves the settings as they were. A config.xml that cannot be written keeps the sheet
// open and the user told.
#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

#include "config/settings.h"
#include "ui/options/options_draft.h"
#include "ui/options/property_page.h"

enum PropertyPageId { kBasicPage = 0, kTemplatePage, kCategoryPage, kHotKeyPage, kConnectPage, kAboutPage };

class CAppPropertySheet {
public:
    explicit CAppPropertySheet(std::shared_ptr<Settings> settings);
    ~CAppPropertySheet();
    CAppPropertySheet(const CAppPropertySheet&) = delete;
    CAppPropertySheet& operator=(const CAppPropertySheet&) = delete;

    // Runs the sheet owned by the window, at the page added with that id (the first page when
    // there is none); returns when it is closed.
    void Run(HWND owner, PropertyPageId start);
    // Adds a page in order (AddOptionsPages adds the program's); the id names it for Run.
    void AddPage(PropertyPageId id, std::unique_ptr<PropertyPage> page);
    // Replaces the message boxes of every page's validation.
    void SetErrorReport(PropertyPage::ErrorReport report);
    OptionsDraft& Draft() { return m_draft; }
    // The sheet's window while it runs, else null.
    HWND GetWindow() const;

private:
    bool OnPageApplied(const PropertyPage* page);
    void ReportSaveFailure(HWND owner) const;

    std::shared_ptr<Settings> m_settings;
    OptionsDraft m_draft;
    std::vector<std::pair<PropertyPageId, std::unique_ptr<PropertyPage>>> m_pages;
    PropertyPage::ErrorReport m_report;
};
