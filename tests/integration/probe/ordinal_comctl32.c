/* A stand-in for a comctl32 before version 6: the three subclass functions under ordinals
   410, 412 and 413 without names, and a DllGetVersion that answers the version the file was
   built for (COMCTL_MAJOR.COMCTL_MINOR). The functions are only looked up, never called. */
#include <windows.h>
#include <shlwapi.h>

void StandInSetWindowSubclass(void) {}
void StandInRemoveWindowSubclass(void) {}
void StandInDefSubclassProc(void) {}

HRESULT WINAPI DllGetVersion(DLLVERSIONINFO* info) {
    if (info == NULL || info->cbSize < sizeof(DLLVERSIONINFO)) return E_INVALIDARG;
    info->dwMajorVersion = COMCTL_MAJOR;
    info->dwMinorVersion = COMCTL_MINOR;
    info->dwBuildNumber = 0;
    info->dwPlatformID = DLLVER_PLATFORM_NT;
    return S_OK;
}
