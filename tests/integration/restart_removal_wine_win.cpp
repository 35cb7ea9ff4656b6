// A file that cannot be deleted now goes at the next restart. A file whose holder allows it to
// move (a loaded library does) moves aside first, so that its name is free at once for a
// reinstallation before the restart, and the restart deletes the file moved aside, not the
// new one.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/files_win.h"

namespace prinstall {
namespace {

// The session manager's list of pending operations as one text, entries separated by '|'.
std::wstring PendingOperations() {
    std::wstring pending(32768, L'\0');
    DWORD size = static_cast<DWORD>(pending.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                     L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, pending.data(),
                     &size) != ERROR_SUCCESS) {
        return L"";
    }
    pending.resize(size / sizeof(wchar_t));
    for (wchar_t& c : pending) c = c == L'\0' ? L'|' : c;
    return pending;
}

TEST(RestartRemovalUnderWine, AFileThatMayMoveFreesItsNameAtOnce) {
    const wchar_t* path = L"C:\\windows\\system32\\spool\\drivers\\w32x86\\TVLabelUI7.DLL";
    HANDLE created = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(created, INVALID_HANDLE_VALUE) << GetLastError();
    CloseHandle(created);
    // Held as a library holds its file: others may read it and move it, not delete it.
    HANDLE held =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << GetLastError();

    WinFiles files;
    EXPECT_TRUE(files.ScheduleRemovalAtRestart("C:\\windows\\system32\\spool\\drivers\\w32x86\\TVLabelUI7.DLL"));
    CloseHandle(held);
    EXPECT_EQ(GetFileAttributesW(path), INVALID_FILE_ATTRIBUTES) << "the name is free for a new file";
    const std::wstring pending = PendingOperations();
    const std::wstring aside = L"\\??\\" + std::wstring(path) + L".";
    const size_t at = pending.find(aside);
    ASSERT_NE(at, std::wstring::npos) << "not scheduled: " << pending.size();
    EXPECT_NE(pending.find(L".deleted||", at), std::wstring::npos) << "the file moved aside goes, and only it";
    EXPECT_EQ(pending.find(L"\\??\\" + std::wstring(path) + L"|"), std::wstring::npos)
        << "the name itself is not scheduled";
}

}  // namespace
}  // namespace prinstall
