// The file-system port over kernel32's W functions.
#pragma once

#include "platform/files.h"

namespace prinstall {

class WinFiles : public Files {
public:
    std::string ProgramPath() override;
    std::string SystemDirectory() override;
    bool SetWorkingDirectory(const std::string& path) override;
    std::string WorkingDirectory() override;
    bool MakeDirectory(const std::string& path) override;
    bool CopyFileTo(const std::string& from, const std::string& to) override;
    bool RemoveFile(const std::string& path) override;
    bool ScheduleRemovalAtRestart(const std::string& path) override;
    bool CancelRemovalAtRestart(const std::string& path) override;
    std::vector<std::string> RemovalsAtRestart() override;
    bool FileExists(const std::string& path) override;
    std::int64_t FileSize(const std::string& path) override;
    std::int64_t FolderSize(const std::string& path) override;
    bool ListFileNames(const std::string& folder, std::vector<std::string>& names) override;
    std::unique_ptr<InputFile> OpenForReading(const std::string& path) override;
    std::unique_ptr<OutputFile> CreateForWriting(const std::string& path) override;
};

}  // namespace prinstall
