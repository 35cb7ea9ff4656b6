// Resource and control ids shared by the resource script and the code.
// Plain #defines only: the portable code includes this file as well.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDR_MAINFRAME 128
#define IDD_RESULT 138
#define IDI_INSTALL 145
#define IDI_EXIT 146
#define IDI_UNINSTALL 156
// The two round icons by their pictures: 147 a red disc with a white cross
// (Cancel, Exit), 148 a green disc with a white check mark (OK, Close).
#define IDI_CROSS 147
#define IDI_CHECK 148

// Main dialog controls.
#define IDC_INSTALL 1000
#define IDC_EXIT 1012
#define IDC_PROGRESS 1013
#define IDC_STATUS 1015
#define IDC_UNINSTALL 1017
#define IDC_CLONE_LIST 1019
#define IDC_MODEL_GROUP 1031
#define IDC_MODEL_LABEL 1032
#define IDC_INSTALLER_VERSION_LABEL 1033
#define IDC_DRIVER_VERSION_LABEL 1034
#define IDC_MODEL_NAME 1035
#define IDC_PROGRESS_LABEL 1036
#define IDC_DRIVER_NAME_LABEL 1037
#define IDC_CLONE_CHECK 1047
#define IDC_COPY_COUNT 1048
#define IDC_CLONE_GROUP 1049
#define IDC_COPY_COUNT_LABEL 1050
#define IDC_DRIVER_NAME 1051

// Result dialog. The check box and the second text are hidden and disabled: they are in the
// template but the program never shows them.
#define IDC_RESULT_REBOOT 1020
#define IDC_RESULT_MESSAGE 1040
#define IDC_RESULT_RESTART_NOTE 1041

// About box.
#define IDC_ABOUT_VERSION 1100
#define IDC_ABOUT_NOTICE 1101

// System menu command of the About item.
#define IDM_ABOUTBOX 0x0010

// Ids of the other subsystems' dialogs.
#include "resource_ports.h"
#include "resource_uninstall.h"
#include "resource_usb.h"
