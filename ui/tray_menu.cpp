#include "ui/tray_menu.h"

#include "base/localization.h"
#include "resources/resource.h"

namespace {

void AddItem(HMENU menu, UINT id, const std::wstring& text) { AppendMenuW(menu, MF_STRING, id, text.c_str()); }

}  // namespace

HMENU BuildTrayMenu(const TrayMenuState& state, HMENU quickCategories) {
    HMENU menu = CreatePopupMenu();
    if (!menu) {
        if (quickCategories) DestroyMenu(quickCategories);
        return nullptr;
    }
    AddItem(menu, ID_SHOW_MAIN_WINDOW, GetString(L"CmdName_ShowMainWindow"));
    AddItem(menu, ID_RESTORE_OLD_WALLPAPER, GetString(L"CmdName_RestoreOldWallpaper"));
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    if (quickCategories)
        AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(quickCategories),
                    GetString(L"CmdName_QuickCategory").c_str());
    AddItem(menu, ID_DOWNLOAD_NOW, GetString(L"CmdName_DownloadNow"));
    AddItem(menu, ID_SHOW_PROPERTY_SHEET, GetString(L"CmdName_ShowPropertySheet"));
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    if (!state.signedIn) {
        AddItem(menu, ID_LOGIN, GetString(L"CmdName_Login"));
    } else {
        AddItem(menu, ID_LOGOUT, GetString(L"CmdName_Logout"));
        if (state.canManageCurrentImage) AddItem(menu, ID_MANAGE_CATEGORY, L"\u7BA1\u7406\u56FE\u7247");
    }
    AddItem(menu, ID_APP_ABOUT, GetString(L"CmdName_About"));
    AddItem(menu, ID_APP_EXIT, GetString(L"CmdName_Exit"));
    return menu;
}
