#include "ui/options/template_page.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "base/localization.h"
#include "desktop/templates/template_folders.h"
#include "resources/resource.h"
#include "ui/options/page_controls.h"

namespace {

// The frame types in their setting's order.
const int kFrameButtons[] = {IDC_FRAME_AUTO, IDC_FRAME_FORCE, IDC_FRAME_NONE};
constexpr int kFrameTypes = 3;
constexpr int kStretchLow = 0, kStretchHigh = 10;

}  // namespace

TemplatePage::TemplatePage(OptionsDraft& draft, Path templatesDirectory)
    : PropertyPage(IDD_TEMPLATE_PAGE, L"PropSheet_Template_Title", draft),
      m_templatesDirectory(std::move(templatesDirectory)) {}

void TemplatePage::OnInit() {
    HWND page = m_hwnd;
    if (m_draft.frameType >= 0 && m_draft.frameType < kFrameTypes)
        SetChecked(page, kFrameButtons[m_draft.frameType], true);

    HWND list = GetDlgItem(page, IDC_TEMPLATE_LIST);
    for (const std::wstring& name : ListTemplates(m_templatesDirectory))
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (count > 0) {
        // A prefix search, as the list box does it: "blue" finds "blue-frame".
        LRESULT found = m_draft.templateName.empty()
                            ? LB_ERR
                            : SendMessageW(list, LB_FINDSTRING, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(m_draft.templateName.c_str()));
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(found == LB_ERR ? 0 : found), 0);
    }
    const bool useTemplate = m_draft.useTemplate && count > 0;
    SetChecked(page, IDC_FRAME_STYLE_TEMPLATE, useTemplate);
    SetChecked(page, IDC_FRAME_STYLE_SIMPLE, !useTemplate);

    m_colorPicker.Attach(GetDlgItem(page, IDC_FRAME_COLOR));
    m_colorPicker.SetColor(m_draft.frameColor);
    SetUpDown(page, IDC_STRETCH_SPIN, kStretchLow, kStretchHigh, m_draft.stretchPercent);
    SetChecked(page, IDC_DESKTOP_TEXT_BK_TRANSPARENT, m_draft.desktopTextBkTransparent);
    SetChecked(page, IDC_SHOW_CAPTION, m_draft.showCaption);
}

void TemplatePage::Retext() {
    SetItemText(IDC_FRAME_GROUP, L"PropSheet_FrameGroup");
    SetItemText(IDC_FRAME_AUTO, L"PropSheet_Frame_Auto");
    SetItemText(IDC_FRAME_FORCE, L"PropSheet_Frame_Force");
    SetItemText(IDC_FRAME_NONE, L"PropSheet_Frame_None");
    SetItemText(IDC_FRAME_STYLE_GROUP, L"PropSheet_FrameStyle_Group");
    SetItemText(IDC_FRAME_STYLE_SIMPLE, L"PropSheet_FrameStyle_Simple");
    SetItemText(IDC_FRAME_STYLE_TEMPLATE, L"PropSheet_FrameStyle_Template");
    SetItemText(IDC_TEMPLATE_GROUP, L"PropSheet_Template_Group");
    SetItemText(IDC_FRAME_COLOR_LABEL, L"PropSheet_FrameColor_Title");
    SetItemText(IDC_STRETCH_LABEL, L"PropSheet_Stretch_Percent_Title");
    SetItemText(IDC_STRETCH_TRAIL, L"PropSheet_Stretch_Percent_Trail");
    SetItemText(IDC_DESKTOP_TEXT_BK_TRANSPARENT, L"PropSheet_DesktopTextBkTransparent");
    SetItemText(IDC_SHOW_CAPTION, L"PropSheet_ShowCaption");
    m_colorPicker.SetTexts(GetString(L"PropSheet_FrameColor_Default"), GetString(L"PropSheet_FrameColor_Custom"));
}

bool TemplatePage::OnCommand(WORD id, WORD code) {
    if (code != BN_CLICKED) return false;
    if (id == IDC_FRAME_COLOR) {
        m_colorPicker.Choose();
        return true;
    }
    if (id == IDC_FRAME_STYLE_SIMPLE || id == IDC_FRAME_STYLE_TEMPLATE) OnPageTimer();
    return false;
}

// Templates can be chosen only when there are some, and the list matters only while they
// are used.
void TemplatePage::OnPageTimer() {
    HWND page = m_hwnd;
    const bool any = SendDlgItemMessageW(page, IDC_TEMPLATE_LIST, LB_GETCOUNT, 0, 0) > 0;
    EnableItem(page, IDC_FRAME_STYLE_TEMPLATE, any);
    const bool used = any && IsChecked(page, IDC_FRAME_STYLE_TEMPLATE);
    EnableItem(page, IDC_TEMPLATE_GROUP, used);
    EnableItem(page, IDC_TEMPLATE_LIST, used);
}

INT_PTR TemplatePage::OnMessage(UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_DRAWITEM && m_colorPicker.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
    return FALSE;
}

bool TemplatePage::ReadBack() {
    HWND page = m_hwnd;
    for (int type = 0; type < kFrameTypes; ++type)
        if (IsChecked(page, kFrameButtons[type])) m_draft.frameType = type;
    m_draft.frameColor = m_colorPicker.GetColor();
    m_draft.useTemplate = IsChecked(page, IDC_FRAME_STYLE_TEMPLATE);
    HWND list = GetDlgItem(page, IDC_TEMPLATE_LIST);
    const LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (selected != LB_ERR) {
        std::wstring name(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, selected, 0)) + 1, L'\0');
        name.resize(static_cast<size_t>(
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&name[0]))));
        m_draft.templateName = name;
    }
    BOOL outOfRange = TRUE;
    const LRESULT stretch =
        SendDlgItemMessageW(page, IDC_STRETCH_SPIN, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&outOfRange));
    if (!outOfRange) m_draft.stretchPercent = static_cast<int>(stretch);
    m_draft.desktopTextBkTransparent = IsChecked(page, IDC_DESKTOP_TEXT_BK_TRANSPARENT);
    m_draft.showCaption = IsChecked(page, IDC_SHOW_CAPTION);
    return true;
}
