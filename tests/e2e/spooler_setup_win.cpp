#include "spooler_setup_win.h"

#include "harness_win.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <winspool.h>

#include <algorithm>
#include <memory>
#include <set>
#include <utility>

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

// Copies the Unidrv core of the media's Win32 folder and `ownFiles` (source, name in the
// driver directory) into the driver directory and registers a level-3 driver of them: Unidrv
// as driver, UNIDRVUI.DLL as configuration module, UNIDRV.HLP as help file.
DWORD RegisterUnidrvDriver(const std::wstring& driverName, std::vector<std::pair<std::wstring, std::wstring>> ownFiles,
                           const std::wstring& dataFile, const std::vector<std::wstring>& dependentFiles) {
    const std::wstring target = DriverDirectory();
    if (target.empty()) return GetLastError();
    const std::wstring media = std::wstring(kInstallFolder) + L"\\Win32\\";
    for (const wchar_t* core : {L"UNIDRV.DLL", L"UNIDRVUI.DLL", L"UNIDRV.HLP", L"UNIRES.DLL", L"STDNAMES.GPD"})
        ownFiles.emplace_back(core, core);
    for (const auto& [source, name] : ownFiles) {
        if (!CopyFileW((media + source).c_str(), (target + L"\\" + name).c_str(), FALSE)) return GetLastError();
    }

    std::wstring name = driverName;
    std::wstring driverPath = target + L"\\UNIDRV.DLL";
    std::wstring data = target + L"\\" + dataFile;
    std::wstring configFile = target + L"\\UNIDRVUI.DLL";
    std::wstring helpFile = target + L"\\UNIDRV.HLP";
    // A list of names, each ended by a zero, the list ended by one more.
    std::wstring dependents;
    for (const std::wstring& file : dependentFiles) {
        dependents += file;
        dependents.push_back(L'\0');
    }
    dependents.push_back(L'\0');

    DRIVER_INFO_3W info{};
    info.cVersion = 3;
    info.pName = name.data();
    info.pEnvironment = nullptr;  // this machine's own environment
    info.pDriverPath = driverPath.data();
    info.pDataFile = data.data();
    info.pConfigFile = configFile.data();
    info.pHelpFile = helpFile.data();
    info.pDependentFiles = dependents.data();
    if (!AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&info))) return GetLastError();
    return 0;
}

// What the set-up helpers made during the running test, taken back when it ends.
std::vector<std::wstring> madeQueues;
std::vector<std::wstring> madeDrivers;

std::set<std::wstring> LocalPorts() {
    DWORD needed = 0, count = 0;
    EnumPortsW(nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + sizeof(PORT_INFO_2W));
    std::set<std::wstring> ports;
    if (!EnumPortsW(nullptr, 2, buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count)) return ports;
    const auto* info = reinterpret_cast<const PORT_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        // Windows names the monitor "Local Port", Wine "Local Monitor".
        const std::wstring monitor = info[i].pMonitorName ? info[i].pMonitorName : L"";
        if (monitor == L"Local Port" || monitor == L"Local Monitor") ports.insert(info[i].pPortName);
    }
    return ports;
}

bool DeleteLocalPort(const std::wstring& port) {
    HANDLE xcv = nullptr;
    PRINTER_DEFAULTSW admin{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    if (!OpenPrinterW(const_cast<wchar_t*>(L",XcvMonitor Local Port"), &xcv, &admin)) return false;
    DWORD needed = 0, status = 0;
    const bool sent = XcvDataW(xcv, L"DeletePort", reinterpret_cast<BYTE*>(const_cast<wchar_t*>(port.c_str())),
                               static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t)), nullptr, 0, &needed, &status);
    ClosePrinter(xcv);
    return sent && status == ERROR_SUCCESS;
}

// The policy keys a test may switch Windows protected print mode on with, in the 64-bit view
// where Windows keeps it, parents first.
const wchar_t* const kPolicyKeys[] = {L"SOFTWARE\\Policies\\Microsoft\\Windows NT",
                                      L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers",
                                      L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP"};
const wchar_t kPolicyValue[] = L"WindowsProtectedPrintMode";

REGSAM View64() {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    return wow64 ? KEY_WOW64_64KEY : 0;
}

bool PolicyKeyExists(const wchar_t* path, bool* hasValue = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | View64(), &key) != ERROR_SUCCESS) return false;
    if (hasValue) *hasValue = RegQueryValueExW(key, kPolicyValue, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return true;
}

// The Wine test bed throws each prefix away after its test program; on a PC the proof kit
// runs every suite on the same machine. So each test leaves the spooler as it found it: the
// queues and drivers the helpers above made, and a local port the test added. A port that a
// queue of the program still uses goes after the program's own removal (its records say
// what is its own), as it would on a PC an administrator cleans up.
class TakeBackAfterEachTest : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        madeQueues.clear();
        madeDrivers.clear();
        portsBefore_ = LocalPorts();
        policyBefore_ = false;
        for (int i = 0; i < 3; ++i)
            policyKeysBefore_[i] = PolicyKeyExists(kPolicyKeys[i], i == 2 ? &policyBefore_ : nullptr);
    }

    void OnTestEnd(const ::testing::TestInfo&) override {
        for (const std::wstring& queue : madeQueues) DeleteQueue(queue);
        for (const std::wstring& driver : madeDrivers) DeleteDriver(driver);
        for (const std::wstring& port : LocalPorts()) {
            if (portsBefore_.count(port) || DeleteLocalPort(port)) continue;
            const std::wstring program = std::wstring(kInstallFolder) + L"\\Prinstall.exe";
            std::wstring command = L"\"" + program + L"\" /uninstall /all /quiet";
            STARTUPINFOW startup{};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION info{};
            if (CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                               kInstallFolder, &startup, &info)) {
                WaitForSingleObject(info.hProcess, kWindowTimeoutMs * 4);
                CloseHandle(info.hThread);
                CloseHandle(info.hProcess);
            }
            EXPECT_TRUE(DeleteLocalPort(port)) << "the test's port " << Utf8(port) << " stays";
        }
        // A policy the test switched on, and the keys it made for it, deepest first.
        bool policyNow = false;
        PolicyKeyExists(kPolicyKeys[2], &policyNow);
        if (policyNow && !policyBefore_) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPolicyKeys[2], 0, KEY_SET_VALUE | View64(), &key) == ERROR_SUCCESS) {
                RegDeleteValueW(key, kPolicyValue);
                RegCloseKey(key);
            }
        }
        using DeleteKeyEx = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
        const auto deleteKeyEx = reinterpret_cast<DeleteKeyEx>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExW")));
        for (int i = 2; i >= 0; --i) {
            if (policyKeysBefore_[i] || !PolicyKeyExists(kPolicyKeys[i])) continue;
            if (deleteKeyEx && View64()) {
                deleteKeyEx(HKEY_LOCAL_MACHINE, kPolicyKeys[i], View64(), 0);
            } else {
                RegDeleteKeyW(HKEY_LOCAL_MACHINE, kPolicyKeys[i]);
            }
        }
    }

    std::set<std::wstring> portsBefore_;
    bool policyKeysBefore_[3] = {};
    bool policyBefore_ = false;
};

const bool kTakesBack = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new TakeBackAfterEachTest);
    return true;
}();

DWORD OpenSpooler(DWORD access, ServiceHandle* manager, ServiceHandle* service) {
    manager->reset(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!*manager) return GetLastError();
    service->reset(OpenServiceW(manager->get(), L"spooler", access));
    if (!*service) return GetLastError();
    return 0;
}

}  // namespace

std::wstring LabelDriverName(int number) { return L"TORVA Label Printer #" + std::to_wstring(number); }

DWORD AddLabelDriver(int number) {
    const std::wstring n = std::to_wstring(number);
    return RegisterUnidrvDriver(LabelDriverName(number),
                                {
                                    {L"TVLabel.GPD", L"TVLabel" + n + L".GPD"},
                                    {L"TVLabel.DLL", L"TVLabel" + n + L".DLL"},
                                    {L"TVLabelE.DLL", L"TVLabelE" + n + L".DLL"},
                                    {L"TVLabelUI.DLL", L"TVLabelUI" + n + L".DLL"},
                                },
                                L"TVLabel" + n + L".GPD",
                                {L"TVLabel" + n + L".DLL", L"TVLabelE" + n + L".DLL", L"TVLabelUI" + n + L".DLL",
                                 L"UNIRES.DLL", L"STDNAMES.GPD"});
}

DWORD AddForeignDriver() {
    const DWORD error = RegisterUnidrvDriver(kForeignDriver, {}, L"STDNAMES.GPD", {L"UNIRES.DLL"});
    if (error == 0) madeDrivers.push_back(kForeignDriver);
    return error;
}

DWORD AddStandardTcpIpMonitorKey() {
    HKEY key = nullptr;
    const LONG error = RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                                       L"SYSTEM\\ControlSet001\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports",
                                       0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (error == ERROR_SUCCESS) RegCloseKey(key);
    return static_cast<DWORD>(error);
}

DWORD AddQueue(const std::wstring& printerName, const std::wstring& driverName, const std::wstring& portName) {
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
    madeQueues.insert(madeQueues.begin(), printerName);  // the newest goes first
    return 0;
}

DWORD DeleteQueue(const std::wstring& printerName) {
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

DWORD RenameQueue(const std::wstring& from, const std::wstring& to) {
    std::wstring name = from;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE raw = nullptr;
    if (!OpenPrinterW(name.data(), &raw, &defaults)) return GetLastError();
    PrinterHandle handle(raw);
    DWORD needed = 0;
    GetPrinterW(handle.get(), 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !GetPrinterW(handle.get(), 2, buffer.data(), needed, &needed)) return GetLastError();
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
    std::wstring newName = to;
    info->pPrinterName = newName.data();
    info->pSecurityDescriptor = nullptr;  // kept as it is
    if (!SetPrinterW(handle.get(), 2, buffer.data(), 0)) return GetLastError();
    handle.reset();
    // Wine 8 writes the new name into the queue's key but keeps the key's own name, which
    // OpenPrinter looks for (1801 for the new name): the key moves as Windows' spooler moves it.
    HANDLE renamed = nullptr;
    if (OpenPrinterW(newName.data(), &renamed, &defaults)) {
        ClosePrinter(renamed);
        return 0;
    }
    const std::wstring printers = L"System\\CurrentControlSet\\Control\\Print\\Printers\\";
    HKEY source = nullptr, target = nullptr;
    DWORD e = RegOpenKeyExW(HKEY_LOCAL_MACHINE, (printers + from).c_str(), 0, KEY_READ, &source);
    if (e != 0) return e;
    e = RegCreateKeyExW(HKEY_LOCAL_MACHINE, (printers + to).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target,
                        nullptr);
    if (e == 0) e = RegCopyTreeW(source, nullptr, target);
    RegCloseKey(source);
    if (target != nullptr) RegCloseKey(target);
    if (e == 0) e = RegDeleteTreeW(HKEY_LOCAL_MACHINE, (printers + from).c_str());
    return e;
}

DWORD DeleteDriver(const std::wstring& driverName) {
    std::wstring name = driverName;
    SetLastError(ERROR_SUCCESS);
    if (DeletePrinterDriverW(nullptr, nullptr, name.data())) return 0;
    const DWORD error = GetLastError();
    // Windows says 1797 for an unknown driver; Wine sets no error at all.
    return (error == ERROR_UNKNOWN_PRINTER_DRIVER || error == ERROR_SUCCESS) ? 0 : error;
}

std::wstring DriverDirectory(const wchar_t* environment) {
    wchar_t buffer[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, const_cast<wchar_t*>(environment), 1, reinterpret_cast<LPBYTE>(buffer),
                                    sizeof buffer, &needed))
        return {};
    return buffer;
}

std::vector<std::wstring> DriverNames(const wchar_t* environment) {
    auto* env = const_cast<wchar_t*>(environment);
    DWORD needed = 0, count = 0;
    EnumPrinterDriversW(nullptr, env, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + sizeof(DRIVER_INFO_1W));
    std::vector<std::wstring> names;
    if (!EnumPrinterDriversW(nullptr, env, 1, buffer.data(), needed, &needed, &count)) return names;
    const auto* drivers = reinterpret_cast<const DRIVER_INFO_1W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) names.push_back(drivers[i].pName);
    return names;
}

bool KeyExists(const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::vector<std::wstring> NumberedFiles(const std::wstring& folder, int number) {
    const std::wstring n = std::to_wstring(number);
    std::vector<std::wstring> found;
    for (const std::wstring& where : {folder, folder + L"\\3"}) {
        for (const std::wstring& name : {L"TVLabel" + n + L".GPD", L"TVLabel" + n + L".INI", L"TVLabel" + n + L".DLL",
                                         L"TVLabelE" + n + L".DLL", L"TVLabelUI" + n + L".DLL"}) {
            const std::wstring path = where + L"\\" + name;
            if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) found.push_back(path);
        }
    }
    return found;
}

DWORD ListQueues(std::vector<QueueRecord>* queues) {
    queues->clear();
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    if (needed == 0) return 0;  // no queue at all
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &count)) return GetLastError();
    const auto* records = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        const PRINTER_INFO_2W& r = records[i];
        queues->push_back({r.pPrinterName ? r.pPrinterName : L"", r.pPortName ? r.pPortName : L"",
                           r.pDriverName ? r.pDriverName : L""});
    }
    return 0;
}

std::vector<std::string> LabelQueues() {
    std::vector<QueueRecord> queues;
    if (const DWORD e = ListQueues(&queues); e != 0)
        return {"(the queues cannot be listed: " + std::to_string(e) + ")"};
    std::vector<std::string> out;
    for (const QueueRecord& q : queues) {
        if (q.driverName.rfind(L"TORVA Label Printer #", 0) == 0) {
            out.push_back(Utf8(q.printerName) + "\t" + Utf8(q.driverName) + "\t" + Utf8(q.portName));
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

DWORD SpoolerState(DWORD* state) {
    ServiceHandle manager, service;
    if (const DWORD error = OpenSpooler(SERVICE_QUERY_STATUS, &manager, &service)) return error;
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service.get(), &status)) return GetLastError();
    *state = status.dwCurrentState;
    return 0;
}

DWORD StopSpooler() {
    ServiceHandle manager, service;
    if (const DWORD error = OpenSpooler(SERVICE_STOP | SERVICE_QUERY_STATUS, &manager, &service)) return error;
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

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

HANDLE HoldJob(const std::wstring& queue) {
    std::wstring name = queue;
    HANDLE printer = nullptr;
    if (!OpenPrinterW(name.data(), &printer, nullptr)) return nullptr;
    DOC_INFO_1W document{const_cast<wchar_t*>(L"Labels"), nullptr, const_cast<wchar_t*>(L"RAW")};
    DWORD written = 0;
    if (StartDocPrinterW(printer, 1, reinterpret_cast<BYTE*>(&document)) == 0 ||
        !WritePrinter(printer, const_cast<char*>("N\r\nP1\r\n"), 7, &written)) {
        ClosePrinter(printer);
        return nullptr;
    }
    return printer;
}

void EndHeldJob(HANDLE printer) {
    if (!printer) return;
    EndDocPrinter(printer);
    ClosePrinter(printer);
}

// Makes a subkey of the queue's spooler key that no one may delete, or lets it go again.
// Wine deletes a queue at once whatever holds it, where Windows keeps one with jobs or open
// handles, pending deletion, after a successful DeletePrinter; a key the spooler cannot delete
// gives the same answer under Wine (DeletePrinter succeeds, the queue stays listed). On
// Windows it does nothing.
bool LockQueueKey(const std::wstring& queue, bool lock) {
    // On Windows the job held in the queue keeps it, pending deletion, as it should: the lock
    // is Wine's stand-in only, and a PC is not to pass through it.
    if (!UnderWine()) return true;
    const std::wstring path = L"System\\CurrentControlSet\\Control\\Print\\Printers\\" + queue + L"\\Held";
    HKEY key = nullptr;
    const LONG opened = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, READ_CONTROL | WRITE_DAC,
                                        nullptr, &key, nullptr);
    if (opened != ERROR_SUCCESS) return false;
    EXPLICIT_ACCESSW deny{};
    deny.grfAccessPermissions = DELETE | KEY_ALL_ACCESS;
    deny.grfAccessMode = DENY_ACCESS;
    deny.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    deny.Trustee.ptstrName = const_cast<wchar_t*>(L"EVERYONE");
    EXPLICIT_ACCESSW allow = deny;
    allow.grfAccessPermissions = KEY_ALL_ACCESS;
    allow.grfAccessMode = SET_ACCESS;
    EXPLICIT_ACCESSW entries[] = {deny, allow};
    PACL acl = nullptr;
    bool done = SetEntriesInAclW(lock ? 2 : 1, lock ? entries : &allow, nullptr, &acl) == ERROR_SUCCESS &&
                SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                nullptr, nullptr, acl, nullptr) == ERROR_SUCCESS;
    LocalFree(acl);
    RegCloseKey(key);
    if (!lock) done = done && RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS;
    return done;
}

}  // namespace e2e
