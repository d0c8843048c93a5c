#include "ui/main_window/skin_controls.h"

#include <commctrl.h>

#include <algorithm>

#include "base/dpi.h"
#include "base/localization.h"
#include "base/text.h"
#include "resources/resource.h"
#include "ui/menus/menu_mnemonics.h"

SkinControls::SkinControls() {
    const struct {
        const wchar_t* name;
        WORD id;
        const wchar_t* tooltip;
    } table[] = {
        {L"PrevPhoto", IDC_PREV, L"CmdName_Prev"},
        {L"Freeze", IDC_FREEZE, L"CmdName_Freeze"},
        {L"NextPhoto", IDC_NEXT, L"CmdName_Next"},
        {L"ShowHideDesktopIcons", ID_SHOWHIDE_DESKTOP_ICONS, L"CmdName_ShowHideDesktopIcons"},
        {L"StatusOn", IDC_STATUS_ON, L"CmdName_StatusOn"},
        {L"StatusOff", IDC_STATUS_OFF, L"CmdName_StatusOff"},
        {L"Favorites", IDC_FAVORITES, L"CmdName_Favorites"},
        {L"Tags", IDC_TAGS, L"CmdName_Tags"},
        {L"Setup", IDC_SETUP, L"CmdName_Setup"},
        {L"Minimise", ID_HIDE_MAIN_WINDOW, L"CmdName_Minimise"},
        {L"DownloadNow", ID_DOWNLOAD_NOW, L"CmdName_DownloadWallpaper"},
        {L"About", ID_APP_ABOUT, L"CmdName_About"},
    };
    for (const auto& row : table) {
        auto entry = std::make_unique<Entry>();
        entry->name = row.name;
        entry->id = row.id;
        entry->tooltipId = row.tooltip;
        m_entries.push_back(std::move(entry));
    }
}

bool SkinControls::Create(HWND parent) {
    m_parent = parent;
    m_tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    bool created = m_tooltip != nullptr;
    ScaleTooltips(GetWindowDpi(parent));
    for (auto& entry : m_entries) created = entry->button.Create(parent, entry->id) && created;
    return created;
}

SkinButton* SkinControls::Find(const std::wstring& name) {
    for (auto& entry : m_entries)
        if (EqualsIgnoringCase(name, entry->name)) return &entry->button;
    return nullptr;
}

SkinButton* SkinControls::FindById(WORD id) {
    for (auto& entry : m_entries)
        if (entry->id == id) return &entry->button;
    for (auto& link : m_links)
        if (link->button.GetId() == id) return &link->button;
    return nullptr;
}

SkinButton* SkinControls::AddLink(const std::wstring& url, const std::wstring& tooltipId) {
    auto link = std::make_unique<Link>();
    if (!link->button.Create(m_parent, static_cast<WORD>(kFirstLinkId + m_links.size()))) return nullptr;
    link->button.SetLink(url);
    link->tooltipId = tooltipId;
    m_links.push_back(std::move(link));
    return &m_links.back()->button;
}

void SkinControls::SetTooltip(HWND control, const std::wstring& text) {
    if (!m_tooltip || !control) return;
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = m_parent;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    // Added once, re-texted afterwards.
    const bool known = std::find(m_tipped.begin(), m_tipped.end(), control) != m_tipped.end();
    SendMessageW(m_tooltip, known ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    if (!known) m_tipped.push_back(control);
}

void SkinControls::ScaleTooltips(int dpi) {
    NONCLIENTMETRICSW metrics{};
    if (!m_tooltip || !GetNonClientMetricsForDpi(metrics, dpi)) return;
    ScopedHandle<GdiObjectTraits<HFONT>> font(CreateFontIndirectW(&metrics.lfStatusFont));
    if (!font) return;
    SendMessageW(m_tooltip, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    m_tooltipFont = std::move(font);  // the old one only now: the control used it until here
}

void SkinControls::Retext() {
    // Some tooltips share their text with a menu item (About): shown without its mark.
    for (auto& entry : m_entries) {
        const std::wstring text = StripMnemonic(GetString(entry->tooltipId, L""));
        SetTooltip(entry->button.GetHwnd(), text);
        entry->button.SetName(text);
    }
    for (auto& link : m_links) {
        const std::wstring text = StripMnemonic(GetString(link->tooltipId));
        SetTooltip(link->button.GetHwnd(), text);
        link->button.SetName(text);
    }
}

bool SkinControls::Owns(HWND window) const {
    if (!window) return false;
    for (const auto& entry : m_entries)
        if (entry->button.GetHwnd() == window) return true;
    for (const auto& link : m_links)
        if (link->button.GetHwnd() == window) return true;
    return false;
}

bool SkinControls::Draw(const DRAWITEMSTRUCT& item, HBITMAP background) const {
    for (const auto& entry : m_entries)
        if (entry->button.GetHwnd() == item.hwndItem) return entry->button.Draw(item, background, m_focusCues), true;
    for (const auto& link : m_links)
        if (link->button.GetHwnd() == item.hwndItem) return link->button.Draw(item, background, m_focusCues), true;
    return false;
}

bool SkinControls::OpenLink(WORD id) const {
    for (const auto& link : m_links)
        if (link->button.GetId() == id) return link->button.OpenLinkIfAny();
    return false;
}
