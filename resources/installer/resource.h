// Resource and control ids of Tovamere, shared by Tovamere.rc and the code.
#pragma once

// Dialog templates.
#define IDD_FOLDER_PAGE 100
#define IDD_UNINSTALL 101
#define IDD_COPY_PAGE 103
#define IDD_BROWSE 105
#define IDD_SHORTCUT_PAGE 107

// The wizard's picture at the left of every page.
#define IDB_WIZARD 116

// Folder page.
#define IDC_FOLDER_PROMPT 1000
#define IDC_FOLDER_EDIT 1001
#define IDC_BROWSE 1002

// Copy page.
#define IDC_COPY_PROGRESS 1003
#define IDC_COPY_STATUS 1008
#define IDC_REMOVAL_HINT 1012
#define IDC_RESTART_NOTE 1014

// Shortcut page.
#define IDC_DESKTOP 1005
#define IDC_START_MENU 1006

// Uninstall dialog.
#define IDC_UNINSTALL_STATUS 1010
