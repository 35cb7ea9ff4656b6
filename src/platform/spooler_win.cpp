#include "platform/spooler_win.h"

#include <windows.h>
#include <winspool.h>

#include "platform/text_win.h"

namespace prinstall {
namespace {

// The spooler's "ask for the size, allocate, call again" pattern for local printer
// enumeration at a given level. Returns 0 or the error of the call that failed.
template <DWORD Level, class Info>
DWORD enumPrinters(std::vector<BYTE>& buffer, DWORD& count) {
    DWORD needed = 0;
    count = 0;
    if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, Level, nullptr, 0, &needed, &count)) {
        DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER) return error;
    }
    buffer.assign(needed + sizeof(Info), 0);
    if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, Level, buffer.data(), needed, &needed, &count)) {
        DWORD error = GetLastError();
        count = 0;
        return error != 0 ? error : ERROR_INVALID_FUNCTION;
    }
    return 0;
}

}  // namespace

std::uint32_t WinSpooler::enumLocalPrinters(std::vector<PrinterInfo2>& out) {
    out.clear();
    std::vector<BYTE> buffer;
    DWORD count = 0;
    DWORD error = enumPrinters<2, PRINTER_INFO_2W>(buffer, count);
    if (error != 0) return error;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        out.push_back({narrow(info[i].pPrinterName), narrow(info[i].pPortName), narrow(info[i].pDriverName)});
    }
    return 0;
}

std::uint32_t WinSpooler::driverDirectory(std::string& out) {
    out.clear();
    wchar_t directory[MAX_PATH + 1] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory), sizeof(directory) - sizeof(wchar_t), &needed)) {
        DWORD error = GetLastError();
        return error != 0 ? error : ERROR_INVALID_FUNCTION;
    }
    out = narrow(directory);
    return 0;
}

}  // namespace prinstall
