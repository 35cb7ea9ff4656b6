// A network printer's Standard TCP/IP port written into Wine's real registry, and the spooler
// restarted through Wine's real service manager. Wine has no Standard TCP/IP port
// monitor: a port key written below its Ports key never shows in EnumPorts, so that the
// restarted spooler lists the new port (what the restart is for on Windows) cannot be shown
// here; the values as the monitor would read them and the restart itself can.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "install/tcpip_port.h"
#include "platform/basic_win.h"
#include "platform/handle_win.h"
#include "platform/registry_win.h"
#include "platform/services_win.h"
#include "platform/text_win.h"

namespace prinstall {
namespace {

// The real service manager, with every stop and start asked of it.
class RecordingServices : public WinServices {
public:
    std::vector<std::string> requests;
    std::uint32_t OpenServiceHandle(Handle manager, const std::string& name, Handle& service) override {
        std::uint32_t e = WinServices::OpenServiceHandle(manager, name, service);
        if (e == 0) names_[service] = name;
        return e;
    }
    std::uint32_t Start(Handle service) override {
        requests.push_back("start " + names_[service]);
        return WinServices::Start(service);
    }
    std::uint32_t Stop(Handle service, ServiceStatus& status) override {
        requests.push_back("stop " + names_[service]);
        return WinServices::Stop(service, status);
    }

private:
    std::map<Handle, std::string> names_;
};

DWORD SpoolerState() {
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ServiceHandle spooler(OpenServiceW(manager.Get(), L"spooler", SERVICE_ALL_ACCESS));
    SERVICE_STATUS status = {};
    if (!spooler || !QueryServiceStatus(spooler.Get(), &status)) return 0;
    return status.dwCurrentState;
}

void StartSpooler() {
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ServiceHandle spooler(OpenServiceW(manager.Get(), L"spooler", SERVICE_ALL_ACCESS));
    ASSERT_TRUE(spooler) << GetLastError();
    if (!StartServiceW(spooler.Get(), 0, nullptr)) {
        ASSERT_EQ(GetLastError(), DWORD{ERROR_SERVICE_ALREADY_RUNNING});
    }
    for (int i = 0; i < 100 && SpoolerState() != SERVICE_RUNNING; ++i) Sleep(50);
    ASSERT_EQ(SpoolerState(), DWORD{SERVICE_RUNNING});
}

class TcpIpPortUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, Widen(key).c_str());
        StartSpooler();
    }
    void TearDown() override { RegDeleteKeyW(HKEY_LOCAL_MACHINE, Widen(key).c_str()); }

    // The value as an ANSI program (the port monitor) reads it: type and bytes.
    std::pair<DWORD, std::string> Read(const char* name) {
        RegistryKey opened;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, opened.Put()) != ERROR_SUCCESS) return {};
        char data[256] = {};
        DWORD type = 0, size = sizeof(data);
        LONG e = RegQueryValueExA(opened.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        if (e != ERROR_SUCCESS) return {};
        return {type, std::string(data, size)};
    }

    // Stopped and started again through the service manager. Wine has no LPD service and
    // nothing that depends on the spooler, so nothing else is touched.
    void ExpectSpoolerRestarted() {
        EXPECT_EQ(services.requests, (std::vector<std::string>{"stop spooler", "start spooler"}));
        EXPECT_EQ(SpoolerState(), DWORD{SERVICE_RUNNING});
        EXPECT_NE(std::find(debug.lines.begin(), debug.lines.end(), "stop spooler: 0"), debug.lines.end());
        EXPECT_NE(std::find(debug.lines.begin(), debug.lines.end(), "start spooler: 0"), debug.lines.end());
    }

    const std::string ip = "192.168.100.200";  // 15 characters, the longest address
    const std::string key = TcpIpPortKey(TcpIpPortName(ip));
    WinRegistry registry;
    RecordingServices services;
    WinClock clock;
    // The debugger output, kept.
    struct Lines : DebugLog {
        std::vector<std::string> lines;
        void Output(const std::string& text) override { lines.push_back(text); }
    } debug;
    std::vector<std::string> messages;
    TcpIpPortWriter writer{registry,
                           services,
                           clock,
                           debug,
                           [this](const std::string& t) { messages.push_back(t); },
                           [this](const std::string& t, const std::string&) { messages.push_back(t); }};
};

TEST_F(TcpIpPortUnderWine, ValuesReadBackAsTheMonitorReadsThemAndTheSpoolerRunsAgain) {
    // As the Install command does: create the key, close it, then write.
    Registry::Key created = 0;
    ASSERT_EQ(registry.CreateKey(key, "", created), 0u);
    registry.CloseKey(created);

    EXPECT_EQ(writer.WriteTcpIpPortValues({key, ip}), 1);
    EXPECT_TRUE(messages.empty());

    const std::string one("\1\0\0\0", 4), zero("\0\0\0\0", 4);
    EXPECT_EQ(Read("PortNumber"), std::make_pair(DWORD{REG_DWORD}, std::string("\x8c\x23\0\0", 4)));  // 9100
    EXPECT_EQ(Read("Protocol"), std::make_pair(DWORD{REG_DWORD}, one));
    EXPECT_EQ(Read("SNMP Enabled"), std::make_pair(DWORD{REG_DWORD}, zero));
    EXPECT_EQ(Read("SNMP Index"), std::make_pair(DWORD{REG_DWORD}, one));
    EXPECT_EQ(Read("Version"), std::make_pair(DWORD{REG_DWORD}, one));
    EXPECT_EQ(Read("HostName"), std::make_pair(DWORD{REG_SZ}, std::string(1, '\0')));
    EXPECT_EQ(Read("HWAddress"), std::make_pair(DWORD{REG_SZ}, std::string(1, '\0')));
    EXPECT_EQ(Read("IPAddress"), std::make_pair(DWORD{REG_SZ}, ip + '\0'));  // 15 characters and the zero
    EXPECT_EQ(Read("SNMP Community"), std::make_pair(DWORD{REG_SZ}, std::string("public", 7)));

    ExpectSpoolerRestarted();
}

TEST_F(TcpIpPortUnderWine, KeyThatIsNotThereGetsNoValuesButTheSpoolerStillRestarts) {
    EXPECT_EQ(writer.WriteTcpIpPortValues({key, ip}), 1);
    EXPECT_TRUE(messages.empty());
    RegistryKey opened;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(key).c_str(), 0, KEY_READ, opened.Put()), ERROR_FILE_NOT_FOUND);
    ExpectSpoolerRestarted();
}

}  // namespace
}  // namespace prinstall
