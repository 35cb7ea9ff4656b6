#include "platform/spooler_win.h"

#include <windows.h>
#include <winspool.h>

#include "platform/basic_win.h"
#include "platform/handle_win.h"
#include "platform/size_then_fill.h"
#include "platform/system_export_win.h"
#include "platform/system_library_win.h"
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
    // Looked up like the rest; a winspool without it is answered with 120, and the callers
    // then make the port through the registry.
    decltype(&XcvDataW) xcvData = nullptr;
};

Winspool LoadWinspool() {
    Winspool w;
    // Loaded for the life of the process: handles and enumerations outlive any one call.
    HMODULE library = LoadSystemLibrary(L"winspool.drv");
    if (library == nullptr) return w;
    ResolveExport(library, "EnumPrintersW", w.enumPrinters);
    ResolveExport(library, "GetPrinterDriverDirectoryW", w.getPrinterDriverDirectory);
    ResolveExport(library, "EnumPrinterDriversW", w.enumPrinterDrivers);
    ResolveExport(library, "AddPrinterDriverW", w.addPrinterDriver);
    ResolveExport(library, "AddPrinterW", w.addPrinter);
    ResolveExport(library, "ClosePrinter", w.closePrinter);
    ResolveExport(library, "EnumMonitorsW", w.enumMonitors);
    ResolveExport(library, "AddMonitorW", w.addMonitor);
    ResolveExport(library, "EnumPortsW", w.enumPorts);
    ResolveExport(library, "OpenPrinterW", w.openPrinter);
    ResolveExport(library, "DeletePrinterKeyW", w.deletePrinterKey);
    ResolveExport(library, "GetPrinterW", w.getPrinter);
    ResolveExport(library, "SetPrinterW", w.setPrinter);
    ResolveExport(library, "DeletePrinter", w.deletePrinter);
    ResolveExport(library, "DeletePrinterDriverW", w.deletePrinterDriver);
    ResolveExport(library, "DeleteMonitorW", w.deleteMonitor);
    ResolveExport(library, "XcvDataW", w.xcvData);
    return w;
}

const Winspool& WinspoolApi() {
    static const Winspool functions = LoadWinspool();
    return functions;
}

// The last error of a failed call; never 0, so a failure is never taken for success.
DWORD Failure() {
    DWORD error = GetLastError();
    return error != 0 ? error : ERROR_INVALID_FUNCTION;
}

// A UTF-16 copy of a field that can be passed as "no value" when empty.
class Field {
public:
    explicit Field(const std::string& utf8) : text_(Widen(utf8)), empty_(utf8.empty()) {}
    wchar_t* Get() { return empty_ ? nullptr : text_.data(); }

private:
    std::wstring text_;
    bool empty_;
};

// The spooler's "ask for the size, allocate, call again" pattern (platform/size_then_fill.h):
// `call(buffer, size, &needed)` is one call of the enumeration or query. The buffer has room
// for at least one record of type Info beyond the answer, so an empty answer still reads as
// zeros. Returns 0 or the error.
template <class Info, class Call>
DWORD FillListing(std::vector<BYTE>& buffer, Call call) {
    return SizeThenFill(buffer, sizeof(Info), [&](BYTE* data, std::uint32_t size, std::uint32_t& needed) {
        DWORD n = 0;
        const BOOL ok = call(data, size, &n);
        // Read before anything else can touch the last error.
        const DWORD error = ok ? 0 : Failure();
        needed = n;
        // A listing that failed otherwise is asked again from the start: a moment later, so
        // that a queue another program is adding or deleting just then is settled.
        if (error != 0 && error != ERROR_INSUFFICIENT_BUFFER) Sleep(kListingRetryPauseMs);
        return static_cast<std::uint32_t>(error);
    });
}

// The one name field of every record of a size-then-fill enumeration; `call` is the
// enumeration with its buffer, size, needed and count arguments last.
template <class Info, class Call>
DWORD ListNames(std::vector<std::string>& names, LPWSTR Info::*field, Call call) {
    std::vector<BYTE> buffer;
    DWORD count = 0;
    DWORD error = FillListing<Info>(
        buffer, [&](BYTE* data, DWORD size, DWORD* needed) { return call(data, size, needed, &count); });
    if (error != 0) return error;
    const auto* info = reinterpret_cast<const Info*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) names.push_back(Narrow(info[i].*field));
    return 0;
}

HANDLE ToHandle(Spooler::Printer p) { return reinterpret_cast<HANDLE>(p); }

// The environment of the machine's own processor. No call goes without one: given none, the
// spooler takes the caller's, "Windows NT x86" for this 32-bit program, also where the queues
// take their drivers from "Windows x64" or "Windows ARM64".
std::string NativeEnvironmentOf(WinSystemInfo& system) {
    if (system.NativeMachine() == kMachineArm64) return kEnvironmentArm64;
    switch (system.NativeArchitecture()) {
        case kArchitectureX64: return kEnvironmentX64;
        case kArchitectureItanium: return kEnvironmentIa64;
        case PROCESSOR_ARCHITECTURE_ARM64: return kEnvironmentArm64;
        default: return kEnvironmentX86;
    }
}

std::string EnvironmentOrNative(const std::string& environment) {
    if (!environment.empty()) return environment;
    static const std::string native = [] {
        WinSystemInfo system;
        return NativeEnvironmentOf(system);
    }();
    return native;
}

}  // namespace

BOOL ClosePrinterHandle(HANDLE printer) {
    if (WinspoolApi().closePrinter == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }
    return WinspoolApi().closePrinter(printer);
}

namespace {

// The queues EnumPrintersW lists at level 2 for `flags` (local queues, or the user's
// connections), with the name, port and driver of each.
DWORD ListPrinters2(DWORD flags, std::vector<PrinterInfo2>& out) {
    out.clear();
    auto call = WinspoolApi().enumPrinters;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    std::vector<BYTE> buffer;
    DWORD count = 0;
    DWORD error = FillListing<PRINTER_INFO_2W>(buffer, [&](BYTE* data, DWORD size, DWORD* needed) {
        return call(flags, nullptr, 2, data, size, needed, &count);
    });
    if (error != 0) return error;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        out.push_back({Narrow(info[i].pPrinterName), Narrow(info[i].pPortName), Narrow(info[i].pDriverName)});
    }
    return 0;
}

// A zero-separated list of names ended by an empty one, as UTF-8 with the same separators;
// null gives the empty text.
std::string NarrowNameList(const wchar_t* names) {
    std::string list;
    if (names == nullptr) return list;
    for (const wchar_t* name = names; *name != L'\0'; name += wcslen(name) + 1) list += Narrow(name) + '\0';
    if (!list.empty()) list += '\0';
    return list;
}

}  // namespace

std::uint32_t WinSpooler::ListLocalPrinters(std::vector<PrinterInfo2>& out) {
    return ListPrinters2(PRINTER_ENUM_LOCAL, out);
}

std::uint32_t WinSpooler::ListConnections(std::vector<PrinterInfo2>& out) {
    return ListPrinters2(PRINTER_ENUM_CONNECTIONS, out);
}

std::uint32_t WinSpooler::DriverDirectory(const std::string& environment, std::string& out) {
    out.clear();
    auto call = WinspoolApi().getPrinterDriverDirectory;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    Field env(EnvironmentOrNative(environment));
    wchar_t directory[MAX_PATH + 1] = {};
    DWORD needed = 0;
    if (!call(nullptr, env.Get(), 1, reinterpret_cast<BYTE*>(directory), sizeof(directory) - sizeof(wchar_t), &needed))
        return Failure();
    out = Narrow(directory);
    return 0;
}

std::uint32_t WinSpooler::ListDrivers(const std::string& environment, std::vector<std::string>& names) {
    names.clear();
    auto call = WinspoolApi().enumPrinterDrivers;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    Field env(EnvironmentOrNative(environment));
    return ListNames(names, &DRIVER_INFO_1W::pName, [&](BYTE* data, DWORD size, DWORD* needed, DWORD* count) {
        return call(nullptr, env.Get(), 1, data, size, needed, count);
    });
}

std::uint32_t WinSpooler::ListDriverRecords(const std::string& environment, std::vector<DriverRecord>& out) {
    out.clear();
    auto call = WinspoolApi().enumPrinterDrivers;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    Field env(EnvironmentOrNative(environment));
    std::vector<BYTE> buffer;
    DWORD count = 0;
    DWORD error = FillListing<DRIVER_INFO_3W>(buffer, [&](BYTE* data, DWORD size, DWORD* needed) {
        return call(nullptr, env.Get(), 3, data, size, needed, &count);
    });
    if (error != 0) return error;
    const auto* info = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        DriverRecord d;
        d.version = info[i].cVersion;
        d.name = Narrow(info[i].pName);
        d.environment = Narrow(info[i].pEnvironment);
        d.driverPath = Narrow(info[i].pDriverPath);
        d.dataFile = Narrow(info[i].pDataFile);
        d.configFile = Narrow(info[i].pConfigFile);
        d.helpFile = Narrow(info[i].pHelpFile);
        d.dependentFiles = NarrowNameList(info[i].pDependentFiles);
        d.monitorName = Narrow(info[i].pMonitorName);
        d.defaultDataType = Narrow(info[i].pDefaultDataType);
        out.push_back(std::move(d));
    }
    return 0;
}

std::uint32_t WinSpooler::RegisterDriver(const DriverRecord& d) {
    auto call = WinspoolApi().addPrinterDriver;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    Field name(d.name), environment(EnvironmentOrNative(d.environment)), driverPath(d.driverPath), dataFile(d.dataFile),
        configFile(d.configFile), helpFile(d.helpFile), monitor(d.monitorName), dataType(d.defaultDataType);
    // The dependent-file list holds zero bytes; convert it name by name.
    std::wstring dependent;
    for (const std::string& file : d.DependentFileNames()) dependent += Widen(file) + L'\0';
    dependent += L'\0';
    DRIVER_INFO_3W info = {};
    info.cVersion = d.version;
    info.pName = name.Get();
    info.pEnvironment = environment.Get();
    info.pDriverPath = driverPath.Get();
    info.pDataFile = dataFile.Get();
    info.pConfigFile = configFile.Get();
    info.pHelpFile = helpFile.Get();
    info.pDependentFiles = d.dependentFiles.empty() ? nullptr : dependent.data();
    info.pMonitorName = monitor.Get();
    info.pDefaultDataType = dataType.Get();
    return call(nullptr, 3, reinterpret_cast<BYTE*>(&info)) ? 0 : Failure();
}

std::uint32_t WinSpooler::CreatePrinter(const PrinterRecord& p) {
    auto call = WinspoolApi().addPrinter;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    Field name(p.printerName), port(p.portName), driver(p.driverName), processor(p.printProcessor),
        dataType(p.dataType);
    PRINTER_INFO_2W info = {};
    info.pPrinterName = name.Get();
    info.pPortName = port.Get();
    info.pDriverName = driver.Get();
    info.pPrintProcessor = processor.Get();
    info.pDatatype = dataType.Get();
    info.Attributes = p.attributes;
    PrinterHandle printer(call(nullptr, 2, reinterpret_cast<BYTE*>(&info)));
    return printer ? 0 : Failure();
}

std::uint32_t WinSpooler::ListMonitors(std::vector<std::string>& names) {
    names.clear();
    auto call = WinspoolApi().enumMonitors;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    return ListNames(names, &MONITOR_INFO_2W::pName, [&](BYTE* data, DWORD size, DWORD* needed, DWORD* count) {
        return call(nullptr, 2, data, size, needed, count);
    });
}

std::uint32_t WinSpooler::ListMonitorModules(std::vector<MonitorModule>& out) {
    out.clear();
    auto call = WinspoolApi().enumMonitors;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    std::vector<BYTE> buffer;
    DWORD count = 0;
    DWORD error = FillListing<MONITOR_INFO_2W>(
        buffer, [&](BYTE* data, DWORD size, DWORD* needed) { return call(nullptr, 2, data, size, needed, &count); });
    if (error != 0) return error;
    const auto* info = reinterpret_cast<const MONITOR_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) out.push_back({Narrow(info[i].pName), Narrow(info[i].pDLLName)});
    return 0;
}

std::uint32_t WinSpooler::RegisterMonitor(const std::string& name, const std::string& environment,
                                          const std::string& dll) {
    auto call = WinspoolApi().addMonitor;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    Field n(name), e(EnvironmentOrNative(environment)), d(dll);
    MONITOR_INFO_2W info = {n.Get(), e.Get(), d.Get()};
    return call(nullptr, 2, reinterpret_cast<BYTE*>(&info)) ? 0 : Failure();
}

std::uint32_t WinSpooler::ListPorts(std::vector<std::string>& names) {
    names.clear();
    auto call = WinspoolApi().enumPorts;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    return ListNames(names, &PORT_INFO_2W::pPortName, [&](BYTE* data, DWORD size, DWORD* needed, DWORD* count) {
        return call(nullptr, 2, data, size, needed, count);
    });
}

std::uint32_t WinSpooler::OpenLocalPrinter(const std::string& name, Printer& printer) {
    printer = 0;
    auto call = WinspoolApi().openPrinter;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    std::wstring n = Widen(name);
    PRINTER_DEFAULTSW defaults = {const_cast<wchar_t*>(L"RAW"), nullptr, PRINTER_ALL_ACCESS};
    HANDLE h = nullptr;
    if (!call(n.data(), &h, &defaults)) return Failure();
    printer = reinterpret_cast<Printer>(h);
    return 0;
}

std::uint32_t WinSpooler::DeletePrinterDataKey(Printer printer, const std::string& keyName) {
    auto call = WinspoolApi().deletePrinterKey;
    if (call == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    return call(ToHandle(printer), Widen(keyName).c_str());
}

namespace {

// The queue's level-2 record as the spooler gives it, in `buffer`.
DWORD ReadPrinter2(HANDLE printer, std::vector<BYTE>& buffer) {
    auto call = WinspoolApi().getPrinter;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    return FillListing<PRINTER_INFO_2W>(
        buffer, [&](BYTE* data, DWORD size, DWORD* needed) { return call(printer, 2, data, size, needed); });
}

}  // namespace

std::uint32_t WinSpooler::GetPrinterInfo(Printer printer, PrinterInfo2& out) {
    out = {};
    std::vector<BYTE> buffer;
    DWORD error = ReadPrinter2(ToHandle(printer), buffer);
    if (error != 0) return error;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    out = {Narrow(info->pPrinterName), Narrow(info->pPortName), Narrow(info->pDriverName)};
    return 0;
}

std::uint32_t WinSpooler::SetPrinterPort(Printer printer, const std::string& port) {
    auto call = WinspoolApi().setPrinter;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    std::vector<BYTE> buffer;
    DWORD error = ReadPrinter2(ToHandle(printer), buffer);
    if (error != 0) return error;
    std::wstring portName = Widen(port);
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
    info->pPortName = portName.data();
    // NULL leaves the queue's security as it is; writing back the descriptor just read would
    // need rights to change it. The device mode goes back as read: it stays the same.
    info->pSecurityDescriptor = nullptr;
    return call(ToHandle(printer), 2, buffer.data(), 0) ? 0 : Failure();
}

std::uint32_t WinSpooler::DeletePrinter(Printer printer) {
    auto call = WinspoolApi().deletePrinter;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    return call(ToHandle(printer)) ? 0 : Failure();
}

std::uint32_t WinSpooler::ClosePrinter(Printer printer) {
    return ClosePrinterHandle(ToHandle(printer)) ? 0 : Failure();
}

std::uint32_t WinSpooler::RemoveDriver(const std::string& name, const std::string& environment) {
    auto call = WinspoolApi().deletePrinterDriver;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    std::wstring n = Widen(name);
    Field env(EnvironmentOrNative(environment));
    // Wine fails for an unknown driver without setting the last error: start from a clean one.
    SetLastError(ERROR_SUCCESS);
    return call(nullptr, env.Get(), n.data()) ? 0 : Failure();
}

std::uint32_t WinSpooler::RemoveMonitor(const std::string& name, const std::string& environment) {
    auto call = WinspoolApi().deleteMonitor;
    if (call == nullptr) return ERROR_PROC_NOT_FOUND;
    std::wstring n = Widen(name);
    Field env(EnvironmentOrNative(environment));
    SetLastError(ERROR_SUCCESS);
    return call(nullptr, env.Get(), n.data()) ? 0 : Failure();
}

std::uint32_t WinSpooler::MonitorCommand(const std::string& monitor, const std::string& command,
                                         const std::vector<std::uint8_t>& input, std::uint32_t& status) {
    status = 0;
    const Winspool& api = WinspoolApi();
    if (api.openPrinter == nullptr) return ERROR_PROC_NOT_FOUND;
    if (api.xcvData == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    std::wstring name = Widen(",XcvMonitor " + monitor);
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    PrinterHandle xcv;
    if (!api.openPrinter(name.data(), xcv.Put(), &defaults)) return Failure();
    // The monitor reads the input only; XcvData's parameter is not const all the same.
    std::vector<BYTE> data(input.begin(), input.end());
    DWORD needed = 0, answer = 0;
    SetLastError(ERROR_SUCCESS);
    if (!api.xcvData(xcv.Get(), Widen(command).c_str(), data.data(), static_cast<DWORD>(data.size()), nullptr, 0,
                     &needed, &answer)) {
        return Failure();
    }
    status = answer;
    return 0;
}

std::optional<bool> WinSpooler::SameNameIgnoringCase(const std::string& a, const std::string& b) {
    // kernel32 has it from Vista on; looked up so that the program still starts on older
    // systems, which then get nothing and the caller's own comparison.
    using CompareOrdinalFn = int(WINAPI*)(const wchar_t*, int, const wchar_t*, int, BOOL);
    static const auto compare = SystemExport<CompareOrdinalFn>(L"kernel32.dll", "CompareStringOrdinal");
    if (compare == nullptr) return std::nullopt;
    const std::wstring wideA = Widen(a), wideB = Widen(b);
    constexpr int kEqual = 2;  // CSTR_EQUAL; 0 is a failure
    const int result =
        compare(wideA.data(), static_cast<int>(wideA.size()), wideB.data(), static_cast<int>(wideB.size()), TRUE);
    if (result == 0) return std::nullopt;
    return result == kEqual;
}

}  // namespace prinstall
