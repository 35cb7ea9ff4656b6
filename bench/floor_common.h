// What every floor program shares: the calls that each of the program's runs makes before its
// job (library search limited to the system folder, the one-run claim, WINSPOOL.DRV loaded by
// full path) and small helpers. A floor does only what its job needs; see bench/README.md.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#define FLOOR_INSTALL_DIR L"C:\\TORVA EPL Printer 2.X"
#define FLOOR_LABEL_DRIVER_PREFIX L"TORVA Label Printer #"
#define FLOOR_RECORDS_KEY L"SOFTWARE\\TORVA\\EPL Printer 2.X\\Printers"
#define FLOOR_DETECTION_KEY L"SOFTWARE\\TORVA\\EPL Printer 2.X"

// The spooler's functions, from WINSPOOL.DRV in the system folder (never by bare name).
typedef struct {
    BOOL(WINAPI* enumPrinters)(DWORD, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
    BOOL(WINAPI* enumPrinterDrivers)(LPWSTR, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
    BOOL(WINAPI* enumMonitors)(LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
    BOOL(WINAPI* getPrinterDriverDirectory)(LPWSTR, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD);
    BOOL(WINAPI* addPrinterDriver)(LPWSTR, DWORD, LPBYTE);
    HANDLE(WINAPI* addPrinter)(LPWSTR, DWORD, LPBYTE);
    BOOL(WINAPI* addMonitor)(LPWSTR, DWORD, LPBYTE);
    BOOL(WINAPI* openPrinter)(LPWSTR, LPHANDLE, LPPRINTER_DEFAULTSW);
    BOOL(WINAPI* deletePrinter)(HANDLE);
    BOOL(WINAPI* closePrinter)(HANDLE);
    BOOL(WINAPI* deletePrinterDriver)(LPWSTR, LPWSTR, LPWSTR);
    BOOL(WINAPI* deleteMonitor)(LPWSTR, LPWSTR, LPWSTR);
} FloorSpooler;

static inline void FloorLimitLibrarySearch(void) {
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    SetDefaultDllDirectoriesFn setDefault = (SetDefaultDllDirectoriesFn)(void*)GetProcAddress(
        GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (setDefault != NULL) setDefault(0x00000800);  // LOAD_LIBRARY_SEARCH_SYSTEM32
}

// The one-run claim as the program makes it: a mutex in a private namespace bounded by the
// Administrators group, both with a descriptor for Administrators and SYSTEM only (a global
// mutex where the namespace functions are missing). Kept open until the process ends.
static inline void FloorClaimSingleRun(void) {
    typedef HANDLE(WINAPI * CreateBoundaryFn)(LPCWSTR, ULONG);
    typedef BOOL(WINAPI * AddSidFn)(HANDLE*, PSID);
    typedef VOID(WINAPI * DeleteBoundaryFn)(HANDLE);
    typedef HANDLE(WINAPI * CreateNamespaceFn)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    CreateBoundaryFn createBoundary = (CreateBoundaryFn)(void*)GetProcAddress(kernel, "CreateBoundaryDescriptorW");
    AddSidFn addSid = (AddSidFn)(void*)GetProcAddress(kernel, "AddSIDToBoundaryDescriptor");
    DeleteBoundaryFn deleteBoundary = (DeleteBoundaryFn)(void*)GetProcAddress(kernel, "DeleteBoundaryDescriptor");
    CreateNamespaceFn createNamespace = (CreateNamespaceFn)(void*)GetProcAddress(kernel, "CreatePrivateNamespaceW");
    SID_IDENTIFIER_AUTHORITY nt = {SECURITY_NT_AUTHORITY};
    PSID admins = NULL, system = NULL;
    AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins);
    AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system);
    static BYTE aclBytes[256];
    static SECURITY_DESCRIPTOR sd;
    ACL* acl = (ACL*)aclBytes;
    InitializeAcl(acl, sizeof(aclBytes), ACL_REVISION);
    AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, admins);
    AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, system);
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    SetSecurityDescriptorOwner(&sd, admins, FALSE);
    SECURITY_ATTRIBUTES sa = {sizeof(sa), &sd, FALSE};
    if (createBoundary == NULL || addSid == NULL || deleteBoundary == NULL || createNamespace == NULL) {
        // Before Vista (and under Wine, whose kernel32 lacks the boundary functions) the
        // program's claim is a global mutex with the same descriptor.
        CreateMutexW(&sa, FALSE, L"Global\\PrinstallBenchFloor");
        return;
    }
    HANDLE boundary = createBoundary(L"PrinstallBenchFloor", 0);
    addSid(&boundary, admins);
    HANDLE space = createNamespace(&sa, boundary, L"PrinstallBenchFloor");
    deleteBoundary(boundary);
    (void)space;
    CreateMutexW(&sa, FALSE, L"PrinstallBenchFloor\\Run");
}

static inline void FloorLoadSpooler(FloorSpooler* s) {
    wchar_t path[MAX_PATH];
    UINT n = GetSystemDirectoryW(path, MAX_PATH);
    wcscpy(path + n, L"\\winspool.drv");
    HMODULE m = LoadLibraryW(path);
#define FLOOR_RESOLVE(field, name) s->field = (void*)GetProcAddress(m, name)
    FLOOR_RESOLVE(enumPrinters, "EnumPrintersW");
    FLOOR_RESOLVE(enumPrinterDrivers, "EnumPrinterDriversW");
    FLOOR_RESOLVE(enumMonitors, "EnumMonitorsW");
    FLOOR_RESOLVE(getPrinterDriverDirectory, "GetPrinterDriverDirectoryW");
    FLOOR_RESOLVE(addPrinterDriver, "AddPrinterDriverW");
    FLOOR_RESOLVE(addPrinter, "AddPrinterW");
    FLOOR_RESOLVE(addMonitor, "AddMonitorW");
    FLOOR_RESOLVE(openPrinter, "OpenPrinterW");
    FLOOR_RESOLVE(deletePrinter, "DeletePrinter");
    FLOOR_RESOLVE(closePrinter, "ClosePrinter");
    FLOOR_RESOLVE(deletePrinterDriver, "DeletePrinterDriverW");
    FLOOR_RESOLVE(deleteMonitor, "DeleteMonitorW");
#undef FLOOR_RESOLVE
}

// The local queues at level 2, in one buffer from HeapAlloc (asked with room to spare, and
// again while the list grows); NULL when the listing fails.
static inline PRINTER_INFO_2W* FloorListQueues(const FloorSpooler* s, DWORD* count) {
    DWORD size = 64 * 1024, needed = 0;
    for (int round = 0; round < 4; ++round) {
        BYTE* buffer = (BYTE*)HeapAlloc(GetProcessHeap(), 0, size);
        if (s->enumPrinters(PRINTER_ENUM_LOCAL, NULL, 2, buffer, size, &needed, count)) return (PRINTER_INFO_2W*)buffer;
        HeapFree(GetProcessHeap(), 0, buffer);
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return NULL;
        size = needed + needed / 4;
    }
    return NULL;
}

static inline int FloorIsLabelDriver(const wchar_t* driver) {
    return driver != NULL && wcsncmp(driver, FLOOR_LABEL_DRIVER_PREFIX, wcslen(FLOOR_LABEL_DRIVER_PREFIX)) == 0;
}

// UTF-16 to UTF-8 onto the standard output handle (a file or pipe the caller gave).
static inline void FloorWrite(const wchar_t* text) {
    char buffer[4096];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof(buffer), NULL, NULL);
    DWORD written = 0;
    if (n > 1) WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), buffer, (DWORD)(n - 1), &written, NULL);
}
