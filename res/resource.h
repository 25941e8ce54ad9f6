// Resource ids of the installer program: the wizard and finish dialogs, their
// controls, the artwork of this folder. Shared by the resource script
// (app/setup.rc) and the C++ code that loads them.
#pragma once

// Dialogs
#define IDD_SETUP_WIZARD 102
#define IDD_FINISH 131

// Application icon
#define IDI_APP_ICON 128

// Wizard background, 600 x 360
#define IDB_BACKGROUND 129

// Button faces: hot (pointer over or pressed) and idle, 79 x 36
#define IDB_CANCEL_HOT 142
#define IDB_BACK_HOT 143
#define IDB_NEXT_HOT 144
#define IDB_CANCEL_IDLE 145
#define IDB_BACK_IDLE 146
#define IDB_NEXT_IDLE 147
// Browse button face, 52 x 28, used for both states
#define IDB_BROWSE 148

// Pointing-hand cursor shown over the skinned buttons
#define IDC_BUTTON_HAND 149

// Finish dialog controls
#define IDC_FINISH_TEXT 1002
#define IDC_DESKTOP_LINK 1003
#define IDC_RUN_PROGRAM 1004
#define IDC_AUTOSTART 1005

// Wizard controls
#define IDC_LANGUAGE 1006
#define IDC_AGREEMENT 1007
#define IDC_AGREE 1008
#define IDC_INSTALL_PATH 1009
#define IDC_BROWSE 1010
#define IDC_BACK 1011
#define IDC_LANGUAGE_LABEL 1012
#define IDC_PATH_LABEL 1013
#define IDC_AGREEMENT_LABEL 1014
#define IDC_PROGRESS 1015

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
