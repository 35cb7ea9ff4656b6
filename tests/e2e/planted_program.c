/* A program that someone without administrator rights could leave beside Prinstall.exe under
 * the name of a system program (rundll32.exe, net.exe, cmd.exe). Started at all, it adds its
 * own path to "planted-program-ran.txt" beside itself, which is all the test looks for. */
#include <windows.h>

int main(void) {
    wchar_t path[MAX_PATH + 32];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    DWORD folder = length;
    while (folder > 0 && path[folder - 1] != L'\\') --folder;
    wchar_t marker[MAX_PATH + 32];
    lstrcpynW(marker, path, (int)folder + 1);
    lstrcatW(marker, L"planted-program-ran.txt");
    HANDLE file =
        CreateFileW(marker, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        path[length] = L'\n';
        WriteFile(file, path, (length + 1) * sizeof(wchar_t), &written, NULL);
        CloseHandle(file);
    }
    return 0;
}
