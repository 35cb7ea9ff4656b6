// A network printer's Standard TCP/IP port written into Wine's real registry, and the spooler
// restarted through Wine's command interpreter and "net". Wine has no Standard TCP/IP port
// monitor: a port key written below its Ports key never shows in EnumPorts, so that the
// restarted spooler lists the new port (what the restart is for on Windows) cannot be shown
// here; the values as the monitor would read them and the restart itself can.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "install/tcpip_port.h"
#include "platform/basic_win.h"
#include "platform/handle_win.h"
#include "platform/processes_win.h"
#include "platform/registry_win.h"
#include "platform/text_win.h"

namespace prinstall {
namespace {

// The real processes, with what each run was asked and answered.
class RecordingProcesses : public WinProcesses {
public:
    std::vector<std::pair<ProcessLaunch, ProcessOutcome>> runs;
    ProcessOutcome run(const ProcessLaunch& launch) override {
        runs.emplace_back(launch, WinProcesses::run(launch));
        return runs.back().second;
    }
};

DWORD SpoolerState() {
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ServiceHandle spooler(OpenServiceW(manager.get(), L"spooler", SERVICE_ALL_ACCESS));
    SERVICE_STATUS status = {};
    if (!spooler || !QueryServiceStatus(spooler.get(), &status)) return 0;
    return status.dwCurrentState;
}

void StartSpooler() {
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ServiceHandle spooler(OpenServiceW(manager.get(), L"spooler", SERVICE_ALL_ACCESS));
    ASSERT_TRUE(spooler) << GetLastError();
    if (!StartServiceW(spooler.get(), 0, nullptr)) {
        ASSERT_EQ(GetLastError(), DWORD{ERROR_SERVICE_ALREADY_RUNNING});
    }
    for (int i = 0; i < 100 && SpoolerState() != SERVICE_RUNNING; ++i) Sleep(50);
    ASSERT_EQ(SpoolerState(), DWORD{SERVICE_RUNNING});
}

std::vector<DWORD> ProcessIds(const wchar_t* exe) {
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    std::vector<DWORD> ids;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (lstrcmpiW(entry.szExeFile, exe) == 0) ids.push_back(entry.th32ProcessID);
    }
    return ids;
}

class TcpIpPortUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, widen(key).c_str());
        StartSpooler();
    }
    void TearDown() override { RegDeleteKeyW(HKEY_LOCAL_MACHINE, widen(key).c_str()); }

    // The value as an ANSI program (the port monitor) reads it: type and bytes.
    std::pair<DWORD, std::string> read(const char* name) {
        RegistryKey opened;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS) return {};
        char data[256] = {};
        DWORD type = 0, size = sizeof(data);
        LONG e = RegQueryValueExA(opened.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        if (e != ERROR_SUCCESS) return {};
        return {type, std::string(data, size)};
    }

    // The restart's commands and what they answered.
    void expectSpoolerRestarted() {
        // Wine has no LPD service: its stop fails, so it is not started again.
        ASSERT_EQ(processes.runs.size(), 3u);
        EXPECT_NE(processes.runs[0].second.exitCode, 0u);
        for (int i : {1, 2}) {
            const auto& [launch, outcome] = processes.runs[i];
            EXPECT_EQ(outcome.startError, 0u) << launch.commandLine;
            EXPECT_TRUE(outcome.ended) << launch.commandLine;
            EXPECT_EQ(outcome.exitCode, 0u) << launch.commandLine;  // stopped, then started
        }
        EXPECT_EQ(SpoolerState(), DWORD{SERVICE_RUNNING});
    }

    const std::string ip = "192.168.100.200";  // 15 characters, the longest address
    const std::string key = TcpIpPortKey(TcpIpPortName(ip));
    WinRegistry registry;
    RecordingProcesses processes;
    WinDebugLog debug;
    std::vector<std::string> messages;
    TcpIpPortWriter writer{registry, processes, debug, [this](const std::string& t) { messages.push_back(t); },
                           [this](const std::string& t, const std::string&) { messages.push_back(t); }};
};

TEST_F(TcpIpPortUnderWine, ValuesReadBackAsTheMonitorReadsThemAndTheSpoolerRunsAgain) {
    // As the Install command does: create the key, close it, then write.
    Registry::Key created = 0;
    ASSERT_EQ(registry.createKey(key, "", created), 0u);
    registry.closeKey(created);

    EXPECT_EQ(writer.WriteTcpIpPortValues({key, ip}), 1);
    EXPECT_TRUE(messages.empty());

    const std::string one("\1\0\0\0", 4), zero("\0\0\0\0", 4);
    EXPECT_EQ(read("PortNumber"), std::make_pair(DWORD{REG_DWORD}, std::string("\x8c\x23\0\0", 4)));  // 9100
    EXPECT_EQ(read("Protocol"), std::make_pair(DWORD{REG_DWORD}, one));
    EXPECT_EQ(read("SNMP Enabled"), std::make_pair(DWORD{REG_DWORD}, zero));
    EXPECT_EQ(read("SNMP Index"), std::make_pair(DWORD{REG_DWORD}, one));
    EXPECT_EQ(read("Version"), std::make_pair(DWORD{REG_DWORD}, one));
    EXPECT_EQ(read("HostName"), std::make_pair(DWORD{REG_SZ}, std::string(1, '\0')));
    EXPECT_EQ(read("HWAddress"), std::make_pair(DWORD{REG_SZ}, std::string(1, '\0')));
    EXPECT_EQ(read("IPAddress"), std::make_pair(DWORD{REG_SZ}, ip + '\0'));  // 15 characters and the zero
    EXPECT_EQ(read("SNMP Community"), std::make_pair(DWORD{REG_SZ}, std::string("public", 7)));

    expectSpoolerRestarted();
}

TEST_F(TcpIpPortUnderWine, KeyThatIsNotThereGetsNoValuesButTheSpoolerStillRestarts) {
    EXPECT_EQ(writer.WriteTcpIpPortValues({key, ip}), 1);
    EXPECT_TRUE(messages.empty());
    RegistryKey opened;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, widen(key).c_str(), 0, KEY_READ, opened.put()), ERROR_FILE_NOT_FOUND);
    expectSpoolerRestarted();
}

// The process adapter as the restart and the removal use it.
TEST_F(TcpIpPortUnderWine, ProcessesGiveExitCodeStartErrorAndEndAProcessThatOutlivesItsLimit) {
    ProcessLaunch launch;
    launch.commandLine = "cmd.exe /c exit 7";
    launch.hiddenWindow = true;
    ProcessOutcome outcome = processes.run(launch);
    EXPECT_EQ(outcome.startError, 0u);
    EXPECT_TRUE(outcome.ended);
    EXPECT_TRUE(outcome.exitCodeRead);
    EXPECT_EQ(outcome.exitCode, 7u);

    launch.commandLine = "C:\\nothing-here.exe";
    EXPECT_EQ(processes.run(launch).startError, DWORD{ERROR_FILE_NOT_FOUND});

    // A prompt on a hidden console that nobody answers: left running when asked, ended
    // otherwise.
    const std::vector<DWORD> before = ProcessIds(L"cmd.exe");
    launch.commandLine = "cmd.exe /c pause";
    launch.newConsole = true;
    launch.waitMilliseconds = 300;
    outcome = processes.run(launch);
    EXPECT_EQ(outcome.startError, 0u);
    EXPECT_FALSE(outcome.ended);
    std::vector<DWORD> left = ProcessIds(L"cmd.exe");
    ASSERT_EQ(left.size(), before.size() + 1);
    for (DWORD id : left) {
        KernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        if (std::find(before.begin(), before.end(), id) == before.end() && process) {
            TerminateProcess(process.get(), 1);
            WaitForSingleObject(process.get(), 5000);
        }
    }

    launch.endOnTimeout = true;
    outcome = processes.run(launch);
    EXPECT_FALSE(outcome.ended);
    EXPECT_FALSE(outcome.exitCodeRead);
    EXPECT_EQ(ProcessIds(L"cmd.exe"), before);
}

// COMSPEC unset: CMD.EXE is found on the search path. COMSPEC naming an interpreter in a
// folder with a blank: the quoted path starts that interpreter.
TEST_F(TcpIpPortUnderWine, InterpreterFromComspecOrTheSearchPath) {
    wchar_t saved[MAX_PATH] = {};
    ASSERT_GT(GetEnvironmentVariableW(L"COMSPEC", saved, MAX_PATH), 0u);
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    CreateDirectoryW(L"C:\\Shell Test", nullptr);
    ASSERT_TRUE(CopyFileW((std::wstring(system) + L"\\cmd.exe").c_str(), L"C:\\Shell Test\\cmd.exe", FALSE));

    SetEnvironmentVariableW(L"COMSPEC", nullptr);
    EXPECT_EQ(writer.RunCommand("net stop", "spooler"), 0u);
    ASSERT_EQ(processes.runs.size(), 1u);
    EXPECT_EQ(processes.runs[0].first.commandLine, "CMD.EXE /c net stop spooler");
    EXPECT_EQ(SpoolerState(), DWORD{SERVICE_STOPPED});

    SetEnvironmentVariableW(L"COMSPEC", L"C:\\Shell Test\\cmd.exe");
    EXPECT_EQ(writer.RunCommand("net start", "spooler"), 0u);
    ASSERT_EQ(processes.runs.size(), 2u);
    EXPECT_EQ(processes.runs[1].first.commandLine, "\"C:\\Shell Test\\cmd.exe\" /c net start spooler");
    EXPECT_EQ(SpoolerState(), DWORD{SERVICE_RUNNING});

    SetEnvironmentVariableW(L"COMSPEC", saved);
    DeleteFileW(L"C:\\Shell Test\\cmd.exe");
    RemoveDirectoryW(L"C:\\Shell Test");
}

}  // namespace
}  // namespace prinstall
