// Times what the benchmark measures, the same way for the program and its floor:
//
//   bench_watch.exe [--window | --poll-memory] [--out FILE] -- COMMAND [-- COMMAND ...]
//
// Runs the command lines one after another (each a whole command line, program path first)
// with their standard output in FILE (or NUL), and prints one line:
//   ms=<from the first start to the last exit> peak_kib=<largest peak working set> title=<...>
// With --window (one command) the time runs to the moment a visible top-level window of the
// process exists (after WaitForInputIdle, then polled every millisecond); the window is then
// sent WM_CLOSE and the process awaited. Wine counts a process's memory only while it runs:
// the peak is read when the window is shown, or with --poll-memory every 2 ms until the process
// ends (which costs time: such runs are not timed). Any exit code but 0 and 3010 fails the
// measurement.
#include <windows.h>
#include <psapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

static DWORD watchedPid;
static HWND shown;

static BOOL CALLBACK FindShown(HWND window, LPARAM unused) {
    (void)unused;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == watchedPid && IsWindowVisible(window) && GetWindow(window, GW_OWNER) == NULL) {
        shown = window;
        return FALSE;
    }
    return TRUE;
}

static SIZE_T PeakOf(HANDLE process, SIZE_T peak) {
    PROCESS_MEMORY_COUNTERS memory;
    ZeroMemory(&memory, sizeof(memory));
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(process, &memory, sizeof(memory)) && memory.PeakWorkingSetSize > peak)
        return memory.PeakWorkingSetSize;
    return peak;
}

int wmain(int argc, wchar_t** argv) {
    int window = 0, pollMemory = 0, first = 1;
    const wchar_t* outPath = L"NUL";
    while (first < argc && wcscmp(argv[first], L"--") != 0) {
        if (wcscmp(argv[first], L"--window") == 0) window = 1;
        if (wcscmp(argv[first], L"--poll-memory") == 0) pollMemory = 1;
        if (wcscmp(argv[first], L"--out") == 0 && first + 1 < argc) outPath = argv[++first];
        ++first;
    }
    if (first >= argc - 1) {
        fprintf(stderr, "usage: bench_watch.exe [--window | --poll-memory] [--out FILE] -- COMMAND [-- COMMAND ...]\n");
        return 2;
    }
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    HANDLE out = CreateFileW(outPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
    if (out == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "cannot open %ls\n", outPath);
        return 2;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    SIZE_T peak = 0;
    wchar_t title[256] = L"";
    QueryPerformanceCounter(&start);
    end = start;
    for (int i = first; i < argc; ++i) {
        if (wcscmp(argv[i], L"--") != 0 || i + 1 >= argc) continue;
        wchar_t* command = _wcsdup(argv[i + 1]);
        STARTUPINFOW startup;
        ZeroMemory(&startup, sizeof(startup));
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = out;
        startup.hStdError = out;
        PROCESS_INFORMATION process;
        if (!CreateProcessW(NULL, command, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process)) {
            fprintf(stderr, "cannot start %ls (%lu)\n", command, GetLastError());
            return 1;
        }
        if (window) {
            WaitForInputIdle(process.hProcess, 20000);
            watchedPid = process.dwProcessId;
            for (int waited = 0; shown == NULL && waited < 20000; ++waited) {
                EnumWindows(FindShown, 0);
                if (shown == NULL) Sleep(1);
            }
            QueryPerformanceCounter(&end);
            if (shown == NULL) {
                fprintf(stderr, "no window shown by %ls\n", command);
                TerminateProcess(process.hProcess, 1);
                return 1;
            }
            GetWindowTextW(shown, title, 256);
            // Wine counts the memory of a process only while it runs.
            peak = PeakOf(process.hProcess, peak);
            PostMessageW(shown, WM_CLOSE, 0, 0);
        }
        if (pollMemory) {
            while (WaitForSingleObject(process.hProcess, 2) == WAIT_TIMEOUT) peak = PeakOf(process.hProcess, peak);
        } else {
            WaitForSingleObject(process.hProcess, INFINITE);
        }
        if (!window) QueryPerformanceCounter(&end);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        peak = PeakOf(process.hProcess, peak);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        if (code != 0 && code != 3010) {
            fprintf(stderr, "%ls ended with %lu\n", command, code);
            return 1;
        }
        free(command);
    }
    CloseHandle(out);
    double ms = (double)(end.QuadPart - start.QuadPart) * 1000.0 / (double)frequency.QuadPart;
    printf("ms=%.2f peak_kib=%lu title=%ls\n", ms, (unsigned long)(peak / 1024), title);
    return 0;
}
