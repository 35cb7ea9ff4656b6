// A staged driver copy registered with Wine's real spooler: the driver, its queue, the
// files the spooler takes over, the uninstall entry, and the label printer's port monitor
// installed from the media. Every test cleans up before and after.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "install/port_monitor.h"
#include "install/registration.h"
#include "install/staging.h"
#include "install/uninstall_entry.h"
#include "platform/basic_win.h"
#include "installed_program_files_win.h"
#include "platform/files_win.h"
#include "platform/handle_win.h"
#include "platform/registry_win.h"
#include "platform/spooler_win.h"
#include "platform/text_win.h"

namespace prinstall {
namespace {

const char* const kQueue = "TORVA Label Printer";

std::string RegistryString(const std::string& path, const char* name) {
    wchar_t value[512] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, Widen(path).c_str(), Widen(name).c_str(), RRF_RT_REG_SZ, nullptr, value,
                     &size) != ERROR_SUCCESS) {
        return "(missing)";
    }
    return Narrow(value);
}

class RegistrationUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        korean = GetACP() == 949;
        ASSERT_EQ(spooler.DriverDirectory("", driverDirectory), 0u);
        CleanUp();
    }
    void TearDown() override { CleanUp(); }

    void CleanUp() {
        std::wstring queue = Widen(kQueue);
        PrinterHandle printer;
        PRINTER_DEFAULTSW all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        if (OpenPrinterW(queue.data(), printer.Put(), &all)) DeletePrinter(printer.Get());
        printer.Reset();
        DeletePrinterDriverW(nullptr, nullptr, const_cast<wchar_t*>(L"TORVA Label Printer #1"));
        DeleteMonitorW(nullptr, nullptr, const_cast<wchar_t*>(L"TORVA LABEL USB Port"));
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, Widen(kUninstallKeyEnglish).c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, Widen(kUninstallKeyKorean).c_str());
        for (const StagingRow& row : StagingRows(0, korean, 1)) {
            files.RemoveFile(driverDirectory + "\\" + row.destination);
            files.RemoveFile(driverDirectory + "\\3\\" + row.destination);
        }
    }

    RegistrationSettings Settings(int interfaceKind) {
        RegistrationSettings s;
        s.driverNumber = 1;
        s.environment = kEnvironmentX86;
        s.interfaceKind = interfaceKind;
        s.portName = "COM1:";
        s.useLabelPortMonitor = interfaceKind == kInterfaceUsb;
        s.language = korean ? Language::Korean : Language::English;
        return s;
    }

    int StageAndRegister(int interfaceKind) {
        DriverStager stager(
            files, spooler, [this](const std::string& m) { messages.push_back(m); },
            [](const std::optional<std::string>&, int, bool) {});
        stager.StageDriverFiles(1, 0, korean);
        return registrar.RegisterDriverAndPrinter(kQueue, Settings(interfaceKind));
    }

    std::vector<PrinterInfo2> Queues() {
        std::vector<PrinterInfo2> out;
        EXPECT_EQ(spooler.ListLocalPrinters(out), 0u);
        return out;
    }

    bool korean = false;
    InstalledProgramFiles files;
    WinSpooler spooler;
    WinRegistry registry;
    WinSystemInfo system;
    WinDebugLog debug;
    PortMonitorInstaller monitor{spooler, files, system, debug};
    std::vector<std::string> messages;
    Registrar registrar{spooler, registry, monitor, [](const std::optional<std::string>&, int, bool) {}};
    std::string driverDirectory;
};

TEST_F(RegistrationUnderWine, CopyOneOnComOneBecomesDriverQueueAndUninstallEntry) {
    ASSERT_EQ(StageAndRegister(kInterfaceSerial), 0) << registrar.Message();
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(registrar.Message().empty());

    auto listed = Queues();
    EXPECT_NE(std::find(listed.begin(), listed.end(), PrinterInfo2{kQueue, "COM1:", "TORVA Label Printer #1"}),
              listed.end());

    DWORD needed = 0, count = 0;
    EnumPrinterDriversW(nullptr, nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + sizeof(DRIVER_INFO_1W));
    ASSERT_TRUE(EnumPrinterDriversW(nullptr, nullptr, 1, buffer.data(), needed, &needed, &count));
    const auto* drivers = reinterpret_cast<const DRIVER_INFO_1W*>(buffer.data());
    EXPECT_TRUE(std::any_of(drivers, drivers + count, [](const DRIVER_INFO_1W& d) {
        return std::wstring(d.pName) == L"TORVA Label Printer #1";
    }));

    // Wine copies the registered files into the version folder of the driver directory.
    for (const char* name : {"UNIDRV.DLL", "UNIDRVUI.DLL", "UNIDRV.HLP", "TVLabel1.GPD", "UNIRES.DLL", "STDNAMES.GPD",
                             "TVLabel1.DLL", "TVLabelE1.DLL", "TVLabelUI1.DLL", "TVLabel1.INI"}) {
        EXPECT_TRUE(files.FileExists(driverDirectory + "\\3\\" + name)) << name;
    }

    const std::string key = korean ? kUninstallKeyKorean : kUninstallKeyEnglish;
    EXPECT_EQ(RegistryString(key, "DisplayName"), korean ? kUninstallNameKorean : kUninstallNameEnglish);
    EXPECT_EQ(RegistryString(key, "UninstallString"), "C:\\TORVA EPL Printer 2.X\\Prinstall.exe");
    EXPECT_EQ(RegistryString(korean ? kUninstallKeyEnglish : kUninstallKeyKorean, "DisplayName"), "(missing)");

    // The key carries the class text the installation gives it.
    RegistryKey opened;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(key).c_str(), 0, KEY_READ, opened.Put()), ERROR_SUCCESS);
    wchar_t keyClass[64] = {};
    DWORD classLength = 64;
    ASSERT_EQ(RegQueryInfoKeyW(opened.Get(), keyClass, &classLength, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(Narrow(keyClass), "REG_BINARY");
}

TEST_F(RegistrationUnderWine, PortMonitorFromTheMediaCarriesAUsbQueue) {
    const std::string systemFolder = files.SystemDirectory();
    files.RemoveFile(systemFolder + "\\TVPortMon.dll");
    files.RemoveFile(systemFolder + "\\TVPortMonUI.dll");
    EXPECT_EQ(monitor.IsPortMonitorInstalled(), 0);
    EXPECT_EQ(monitor.AddPortMonitorIfMissing(0), PortMonitorInstaller::Addition::Added);
    EXPECT_EQ(monitor.IsPortMonitorInstalled(), 1);
    EXPECT_TRUE(files.FileExists(systemFolder + "\\TVPortMon.dll"));
    EXPECT_TRUE(files.FileExists(systemFolder + "\\TVPortMonUI.dll"));
    EXPECT_EQ(monitor.AddPortMonitorIfMissing(0), PortMonitorInstaller::Addition::AlreadyThere);

    // The monitor brings its port to the spooler.
    DWORD needed = 0, count = 0;
    EnumPortsW(nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + sizeof(PORT_INFO_1W));
    ASSERT_TRUE(EnumPortsW(nullptr, 1, buffer.data(), needed, &needed, &count));
    const auto* ports = reinterpret_cast<const PORT_INFO_1W*>(buffer.data());
    EXPECT_TRUE(std::any_of(ports, ports + count,
                            [](const PORT_INFO_1W& p) { return std::wstring(p.pName) == L"USB/TORVA Label Port"; }));

    ASSERT_EQ(StageAndRegister(kInterfaceUsb), 0);
    auto listed = Queues();
    EXPECT_NE(
        std::find(listed.begin(), listed.end(), PrinterInfo2{kQueue, "USB/TORVA Label Port", "TORVA Label Printer #1"}),
        listed.end());
    EXPECT_TRUE(registrar.Message().empty());  // no fallback to COM1:
}

}  // namespace
}  // namespace prinstall
