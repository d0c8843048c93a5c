#include "ui/options/app_property_sheet.h"

#include <commctrl.h>

#include "base/localization.h"

namespace {

// The sheet's own template does not centre it: it would open at its owner's corner, which for
// the main window is near the screen's bottom right. The template may be changed before the
// window is made.
int CALLBACK CentreSheet(HWND, UINT message, LPARAM lParam) {
    if (message != PSCB_PRECREATE || !lParam) return 0;
    WORD* words = reinterpret_cast<WORD*>(lParam);
    // DLGTEMPLATEEX (signature 0xFFFF) keeps its style after version, signature, help id and
    // extended style; DLGTEMPLATE begins with it.
    DWORD* style = words[1] == 0xFFFF ? reinterpret_cast<DWORD*>(words + 6) : reinterpret_cast<DWORD*>(words);
    *style |= DS_CENTER;
    return 0;
}

}  // namespace

CAppPropertySheet::CAppPropertySheet(std::shared_ptr<Settings> settings)
    : m_settings(std::move(settings)), m_draft(OptionsDraft::Read(*m_settings)) {}

CAppPropertySheet::~CAppPropertySheet() = default;

void CAppPropertySheet::AddPage(PropertyPageId id, std::unique_ptr<PropertyPage> page) {
    const PropertyPage* raw = page.get();
    page->SetAppliedCallback([this, raw] { return OnPageApplied(raw); });
    if (m_report) page->SetErrorReport(m_report);
    m_pages.emplace_back(id, std::move(page));
}

void CAppPropertySheet::SetErrorReport(PropertyPage::ErrorReport report) {
    m_report = std::move(report);
    for (auto& page : m_pages) page.second->SetErrorReport(m_report);
}

// A made page's parent is the sheet; pages are made when first shown, the start page first.
HWND CAppPropertySheet::GetWindow() const {
    for (const auto& page : m_pages)
        if (page.second->IsCreated()) return GetParent(page.second->GetHwnd());
    return nullptr;
}

// The sheet tells the made pages in their order; the last one's answer completes the draft.
bool CAppPropertySheet::OnPageApplied(const PropertyPage* page) {
    const PropertyPage* last = nullptr;
    for (const auto& candidate : m_pages)
        if (candidate.second->IsCreated()) last = candidate.second.get();
    if (page != last || m_draft.Commit(*m_settings)) return true;
    ReportSaveFailure(page->GetHwnd());
    return false;
}

// The choices are in effect but would be lost at exit; the user may free the file or the disk
// and press Apply or OK again.
void CAppPropertySheet::ReportSaveFailure(HWND owner) const {
    const std::wstring text = FormatString(GetString(L"Prompt_SaveSettings_Fail"), {m_settings->GetConfigPath().str()});
    const std::wstring title = GetString(L"Prompt_SaveSettings_Fail_Title");
    if (m_report)
        m_report(owner, text, title);
    else
        MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}

void CAppPropertySheet::Run(HWND owner, PropertyPageId start) {
    std::vector<PROPSHEETPAGEW> pages;
    UINT startIndex = 0;
    for (const auto& page : m_pages) {
        if (page.first == start) startIndex = static_cast<UINT>(pages.size());
        pages.push_back(page.second->Describe());
    }
    const std::wstring caption = GetString(L"PropSheet_Title");
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOCONTEXTHELP | PSH_USECALLBACK;
    header.pfnCallback = CentreSheet;
    header.hwndParent = owner;
    header.hInstance = GetModuleHandleW(nullptr);
    header.pszCaption = caption.c_str();
    header.nPages = static_cast<UINT>(pages.size());
    header.nStartPage = startIndex;
    header.ppsp = pages.data();
    PropertySheetW(&header);
}
