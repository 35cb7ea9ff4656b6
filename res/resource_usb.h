// Resource and control ids of the usb dialogs (plain #defines, included by resource.h).
#pragma once

// The search window: a text line and a progress bar, shown while the program looks for the
// printer; and the instruction dialog that asks the operator to connect and switch it on.
#define IDD_USB_SEARCH 141
#define IDD_USB_WARNING 142

#define IDC_USB_SEARCH_PROGRESS 1026
#define IDC_USB_SEARCH_TEXT 1028
#define IDC_USB_WARNING_CONNECT 1037
#define IDC_USB_WARNING_SWITCH_ON 1038
#define IDC_USB_WARNING_CLICK_OK 1039
