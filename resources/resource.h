#pragma once
// Resource ids shared by the .rc files and the code.
#define IDI_KESTRANE 128
#define IDD_MAINDLG 129

// Commands: every button, menu item and hot key of the program ends as one of these
// WM_COMMAND ids on the main window.
#define IDC_PREV 1000
#define IDC_NEXT 1001
#define IDC_FREEZE 1002
#define IDC_SETUP 1004
#define IDC_FAVORITES 1007
#define IDC_TAGS 1008  // a skin button without a command: it stays disabled
#define IDC_STATUS_ON 1009
#define IDC_STATUS_OFF 1010
#define ID_CHECK_UPDATE 32785
#define ID_SHOW_MAIN_WINDOW 32786
#define ID_SHOWHIDE_DESKTOP_ICONS 32787
#define ID_RESTORE_OLD_WALLPAPER 32788
#define ID_DOWNLOAD_NOW 32797
#define ID_HIDE_MAIN_WINDOW 32798
#define ID_SHOW_PROPERTY_SHEET 32803
#define ID_LOGIN 32805
#define ID_LOGOUT 32806
#define ID_MANAGE_CATEGORY 32807
#define ID_ADD_FAVORITE 32808
#define ID_DELETE_FAVORITE 32809
#define ID_CATEGORY_MORE_OPTIONS 32949
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665

// Menu items made from lists: the first id of each range, item i is first + i.
#define ID_QUICK_CATEGORY_FIRST 32900
#define ID_FAVORITE_IMAGE_FIRST 32950
#define ID_FAVORITE_IMAGE_LAST 32999
#define ID_LAYOUT_LINK_FIRST 33000
#define ID_LANGUAGE_FIRST 34000

// Options sheet, hot-key page.
#define IDD_HOTKEY_PAGE 241
#define IDC_HOTKEY_LIST 1051
#define IDC_HOTKEY_EDIT 1052
#define IDC_HOTKEY_ASSIGN 1053
#define IDC_HOTKEY_DELETE 1054
#define IDC_HOTKEY_RESET 1055
#define IDC_HOTKEY_LIST_TITLE 1057
#define IDC_HOTKEY_DESCRIPTION 1058
#define IDC_HOTKEY_NEW_TITLE 1059
