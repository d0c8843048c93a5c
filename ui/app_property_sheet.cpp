#include "ui/app_property_sheet.h"

#include <commctrl.h>

#include "base/localization.h"

CAppPropertySheet::CAppPropertySheet(std::shared_ptr<Settings> settings)
    : m_settings(std::move(settings)), m_draft(OptionsDraft::Read(*m_settings)) {}

CAppPropertySheet::~CAppPropertySheet() = default;

void CAppPropertySheet::AddPage(std::unique_ptr<PropertyPage> page) {
    const PropertyPage* raw = page.get();
    page->SetAppliedCallback([this, raw] { OnPageApplied(raw); });
    m_pages.push_back(std::move(page));
}

// The sheet tells the made pages in their order; the last one's answer completes the draft.
void CAppPropertySheet::OnPageApplied(const PropertyPage* page) {
    const PropertyPage* last = nullptr;
    for (const auto& candidate : m_pages)
        if (candidate->IsCreated()) last = candidate.get();
    if (page == last) m_draft.Commit(*m_settings);
}

void CAppPropertySheet::Run(HWND owner, PropertyPageId start) {
    std::vector<PROPSHEETPAGEW> pages;
    for (const auto& page : m_pages) pages.push_back(page->Describe());
    const std::wstring caption = GetString(L"PropSheet_Title");
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOCONTEXTHELP;
    header.hwndParent = owner;
    header.hInstance = GetModuleHandleW(nullptr);
    header.pszCaption = caption.c_str();
    header.nPages = static_cast<UINT>(pages.size());
    header.nStartPage = static_cast<UINT>(start) < pages.size() ? static_cast<UINT>(start) : 0;
    header.ppsp = pages.data();
    PropertySheetW(&header);
}
