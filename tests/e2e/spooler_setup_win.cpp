#include "spooler_setup_win.h"

#include "harness_win.h"

#include <winspool.h>

#include <memory>

namespace e2e {
namespace {

struct PrinterCloser {
    void operator()(HANDLE printer) const { ClosePrinter(printer); }
};
using PrinterHandle = std::unique_ptr<void, PrinterCloser>;

struct ServiceCloser {
    void operator()(SC_HANDLE handle) const { CloseServiceHandle(handle); }
};
using ServiceHandle = std::unique_ptr<SC_HANDLE__, ServiceCloser>;

std::wstring driverDirectory(DWORD* error) {
    wchar_t buffer[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(buffer),
                                    sizeof buffer, &needed)) {
        *error = GetLastError();
        return {};
    }
    *error = 0;
    return buffer;
}

DWORD openSpooler(DWORD access, ServiceHandle* manager, ServiceHandle* service) {
    manager->reset(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!*manager) return GetLastError();
    service->reset(OpenServiceW(manager->get(), L"spooler", access));
    if (!*service) return GetLastError();
    return 0;
}

}  // namespace

std::wstring labelDriverName(int number) {
    return L"TORVA Label Printer #" + std::to_wstring(number);
}

DWORD addLabelDriver(int number) {
    DWORD error = 0;
    const std::wstring target = driverDirectory(&error);
    if (error) return error;
    const std::wstring media = std::wstring(kInstallFolder) + L"\\Win32\\";
    const std::wstring n = std::to_wstring(number);

    // Source in the media folder, name in the driver directory.
    const std::pair<std::wstring, std::wstring> files[] = {
        {L"UNIDRV.DLL", L"UNIDRV.DLL"},
        {L"UNIDRVUI.DLL", L"UNIDRVUI.DLL"},
        {L"UNIDRV.HLP", L"UNIDRV.HLP"},
        {L"UNIRES.DLL", L"UNIRES.DLL"},
        {L"STDNAMES.GPD", L"STDNAMES.GPD"},
        {L"TVLabel.GPD", L"TVLabel" + n + L".GPD"},
        {L"TVLabel.DLL", L"TVLabel" + n + L".DLL"},
        {L"TVLabelE.DLL", L"TVLabelE" + n + L".DLL"},
        {L"TVLabelUI.DLL", L"TVLabelUI" + n + L".DLL"},
    };
    for (const auto& [source, name] : files) {
        if (!CopyFileW((media + source).c_str(), (target + L"\\" + name).c_str(), FALSE))
            return GetLastError();
    }

    std::wstring driverName = labelDriverName(number);
    std::wstring driverPath = target + L"\\UNIDRV.DLL";
    std::wstring dataFile = target + L"\\TVLabel" + n + L".GPD";
    std::wstring configFile = target + L"\\UNIDRVUI.DLL";
    std::wstring helpFile = target + L"\\UNIDRV.HLP";
    // A list of names, each ended by a zero, the list ended by one more.
    std::wstring dependents;
    for (const std::wstring& name : {L"TVLabel" + n + L".DLL", L"TVLabelE" + n + L".DLL",
                                     L"TVLabelUI" + n + L".DLL", std::wstring(L"UNIRES.DLL"),
                                     std::wstring(L"STDNAMES.GPD")}) {
        dependents += name;
        dependents.push_back(L'\0');
    }
    dependents.push_back(L'\0');

    DRIVER_INFO_3W info{};
    info.cVersion = 3;
    info.pName = driverName.data();
    info.pEnvironment = nullptr;  // this machine's own environment
    info.pDriverPath = driverPath.data();
    info.pDataFile = dataFile.data();
    info.pConfigFile = configFile.data();
    info.pHelpFile = helpFile.data();
    info.pDependentFiles = dependents.data();
    if (!AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&info))) return GetLastError();
    return 0;
}

DWORD addQueue(const std::wstring& printerName, const std::wstring& driverName,
               const std::wstring& portName) {
    std::wstring printer = printerName, driver = driverName, port = portName;
    std::wstring processor = L"WinPrint", datatype = L"RAW";
    PRINTER_INFO_2W info{};
    info.pPrinterName = printer.data();
    info.pPortName = port.data();
    info.pDriverName = driver.data();
    info.pPrintProcessor = processor.data();
    info.pDatatype = datatype.data();  // without it Wine creates the queue but fails (1801)
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    PrinterHandle handle(AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)));
    if (!handle) return GetLastError();
    return 0;
}

DWORD deleteQueue(const std::wstring& printerName) {
    std::wstring name = printerName;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE raw = nullptr;
    if (!OpenPrinterW(name.data(), &raw, &defaults)) {
        const DWORD error = GetLastError();
        return error == ERROR_INVALID_PRINTER_NAME ? 0 : error;
    }
    PrinterHandle handle(raw);
    if (!DeletePrinter(handle.get())) return GetLastError();
    return 0;
}

DWORD deleteDriver(const std::wstring& driverName) {
    std::wstring name = driverName;
    SetLastError(ERROR_SUCCESS);
    if (DeletePrinterDriverW(nullptr, nullptr, name.data())) return 0;
    const DWORD error = GetLastError();
    // Windows says 1797 for an unknown driver; Wine sets no error at all.
    return (error == ERROR_UNKNOWN_PRINTER_DRIVER || error == ERROR_SUCCESS) ? 0 : error;
}

DWORD listQueues(std::vector<QueueRecord>* queues) {
    queues->clear();
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    if (needed == 0) return 0;  // no queue at all
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &count))
        return GetLastError();
    const auto* records = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        const PRINTER_INFO_2W& r = records[i];
        queues->push_back({r.pPrinterName ? r.pPrinterName : L"", r.pPortName ? r.pPortName : L"",
                           r.pDriverName ? r.pDriverName : L""});
    }
    return 0;
}

DWORD spoolerState(DWORD* state) {
    ServiceHandle manager, service;
    if (const DWORD error = openSpooler(SERVICE_QUERY_STATUS, &manager, &service)) return error;
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service.get(), &status)) return GetLastError();
    *state = status.dwCurrentState;
    return 0;
}

DWORD stopSpooler() {
    ServiceHandle manager, service;
    if (const DWORD error =
            openSpooler(SERVICE_STOP | SERVICE_QUERY_STATUS, &manager, &service))
        return error;
    SERVICE_STATUS status{};
    if (!ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
        const DWORD error = GetLastError();
        if (error != ERROR_SERVICE_NOT_ACTIVE) return error;
    }
    const ULONGLONG deadline = GetTickCount64() + kWindowTimeoutMs;
    while (QueryServiceStatus(service.get(), &status) && status.dwCurrentState != SERVICE_STOPPED) {
        if (GetTickCount64() >= deadline) return ERROR_SERVICE_REQUEST_TIMEOUT;
        Sleep(50);
    }
    return 0;
}

}  // namespace e2e
