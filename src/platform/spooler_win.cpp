#include "platform/spooler_win.h"

#include <windows.h>
#include <winspool.h>

#include "platform/handle_win.h"
#include "platform/text_win.h"

namespace prinstall {
namespace {

// The spooler's "ask for the size, allocate, call again" pattern for local printer
// enumeration at a given level. Returns 0 or the error of the call that failed.
// The last error of a failed call; never 0, so a failure is never taken for success.
DWORD failure() {
    DWORD error = GetLastError();
    return error != 0 ? error : ERROR_INVALID_FUNCTION;
}

// A UTF-16 copy of a field that can be passed as "no value" when empty.
class Field {
public:
    explicit Field(const std::string& utf8) : text_(widen(utf8)), empty_(utf8.empty()) {}
    wchar_t* get() { return empty_ ? nullptr : text_.data(); }

private:
    std::wstring text_;
    bool empty_;
};

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

std::uint32_t WinSpooler::addPrinterDriver(const DriverRecord& d) {
    Field name(d.name), environment(d.environment), driverPath(d.driverPath), dataFile(d.dataFile),
        configFile(d.configFile), helpFile(d.helpFile), monitor(d.monitorName), dataType(d.defaultDataType);
    // The dependent-file list holds zero bytes; convert it name by name.
    std::wstring dependent;
    size_t start = 0;
    while (start < d.dependentFiles.size()) {
        size_t end = d.dependentFiles.find('\0', start);
        if (end == std::string::npos) end = d.dependentFiles.size();
        if (end == start) break;
        dependent += widen(d.dependentFiles.substr(start, end - start));
        dependent += L'\0';
        start = end + 1;
    }
    dependent += L'\0';
    DRIVER_INFO_3W info = {};
    info.cVersion = d.version;
    info.pName = name.get();
    info.pEnvironment = environment.get();
    info.pDriverPath = driverPath.get();
    info.pDataFile = dataFile.get();
    info.pConfigFile = configFile.get();
    info.pHelpFile = helpFile.get();
    info.pDependentFiles = d.dependentFiles.empty() ? nullptr : dependent.data();
    info.pMonitorName = monitor.get();
    info.pDefaultDataType = dataType.get();
    return AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&info)) ? 0 : failure();
}

std::uint32_t WinSpooler::addPrinter(const PrinterRecord& p) {
    Field name(p.printerName), port(p.portName), driver(p.driverName), processor(p.printProcessor), dataType(p.dataType);
    PRINTER_INFO_2W info = {};
    info.pPrinterName = name.get();
    info.pPortName = port.get();
    info.pDriverName = driver.get();
    info.pPrintProcessor = processor.get();
    info.pDatatype = dataType.get();
    info.Attributes = p.attributes;
    PrinterHandle printer(AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info)));
    return printer ? 0 : failure();
}

std::uint32_t WinSpooler::enumMonitors(std::vector<std::string>& names) {
    names.clear();
    DWORD needed = 0, count = 0;
    if (!EnumMonitorsW(nullptr, 2, nullptr, 0, &needed, &count)) {
        DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER) return error != 0 ? error : ERROR_INVALID_FUNCTION;
    }
    std::vector<BYTE> buffer(needed + sizeof(MONITOR_INFO_2W), 0);
    if (!EnumMonitorsW(nullptr, 2, buffer.data(), needed, &needed, &count)) return failure();
    const auto* info = reinterpret_cast<const MONITOR_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) names.push_back(narrow(info[i].pName));
    return 0;
}

std::uint32_t WinSpooler::addMonitor(const std::string& name, const std::string& environment, const std::string& dll) {
    Field n(name), e(environment), d(dll);
    MONITOR_INFO_2W info = {n.get(), e.get(), d.get()};
    return AddMonitorW(nullptr, 2, reinterpret_cast<BYTE*>(&info)) ? 0 : failure();
}

namespace {

HANDLE toHandle(Spooler::Printer p) { return reinterpret_cast<HANDLE>(p); }

}  // namespace

std::uint32_t WinSpooler::openPrinter(const std::string& name, Printer& printer) {
    printer = 0;
    std::wstring n = widen(name);
    PRINTER_DEFAULTSW defaults = {const_cast<wchar_t*>(L"RAW"), nullptr, PRINTER_ALL_ACCESS};
    HANDLE h = nullptr;
    if (!OpenPrinterW(n.data(), &h, &defaults)) return failure();
    printer = reinterpret_cast<Printer>(h);
    return 0;
}

std::uint32_t WinSpooler::deletePrinterKey(Printer printer, const std::string& keyName) {
    // Not every winspool has it (Wine 8 lacks it), so it is looked up when needed.
    using DeletePrinterKeyFn = DWORD(WINAPI*)(HANDLE, LPCWSTR);
    HMODULE winspool = GetModuleHandleW(L"winspool.drv");
    auto call = winspool == nullptr ? nullptr
                                    : reinterpret_cast<DeletePrinterKeyFn>(
                                          reinterpret_cast<void*>(GetProcAddress(winspool, "DeletePrinterKeyW")));
    if (call == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    return call(toHandle(printer), widen(keyName).c_str());
}

std::uint32_t WinSpooler::getPrinter(Printer printer, PrinterInfo2& out) {
    out = {};
    DWORD needed = 0;
    if (!GetPrinterW(toHandle(printer), 2, nullptr, 0, &needed)) {
        DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER) return error != 0 ? error : ERROR_INVALID_FUNCTION;
    }
    std::vector<BYTE> buffer(needed + sizeof(PRINTER_INFO_2W), 0);
    if (!GetPrinterW(toHandle(printer), 2, buffer.data(), needed, &needed)) return failure();
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    out = {narrow(info->pPrinterName), narrow(info->pPortName), narrow(info->pDriverName)};
    return 0;
}

std::uint32_t WinSpooler::deletePrinter(Printer printer) { return DeletePrinter(toHandle(printer)) ? 0 : failure(); }

std::uint32_t WinSpooler::closePrinter(Printer printer) { return ClosePrinter(toHandle(printer)) ? 0 : failure(); }

std::uint32_t WinSpooler::deletePrinterDriver(const std::string& name) {
    std::wstring n = widen(name);
    // Wine fails for an unknown driver without setting the last error: start from a clean one.
    SetLastError(ERROR_SUCCESS);
    return DeletePrinterDriverW(nullptr, nullptr, n.data()) ? 0 : failure();
}

std::uint32_t WinSpooler::deleteMonitor(const std::string& name) {
    std::wstring n = widen(name);
    SetLastError(ERROR_SUCCESS);
    return DeleteMonitorW(nullptr, nullptr, n.data()) ? 0 : failure();
}

std::uint32_t WinSpooler::enumPorts(std::vector<std::string>& names) {
    names.clear();
    DWORD needed = 0, count = 0;
    if (!EnumPortsW(nullptr, 2, nullptr, 0, &needed, &count)) {
        DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER) return error != 0 ? error : ERROR_INVALID_FUNCTION;
    }
    std::vector<BYTE> buffer(needed + sizeof(PORT_INFO_2W), 0);
    if (!EnumPortsW(nullptr, 2, buffer.data(), needed, &needed, &count)) return failure();
    const auto* info = reinterpret_cast<const PORT_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) names.push_back(narrow(info[i].pPortName));
    return 0;
}

}  // namespace prinstall
