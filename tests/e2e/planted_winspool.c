/* A WINSPOOL.DRV that someone without administrator rights could leave beside Prinstall.exe.
 * It exports nothing; loaded into a process at all, it leaves the file
 * "planted-library-ran.txt" beside itself, which is all the test looks for. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 32];
        DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
        while (length > 0 && path[length - 1] != L'\\') --length;
        lstrcpyW(path + length, L"planted-library-ran.txt");
        HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    }
    return TRUE;
}
