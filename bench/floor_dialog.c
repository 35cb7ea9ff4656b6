// Floor of the start-up: the program's own main dialog (IDD_MAIN, linked from its resource
// script together with its icons and manifest), shown after only the calls that the shown
// dialog needs: the one-run claim, the common controls, the spooler service's state, one
// listing of the queues (to count the label drivers and propose the next queue's name), the
// detection key when there are none (the Uninstall button also shows for leftovers), the
// icons of the three buttons and the About item of the system menu. Ends on WM_CLOSE.
#include "floor_common.h"

#include <commctrl.h>

#include "resource.h"

static int labelDrivers;

static void SetButtonIcon(HWND dialog, int id, int iconId) {
    HANDLE icon = LoadImageW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(iconId), IMAGE_ICON, 32, 32, 0);
    SendDlgItemMessageW(dialog, id, BM_SETIMAGE, IMAGE_ICON, (LPARAM)icon);
}

static INT_PTR CALLBACK MainProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (message) {
        case WM_INITDIALOG: {
            wchar_t about[128];
            if (LoadStringW(GetModuleHandleW(NULL), IDS_ABOUTBOX, about, 128) > 0)
                AppendMenuW(GetSystemMenu(dialog, FALSE), MF_STRING, IDM_ABOUTBOX, about);
            HICON big = LoadIconW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDR_MAINFRAME));
            SendMessageW(dialog, WM_SETICON, ICON_BIG, (LPARAM)big);
            SendMessageW(dialog, WM_SETICON, ICON_SMALL, (LPARAM)big);
            SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_SETRANGE32, 0, 100);
            wchar_t name[64];
            if (labelDrivers == 0)
                wcscpy(name, L"TORVA Label Printer");
            else
                swprintf(name, 64, L"TORVA Label Printer %d", labelDrivers + 1);
            SetDlgItemTextW(dialog, IDC_DRIVER_NAME, name);
            SetDlgItemTextW(dialog, IDC_COPY_COUNT, L"1");
            SetButtonIcon(dialog, IDC_INSTALL, IDI_INSTALL);
            SetButtonIcon(dialog, IDC_UNINSTALL, IDI_UNINSTALL);
            SetButtonIcon(dialog, IDC_EXIT, IDI_EXIT);
            int leftovers = 0;
            if (labelDrivers == 0) {
                HKEY key;
                if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, FLOOR_DETECTION_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
                    leftovers = 1;
                    RegCloseKey(key);
                }
            }
            ShowWindow(GetDlgItem(dialog, IDC_UNINSTALL), labelDrivers > 0 || leftovers ? SW_SHOW : SW_HIDE);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDC_EXIT) EndDialog(dialog, IDCANCEL);
            return TRUE;
        case WM_CLOSE: EndDialog(dialog, IDCANCEL); return TRUE;
    }
    return FALSE;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR arguments, int show) {
    (void)previous;
    (void)arguments;
    (void)show;
    FloorLimitLibrarySearch();
    FloorClaimSingleRun();
    INITCOMMONCONTROLSEX controls = {
        sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_INTERNET_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    SC_HANDLE manager = OpenSCManagerW(NULL, NULL, SC_MANAGER_CONNECT);
    SC_HANDLE spooler = manager ? OpenServiceW(manager, L"Spooler", SERVICE_QUERY_STATUS) : NULL;
    SERVICE_STATUS status;
    if (spooler) QueryServiceStatus(spooler, &status);
    if (spooler) CloseServiceHandle(spooler);
    if (manager) CloseServiceHandle(manager);

    FloorSpooler s;
    FloorLoadSpooler(&s);
    DWORD count = 0;
    PRINTER_INFO_2W* queues = FloorListQueues(&s, &count);
    for (DWORD i = 0; queues != NULL && i < count; ++i) labelDrivers += FloorIsLabelDriver(queues[i].pDriverName);
    HeapFree(GetProcessHeap(), 0, queues);

    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), NULL, MainProc, 0);
    return 0;
}
