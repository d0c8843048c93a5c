#pragma once
// Resource ids shared by the .rc files and the code.
#define IDI_KESTRANE 128
#define IDD_MAINDLG 129

// Commands: every button, menu item and hot key of the program ends as one of these
// WM_COMMAND ids on the main window.
#define IDC_PREV 1000
#define IDC_NEXT 1001
#define IDC_FREEZE 1002
#define ID_SHOW_MAIN_WINDOW 32786
#define ID_SHOWHIDE_DESKTOP_ICONS 32787
#define ID_RESTORE_OLD_WALLPAPER 32788
#define ID_DOWNLOAD_NOW 32797
#define ID_APP_EXIT 57665
