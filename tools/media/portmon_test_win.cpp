// The stand-in port monitor of the installation media: added to Wine's spooler, listed and
// deleted again, the way the installer and its removal use it; and its port functions
// called the way a spooler calls them for a print job, since Wine never sends jobs through
// a monitor of its own choosing. Runs in a fresh prefix with the media installed in
// C:\TORVA EPL Printer 2.X.
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

constexpr DWORD kSentinel = 0xdeadbeef;
const wchar_t kMonitorName[] = L"TORVA LABEL USB Port";
const wchar_t kPortName[] = L"USB/TORVA Label Port";
const wchar_t kMonitorModule[] = L"TVPortMon.dll";
const wchar_t kUiModule[] = L"TVPortMonUI.dll";

// The media folder of this program's own bitness: the spooler loads a monitor into the
// calling process.
std::wstring MediaFolder() {
    return sizeof(void*) == 8 ? L"C:\\TORVA EPL Printer 2.X\\Win64" : L"C:\\TORVA EPL Printer 2.X\\Win32";
}

std::wstring SystemFolder() {
    wchar_t path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    return std::wstring(path, length);
}

std::wstring JobFile(DWORD jobId) {
    wchar_t windows[MAX_PATH];
    UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows, length) + L"\\Temp\\TVPortMon\\job-" + std::to_wstring(jobId) + L".prn";
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string content;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        content.append(chunk, got);
    }
    CloseHandle(file);
    return content;
}

// Ask for the size, then read: the records of one level, kept alive by storage.
template <typename Info, typename Call>
std::vector<Info> Records(std::vector<BYTE>& storage, Call call) {
    DWORD needed = 0, count = 0;
    call(nullptr, 0, &needed, &count);
    storage.assign(needed, 0);
    if (!call(storage.data(), needed, &needed, &count)) return {};
    auto* first = reinterpret_cast<Info*>(storage.data());
    return {first, first + count};
}

// The module of each monitor the spooler lists, by monitor name.
std::map<std::wstring, std::wstring> MonitorModules() {
    auto enumerate = [](BYTE* buffer, DWORD size, DWORD* needed, DWORD* count) {
        return EnumMonitorsW(nullptr, 2, buffer, size, needed, count);
    };
    std::vector<BYTE> storage;
    std::map<std::wstring, std::wstring> modules;
    for (const auto& monitor : Records<MONITOR_INFO_2W>(storage, enumerate)) {
        modules[monitor.pName] = monitor.pDLLName;
    }
    return modules;
}

template <typename Info>
std::vector<Info> Ports(DWORD level, std::vector<BYTE>& storage) {
    return Records<Info>(storage, [level](BYTE* buffer, DWORD size, DWORD* needed, DWORD* count) {
        return EnumPortsW(nullptr, level, buffer, size, needed, count);
    });
}

int CountOurPort() {
    std::vector<BYTE> storage;
    int count = 0;
    for (const auto& port : Ports<PORT_INFO_1W>(1, storage)) {
        count += std::wstring(port.pName) == kPortName;
    }
    return count;
}

BOOL AddOurMonitor() {
    MONITOR_INFO_2W info{const_cast<wchar_t*>(kMonitorName), nullptr, const_cast<wchar_t*>(kMonitorModule)};
    return AddMonitorW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
}

BOOL DeleteOurMonitor() { return DeleteMonitorW(nullptr, nullptr, const_cast<wchar_t*>(kMonitorName)); }

// The monitor as the installer leaves it: both modules copied from the media into the
// system folder, then added by module name. Cleaned up before and after.
class MonitorUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveAll();
        for (const wchar_t* module : {kMonitorModule, kUiModule}) {
            ASSERT_TRUE(
                CopyFileW((MediaFolder() + L"\\" + module).c_str(), (SystemFolder() + L"\\" + module).c_str(), FALSE))
                << GetLastError();
        }
    }
    void TearDown() override { RemoveAll(); }
    static void RemoveAll() {
        DeleteOurMonitor();
        for (const wchar_t* module : {kMonitorModule, kUiModule}) {
            DeleteFileW((SystemFolder() + L"\\" + module).c_str());
        }
    }
};

TEST_F(MonitorUnderWine, IsAddedListedWithItsPortAndDeleted) {
    SetLastError(kSentinel);
    ASSERT_TRUE(AddOurMonitor()) << GetLastError();
    EXPECT_EQ(MonitorModules()[kMonitorName], kMonitorModule);
    EXPECT_EQ(CountOurPort(), 1);
    std::vector<BYTE> storage;
    int ours = 0;
    for (const PORT_INFO_2W& port : Ports<PORT_INFO_2W>(2, storage)) {
        if (std::wstring(port.pPortName) != kPortName) continue;
        ++ours;
        EXPECT_STREQ(port.pMonitorName, kMonitorName);
        EXPECT_GT(wcslen(port.pDescription), 0u);
        EXPECT_EQ(port.fPortType, DWORD{PORT_TYPE_WRITE | PORT_TYPE_READ});
    }
    EXPECT_EQ(ours, 1);

    SetLastError(kSentinel);
    EXPECT_FALSE(AddOurMonitor());
    EXPECT_EQ(GetLastError(), DWORD{ERROR_PRINT_MONITOR_ALREADY_INSTALLED});

    SetLastError(kSentinel);
    ASSERT_TRUE(DeleteOurMonitor()) << GetLastError();
    EXPECT_EQ(MonitorModules().count(kMonitorName), 0u);
    EXPECT_EQ(CountOurPort(), 0);
    SetLastError(kSentinel);
    EXPECT_FALSE(DeleteOurMonitor());
    EXPECT_EQ(GetLastError(), DWORD{ERROR_UNKNOWN_PRINT_MONITOR});
}

// The spooler takes the module by name from the system folder only: the media copy alone
// is not enough, which is why the installer copies it first.
TEST_F(MonitorUnderWine, IsNotAddedWithoutItsModuleInTheSystemFolder) {
    ASSERT_TRUE(DeleteFileW((SystemFolder() + L"\\" + kMonitorModule).c_str()));
    SetLastError(kSentinel);
    EXPECT_FALSE(AddOurMonitor());
    EXPECT_EQ(GetLastError(), DWORD{ERROR_MOD_NOT_FOUND});
    EXPECT_EQ(MonitorModules().count(kMonitorName), 0u);
}

// The spooler loads the module into this process to list its port, and deleting the monitor
// unloads it again, so the removal can delete the module's file right after.
TEST_F(MonitorUnderWine, DeletingUnloadsTheModule) {
    ASSERT_TRUE(AddOurMonitor()) << GetLastError();
    EXPECT_EQ(CountOurPort(), 1);
    EXPECT_NE(GetModuleHandleW(kMonitorModule), nullptr);
    ASSERT_TRUE(DeleteOurMonitor());
    EXPECT_EQ(GetModuleHandleW(kMonitorModule), nullptr);
    EXPECT_TRUE(DeleteFileW((SystemFolder() + L"\\" + kMonitorModule).c_str())) << GetLastError();
}

// The user-interface module: loadable, with a table of the right size whose functions
// decline and leave no port name behind.
TEST(PortMonitorUi, DeclinesToAddAPort) {
    HMODULE module = LoadLibraryW((MediaFolder() + L"\\" + kUiModule).c_str());
    ASSERT_NE(module, nullptr) << GetLastError();
    auto initialize = reinterpret_cast<PMONITORUI(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "InitializePrintMonitorUI")));
    ASSERT_NE(initialize, nullptr);
    PMONITORUI ui = initialize();
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(ui->dwMonitorUISize, DWORD{sizeof(MONITORUI)});
    PWSTR added = reinterpret_cast<PWSTR>(1);
    SetLastError(kSentinel);
    EXPECT_FALSE(ui->pfnAddPortUI(nullptr, nullptr, kMonitorName, &added));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_NOT_SUPPORTED});
    EXPECT_EQ(added, nullptr);
    FreeLibrary(module);
}

// The monitor module loaded straight from the media and started as a spooler starts it.
class PortFunctions : public ::testing::Test {
protected:
    static constexpr DWORD kFirstJob = 4101, kLastJob = 4110;

    void SetUp() override {
        RemoveJobFiles();
        module_ = LoadLibraryW((MediaFolder() + L"\\" + kMonitorModule).c_str());
        ASSERT_NE(module_, nullptr) << GetLastError();
        auto initialize = reinterpret_cast<LPMONITOR2(WINAPI*)(PMONITORINIT, PHANDLE)>(
            reinterpret_cast<void*>(GetProcAddress(module_, "InitializePrintMonitor2")));
        ASSERT_NE(initialize, nullptr);
        MONITORINIT init{};
        init.cbSize = sizeof init;
        init.bLocal = TRUE;
        table_ = initialize(&init, &monitor_);
        ASSERT_NE(table_, nullptr) << GetLastError();
        ASSERT_NE(monitor_, nullptr);
    }
    void TearDown() override {
        if (table_ && table_->pfnShutdown) table_->pfnShutdown(monitor_);
        if (module_) FreeLibrary(module_);
        RemoveJobFiles();
    }
    static void RemoveJobFiles() {
        for (DWORD job = kFirstJob; job <= kLastJob; ++job) DeleteFileW(JobFile(job).c_str());
    }

    HANDLE Open(const wchar_t* name = kPortName) {
        HANDLE port = nullptr;
        EXPECT_TRUE(table_->pfnOpenPort(monitor_, const_cast<wchar_t*>(name), &port)) << GetLastError();
        return port;
    }
    BOOL Start(HANDLE port, DWORD job) {
        DOC_INFO_1W doc{const_cast<wchar_t*>(L"label"), nullptr, const_cast<wchar_t*>(L"RAW")};
        return table_->pfnStartDocPort(port, const_cast<wchar_t*>(L"Label queue"), job, 1,
                                       reinterpret_cast<BYTE*>(&doc));
    }
    void Write(HANDLE port, const std::string& bytes) {
        std::string copy = bytes;
        DWORD written = kSentinel;
        EXPECT_TRUE(
            table_->pfnWritePort(port, reinterpret_cast<BYTE*>(copy.data()), static_cast<DWORD>(copy.size()), &written))
            << GetLastError();
        EXPECT_EQ(written, bytes.size());
    }

    HMODULE module_ = nullptr;
    LPMONITOR2 table_ = nullptr;
    HANDLE monitor_ = nullptr;
};

// The spooler reads no further than cbSize says, and an older spooler refuses a table
// larger than it knows: the size covers every entry the monitor fills and no more than
// the largest table there is.
TEST_F(PortFunctions, TableCoversTheFunctionsAPortNeeds) {
    EXPECT_GE(table_->cbSize, offsetof(MONITOR2, pfnShutdown) + sizeof(void*));
    EXPECT_LE(table_->cbSize, sizeof(MONITOR2));
    EXPECT_TRUE(table_->pfnEnumPorts && table_->pfnOpenPort && table_->pfnStartDocPort && table_->pfnWritePort &&
                table_->pfnReadPort && table_->pfnEndDocPort && table_->pfnClosePort && table_->pfnShutdown);
}

// Through the spooler the fields are checked above; here the room: what it asks for is
// what it needs, and it writes nothing behind it.
TEST_F(PortFunctions, EnumPortsAsksForRoomThenFillsIt) {
    for (DWORD level : {1u, 2u}) {
        SCOPED_TRACE(level);
        DWORD needed = 0, again = 0, returned = kSentinel;
        SetLastError(kSentinel);
        EXPECT_FALSE(table_->pfnEnumPorts(monitor_, nullptr, level, nullptr, 0, &needed, &returned));
        EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
        EXPECT_EQ(returned, 0u);
        std::vector<BYTE> buffer(needed + 16, 0xcc);
        SetLastError(kSentinel);
        EXPECT_FALSE(table_->pfnEnumPorts(monitor_, nullptr, level, buffer.data(), needed - 1, &again, &returned));
        EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
        EXPECT_EQ(again, needed);

        ASSERT_TRUE(table_->pfnEnumPorts(monitor_, nullptr, level, buffer.data(), needed, &again, &returned));
        EXPECT_EQ(returned, 1u);
        for (size_t i = needed; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xcc) << i;
        // PORT_INFO_1W is the first field of PORT_INFO_2W; level 2 has two strings more.
        const size_t record = level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W);
        auto* strings = reinterpret_cast<const wchar_t* const*>(buffer.data());
        for (int i = 0; i < (level == 1 ? 1 : 3); ++i) {
            auto* at = reinterpret_cast<const BYTE*>(strings[i]);
            EXPECT_TRUE(at >= buffer.data() + record &&
                        at + (wcslen(strings[i]) + 1) * sizeof(wchar_t) <= buffer.data() + needed)
                << "string " << i;
        }
        EXPECT_STREQ(strings[0], kPortName);
    }
    DWORD needed = kSentinel, returned = kSentinel;
    SetLastError(kSentinel);
    EXPECT_FALSE(table_->pfnEnumPorts(monitor_, nullptr, 3, nullptr, 0, &needed, &returned));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_LEVEL});
    EXPECT_EQ(returned, 0u);
}

TEST_F(PortFunctions, JobBytesLandInTheirJobFileUnchanged) {
    // Binary-safe: a NUL, a byte above 127 and bare line ends go through as they are.
    const std::string head = "N\r\nq400\n"s, body = "A10,10,0,3,1,1,N,\"\xff\x00\x1b\"\r\nP1\r\n"s;
    HANDLE port = Open();
    ASSERT_NE(port, nullptr);
    ASSERT_TRUE(Start(port, kFirstJob)) << GetLastError();
    Write(port, head);
    Write(port, body);
    BYTE answer[16];
    DWORD read = kSentinel;
    EXPECT_TRUE(table_->pfnReadPort(port, answer, sizeof answer, &read));
    EXPECT_EQ(read, 0u);
    EXPECT_TRUE(table_->pfnEndDocPort(port)) << GetLastError();
    EXPECT_EQ(ReadWholeFile(JobFile(kFirstJob)), head + body);
    EXPECT_TRUE(table_->pfnClosePort(port));
}

// The spooler keeps a port open across jobs, may have two ports open at once, and may close
// a port in the middle of a job.
TEST_F(PortFunctions, EachJobGetsItsOwnFile) {
    HANDLE first = Open(), second = Open();
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(Start(first, kFirstJob + 1));
    ASSERT_TRUE(Start(second, kFirstJob + 2));
    Write(first, "first ");
    Write(second, "second ");
    Write(first, "job");
    Write(second, "job");
    SetLastError(kSentinel);
    EXPECT_FALSE(Start(first, kFirstJob + 3)) << "a second document on a busy port";
    EXPECT_EQ(GetLastError(), DWORD{ERROR_BUSY});
    EXPECT_TRUE(table_->pfnEndDocPort(first));
    EXPECT_TRUE(table_->pfnEndDocPort(second));
    ASSERT_TRUE(Start(first, kFirstJob + 3));
    Write(first, "third job");
    EXPECT_TRUE(table_->pfnEndDocPort(first));
    ASSERT_TRUE(Start(second, kFirstJob + 4));
    Write(second, "cut short");
    EXPECT_TRUE(table_->pfnClosePort(first));
    EXPECT_TRUE(table_->pfnClosePort(second));
    EXPECT_EQ(ReadWholeFile(JobFile(kFirstJob + 1)), "first job");
    EXPECT_EQ(ReadWholeFile(JobFile(kFirstJob + 2)), "second job");
    EXPECT_EQ(ReadWholeFile(JobFile(kFirstJob + 3)), "third job");
    EXPECT_EQ(ReadWholeFile(JobFile(kFirstJob + 4)), "cut short");
    // Closed, not just flushed: nothing holds the cut-short job's file any more.
    EXPECT_TRUE(DeleteFileW(JobFile(kFirstJob + 4).c_str())) << GetLastError();
}

TEST_F(PortFunctions, RefusesOtherPortsAndWritesOutsideADocument) {
    HANDLE other = reinterpret_cast<HANDLE>(1);
    SetLastError(kSentinel);
    EXPECT_FALSE(table_->pfnOpenPort(monitor_, const_cast<wchar_t*>(L"LPT1:"), &other));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_UNKNOWN_PORT});

    // Port names carry no letter case for the spooler.
    HANDLE port = Open(L"usb/torva label PORT");
    ASSERT_NE(port, nullptr);
    DWORD written = kSentinel;
    BYTE byte = 'x';
    SetLastError(kSentinel);
    EXPECT_FALSE(table_->pfnWritePort(port, &byte, 1, &written));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_EQ(written, 0u);
    SetLastError(kSentinel);
    EXPECT_FALSE(table_->pfnEndDocPort(port));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_TRUE(table_->pfnClosePort(port));
}

}  // namespace
