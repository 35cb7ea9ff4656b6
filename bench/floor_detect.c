// Floor of `/detect /name:NAME /port:PORT`: no claim (detection may run beside another run);
// one listing of the queues, the named label-printer queue's record opened in the records key
// (its presence is the proof), and the queue's line written when it is on that port.
// Arguments: NAME|PORT.
#include "floor_common.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR arguments, int show) {
    (void)instance;
    (void)previous;
    (void)show;
    FloorLimitLibrarySearch();
    // The whole line, as given or quoted as one argument.
    if (*arguments == L'"') ++arguments;
    wchar_t name[256];
    wcsncpy(name, arguments, 255);
    name[255] = L'\0';
    size_t length = wcslen(name);
    if (length > 0 && name[length - 1] == L'"') name[length - 1] = L'\0';
    wchar_t* port = wcschr(name, L'|');
    if (port == NULL) return 1639;
    *port++ = L'\0';
    FloorSpooler s;
    FloorLoadSpooler(&s);
    DWORD count = 0;
    PRINTER_INFO_2W* queues = FloorListQueues(&s, &count);
    for (DWORD i = 0; queues != NULL && i < count; ++i) {
        PRINTER_INFO_2W* q = &queues[i];
        if (!FloorIsLabelDriver(q->pDriverName) || lstrcmpiW(q->pPrinterName, name) != 0) continue;
        wchar_t recordKey[300];
        swprintf(recordKey, 300, L"%ls\\%ls", FLOOR_RECORDS_KEY, q->pPrinterName);
        HKEY key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, recordKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            RegCloseKey(key);
            if (lstrcmpiW(q->pPortName, port) == 0) {
                wchar_t line[800];
                swprintf(line, 800, L"%ls\t%ls\t%ls\r\n", q->pPrinterName, q->pDriverName, q->pPortName);
                FloorWrite(line);
            }
        }
        break;
    }
    return 0;
}
