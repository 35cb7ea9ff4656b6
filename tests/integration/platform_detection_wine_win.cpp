// Platform detection against the versions Wine can pretend to be. The version is chosen per
// program in the prefix's registry, so each case runs the probe program as a child process
// and reads its one-line answer.
#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "platform/handle_win.h"

namespace prinstall {
namespace {

std::wstring ProbePath() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"probe\\prinstall_platform_probe.exe";
}

// nullptr: no version of the probe's own, so the prefix's (Windows 7 workstation) applies.
void SetWineVersion(const wchar_t* version) {
    if (version == nullptr) {
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\prinstall_platform_probe.exe");
        return;
    }
    RegistryKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\prinstall_platform_probe.exe", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.Get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                             static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

// Runs the probe and returns what it printed.
std::string RunProbe() {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    EXPECT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    KernelHandle reader(readEnd), writer(writeEnd);
    SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writer.Get();
    si.hStdError = writer.Get();
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::wstring command = L"\"" + ProbePath() + L"\"";
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start the probe: " << GetLastError();
        return {};
    }
    KernelHandle process(pi.hProcess), thread(pi.hThread);
    writer.Reset();
    std::string out;
    char buffer[256];
    DWORD got = 0;
    while (ReadFile(reader.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) out.append(buffer, got);
    WaitForSingleObject(process.Get(), 60000);
    return out;
}

struct Expected {
    const wchar_t* wineVersion;
    int portFamily;
    int radio;
    int removalFamily;
};

// The prefix is a 32-bit one: the processor is x86 throughout.
TEST(PlatformDetectionUnderWine, EachWindowsVersionGivesItsFamily) {
    const Expected cases[] = {
        {nullptr, 11, 1046, 11},
        {L"winxp", 7, 1009, 7},
        {L"win2k", 6, 1008, 6},
        {L"vista", 9, 1024, 9},
        {L"win2003", 8, 1010, 8},
        {L"win10", 12, 1047, 11},
        {L"win98", 3, 1005, 3},
        // Wine 8 gives its "win7" the product type of a server (and "win2008r2" that of a
        // workstation), so "win7" reads as Server 2008 R2 here.
        {L"win7", 10, 1045, 10},
    };
    for (const Expected& c : cases) {
        SetWineVersion(c.wineVersion);
        std::istringstream answer(RunProbe());
        int family = -1, processor = -1, radio = -1, result = 0, removal = -1;
        answer >> family >> processor >> radio >> result >> removal;
        SCOPED_TRACE(c.wineVersion ? std::string(c.wineVersion, c.wineVersion + wcslen(c.wineVersion))
                                   : "prefix default");
        EXPECT_EQ(result, 1);
        EXPECT_EQ(family, c.portFamily);
        EXPECT_EQ(radio, c.radio);
        EXPECT_EQ(removal, c.removalFamily);
        EXPECT_EQ(processor, 0);
    }
}

// In a 64-bit prefix the 32-bit program runs under WOW64 and still sees the x64 processor.
TEST(PlatformDetectionOn64BitWine, ThirtyTwoBitProgramSeesAnX64Processor) {
    SetWineVersion(nullptr);
    std::istringstream answer(RunProbe());
    int family = -1, processor = -1, radio = -1, result = 0, removal = -1;
    answer >> family >> processor >> radio >> result >> removal;
    EXPECT_EQ(result, 1);
    EXPECT_EQ(processor, 1);
    EXPECT_EQ(family, 11);
    EXPECT_EQ(removal, 11);
    BOOL wow64 = FALSE;
    EXPECT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    EXPECT_TRUE(wow64);
}

}  // namespace
}  // namespace prinstall
