// Floor of `/list /format:json`: the one-run claim, one listing of the queues, and the label
// printers' name, driver and port written as the program's JSON (plain ASCII, anything else
// as \uXXXX) in one write to the standard output.
#include "floor_common.h"

static char* out;
static size_t used;

static void Put(const char* text) {
    size_t n = strlen(text);
    memcpy(out + used, text, n);
    used += n;
}

static void PutJsonString(const wchar_t* text) {
    Put("\"");
    for (; *text != L'\0'; ++text) {
        char escaped[8];
        if (*text == L'"' || *text == L'\\') {
            escaped[0] = '\\';
            escaped[1] = (char)*text;
            escaped[2] = '\0';
        } else if (*text < 0x20 || *text > 0x7E) {
            snprintf(escaped, sizeof(escaped), "\\u%04x", (unsigned)*text);
        } else {
            escaped[0] = (char)*text;
            escaped[1] = '\0';
        }
        Put(escaped);
    }
    Put("\"");
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR arguments, int show) {
    (void)instance;
    (void)previous;
    (void)arguments;
    (void)show;
    FloorLimitLibrarySearch();
    FloorClaimSingleRun();
    FloorSpooler s;
    FloorLoadSpooler(&s);
    DWORD count = 0;
    PRINTER_INFO_2W* queues = FloorListQueues(&s, &count);
    if (queues == NULL) return 1603;
    out = (char*)HeapAlloc(GetProcessHeap(), 0, 64 + (size_t)count * 6 * 1024);
    Put("[\r\n");
    int first = 1;
    for (DWORD i = 0; i < count; ++i) {
        if (!FloorIsLabelDriver(queues[i].pDriverName)) continue;
        if (!first) Put(",\r\n");
        first = 0;
        Put("  {\"name\": ");
        PutJsonString(queues[i].pPrinterName);
        Put(", \"driver\": ");
        PutJsonString(queues[i].pDriverName);
        Put(", \"port\": ");
        PutJsonString(queues[i].pPortName);
        Put("}");
    }
    Put(first ? "]\r\n" : "\r\n]\r\n");
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out, (DWORD)used, &written, NULL);
    return 0;
}
