#include "platform/spooler_win.h"

#include <windows.h>
#include <winspool.h>

#include "platform/handle_win.h"
#include "platform/text_win.h"

namespace prinstall {
namespace {

// The spooler's functions, from WINSPOOL.DRV of the system folder. The program runs elevated
// from a folder ordinary users can write to, and WINSPOOL.DRV is not a known DLL: a static
// import would let a file of that name beside the program run with the program's rights.
// A function this system lacks stays null; the call that needs it then fails with 127.
struct Winspool {
    decltype(&EnumPrintersW) enumPrinters = nullptr;
    decltype(&GetPrinterDriverDirectoryW) getPrinterDriverDirectory = nullptr;
    decltype(&EnumPrinterDriversW) enumPrinterDrivers = nullptr;
    decltype(&AddPrinterDriverW) addPrinterDriver = nullptr;
    decltype(&AddPrinterW) addPrinter = nullptr;
    decltype(&ClosePrinter) closePrinter = nullptr;
    decltype(&EnumMonitorsW) enumMonitors = nullptr;
    decltype(&AddMonitorW) addMonitor = nullptr;
    decltype(&EnumPortsW) enumPorts = nullptr;
    decltype(&OpenPrinterW) openPrinter = nullptr;
    // Not in every winspool (Wine 8 lacks it): its absence is answered with 120, not 127.
    DWORD(WINAPI* deletePrinterKey)(HANDLE, LPCWSTR) = nullptr;
    decltype(&GetPrinterW) getPrinter = nullptr;
    decltype(&SetPrinterW) setPrinter = nullptr;
    decltype(&DeletePrinter) deletePrinter = nullptr;
    decltype(&DeletePrinterDriverW) deletePrinterDriver = nullptr;
    decltype(&DeleteMonitorW) deleteMonitor = nullptr;
};

template <class Function>
void resolve(HMODULE library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

Winspool load() {
    Winspool w;
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return w;
    // Loaded for the life of the process: handles and enumerations outlive any one call.
    HMODULE library = LoadLibraryExW((std::wstring(folder) + L"\\winspool.drv").c_str(), nullptr, 0);
    if (library == nullptr) return w;
    resolve(library, "EnumPrintersW", w.enumPrinters);
    resolve(library, "GetPrinterDriverDirectoryW", w.getPrinterDriverDirectory);
    resolve(library, "EnumPrinterDriversW", w.enumPrinterDrivers);
    resolve(library, "AddPrinterDriverW", w.addPrinterDriver);
    resolve(library, "AddPrinterW", w.addPrinter);
    resolve(library, "ClosePrinter", w.closePrinter);
    resolve(library, "EnumMonitorsW", w.enumMonitors);
    resolve(library, "AddMonitorW", w.addMonitor);
    resolve(library, "EnumPortsW", w.enumPorts);
    resolve(library, "OpenPrinterW", w.openPrinter);
    resolve(library, "DeletePrinterKeyW", w.deletePrinterKey);
    resolve(library, "GetPrinterW", w.getPrinter);
    resolve(library, "SetPrinterW", w.setPrinter);
    resolve(library, "DeletePrinter", w.deletePrinter);
    resolve(library, "DeletePrinterDriverW", w.deletePrinterDriver);
    resolve(library, "DeleteMonitorW", w.deleteMonitor);
    return w;
}

const Winspool& winspool() {
    static const Winspool functions = load();
    return functions;
}

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

// The spooler's "ask for the size, allocate, call again" pattern: `call(buffer, size,
// &needed)` is one call of the enumeration or query. The buffer has room for at least one
// record of type Info, so an empty answer still reads as zeros. Returns 0 or the error.
template <class Info, class Call>
DWORD sizeThenFill(std::vector<BYTE>& buffer, Call call) {
    DWORD needed = 0;
    if (!call(nullptr, 0, &needed)) {
        DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER) return error != 0 ? error : ERROR_INVALID_FUNCTION;
    }
    buffer.assign(needed + sizeof(Info), 0);
    return call(buffer.data(), needed, &needed) ? 0 : failure();
}

HANDLE toHandle(Spooler::Printer p) { return reinterpret_cast<HANDLE>(p); }

}  // namespace

BOOL closePrinterHandle(HANDLE printer) {
    if (winspool().closePrinter == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }
    return winspool().closePrinter(printer);
}

std::uint32_t WinSpooler::enumLocalPrinters(std::vector<PrinterInfo2>& out) {
    out.clear();
    auto call = winspool().enumPrinters;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    std::vector<BYTE> buffer;
    DWORD count = 0;
    DWORD error = sizeThenFill<PRINTER_INFO_2W>(buffer, [&](BYTE* data, DWORD size, DWORD* needed) {
        return call(PRINTER_ENUM_LOCAL, nullptr, 2, data, size, needed, &count);
    });
    if (error != 0) return error;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        out.push_back({narrow(info[i].pPrinterName), narrow(info[i].pPortName), narrow(info[i].pDriverName)});
    }
    return 0;
}

std::uint32_t WinSpooler::driverDirectory(const std::string& environment, std::string& out) {
    out.clear();
    auto call = winspool().getPrinterDriverDirectory;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    Field env(environment);
    wchar_t directory[MAX_PATH + 1] = {};
    DWORD needed = 0;
    if (!call(nullptr, env.get(), 1, reinterpret_cast<BYTE*>(directory), sizeof(directory) - sizeof(wchar_t), &needed))
        return failure();
    out = narrow(directory);
    return 0;
}

std::uint32_t WinSpooler::enumPrinterDrivers(const std::string& environment, std::vector<std::string>& names) {
    names.clear();
    auto call = winspool().enumPrinterDrivers;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    Field env(environment);
    std::vector<BYTE> buffer;
    DWORD count = 0;
    DWORD error = sizeThenFill<DRIVER_INFO_1W>(buffer, [&](BYTE* data, DWORD size, DWORD* needed) {
        return call(nullptr, env.get(), 1, data, size, needed, &count);
    });
    if (error != 0) return error;
    const auto* info = reinterpret_cast<const DRIVER_INFO_1W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) names.push_back(narrow(info[i].pName));
    return 0;
}

std::uint32_t WinSpooler::addPrinterDriver(const DriverRecord& d) {
    auto call = winspool().addPrinterDriver;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
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
    return call(nullptr, 3, reinterpret_cast<BYTE*>(&info)) ? 0 : failure();
}

std::uint32_t WinSpooler::addPrinter(const PrinterRecord& p) {
    auto call = winspool().addPrinter;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    Field name(p.printerName), port(p.portName), driver(p.driverName), processor(p.printProcessor),
        dataType(p.dataType);
    PRINTER_INFO_2W info = {};
    info.pPrinterName = name.get();
    info.pPortName = port.get();
    info.pDriverName = driver.get();
    info.pPrintProcessor = processor.get();
    info.pDatatype = dataType.get();
    info.Attributes = p.attributes;
    PrinterHandle printer(call(nullptr, 2, reinterpret_cast<BYTE*>(&info)));
    return printer ? 0 : failure();
}

std::uint32_t WinSpooler::enumMonitors(std::vector<std::string>& names) {
    names.clear();
    auto call = winspool().enumMonitors;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    std::vector<BYTE> buffer;
    DWORD count = 0;
    DWORD error = sizeThenFill<MONITOR_INFO_2W>(
        buffer, [&](BYTE* data, DWORD size, DWORD* needed) { return call(nullptr, 2, data, size, needed, &count); });
    if (error != 0) return error;
    const auto* info = reinterpret_cast<const MONITOR_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) names.push_back(narrow(info[i].pName));
    return 0;
}

std::uint32_t WinSpooler::addMonitor(const std::string& name, const std::string& environment, const std::string& dll) {
    auto call = winspool().addMonitor;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    Field n(name), e(environment), d(dll);
    MONITOR_INFO_2W info = {n.get(), e.get(), d.get()};
    return call(nullptr, 2, reinterpret_cast<BYTE*>(&info)) ? 0 : failure();
}

std::uint32_t WinSpooler::enumPorts(std::vector<std::string>& names) {
    names.clear();
    auto call = winspool().enumPorts;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    std::vector<BYTE> buffer;
    DWORD count = 0;
    DWORD error = sizeThenFill<PORT_INFO_2W>(
        buffer, [&](BYTE* data, DWORD size, DWORD* needed) { return call(nullptr, 2, data, size, needed, &count); });
    if (error != 0) return error;
    const auto* info = reinterpret_cast<const PORT_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) names.push_back(narrow(info[i].pPortName));
    return 0;
}

std::uint32_t WinSpooler::openPrinter(const std::string& name, Printer& printer) {
    printer = 0;
    auto call = winspool().openPrinter;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    std::wstring n = widen(name);
    PRINTER_DEFAULTSW defaults = {const_cast<wchar_t*>(L"RAW"), nullptr, PRINTER_ALL_ACCESS};
    HANDLE h = nullptr;
    if (!call(n.data(), &h, &defaults)) return failure();
    printer = reinterpret_cast<Printer>(h);
    return 0;
}

std::uint32_t WinSpooler::deletePrinterKey(Printer printer, const std::string& keyName) {
    auto call = winspool().deletePrinterKey;
    if (call == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    return call(toHandle(printer), widen(keyName).c_str());
}

namespace {

// The queue's level-2 record as the spooler gives it, in `buffer`.
DWORD readPrinter2(HANDLE printer, std::vector<BYTE>& buffer) {
    auto call = winspool().getPrinter;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    return sizeThenFill<PRINTER_INFO_2W>(
        buffer, [&](BYTE* data, DWORD size, DWORD* needed) { return call(printer, 2, data, size, needed); });
}

}  // namespace

std::uint32_t WinSpooler::getPrinter(Printer printer, PrinterInfo2& out) {
    out = {};
    std::vector<BYTE> buffer;
    DWORD error = readPrinter2(toHandle(printer), buffer);
    if (error != 0) return error;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    out = {narrow(info->pPrinterName), narrow(info->pPortName), narrow(info->pDriverName)};
    return 0;
}

std::uint32_t WinSpooler::setPrinterPort(Printer printer, const std::string& port) {
    auto call = winspool().setPrinter;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    std::vector<BYTE> buffer;
    DWORD error = readPrinter2(toHandle(printer), buffer);
    if (error != 0) return error;
    std::wstring portName = widen(port);
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
    info->pPortName = portName.data();
    // NULL leaves the queue's security as it is; writing back the descriptor just read would
    // need rights to change it. The device mode goes back as read: it stays the same.
    info->pSecurityDescriptor = nullptr;
    return call(toHandle(printer), 2, buffer.data(), 0) ? 0 : failure();
}

std::uint32_t WinSpooler::deletePrinter(Printer printer) {
    auto call = winspool().deletePrinter;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    return call(toHandle(printer)) ? 0 : failure();
}

std::uint32_t WinSpooler::closePrinter(Printer printer) {
    return closePrinterHandle(toHandle(printer)) ? 0 : failure();
}

std::uint32_t WinSpooler::deletePrinterDriver(const std::string& name, const std::string& environment) {
    auto call = winspool().deletePrinterDriver;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    std::wstring n = widen(name);
    Field env(environment);
    // Wine fails for an unknown driver without setting the last error: start from a clean one.
    SetLastError(ERROR_SUCCESS);
    return call(nullptr, env.get(), n.data()) ? 0 : failure();
}

std::uint32_t WinSpooler::deleteMonitor(const std::string& name, const std::string& environment) {
    auto call = winspool().deleteMonitor;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    std::wstring n = widen(name);
    Field env(environment);
    SetLastError(ERROR_SUCCESS);
    return call(nullptr, env.get(), n.data()) ? 0 : failure();
}

}  // namespace prinstall
