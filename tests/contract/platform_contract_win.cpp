// The platform contracts run against the Win32 adapters, under Wine, in a fresh prefix with
// the program's folder and stand-in media installed.
#include <windows.h>
#include <winspool.h>

#include <set>
#include <string>
#include <vector>

#include "platform/basic_win.h"
#include "platform/files_win.h"
#include "platform/handle_win.h"
#include "platform/registry_win.h"
#include "platform/services_win.h"
#include "platform/spooler_win.h"
#include "platform/text_win.h"
#include "platform/threads.h"
#include "platform_contract.h"

namespace prinstall::contract {
namespace {

const wchar_t* const kMediaFolder = L"C:\\TORVA EPL Printer 2.X\\Win32\\";

void DeleteQueueIfPresent(const std::wstring& name) {
    PrinterHandle printer;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (OpenPrinterW(const_cast<wchar_t*>(name.c_str()), printer.Put(), &defaults)) DeletePrinter(printer.Get());
}

class WinWorld {
public:
    WinWorld() { CreateDirectoryW(Widen(ScratchFolder()).c_str(), nullptr); }
    ~WinWorld() {
        for (const std::wstring& q : queues_) DeleteQueueIfPresent(q);
        for (const std::wstring& d : drivers_) DeletePrinterDriverW(nullptr, nullptr, const_cast<wchar_t*>(d.c_str()));
    }

    Services& GetServices() { return services_; }
    Spooler& GetSpooler() { return spooler_; }
    Registry& GetRegistry() { return registry_; }
    // Wine 8's winspool has no DeletePrinterKey (docs/wine.md).
    static constexpr bool kHasDeletePrinterKey = false;
    Clock& GetClock() { return clock_; }
    Files& GetFiles() { return files_; }
    std::string ScratchFolder() const { return "C:\\TORVA EPL Printer 2.X\\Contract Files"; }
    void SetReadOnly(const std::string& path) {
        ASSERT_TRUE(SetFileAttributesW(Widen(path).c_str(), FILE_ATTRIBUTE_READONLY)) << GetLastError();
    }

    void AddQueue(const PrinterInfo2& q) {
        std::wstring driver = Widen(q.driverName);
        std::wstring name = Widen(q.printerName);
        DeleteQueueIfPresent(name);
        if (!drivers_.count(driver)) AddDriver(driver);
        std::wstring port = Widen(q.portName);
        PRINTER_INFO_2W info = {};
        info.pPrinterName = name.data();
        info.pPortName = port.data();
        info.pDriverName = driver.data();
        info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
        info.pDatatype = const_cast<wchar_t*>(L"RAW");
        info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        PrinterHandle printer(AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info)));
        ASSERT_TRUE(printer) << "AddPrinterW failed: " << GetLastError();
        queues_.insert(name);
    }

    void RemoveQueue(const PrinterInfo2& q) {
        DeleteQueueIfPresent(Widen(q.printerName));
        queues_.erase(Widen(q.printerName));
    }

    // The stand-in Unidrv files, copied into the driver directory, where a driver record can
    // name them.
    void PlaceDriverFiles() {
        wchar_t directory[MAX_PATH] = {};
        DWORD needed = 0;
        ASSERT_TRUE(GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory),
                                               sizeof(directory), &needed));
        for (const wchar_t* file :
             {L"UNIDRV.DLL", L"UNIDRVUI.DLL", L"UNIDRV.HLP", L"UNIRES.DLL", L"STDNAMES.GPD", L"TVLabel.GPD"}) {
            std::wstring from = std::wstring(kMediaFolder) + file;
            std::wstring to = std::wstring(directory) + L"\\" + file;
            ASSERT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << Narrow(from) << ": " << GetLastError();
        }
    }

private:
    // A driver made of the stand-in Unidrv files, copied into the driver directory first.
    void AddDriver(const std::wstring& driver) {
        PlaceDriverFiles();
        DRIVER_INFO_3W info = {};
        info.cVersion = 3;
        info.pName = const_cast<wchar_t*>(driver.c_str());
        info.pDriverPath = const_cast<wchar_t*>(L"UNIDRV.DLL");
        info.pDataFile = const_cast<wchar_t*>(L"TVLabel.GPD");
        info.pConfigFile = const_cast<wchar_t*>(L"UNIDRVUI.DLL");
        info.pHelpFile = const_cast<wchar_t*>(L"UNIDRV.HLP");
        info.pDependentFiles = const_cast<wchar_t*>(L"UNIRES.DLL\0STDNAMES.GPD\0");
        info.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
        ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&info))) << GetLastError();
        drivers_.insert(driver);
    }

    WinServices services_;
    WinSpooler spooler_;
    WinRegistry registry_;
    WinClock clock_;
    WinFiles files_;
    std::set<std::wstring> queues_;
    std::set<std::wstring> drivers_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ServicesContract, WinWorld);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ClockContract, WinWorld);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, SpoolerContract, WinWorld);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryContract, WinWorld);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FilesContract, WinWorld);

// The Win32 threads and lock: two threads that each add one a hundred times, pausing between
// reading the sum and writing it back, lose no addition while the lock is held around both.
TEST(Win32Threads, TheLockKeepsAReadPauseWriteStepWhole) {
    Mutex mutex;
    int sum = 0;
    auto add = [&] {
        for (int i = 0; i < 100; ++i) {
            MutexLock lock(mutex);
            const int seen = sum;
            Sleep(1);
            sum = seen + 1;
        }
    };
    Thread first, second;
    ASSERT_TRUE(first.Start(add));
    ASSERT_TRUE(second.Start(add));
    first.Join();
    second.Join();
    EXPECT_EQ(sum, 200);
}

}  // namespace
}  // namespace prinstall::contract
