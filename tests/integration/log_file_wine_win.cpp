// The /log file against Wine's real file system: lines appended to what an earlier run left,
// UTF-8 with CR LF after the byte-order mark of a new file, readable by others while the run
// still writes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/log_file_win.h"

namespace prinstall {
namespace {

const char kPath[] = "C:\\prinstall-log-test.log";
// A new log begins with the UTF-8 byte-order mark; lines appended later add none.
const std::string kBom = "\xEF\xBB\xBF";

std::string ReadAll(const wchar_t* path) {
    HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "(cannot open: " + std::to_string(GetLastError()) + ")";
    std::string text(4096, '\0');
    DWORD read = 0;
    ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    text.resize(read);
    return text;
}

TEST(LogFileUnderWine, AppendsEachLineToWhatTheFileHolds) {
    DeleteFileW(L"C:\\prinstall-log-test.log");
    const std::string first = "2026-12-07 13:00:00 Installation started.";
    const std::string second = "2026-12-07 13:00:05 Étiquettes 東京 (exit code 0)";
    {
        WinLogFile log;
        ASSERT_TRUE(log.Open(kPath)) << log.LastError();
        log.WriteLine(first);
        EXPECT_EQ(ReadAll(L"C:\\prinstall-log-test.log"), kBom + first + "\r\n") << "flushed and readable while open";
    }
    WinLogFile again;
    ASSERT_TRUE(again.Open(kPath)) << again.LastError();
    again.WriteLine(second);
    again.WriteLine("Usage:\n  Prinstall.exe /?");
    EXPECT_EQ(ReadAll(L"C:\\prinstall-log-test.log"),
              kBom + first + "\r\n" + second + "\r\nUsage:\r\n  Prinstall.exe /?\r\n");

    WinLogFile nowhere;
    EXPECT_FALSE(nowhere.Open("C:\\no such folder\\x.log"));
    EXPECT_EQ(nowhere.LastError(), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
    nowhere.WriteLine("goes nowhere");
}

}  // namespace
}  // namespace prinstall
