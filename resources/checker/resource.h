// Vexilo's resource and control ids, shared by Vexilo.rc and the code.
#pragma once

// Dialog templates, icon, strings.
#define IDD_ABOUT 100
#define IDS_ABOUT_ENTRY 101
#define IDD_MAIN 102
#define IDS_SOCKET_FAILED 103
#define IDI_APP 128

// System-menu command that opens the version dialog.
#define IDM_ABOUT 0x0010

// Controls of the main dialog.
#define IDC_BROWSE 1000
#define IDC_FOLDER 1001
#define IDC_DETECT 1002
#define IDC_CHECK 1003
#define IDC_VANISHED_ASK 1006
#define IDC_VANISHED_NOTHING 1008
#define IDC_VANISHED_RECYCLE 1009
#define IDC_LOG 1010
#define IDC_PROGRESS 1011
#define IDC_SAVE_LOG 1012
#define IDC_STATUS 1013
#define IDC_UPDATED_LIST 1014
#define IDC_UPDATED_BROWSER 1015
#define IDC_CLEAR_LOG 1016
#define IDC_NO_UPDATE_CHECK 1017
#define IDC_VANISHED_LIST 1018
#define IDC_SOURCE_CAPTION 1019
#define IDC_UPDATE_MOVED 1020

// The choice of a source after "自動参照".
#define IDD_SOURCES 104
#define IDC_SOURCE_LIST 1100
