/* The label printer's USB port monitor, as a small but real stand-in.
 *
 * The spooler loads this module by the name the installer registers ("TVPortMon.dll"),
 * calls InitializePrintMonitor2 and from then on talks to it through the MONITOR2 table:
 * EnumPorts lists the one port "USB/TORVA Label Port", and a job printed on that port goes
 * OpenPort, StartDocPort, WritePort..., EndDocPort, ClosePort. There is no printer behind
 * it: every job's bytes go into a file of their own,
 *
 *     %SystemRoot%\Temp\TVPortMon\job-<job id>.prn
 *
 * so that nothing is lost and nothing is sent anywhere. The monitor and every open port
 * are heap objects behind their handles; nothing in here is shared between two opens
 * except the constant function table.
 *
 * Built by build-media.sh with -DSTANDIN_MARKER="..." like every stand-in module, and like
 * them without a C runtime: the entry point is DllMain itself.
 */
#include <stddef.h>
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#ifndef STANDIN_MARKER
#error "build-media.sh defines STANDIN_MARKER"
#endif

/* volatile keeps the text in the file even though nothing in here reads it. */
__declspec(dllexport) const volatile char standInMarker[] = STANDIN_MARKER;

__declspec(dllexport) const char* __cdecl StandInIdentity(void) { return (const char*)standInMarker; }

static const WCHAR kPortName[] = L"USB/TORVA Label Port";
static const WCHAR kMonitorName[] = L"TORVA LABEL USB Port";
static const WCHAR kPortDescription[] = L"Label printer USB port";
static const WCHAR kTempFolder[] = L"\\Temp";
static const WCHAR kJobFolder[] = L"\\TVPortMon";

/* Tags at the start of each object, so that a handle of the wrong kind (or one already
 * closed) is refused instead of used. */
#define MONITOR_TAG 0x4d4e4f4d /* "MONM" */
#define PORT_TAG 0x54524f50    /* "PORT" */

typedef struct Monitor {
    DWORD tag;
    WCHAR tempFolder[MAX_PATH]; /* %SystemRoot%\Temp */
    WCHAR jobFolder[MAX_PATH];  /* %SystemRoot%\Temp\TVPortMon */
} Monitor;

typedef struct Port {
    DWORD tag;
    const Monitor* monitor;
    HANDLE job;     /* the open job file, INVALID_HANDLE_VALUE between documents */
    HANDLE printer; /* the queue of the open job, to report it done; may be NULL */
    DWORD jobId;
} Port;

static void* Allocate(SIZE_T size) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size); }

static void Release(void* block) { HeapFree(GetProcessHeap(), 0, block); }

static Monitor* AsMonitor(HANDLE handle) {
    Monitor* monitor = (Monitor*)handle;
    return monitor && monitor->tag == MONITOR_TAG ? monitor : NULL;
}

static Port* AsPort(HANDLE handle) {
    Port* port = (Port*)handle;
    return port && port->tag == PORT_TAG ? port : NULL;
}

/* Port names compare without regard to letter case, as the spooler compares them; the
 * name is plain ASCII, so no locale is involved. */
static BOOL IsOurPort(const WCHAR* name) {
    const WCHAR* ours = kPortName;
    if (!name) return FALSE;
    for (;; ++name, ++ours) {
        WCHAR a = *name, b = *ours;
        if (a >= L'a' && a <= L'z') a -= L'a' - L'A';
        if (b >= L'a' && b <= L'z') b -= L'a' - L'A';
        if (a != b) return FALSE;
        if (!a) return TRUE;
    }
}

/* Appends source to the text in buffer (capacity in characters); FALSE when it does not
 * fit, leaving buffer unchanged. */
static BOOL Append(WCHAR* buffer, DWORD capacity, const WCHAR* source) {
    DWORD length = (DWORD)lstrlenW(buffer), extra = (DWORD)lstrlenW(source);
    if (length + extra >= capacity) return FALSE;
    lstrcpynW(buffer + length, source, (int)(extra + 1));
    return TRUE;
}

static void DecimalText(DWORD value, WCHAR text[11]) {
    WCHAR reversed[10];
    int count = 0, i;
    do {
        reversed[count++] = (WCHAR)(L'0' + value % 10);
        value /= 10;
    } while (value);
    for (i = 0; i < count; ++i) text[i] = reversed[count - 1 - i];
    text[count] = 0;
}

/* Copies a string into the free tail of an EnumPorts buffer and returns where it went. */
static WCHAR* PutString(BYTE** tail, const WCHAR* text, DWORD bytes) {
    WCHAR* placed = (WCHAR*)*tail;
    lstrcpynW(placed, text, (int)(bytes / sizeof(WCHAR)));
    *tail += bytes;
    return placed;
}

/* The port functions. Their names carry a prefix because the SDK headers declare the plain
 * ones (OpenPort, WritePort, ...) for the spooler's own exports. */

static BOOL WINAPI LabelEnumPorts(HANDLE monitorHandle, LPWSTR server, DWORD level, LPBYTE ports, DWORD size,
                                  LPDWORD needed, LPDWORD returned) {
    DWORD bytes;
    BYTE* tail;
    (void)server; /* the spooler has already routed the call to this machine */
    if (!AsMonitor(monitorHandle) || !needed || !returned) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *returned = 0;
    switch (level) {
        case 1: bytes = sizeof(PORT_INFO_1W) + sizeof kPortName; break;
        case 2: bytes = sizeof(PORT_INFO_2W) + sizeof kPortName + sizeof kMonitorName + sizeof kPortDescription; break;
        default:
            *needed = 0;
            SetLastError(ERROR_INVALID_LEVEL);
            return FALSE;
    }
    *needed = bytes;
    if (!ports || size < bytes) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    /* One record, its strings right behind it. */
    if (level == 1) {
        PORT_INFO_1W* info = (PORT_INFO_1W*)ports;
        tail = ports + sizeof *info;
        info->pName = PutString(&tail, kPortName, sizeof kPortName);
    } else {
        PORT_INFO_2W* info = (PORT_INFO_2W*)ports;
        tail = ports + sizeof *info;
        info->pPortName = PutString(&tail, kPortName, sizeof kPortName);
        info->pMonitorName = PutString(&tail, kMonitorName, sizeof kMonitorName);
        info->pDescription = PutString(&tail, kPortDescription, sizeof kPortDescription);
        info->fPortType = PORT_TYPE_WRITE | PORT_TYPE_READ;
        info->Reserved = 0;
    }
    *returned = 1;
    return TRUE;
}

static BOOL WINAPI LabelOpenPort(HANDLE monitorHandle, LPWSTR name, PHANDLE portHandle) {
    Monitor* monitor = AsMonitor(monitorHandle);
    Port* port;
    if (!monitor || !portHandle) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!IsOurPort(name)) {
        SetLastError(ERROR_UNKNOWN_PORT);
        return FALSE;
    }
    port = (Port*)Allocate(sizeof *port);
    if (!port) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    port->tag = PORT_TAG;
    port->monitor = monitor;
    port->job = INVALID_HANDLE_VALUE;
    *portHandle = (HANDLE)port;
    return TRUE;
}

static BOOL WINAPI LabelStartDocPort(HANDLE portHandle, LPWSTR printerName, DWORD jobId, DWORD level, LPBYTE docInfo) {
    Port* port = AsPort(portHandle);
    WCHAR path[MAX_PATH], number[11];
    (void)level; /* the document's name and data type change nothing about the bytes */
    (void)docInfo;
    if (!port) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (port->job != INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_BUSY); /* one document at a time on a port */
        return FALSE;
    }
    /* Both folders are made when missing: Temp may be absent on a fresh system, ours is
     * absent until the first job. Job numbers start again after the spooler restarts, so a
     * later job may take the file of an old one and replaces it. */
    CreateDirectoryW(port->monitor->tempFolder, NULL);
    CreateDirectoryW(port->monitor->jobFolder, NULL);
    DecimalText(jobId, number);
    lstrcpynW(path, port->monitor->jobFolder, MAX_PATH);
    if (!Append(path, MAX_PATH, L"\\job-") || !Append(path, MAX_PATH, number) || !Append(path, MAX_PATH, L".prn")) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    port->job = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (port->job == INVALID_HANDLE_VALUE) return FALSE; /* CreateFile's error stands */
    port->jobId = jobId;
    /* Without the queue the job is still printed; it only cannot be reported done. */
    port->printer = NULL;
    if (printerName && printerName[0] && !OpenPrinterW(printerName, &port->printer, NULL)) port->printer = NULL;
    return TRUE;
}

static BOOL WINAPI LabelWritePort(HANDLE portHandle, LPBYTE buffer, DWORD size, LPDWORD written) {
    Port* port = AsPort(portHandle);
    DWORD done = 0;
    BOOL ok;
    if (written) *written = 0;
    if (!port || port->job == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ok = WriteFile(port->job, buffer, size, &done, NULL);
    if (written) *written = done;
    return ok;
}

/* The stand-in printer never answers: a read succeeds with nothing. */
static BOOL WINAPI LabelReadPort(HANDLE portHandle, LPBYTE buffer, DWORD size, LPDWORD read) {
    (void)buffer;
    (void)size;
    if (read) *read = 0;
    if (!AsPort(portHandle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

static BOOL FinishJob(Port* port) {
    BOOL closed = CloseHandle(port->job);
    port->job = INVALID_HANDLE_VALUE;
    if (port->printer) {
        /* Every byte is with the "printer" now: the spooler may let the job go. */
        SetJobW(port->printer, port->jobId, 0, NULL, JOB_CONTROL_SENT_TO_PRINTER);
        ClosePrinter(port->printer);
        port->printer = NULL;
    }
    return closed;
}

static BOOL WINAPI LabelEndDocPort(HANDLE portHandle) {
    Port* port = AsPort(portHandle);
    if (!port || port->job == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return FinishJob(port);
}

static BOOL WINAPI LabelClosePort(HANDLE portHandle) {
    Port* port = AsPort(portHandle);
    if (!port) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    /* A job still open keeps what it was given. */
    if (port->job != INVALID_HANDLE_VALUE) FinishJob(port);
    port->tag = 0;
    Release(port);
    return TRUE;
}

static VOID WINAPI LabelShutdown(HANDLE monitorHandle) {
    Monitor* monitor = AsMonitor(monitorHandle);
    if (!monitor) return;
    monitor->tag = 0;
    Release(monitor);
}

/* Entries left NULL are optional for a port monitor: it has no language-monitor OpenPortEx,
 * no ports to add, configure or delete (the one port is fixed), no transceive channel for
 * a port user interface, and no bidirectional data. */
static MONITOR2 functions = {
    0, /* cbSize: set by InitializePrintMonitor2 for the running Windows */
    LabelEnumPorts,
    LabelOpenPort,
    NULL, /* OpenPortEx */
    LabelStartDocPort,
    LabelWritePort,
    LabelReadPort,
    LabelEndDocPort,
    LabelClosePort,
    NULL, /* AddPort */
    NULL, /* AddPortEx */
    NULL, /* ConfigurePort */
    NULL, /* DeletePort */
    NULL, /* GetPrinterDataFromPort */
    NULL, /* SetPortTimeOuts */
    NULL, /* XcvOpenPort */
    NULL, /* XcvDataPort */
    NULL, /* XcvClosePort */
    LabelShutdown,
    NULL, /* SendRecvBidiDataFromPort */
    NULL, /* NotifyUsedPorts */
    NULL, /* NotifyUnusedPorts */
};

/* Windows 2000 takes only its own, shorter table; later spoolers take the table up to the
 * bidirectional entry, which is all this monitor fills. */
static DWORD TableSize(void) {
    DWORD version = GetVersion();
    BYTE major = LOBYTE(LOWORD(version)), minor = HIBYTE(LOWORD(version));
    if (major < 5 || (major == 5 && minor == 0)) return MONITOR2_SIZE_WIN2K;
    return offsetof(MONITOR2, pfnNotifyUsedPorts);
}

__declspec(dllexport) LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT init, PHANDLE monitorHandle) {
    Monitor* monitor;
    UINT length;
    if (!init || !monitorHandle) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    monitor = (Monitor*)Allocate(sizeof *monitor);
    if (!monitor) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    length = GetSystemWindowsDirectoryW(monitor->tempFolder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !Append(monitor->tempFolder, MAX_PATH, kTempFolder) ||
        !Append(monitor->jobFolder, MAX_PATH, monitor->tempFolder) ||
        !Append(monitor->jobFolder, MAX_PATH, kJobFolder)) {
        Release(monitor);
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return NULL;
    }
    monitor->tag = MONITOR_TAG;
    functions.cbSize = TableSize();
    *monitorHandle = (HANDLE)monitor;
    return &functions;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
