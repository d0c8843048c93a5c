#pragma once
// The pop-up menus of the main window and the tray: Setup (with the quick categories and the
// languages), Favorites and the tray menu. Each is built fresh from the settings, the string
// map and the Controller's last state (the favourites, their thumbnails, the current image,
// the sign-in) when it is shown, drawn in the flat style, and remembers what its
// list items stand for, so that their commands (quick category i, favourite i, language i)
// act on what the user saw.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/controller_state.h"
#include "base/handles.h"
#include "config/settings.h"
#include "store/image.h"
#include "ui/menus/flat_menu_style.h"
#include "ui/menus/menu_thumbnails.h"

class CommandMenus {
public:
    // What the menus need from the rest of the program; any of them may be empty.
    struct Sources {
        std::function<ControllerStatePtr()> state;             // the Controller's last state
        std::function<void(const ImagePtr&)> showFavorite;     // a favourite chosen from the menu
        std::function<void(const std::wstring&)> showBalloon;  // a notice on the tray icon
        std::function<void()> saveSettings;                    // writes config.xml, off this thread
    };

    CommandMenus(std::shared_ptr<Settings> settings, Sources sources);
    CommandMenus(const CommandMenus&) = delete;
    CommandMenus& operator=(const CommandMenus&) = delete;

    // The menus as plain string items (the flat style is applied when one is tracked).
    UniqueMenu BuildSetupMenu();
    UniqueMenu BuildQuickCategoryMenu();
    UniqueMenu BuildLanguagesMenu();
    UniqueMenu BuildFavoritesMenu();
    UniqueMenu BuildTrayMenu();

    // Track a menu on the owner window, which receives its WM_COMMAND. Setup and Favorites
    // open at the window's right edge; the tray menu at a point (the cursor), with its default
    // item (0: the first) in bold.
    void ShowSetupMenu(HWND owner);
    void ShowFavoritesMenu(HWND owner);
    void ShowTrayMenu(HWND owner, POINT at, UINT defaultId = 0);

    // The list items' commands. True when the id lies in one of their ranges, whether it acted
    // or was ignored for lying beyond its list; false for every other id.
    bool OnCommand(WORD id);

    // The owner window's WM_MEASUREITEM and WM_DRAWITEM; false for items not of these menus.
    bool OnMeasureItem(MEASUREITEMSTRUCT& measure) const { return m_style.OnMeasureItem(measure); }
    bool OnDrawItem(const DRAWITEMSTRUCT& draw) const { return m_style.OnDrawItem(draw); }
    // The owner window's WM_MENUCHAR; false for menus that are not these.
    bool OnMenuChar(wchar_t key, HMENU menu, LRESULT& answer) const { return m_style.OnMenuChar(key, menu, answer); }

private:
    // The sources' state, or an empty one.
    ControllerStatePtr State() const;
    bool IsLoggedIn() const;
    int CurrentImageId() const;
    void AppendAccountItems(HMENU menu);
    void AppendClosingItems(HMENU menu);
    void Track(HWND owner, UniqueMenu menu, POINT at, UINT flags);
    void SelectQuickCategory(const std::wstring& name);

    std::shared_ptr<Settings> m_settings;
    Sources m_sources;
    FlatMenuStyle m_style;
    MenuThumbnails m_thumbnails;
    // What the list items of the menus built last stand for, by position.
    std::vector<std::wstring> m_quickCategories;
    std::vector<unsigned short> m_languageIds;
    FavoriteListPtr m_favorites;
};
