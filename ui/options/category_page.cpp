#include "ui/options/category_page.h"

#include <set>
#include <string>

#include "base/localization.h"
#include "resources/resource.h"
#include "ui/options/page_controls.h"

namespace {

constexpr size_t kBoxes = IDC_CATEGORY_LAST - IDC_CATEGORY_FIRST + 1;

int BoxId(size_t i) { return IDC_CATEGORY_FIRST + static_cast<int>(i); }

}  // namespace

CategoryPage::CategoryPage(OptionsDraft& draft, const Settings& settings)
    : PropertyPage(IDD_CATEGORY_PAGE, L"PropSheet_Category_Title", draft), m_settings(settings) {
    m_categories = settings.GetCategories();
    if (m_categories.size() > kBoxes) m_categories.resize(kBoxes);
}

void CategoryPage::OnInit() {
    HWND page = m_hwnd;
    const std::set<std::wstring> tags = SplitTags(m_draft.tags);
    bool anyChecked = false;
    for (size_t i = 0; i < kBoxes; ++i) {
        if (i >= m_categories.size()) {
            ShowWindow(GetDlgItem(page, BoxId(i)), SW_HIDE);
            continue;
        }
        const bool named = tags.count(m_categories[i].id) != 0;
        SetChecked(page, BoxId(i), named);
        anyChecked = anyChecked || named;
    }
    // Tags that name none of these categories download everything.
    SetChecked(page, IDC_CATEGORY_ALL, !anyChecked);
}

void CategoryPage::Retext() {
    SetItemText(IDC_CATEGORY_GROUP, L"PropSheet_CategoryGroup");
    SetItemText(IDC_CATEGORY_ALL, L"PropSheet_Category_All");
    for (size_t i = 0; i < m_categories.size(); ++i) {
        const std::wstring& id = m_categories[i].id;
        SetDlgItemTextW(m_hwnd, BoxId(i), GetString(L"Category_" + id, id).c_str());
    }
}

bool CategoryPage::OnCommand(WORD id, WORD code) {
    if (id == IDC_CATEGORY_ALL && code == BN_CLICKED) OnPageTimer();
    return false;
}

bool CategoryPage::IsSelectable(size_t i) const {
    if (IsChecked(m_hwnd, IDC_CATEGORY_ALL)) return false;
    const bool signedIn = m_settings.GetLoginState() == Settings::kLoggedIn;
    return signedIn || !(m_categories[i].flags & Settings::kNeedsLogin);
}

void CategoryPage::OnPageTimer() {
    for (size_t i = 0; i < m_categories.size(); ++i) EnableItem(m_hwnd, BoxId(i), IsSelectable(i));
}

bool CategoryPage::ReadBack() {
    std::wstring tags;
    for (size_t i = 0; i < m_categories.size(); ++i) {
        if (!IsSelectable(i) || !IsChecked(m_hwnd, BoxId(i))) continue;
        if (!tags.empty()) tags += L' ';
        tags += m_categories[i].id;
    }
    m_draft.tags = tags;
    return true;
}
