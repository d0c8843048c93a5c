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
#define IDC_TAGS 1008
#define IDC_STATUS_ON 1009
#define IDC_STATUS_OFF 1010
#define ID_SHOW_MAIN_WINDOW 32786
#define ID_SHOWHIDE_DESKTOP_ICONS 32787
#define ID_RESTORE_OLD_WALLPAPER 32788
#define ID_DOWNLOAD_NOW 32797
#define ID_HIDE_MAIN_WINDOW 32798
#define ID_SHOW_PROPERTY_SHEET 32803
#define ID_LOGIN 32805
#define ID_LOGOUT 32806
#define ID_MANAGE_CATEGORY 32807
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
