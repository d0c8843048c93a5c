#include "ui/menus/menus.h"

#include <algorithm>
#include <map>
#include <set>

#include "app/picture_name.h"
#include "base/dpi.h"
#include "base/localization.h"
#include "resources/resource.h"
#include "ui/menus/menu_mnemonics.h"
#include "ui/menus/menu_placement.h"

namespace {

// Ids the list items may take before the next range begins.
constexpr size_t kMaxQuickCategories = ID_CATEGORY_MORE_OPTIONS - ID_QUICK_CATEGORY_FIRST;
constexpr size_t kMaxFavorites = ID_FAVORITE_IMAGE_LAST - ID_FAVORITE_IMAGE_FIRST + 1;

// The category-management item has no string id: its text is fixed ("管理图片(&M)").
const wchar_t* const kManageCategoryText = L"\u7BA1\u7406\u56FE\u7247(&M)";

void Append(HMENU menu, UINT id, const std::wstring& text, UINT flags = 0) {
    AppendMenuW(menu, MF_STRING | flags, id, text.c_str());
}

void AppendSeparator(HMENU menu) { AppendMenuW(menu, MF_SEPARATOR, 0, nullptr); }

// The parent owns the sub-menu once it is appended.
void AppendSubMenu(HMENU menu, UniqueMenu subMenu, const std::wstring& text) {
    if (subMenu && AppendMenuW(menu, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(subMenu.get()), text.c_str()))
        subMenu.release();
}

}  // namespace

CommandMenus::CommandMenus(std::shared_ptr<Settings> settings, Sources sources)
    : m_settings(std::move(settings)), m_sources(std::move(sources)) {}

ControllerStatePtr CommandMenus::State() const {
    ControllerStatePtr state = m_sources.state ? m_sources.state() : nullptr;
    return state ? state : std::make_shared<const ControllerState>();
}

bool CommandMenus::IsLoggedIn() const { return State()->loginState == Settings::kLoggedIn; }

int CommandMenus::CurrentImageId() const {
    const ImagePtr& image = State()->currentImage;
    return image ? image->GetId() : -1;
}

UniqueMenu CommandMenus::BuildQuickCategoryMenu() {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return menu;
    std::map<std::wstring, int> flagsOf;
    m_quickCategories.assign(1, L"All");
    for (const Settings::Category& category : m_settings->GetCategories()) {
        flagsOf[category.id] = category.flags;
        if ((category.flags & Settings::kQuickMenuCategory) && m_quickCategories.size() < kMaxQuickCategories)
            m_quickCategories.push_back(category.id);
    }
    const std::set<std::wstring> tags = SplitTags(m_settings->GetTags());
    const bool loggedIn = IsLoggedIn();
    for (size_t i = 0; i < m_quickCategories.size(); ++i) {
        const std::wstring& name = m_quickCategories[i];
        UINT flags = 0;
        // No tags at all means every category: that is what "All" stands for.
        if (tags.count(name) || (i == 0 && tags.empty())) flags |= MF_CHECKED;
        if (!loggedIn && (flagsOf[name] & Settings::kNeedsLogin)) flags |= MF_GRAYED;
        Append(menu.get(), ID_QUICK_CATEGORY_FIRST + static_cast<UINT>(i),
               EscapeMnemonic(GetString(L"Category_" + name, name)), flags);
    }
    Append(menu.get(), ID_CATEGORY_MORE_OPTIONS, GetString(L"CmdName_Category_MoreOptions"));
    return menu;
}

UniqueMenu CommandMenus::BuildLanguagesMenu() {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return menu;
    m_languageIds.clear();
    const unsigned short selected = GetSelectedLangId();
    // Until the user picks one (no LangId in config.xml) the language in force is the default choice.
    const LanguagePtr current = selected ? nullptr : StringMap::Instance().GetCurrent();
    for (const LanguagePtr& language : StringMap::Instance().GetLanguages()) {
        if (language->LangIds.empty()) continue;
        const UINT id = ID_LANGUAGE_FIRST + static_cast<UINT>(m_languageIds.size());
        const bool inForce = selected ? language->LangIds.count(selected) > 0 : language == current;
        Append(menu.get(), id, EscapeMnemonic(GetLanguageDisplayName(*language)), inForce ? MF_CHECKED : 0);
        m_languageIds.push_back(*language->LangIds.begin());  // the smallest: the one it is listed by
    }
    return menu;
}

void CommandMenus::AppendAccountItems(HMENU menu) {
    if (!IsLoggedIn()) {
        Append(menu, ID_LOGIN, GetString(L"CmdName_Login"));
        return;
    }
    Append(menu, ID_LOGOUT, GetString(L"CmdName_Logout"));
    if (State()->loginRecord.Manage && CurrentImageId() > 0) Append(menu, ID_MANAGE_CATEGORY, kManageCategoryText);
}

// Both the Setup and the tray menu end with the account items, About and Exit.
void CommandMenus::AppendClosingItems(HMENU menu) {
    AppendAccountItems(menu);
    Append(menu, ID_APP_ABOUT, GetString(L"CmdName_About"));
    Append(menu, ID_APP_EXIT, GetString(L"CmdName_Exit"));
}

UniqueMenu CommandMenus::BuildSetupMenu() {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return menu;
    HMENU m = menu.get();
    AppendSubMenu(m, BuildQuickCategoryMenu(), GetString(L"CmdName_QuickCategory"));
    AppendSeparator(m);
    // Nothing to go back to while the recorded wallpaper is our own or none.
    Append(m, ID_RESTORE_OLD_WALLPAPER, GetString(L"CmdName_RestoreOldWallpaper"),
           State()->canRestoreOldWallpaper ? 0 : MF_GRAYED);
    Append(m, ID_SAVE_PICTURE, GetString(L"CmdName_SavePicture"));
    Append(m, ID_NEVER_SHOW_PICTURE, GetString(L"CmdName_NeverShowPicture"));
    Append(m, ID_CHECK_UPDATE, GetString(L"CmdName_CheckUpdate"));
    Append(m, ID_SHOW_PROPERTY_SHEET, GetString(L"CmdName_ShowPropertySheet"));
    AppendSubMenu(m, BuildLanguagesMenu(), GetString(L"CmdName_Languages"));
    AppendSeparator(m);
    AppendClosingItems(m);
    return menu;
}

UniqueMenu CommandMenus::BuildTrayMenu() {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return menu;
    HMENU m = menu.get();
    Append(m, ID_SHOW_MAIN_WINDOW, GetString(L"CmdName_ShowMainWindow"));
    Append(m, ID_RESTORE_OLD_WALLPAPER, GetString(L"CmdName_RestoreOldWallpaper"),
           State()->canRestoreOldWallpaper ? 0 : MF_GRAYED);
    Append(m, ID_SAVE_PICTURE, GetString(L"CmdName_SavePicture"));
    Append(m, ID_NEVER_SHOW_PICTURE, GetString(L"CmdName_NeverShowPicture"));
    AppendSeparator(m);
    AppendSubMenu(m, BuildQuickCategoryMenu(), GetString(L"CmdName_QuickCategory"));
    Append(m, ID_DOWNLOAD_NOW, GetString(L"CmdName_DownloadNow"));
    Append(m, ID_SHOW_PROPERTY_SHEET, GetString(L"CmdName_ShowPropertySheet"));
    AppendSeparator(m);
    AppendClosingItems(m);
    return menu;
}

UniqueMenu CommandMenus::BuildFavoritesMenu() {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return menu;
    m_favorites.reset();
    if (!IsLoggedIn()) {
        Append(menu.get(), ID_ADD_FAVORITE, GetString(L"CmdName_AddFavorites_NeedLogin"), MF_GRAYED);
        return menu;
    }
    const ControllerStatePtr state = State();
    FavoriteListPtr favorites = state->favorites;
    m_favorites = favorites;
    const bool currentIsFavorite = IsFavorite(favorites, CurrentImageId());
    std::vector<ThumbnailPtr> thumbnails;
    if (favorites) {
        const size_t listed = std::min(favorites->size(), kMaxFavorites);
        for (size_t i = 0; i < listed; ++i) {
            const FavoriteEntry& entry = (*favorites)[i];
            // Named as the caption and the tray tip name a picture, the date in its own column.
            std::wstring text = EscapeMnemonic(CategoryTitle(entry.pinying));
            if (const std::optional<SYSTEMTIME> day = TimestampDay(entry.timestamp)) text += L"\t" + ShortDate(*day);
            MENUITEMINFOW item{};
            item.cbSize = sizeof(item);
            item.fMask = MIIM_ID | MIIM_STRING | MIIM_BITMAP;
            item.wID = ID_FAVORITE_IMAGE_FIRST + static_cast<UINT>(i);
            item.dwTypeData = &text[0];
            // A thumbnail the Controller has not decoded yet (its download may be on its way)
            // comes with a later state.
            auto decoded =
                entry.thumbnail ? state->thumbnails.find(entry.thumbnail->GetPath().str()) : state->thumbnails.end();
            if (decoded != state->thumbnails.end() && decoded->second) {
                thumbnails.push_back(decoded->second);
                item.hbmpItem = m_thumbnails.Get(decoded->second);
            }
            InsertMenuItemW(menu.get(), static_cast<UINT>(i), TRUE, &item);
        }
        if (listed > 0) AppendSeparator(menu.get());
    }
    m_thumbnails.KeepOnly(thumbnails);
    Append(menu.get(), ID_ADD_FAVORITE, GetString(L"CmdName_AddFavorites"), currentIsFavorite ? MF_GRAYED : 0);
    Append(menu.get(), ID_DELETE_FAVORITE, GetString(L"CmdName_DelFavorites"), currentIsFavorite ? 0 : MF_GRAYED);
    return menu;
}

void CommandMenus::Track(HWND owner, UniqueMenu menu, POINT at, UINT flags) {
    if (!menu || !owner) return;
    m_style.SetDpi(GetWindowDpi(owner));
    m_style.Apply(menu.get());
    // Without the foreground the menu would stay open when the user clicks elsewhere.
    SetForegroundWindow(owner);
    TrackPopupMenu(menu.get(), flags | TPM_LEFTBUTTON, at.x, at.y, 0, owner, nullptr);
    PostMessageW(owner, WM_NULL, 0, 0);
}

void CommandMenus::ShowSetupMenu(HWND owner) {
    RECT window;
    if (!GetWindowRect(owner, &window)) return;
    PopupPlacement placement = PlaceAtWindow(window, GetSystemMetrics(SM_CYSCREEN), MonitorLookup::System());
    Track(owner, BuildSetupMenu(), placement.at, placement.flags);
}

void CommandMenus::ShowFavoritesMenu(HWND owner) {
    RECT window;
    if (!GetWindowRect(owner, &window)) return;
    PopupPlacement placement = PlaceAtWindow(window, GetSystemMetrics(SM_CYSCREEN), MonitorLookup::System());
    Track(owner, BuildFavoritesMenu(), placement.at, placement.flags);
}

void CommandMenus::ShowTrayMenu(HWND owner, POINT at, UINT defaultId) {
    UniqueMenu menu = BuildTrayMenu();
    if (!menu) return;
    SetMenuDefaultItem(menu.get(), defaultId ? defaultId : GetMenuItemID(menu.get(), 0), FALSE);
    Track(owner, std::move(menu), IntoWorkArea(at, MonitorLookup::System()), 0);
}

bool CommandMenus::OnCommand(WORD id) {
    if (id >= ID_QUICK_CATEGORY_FIRST && id < ID_QUICK_CATEGORY_FIRST + m_quickCategories.size()) {
        SelectQuickCategory(m_quickCategories[id - ID_QUICK_CATEGORY_FIRST]);
        return true;
    }
    if (id >= ID_FAVORITE_IMAGE_FIRST && id <= ID_FAVORITE_IMAGE_LAST) {
        const size_t index = id - ID_FAVORITE_IMAGE_FIRST;
        if (m_favorites && index < std::min(m_favorites->size(), kMaxFavorites) && m_sources.showFavorite)
            m_sources.showFavorite((*m_favorites)[index].image);
        return true;
    }
    if (id >= ID_LANGUAGE_FIRST && id < ID_LANGUAGE_FIRST + m_languageIds.size()) {
        // Every window re-texts itself through its language listener; the menus are built anew.
        m_settings->SetLangId(m_languageIds[id - ID_LANGUAGE_FIRST]);
        if (m_sources.saveSettings) m_sources.saveSettings();
        return true;
    }
    return false;
}

// The settings' observers see the new tags: the Controller starts the download for them.
void CommandMenus::SelectQuickCategory(const std::wstring& name) {
    const std::wstring before = m_settings->GetTags();
    if (before == name) return;
    m_settings->SetTags(name);
    if (m_settings->GetTags() == before) return;  // "All" while no tags were set, for example
    if (m_sources.saveSettings) m_sources.saveSettings();
    if (m_sources.showBalloon) m_sources.showBalloon(GetString(L"Balloon_DownloadForNewCategory"));
}
