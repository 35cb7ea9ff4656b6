#include "install/tcpip_port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_platform.h"

namespace prinstall {
namespace {

class TcpIpPortTest : public ::testing::Test {
protected:
    // The Install command creates the port key before it asks for the values.
    TcpIpPortTest() {
        services.Add("spooler", kServiceRunning);
        services.Add("LPDSVC", kServiceRunning, {"spooler"});
        services.Add("Fax", kServiceRunning, {"spooler"});
        services.Add("FaxHelper", kServiceRunning, {"Fax"});
        services.Add("Idle", kServiceStopped, {"spooler"});
        Registry::Key key = 0;
        registry.CreateKey(kKey, "", key);
        registry.CloseKey(key);
    }

    int Write(const std::string& ip = "192.168.0.20") { return writer.WriteTcpIpPortValues({kKey, ip}); }

    const std::string kKey = TcpIpPortKey(TcpIpPortName("192.168.0.20"));
    fakes::FakeRegistry registry;
    fakes::FakeServices services;
    fakes::FakeClock clock;
    fakes::FakeDebugLog debug;
    std::vector<std::string> appMessages;
    std::vector<std::pair<std::string, std::string>> dialogMessages;
    TcpIpPortWriter writer{registry,
                           services,
                           clock,
                           debug,
                           [this](const std::string& t) { appMessages.push_back(t); },
                           [this](const std::string& t, const std::string& c) { dialogMessages.emplace_back(t, c); }};
};

TEST_F(TcpIpPortTest, WritesThePortValuesThenRestartsTheSpoolerAroundTheLpdService) {
    EXPECT_EQ(kKey,
              "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_192.168.0.20");
    EXPECT_EQ(Write(), 1);

    EXPECT_EQ(registry.written,
              (std::vector<std::string>{"PortNumber", "Protocol", "SNMP Enabled", "SNMP Index", "Version", "HostName",
                                        "HWAddress", "IPAddress", "SNMP Community"}));
    EXPECT_EQ(registry.Dword(kKey, "PortNumber"), 9100u);
    EXPECT_EQ(registry.Dword(kKey, "Protocol"), 1u);
    EXPECT_EQ(registry.Dword(kKey, "SNMP Enabled"), 0u);
    EXPECT_EQ(registry.Dword(kKey, "SNMP Index"), 1u);
    EXPECT_EQ(registry.Dword(kKey, "Version"), 1u);
    EXPECT_EQ(registry.Value(kKey, "HostName"), "");
    EXPECT_EQ(registry.Value(kKey, "HWAddress"), "");
    EXPECT_EQ(registry.Value(kKey, "IPAddress"), "192.168.0.20");
    EXPECT_EQ(registry.Value(kKey, "SNMP Community"), "public");
    EXPECT_EQ(registry.OpenKeys(), 0u);
    EXPECT_TRUE(appMessages.empty());
    EXPECT_TRUE(dialogMessages.empty());

    // Dependants stop before what they depend on and start again after it; a dependant that
    // was not running stays stopped.
    EXPECT_EQ(services.events,
              (std::vector<std::string>{"stop FaxHelper", "stop Fax", "stop LPDSVC", "stop spooler", "start spooler",
                                        "start LPDSVC", "start Fax", "start FaxHelper"}));
    EXPECT_EQ(services.services["Idle"].startRequests, 0);
    EXPECT_EQ(services.OpenHandles(), 0u);

    // A host name goes where the monitor looks a name up; the port number is the one asked for.
    writer.WriteTcpIpPortValues({kKey, "label-07.example", 9101});
    EXPECT_EQ(registry.Value(kKey, "HostName"), "label-07.example");
    EXPECT_EQ(registry.Value(kKey, "IPAddress"), "");
    EXPECT_EQ(registry.Dword(kKey, "PortNumber"), 9101u);
}

// No administrator rights, no LPD service: nothing is written and nothing is said, the
// spooler still restarts; a spooler that never stops is given up on after the limit, and the
// restart still tries to start it.
TEST_F(TcpIpPortTest, KeyThatCannotBeOpenedStillRestartsTheSpoolerAndEveryWaitHasALimit) {
    registry.keys.clear();
    services.services.erase("LPDSVC");
    services.services.erase("Fax");
    services.services.erase("FaxHelper");
    services.services["spooler"].stopPendingQueries = -1;

    EXPECT_EQ(Write(), 1);

    EXPECT_TRUE(registry.written.empty());
    EXPECT_TRUE(appMessages.empty());
    EXPECT_TRUE(dialogMessages.empty());
    EXPECT_EQ(services.events, std::vector<std::string>{"stop spooler"});
    EXPECT_EQ(services.services["spooler"].startRequests, 1);
    std::uint32_t slept = 0;
    for (std::uint32_t ms : clock.sleeps) slept += ms;
    EXPECT_GE(slept, kServiceWaitLimit);
    EXPECT_LT(slept, kServiceWaitLimit + 2 * kServicePollInterval);
    EXPECT_NE(std::find(debug.lines.begin(), debug.lines.end(), "stop spooler: 258"), debug.lines.end());
    EXPECT_EQ(services.OpenHandles(), 0u);
}

// A refused stop or an unknown list of dependants is traced; the values stay written, every
// service ends running as it was, and no handle stays open.
TEST_F(TcpIpPortTest, RefusedStopsOrDependantsThatCannotBeListedLeaveEveryServiceRunning) {
    const struct {
        std::uint32_t stopError, dependentsError;
        std::vector<std::string> events;
        const char* traced;
    } cases[] = {
        {5, 0, {}, "stop spooler: 5"},
        // Only the LPD service is known to depend on the spooler: the fax services keep it up.
        {0, 5, {"stop LPDSVC", "start LPDSVC"}, "stop spooler: 1051"},
    };
    for (const auto& c : cases) {
        services.events.clear();
        debug.lines.clear();
        services.stopError = c.stopError;
        services.dependentsError = c.dependentsError;
        EXPECT_EQ(Write(), 1);
        EXPECT_EQ(registry.Value(kKey, "IPAddress"), "192.168.0.20");
        EXPECT_EQ(services.events, c.events) << c.traced;
        EXPECT_NE(std::find(debug.lines.begin(), debug.lines.end(), c.traced), debug.lines.end()) << c.traced;
        for (const char* name : {"spooler", "LPDSVC", "Fax", "FaxHelper"}) {
            EXPECT_EQ(services.services[name].status.state, kServiceRunning) << name;
        }
        EXPECT_EQ(services.OpenHandles(), 0u);
    }
}

TEST_F(TcpIpPortTest, EveryValueThatCannotBeWrittenIsReportedAndTheRestStillWritten) {
    registry.valueErrors = {{"portnumber", 5}, {"snmp enabled", 5}, {"ipaddress", 1021}};

    EXPECT_EQ(Write("255.255.255.255"), 1);

    // The number the operator sees is the write's own error code.
    EXPECT_EQ(appMessages, std::vector<std::string>{"Fail to Write PortNumber GetLastError=5"});
    EXPECT_EQ(dialogMessages,
              (std::vector<std::pair<std::string, std::string>>{{"Fail to Read SNMP Enabled", "RegQueryValueEx"},
                                                                {"Fail to Write IPAddress", "RegQueryValueEx"}}));
    EXPECT_EQ(registry.written.size(), 6u);
    EXPECT_EQ(registry.Dword(kKey, "Version"), 1u);
    EXPECT_EQ(registry.Value(kKey, "SNMP Community"), "public");
    EXPECT_EQ(registry.OpenKeys(), 0u);

    registry.valueErrors.clear();
    registry.setError = 6;
    appMessages.clear();
    dialogMessages.clear();
    Write();
    EXPECT_EQ(appMessages.size(), 1u);
    EXPECT_EQ(dialogMessages.size(), 8u);
}

}  // namespace
}  // namespace prinstall
