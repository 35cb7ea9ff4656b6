/* One source for every stand-in module of the installation media.
 *
 * The installer only copies, renames and registers these files; the spooler under Wine
 * loads the driver's configuration module into the calling process. So each module is a
 * real DLL of the right bitness that does nothing, and carries a marker text naming its
 * role, folder and language, so that a test can tell which file ended up where (grep the
 * bytes, or call StandInIdentity).
 *
 * Built by build-media.sh with -DSTANDIN_MARKER="..." and, for configuration modules,
 * -DSTANDIN_CONFIG_MODULE. No C runtime: the entry point is DllMain itself.
 */
#include <windows.h>

#ifndef STANDIN_MARKER
#error "build-media.sh defines STANDIN_MARKER"
#endif

/* volatile keeps the text in the file even though nothing in here reads it. */
__declspec(dllexport) const volatile char standInMarker[] = STANDIN_MARKER;

__declspec(dllexport) const char* __cdecl StandInIdentity(void) { return (const char*)standInMarker; }

#ifdef STANDIN_CONFIG_MODULE
/* A spooler loads the driver's configuration module when a queue is created and asks it
 * for the document properties; a module without this export brings the caller down under
 * Wine. Failure (-1) makes the spooler fall back to its own defaults. */
__declspec(dllexport) LONG WINAPI DrvDocumentPropertySheets(void* propertySheetInfo, LPARAM param) {
    (void)propertySheetInfo;
    (void)param;
    SetLastError(ERROR_NOT_SUPPORTED);
    return -1;
}

/* Told about driver installation and removal; nothing to do, and saying so succeeds. */
__declspec(dllexport) BOOL WINAPI DrvDriverEvent(DWORD event, DWORD level, LPBYTE driverInfo, LPARAM param) {
    (void)event;
    (void)level;
    (void)driverInfo;
    (void)param;
    return TRUE;
}
#endif

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
