/* The user-interface module of the label printer's port monitor, as a stand-in.
 *
 * A real one is what the Ports page of the printer properties loads: its AddPortUI,
 * ConfigurePortUI and DeletePortUI show the dialogs for adding, setting up and removing
 * ports of the monitor, and hand what the user chose to the monitor itself through the
 * spooler's transceive channel (XcvData). The label printer's one port is fixed, so there
 * is nothing to add or set up: every function declines with ERROR_NOT_SUPPORTED.
 *
 * Built by build-media.sh with -DSTANDIN_MARKER="..." like every stand-in module, without
 * a C runtime.
 */
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#ifndef STANDIN_MARKER
#error "build-media.sh defines STANDIN_MARKER"
#endif

/* volatile keeps the text in the file even though nothing in here reads it. */
__declspec(dllexport) const volatile char standInMarker[] = STANDIN_MARKER;

__declspec(dllexport) const char* __cdecl StandInIdentity(void) { return (const char*)standInMarker; }

static BOOL WINAPI LabelAddPortUI(PCWSTR server, HWND owner, PCWSTR monitorName, PWSTR* portName) {
    (void)server;
    (void)owner;
    (void)monitorName;
    if (portName) *portName = NULL;
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

static BOOL WINAPI LabelConfigurePortUI(PCWSTR server, HWND owner, PCWSTR portName) {
    (void)server;
    (void)owner;
    (void)portName;
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

static BOOL WINAPI LabelDeletePortUI(PCWSTR server, HWND owner, PCWSTR portName) {
    (void)server;
    (void)owner;
    (void)portName;
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

static MONITORUI functions = {sizeof(MONITORUI), LabelAddPortUI, LabelConfigurePortUI, LabelDeletePortUI};

__declspec(dllexport) PMONITORUI WINAPI InitializePrintMonitorUI(VOID) { return &functions; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
