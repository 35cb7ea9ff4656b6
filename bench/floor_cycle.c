// Floor of the command-line cycle, in two runs as the program's: `install N` and `uninstall`.
//
// install N: the one-run claim; the installation folder opened without delete sharing and its
// identity and permissions read once (no walk of the files in it); the USB port monitor, when
// the spooler lacks it, its two modules copied into the system folder and added; the driver
// directory asked once and the numbers in use listed once (EnumPrinterDrivers); per copy the
// shared Unidrv files and the three numbered modules copied straight from the folder's media,
// the GPD clone written from the template (lines 2, 5 and 7) and its INI, the driver
// registered (level 3) and the queue added on COM1:, and its record written; then the
// detection value and the uninstall entry.
// uninstall: the claim; one listing of the queues; per label-printer queue the queue deleted,
// its driver deleted, its five numbered files deleted and its record deleted; then the port
// monitor and its modules, the uninstall entry and the detection key.
#include "floor_common.h"

#include <aclapi.h>
#include <stdlib.h>

#define MEDIA FLOOR_INSTALL_DIR L"\\Win32\\"
#define UNINSTALL_KEY L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TORVA EPL 2.XX"
#define MONITOR_NAME L"TORVA LABEL USB Port"

static FloorSpooler s;
static wchar_t driverDir[MAX_PATH];

static int Fail(const char* what) {
    char text[160];
    snprintf(text, sizeof(text), "%s failed (%lu)\n", what, GetLastError());
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, (DWORD)strlen(text), &written, NULL);
    return 1603;
}

static BOOL CopyInto(const wchar_t* folder, const wchar_t* from, const wchar_t* to) {
    wchar_t source[MAX_PATH], target[MAX_PATH];
    swprintf(source, MAX_PATH, L"%ls%ls", MEDIA, from);
    swprintf(target, MAX_PATH, L"%ls\\%ls", folder, to);
    return CopyFileW(source, target, FALSE);
}

static void SetString(HKEY key, const wchar_t* name, const wchar_t* value) {
    RegSetValueExW(key, name, 0, REG_SZ, (const BYTE*)value, (DWORD)((wcslen(value) + 1) * sizeof(wchar_t)));
}

static void SetDword(HKEY key, const wchar_t* name, DWORD value) {
    RegSetValueExW(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof(value));
}

// The template's lines 2, 5 and 7 rewritten for copy n, into the driver directory; and the INI.
static BOOL WriteClones(int n, const char* gpd, DWORD gpdSize) {
    wchar_t path[MAX_PATH];
    swprintf(path, MAX_PATH, L"%ls\\TVLabel%d.GPD", driverDir, n);
    HANDLE out = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (out == INVALID_HANDLE_VALUE) return FALSE;
    DWORD written, start = 0;
    for (int line = 1; start < gpdSize; ++line) {
        DWORD end = start;
        while (end < gpdSize && gpd[end] != '\n') ++end;
        if (end < gpdSize) ++end;
        char replaced[128];
        int length = 0;
        if (line == 2) length = snprintf(replaced, sizeof(replaced), "*GPDFileName: \"TVLabel%d.GPD\"\r\n", n);
        if (line == 5) length = snprintf(replaced, sizeof(replaced), "*ModelName: \"TORVA Label Printer #%d\"\r\n", n);
        if (line == 7) length = snprintf(replaced, sizeof(replaced), "*ResourceDLL: \"TVLabel%d.Dll\"\r\n", n);
        if (length > 0)
            WriteFile(out, replaced, (DWORD)length, &written, NULL);
        else
            WriteFile(out, gpd + start, end - start, &written, NULL);
        start = end;
    }
    CloseHandle(out);
    char ini[128];
    int length = snprintf(ini, sizeof(ini),
                          "[OEMFiles]\r\nOEMDriverFile1=TVLabelE%d.DLL\r\nOEMConfigFile1=TVLabelUI%d.DLL", n, n);
    swprintf(path, MAX_PATH, L"%ls\\TVLabel%d.INI", driverDir, n);
    out = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (out == INVALID_HANDLE_VALUE) return FALSE;
    WriteFile(out, ini, (DWORD)length, &written, NULL);
    CloseHandle(out);
    return TRUE;
}

static int Install(int copies) {
    // The folder, held without delete sharing, proven by its identity and its permissions.
    HANDLE folder = CreateFileW(FLOOR_INSTALL_DIR, GENERIC_READ | READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (folder == INVALID_HANDLE_VALUE) return Fail("opening the folder");
    BY_HANDLE_FILE_INFORMATION identity;
    GetFileInformationByHandle(folder, &identity);
    HKEY record;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TORVA\\EPL Printer 2.X Folder", 0, KEY_READ, &record) != 0)
        return Fail("reading the folder's record");
    wchar_t recorded[128];
    DWORD size = sizeof(recorded);
    RegQueryValueExW(record, L"Identity", NULL, NULL, (BYTE*)recorded, &size);
    RegCloseKey(record);
    PSECURITY_DESCRIPTOR security = NULL;
    PACL dacl = NULL;
    GetSecurityInfo(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION, NULL, NULL, &dacl,
                    NULL, &security);
    LocalFree(security);

    // The port monitor, when the spooler lacks it.
    BYTE monitors[8192];
    DWORD needed, count;
    BOOL monitorThere = FALSE;
    if (!s.enumMonitors(NULL, 1, monitors, sizeof(monitors), &needed, &count)) return Fail("EnumMonitors");
    for (DWORD i = 0; i < count; ++i)
        if (wcscmp(((MONITOR_INFO_1W*)monitors)[i].pName, MONITOR_NAME) == 0) monitorThere = TRUE;
    if (!monitorThere) {
        wchar_t system[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        if (!CopyInto(system, L"TVPortMon.dll", L"TVPortMon.dll") ||
            !CopyInto(system, L"TVPortMonUI.dll", L"TVPortMonUI.dll"))
            return Fail("copying the monitor");
        MONITOR_INFO_2W monitor = {MONITOR_NAME, L"Windows NT x86", L"TVPortMon.dll"};
        if (!s.addMonitor(NULL, 2, (BYTE*)&monitor)) return Fail("AddMonitor");
    }

    if (!s.getPrinterDriverDirectory(NULL, NULL, 1, (BYTE*)driverDir, sizeof(driverDir), &needed))
        return Fail("GetPrinterDriverDirectory");
    // The numbers in use.
    static char used[501];
    DWORD driversSize = 0;
    s.enumPrinterDrivers(NULL, NULL, 1, NULL, 0, &driversSize, &count);
    BYTE* drivers = (BYTE*)HeapAlloc(GetProcessHeap(), 0, driversSize + 1024);
    if (!s.enumPrinterDrivers(NULL, NULL, 1, drivers, driversSize + 1024, &needed, &count))
        return Fail("EnumPrinterDrivers");
    for (DWORD i = 0; i < count; ++i) {
        const wchar_t* name = ((DRIVER_INFO_1W*)drivers)[i].pName;
        if (FloorIsLabelDriver(name)) {
            int n = _wtoi(name + wcslen(FLOOR_LABEL_DRIVER_PREFIX));
            if (n > 0 && n <= 500) used[n] = 1;
        }
    }
    HeapFree(GetProcessHeap(), 0, drivers);

    HANDLE gpdFile = CreateFileW(MEDIA L"TVLabel.GPD", GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (gpdFile == INVALID_HANDLE_VALUE) return Fail("reading the GPD template");
    DWORD gpdSize = GetFileSize(gpdFile, NULL);
    char* gpd = (char*)HeapAlloc(GetProcessHeap(), 0, gpdSize);
    ReadFile(gpdFile, gpd, gpdSize, &needed, NULL);
    CloseHandle(gpdFile);

    static const wchar_t* const shared[] = {L"UNIDRV.DLL", L"UNIDRV.HLP", L"STDNAMES.GPD", L"UNIDRVUI.DLL",
                                            L"UNIRES.DLL"};
    for (int i = 0; i < 5; ++i)
        if (!CopyInto(driverDir, shared[i], shared[i])) return Fail("copying the Unidrv files");
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t date[16];
    swprintf(date, 16, L"%04d%02d%02d", now.wYear, now.wMonth, now.wDay);

    int n = 0;
    for (int copy = 0; copy < copies; ++copy) {
        do ++n;
        while (n <= 500 && used[n]);
        if (n > 500) return Fail("finding a free driver number");
        wchar_t numbered[3][32], targets[3][32];
        swprintf(targets[0], 32, L"TVLabel%d.DLL", n);
        swprintf(targets[1], 32, L"TVLabelE%d.DLL", n);
        swprintf(targets[2], 32, L"TVLabelUI%d.DLL", n);
        wcscpy(numbered[0], L"TVLabel.DLL");
        wcscpy(numbered[1], L"TVLabelE.DLL");
        wcscpy(numbered[2], L"TVLabelUI.DLL");
        for (int i = 0; i < 3; ++i)
            if (!CopyInto(driverDir, numbered[i], targets[i])) return Fail("copying the numbered modules");
        if (!WriteClones(n, gpd, gpdSize)) return Fail("writing the clones");

        wchar_t driverName[48], dataFile[32], dependent[512];
        swprintf(driverName, 48, L"TORVA Label Printer #%d", n);
        swprintf(dataFile, 32, L"TVLabel%d.GPD", n);
        int at = swprintf(dependent, 512,
                          L"TVLabel%d.GPD|TVLabel%d.Dll|STDNAMES.GPD|UNIRES.Dll|unidrvui.dll|"
                          L"TVLabelE%d.DLL|TVLabelUI%d.DLL|TVLabel%d.INI|unidrv.hlp||",
                          n, n, n, n, n);
        for (int i = 0; i < at; ++i)
            if (dependent[i] == L'|') dependent[i] = L'\0';
        DRIVER_INFO_3W driver = {3,        driverName,      L"Windows NT x86", L"UNIDRV.DLL",
                                 dataFile, L"UNIDRVUI.DLL", L"UNIDRV.HLP",     dependent,
                                 NULL,     L"RAW"};
        if (!s.addPrinterDriver(NULL, 3, (BYTE*)&driver)) return Fail("AddPrinterDriver");

        wchar_t queueName[48];
        if (n == 1)
            wcscpy(queueName, L"TORVA Label Printer");
        else
            swprintf(queueName, 48, L"TORVA Label Printer %d", n);
        PRINTER_INFO_2W printer;
        memset(&printer, 0, sizeof(printer));
        printer.pPrinterName = queueName;
        printer.pPortName = L"COM1:";
        printer.pDriverName = driverName;
        printer.pPrintProcessor = L"winprint";
        printer.pDatatype = L"RAW";
        printer.Attributes = 0x200 | 0x800;
        HANDLE queue = s.addPrinter(NULL, 2, (BYTE*)&printer);
        if (queue == NULL) return Fail("AddPrinter");
        s.closePrinter(queue);

        wchar_t recordKey[160];
        swprintf(recordKey, 160, L"%ls\\%ls", FLOOR_RECORDS_KEY, queueName);
        HKEY key;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, recordKey, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) != 0)
            return Fail("writing the record");
        SetString(key, L"Driver", driverName);
        SetString(key, L"Port", L"COM1:");
        SetString(key, L"Version", L"4.70");
        SetString(key, L"Owner", L"");
        SetString(key, L"InstallDate", date);
        SetDword(key, L"PortCreated", 0);
        RegCloseKey(key);
    }

    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, FLOOR_DETECTION_KEY, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) != 0)
        return Fail("writing the detection value");
    SetDword(key, L"Installed", 1);
    SetString(key, L"Version", L"4.70");
    RegCloseKey(key);
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) != 0)
        return Fail("writing the uninstall entry");
    SetString(key, L"DisplayName", L"TORVA Label 2.XX");
    SetString(key, L"UninstallString", FLOOR_INSTALL_DIR L"\\Prinstall.exe");
    SetString(key, L"DisplayVersion", L"4.70");
    SetString(key, L"Publisher", L"TORVA");
    SetString(key, L"InstallLocation", FLOOR_INSTALL_DIR);
    SetString(key, L"InstallDate", date);
    SetDword(key, L"NoModify", 1);
    SetDword(key, L"NoRepair", 1);
    RegCloseKey(key);
    CloseHandle(folder);
    return 0;
}

static int Uninstall(void) {
    DWORD count = 0;
    PRINTER_INFO_2W* queues = FloorListQueues(&s, &count);
    if (queues == NULL) return Fail("EnumPrinters");
    DWORD needed;
    if (!s.getPrinterDriverDirectory(NULL, NULL, 1, (BYTE*)driverDir, sizeof(driverDir), &needed))
        return Fail("GetPrinterDriverDirectory");
    for (DWORD i = 0; i < count; ++i) {
        if (!FloorIsLabelDriver(queues[i].pDriverName)) continue;
        PRINTER_DEFAULTSW access = {NULL, NULL, PRINTER_ALL_ACCESS};
        HANDLE queue;
        if (!s.openPrinter(queues[i].pPrinterName, &queue, &access)) return Fail("OpenPrinter");
        BOOL deleted = s.deletePrinter(queue);
        s.closePrinter(queue);
        if (!deleted) return Fail("DeletePrinter");
        if (!s.deletePrinterDriver(NULL, L"Windows NT x86", queues[i].pDriverName)) return Fail("DeletePrinterDriver");
        int n = _wtoi(queues[i].pDriverName + wcslen(FLOOR_LABEL_DRIVER_PREFIX));
        static const wchar_t* const patterns[] = {L"TVLabel%d.GPD", L"TVLabel%d.INI", L"TVLabel%d.DLL",
                                                  L"TVLabelE%d.DLL", L"TVLabelUI%d.DLL"};
        for (int f = 0; f < 5; ++f) {
            wchar_t name[32], path[MAX_PATH];
            swprintf(name, 32, patterns[f], n);
            swprintf(path, MAX_PATH, L"%ls\\%ls", driverDir, name);
            DeleteFileW(path);
        }
        wchar_t recordKey[160];
        swprintf(recordKey, 160, L"%ls\\%ls", FLOOR_RECORDS_KEY, queues[i].pPrinterName);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, recordKey);
    }
    HeapFree(GetProcessHeap(), 0, queues);

    if (s.deleteMonitor(NULL, NULL, MONITOR_NAME)) {
        wchar_t system[MAX_PATH], path[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        swprintf(path, MAX_PATH, L"%ls\\TVPortMon.dll", system);
        if (!DeleteFileW(path)) MoveFileExW(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
        swprintf(path, MAX_PATH, L"%ls\\TVPortMonUI.dll", system);
        if (!DeleteFileW(path)) MoveFileExW(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, FLOOR_RECORDS_KEY);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, FLOOR_DETECTION_KEY);
    return 0;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR arguments, int show) {
    (void)instance;
    (void)previous;
    (void)show;
    FloorLimitLibrarySearch();
    FloorClaimSingleRun();
    FloorLoadSpooler(&s);
    if (wcsncmp(arguments, L"install ", 8) == 0) return Install(_wtoi(arguments + 8));
    if (wcscmp(arguments, L"uninstall") == 0) return Uninstall();
    return 1639;
}
