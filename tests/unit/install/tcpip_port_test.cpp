#include "install/tcpip_port.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_platform.h"

namespace prinstall {
namespace {

const char* const kCmd = "C:\\Windows\\system32\\cmd.exe";

class TcpIpPortTest : public ::testing::Test {
protected:
    // The Install command creates the port key before it asks for the values.
    TcpIpPortTest() {
        Registry::Key key = 0;
        registry.createKey(kKey, "", key);
        registry.closeKey(key);
    }

    int write(const std::string& ip = "192.168.0.20") { return writer.WriteTcpIpPortValues({kKey, ip}); }

    const std::string kKey = TcpIpPortKey(TcpIpPortName("192.168.0.20"));
    fakes::FakeRegistry registry;
    fakes::FakeProcesses processes;
    fakes::FakeDebugLog debug;
    std::vector<std::string> appMessages;
    std::vector<std::pair<std::string, std::string>> dialogMessages;
    TcpIpPortWriter writer{registry, processes, debug, [this](const std::string& t) { appMessages.push_back(t); },
                           [this](const std::string& t, const std::string& c) { dialogMessages.emplace_back(t, c); }};
};

TEST_F(TcpIpPortTest, WritesThePortValuesThenRestartsTheSpoolerAroundTheLpdService) {
    EXPECT_EQ(kKey,
              "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_192.168.0.20");
    EXPECT_EQ(write(), 1);

    EXPECT_EQ(registry.written, (std::vector<std::string>{"PortNumber", "Protocol", "SNMP Enabled", "SNMP Index",
                                                          "Version", "HostName", "HWAddress", "IPAddress",
                                                          "SNMP Community"}));
    EXPECT_EQ(registry.dword(kKey, "PortNumber"), 9100u);
    EXPECT_EQ(registry.dword(kKey, "Protocol"), 1u);
    EXPECT_EQ(registry.dword(kKey, "SNMP Enabled"), 0u);
    EXPECT_EQ(registry.dword(kKey, "SNMP Index"), 1u);
    EXPECT_EQ(registry.dword(kKey, "Version"), 1u);
    EXPECT_EQ(registry.value(kKey, "HostName"), "");
    EXPECT_EQ(registry.value(kKey, "HWAddress"), "");
    EXPECT_EQ(registry.value(kKey, "IPAddress"), "192.168.0.20");
    EXPECT_EQ(registry.value(kKey, "SNMP Community"), "public");
    EXPECT_EQ(registry.openKeys(), 0u);
    EXPECT_TRUE(appMessages.empty());
    EXPECT_TRUE(dialogMessages.empty());

    // The LPD service was running (its stop succeeded), so it is started again at the end.
    const std::string cmd = std::string(kCmd) + " /c ";
    EXPECT_EQ(processes.commandLines(), (std::vector<std::string>{cmd + "net stop LPDSVC", cmd + "net stop spooler",
                                                                  cmd + "net start spooler",
                                                                  cmd + "net start LPDSVC"}));
    for (const ProcessLaunch& launch : processes.launches) {
        EXPECT_TRUE(launch.hiddenWindow);
        EXPECT_TRUE(launch.newConsole);
        EXPECT_EQ(launch.waitMilliseconds, kRestartCommandLimit);
        EXPECT_TRUE(launch.endOnTimeout);
    }
}

// No administrator rights, no LPD service: nothing is written and nothing is said, the
// spooler still restarts, and an LPD service that was not stopped is not started.
TEST_F(TcpIpPortTest, KeyThatCannotBeOpenedStillRestartsTheSpoolerOnly) {
    registry.keys.clear();
    processes.outcomes = {{0, true, true, 2}};  // net stop LPDSVC: the service is not started

    EXPECT_EQ(write(), 1);

    EXPECT_TRUE(registry.written.empty());
    EXPECT_TRUE(appMessages.empty());
    EXPECT_TRUE(dialogMessages.empty());
    ASSERT_EQ(processes.launches.size(), 3u);
    EXPECT_EQ(processes.launches[1].commandLine, std::string(kCmd) + " /c net stop spooler");
    EXPECT_EQ(processes.launches[2].commandLine, std::string(kCmd) + " /c net start spooler");
}

TEST_F(TcpIpPortTest, EveryValueThatCannotBeWrittenIsReportedAndTheRestStillWritten) {
    registry.valueErrors = {{"portnumber", 5}, {"snmp enabled", 5}, {"ipaddress", 1021}};

    EXPECT_EQ(write("255.255.255.255"), 1);

    // The number the operator sees is the write's own error code.
    EXPECT_EQ(appMessages, std::vector<std::string>{"Fail to Write PortNumber GetLastError=5"});
    EXPECT_EQ(dialogMessages, (std::vector<std::pair<std::string, std::string>>{
                                  {"Fail to Write SNMP Enabled", "RegSetValueEx"},
                                  {"Fail to Write IPAddress", "RegSetValueEx"}}));
    EXPECT_EQ(registry.written.size(), 6u);
    EXPECT_EQ(registry.dword(kKey, "Version"), 1u);
    EXPECT_EQ(registry.value(kKey, "SNMP Community"), "public");
    EXPECT_EQ(registry.openKeys(), 0u);
    EXPECT_EQ(processes.launches.size(), 4u);

    registry.valueErrors.clear();
    registry.setError = 6;
    appMessages.clear();
    dialogMessages.clear();
    write();
    EXPECT_EQ(appMessages.size(), 1u);
    EXPECT_EQ(dialogMessages.size(), 8u);
}

TEST_F(TcpIpPortTest, CommandLineNamesTheInterpreterSafely) {
    EXPECT_EQ(InterpreterCommandLine(std::nullopt, "net stop", "spooler"), "CMD.EXE /c net stop spooler");
    EXPECT_EQ(InterpreterCommandLine("", "net stop", "spooler"), "CMD.EXE /c net stop spooler");
    EXPECT_EQ(InterpreterCommandLine("C:\\Program Files\\Shell\\cmd.exe", "net start", "LPDSVC"),
              "\"C:\\Program Files\\Shell\\cmd.exe\" /c net start LPDSVC");
    EXPECT_EQ(InterpreterCommandLine("C:\\x\" & evil.exe \"", "net stop", "spooler"), "CMD.EXE /c net stop spooler");
    EXPECT_EQ(InterpreterCommandLine("C:\\x\r\nevil.exe", "net stop", "spooler"), "CMD.EXE /c net stop spooler");
    for (const char* argument : {"spooler & format c:", "a|b", "a>b", "a<b", "a^b", "\"a\"", "%PATH%", "a\nb"}) {
        EXPECT_EQ(InterpreterCommandLine(kCmd, "net stop", argument), std::nullopt) << argument;
        EXPECT_EQ(InterpreterCommandLine(kCmd, argument, "spooler"), std::nullopt) << argument;
    }
}

TEST_F(TcpIpPortTest, RunCommandGivesExitCodeStartErrorOrTimeout) {
    processes.environment.clear();
    processes.outcomes = {{0, true, true, 2}, {5, false, false, 0}, {0, false, false, 0}, {0, true, false, 0}};

    EXPECT_EQ(writer.RunCommand("net stop", "LPDSVC"), 2u);
    EXPECT_EQ(processes.launches.back().commandLine, "CMD.EXE /c net stop LPDSVC");
    EXPECT_EQ(writer.RunCommand("net stop", "spooler"), 5u);             // not started: access denied
    EXPECT_EQ(writer.RunCommand("net stop", "spooler"), kErrorWaitTimeout);  // ended after the limit
    EXPECT_EQ(writer.RunCommand("net start", "spooler"), 0u);            // exit code unreadable
    EXPECT_EQ(writer.RunCommand("net start", "spooler & del x"), kErrorInvalidParameter);
    EXPECT_EQ(processes.launches.size(), 4u);
    EXPECT_EQ(debug.lines.back(), "net start spooler & del x: 87");
}

}  // namespace
}  // namespace prinstall
