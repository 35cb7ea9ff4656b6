// Resource and control ids of the ports dialogs (plain #defines, included by resource.h).
#pragma once

// Port and code page dialog.
#define IDD_PORT_INFO 129
// IP address dialog.
#define IDD_IP_ADDRESS 143

// Pictures of the printer interfaces (24-bit bitmaps).
#define IDB_BLUETOOTH 149
#define IDB_ETHERNET 150
#define IDB_PARALLEL 151
#define IDB_SERIAL 152
#define IDB_USB 153
#define IDB_WIFI 154
#define IDB_PRINTER_PORT 155

// Port and code page dialog: the interface radio buttons.
#define IDC_PORT_SERIAL 1002
#define IDC_PORT_BLUETOOTH 1004
#define IDC_PORT_PARALLEL 1005
#define IDC_PORT_USB 1006
#define IDC_PORT_ETHERNET 1007
#define IDC_PORT_WIFI 1008
#define IDC_PORT_DRIVER_PORT 1009
// Windows-family marks: radio buttons below the visible area, never shown.
#define IDC_PORT_MARK_2003 1010
#define IDC_PORT_MARK_VISTA 1024
#define IDC_PORT_MARK_2008 1045
#define IDC_PORT_MARK_7 1046
#define IDC_PORT_MARK_8 1047
#define IDC_PORT_MARK_2012 1048
// The radio buttons' id range: checking one clears every other in it.
#define IDC_PORT_RADIO_FIRST 1002
#define IDC_PORT_RADIO_LAST 1048
// Lists, labels, group box and the frame the interface picture takes the place of.
#define IDC_PORT_PICTURE 1016
#define IDC_PORT_CODE_PAGE 1025
#define IDC_PORT_LIST 1026
#define IDC_PORT_PROCESSOR 1027
#define IDC_PORT_CODE_PAGE_LABEL 1029
#define IDC_PORT_GROUP 1030
#define IDC_PORT_PROCESSOR_LABEL 1031
#define IDC_PORT_LIST_LABEL 1042
// Why OK is unavailable, empty while it is available.
#define IDC_PORT_OK_REASON 1060

// IP address dialog.
#define IDC_IP_LABEL 1043
#define IDC_IP_ADDRESS 1044
