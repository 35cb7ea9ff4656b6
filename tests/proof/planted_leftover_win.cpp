// A suite that leaves something behind on purpose: a file in the 32-bit driver directory and an
// uninstall entry that no installation made. Put between two suites of a kit under Wine, it
// must make the proof fail and be named in its report (tests/proof/run-kit.sh --plant).
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

TEST(PlantedLeftover, LeavesAFileAndAnEntryBehind) {
    wchar_t directory[MAX_PATH] = {};
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterDriverDirectoryW(nullptr, const_cast<wchar_t*>(L"Windows NT x86"), 1,
                                           reinterpret_cast<BYTE*>(directory), sizeof directory, &needed));
    const std::wstring file = std::wstring(directory) + L"\\3\\proof-planted.dll";
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    CloseHandle(handle);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                              L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Proof planted entry", 0,
                              nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}
