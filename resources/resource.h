#pragma once
// Resource ids shared by the .rc file and the code.
#define IDI_KESTRANE 128
#define IDD_MAINDLG 129
