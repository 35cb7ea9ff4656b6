// Resource and control ids of the uninstall dialogs (plain #defines, included by resource.h).
#pragma once

// Driver removal dialog. Close and the hidden Cancel are IDOK and IDCANCEL; the progress bar,
// its label and the status text share their ids with the main dialog's.
#define IDD_DELETE_PRINTER 140
#define IDC_SELECT_ALL 3
#define IDC_DELETE_PRINTER 4
#define IDC_PRINTER_LIST 1019
#define IDC_PRINTER_LIST_LABEL 1052
