// The file-system port over kernel32's W functions.
#pragma once

#include "platform/files.h"

namespace prinstall {

class WinFiles : public Files {
public:
    std::string programPath() override;
    std::string systemDirectory() override;
    bool setCurrentDirectory(const std::string& path) override;
    std::string currentDirectory() override;
    bool createDirectory(const std::string& path) override;
    bool copyFile(const std::string& from, const std::string& to) override;
    bool deleteFile(const std::string& path) override;
    bool fileExists(const std::string& path) override;
    std::int64_t fileSize(const std::string& path) override;
    std::unique_ptr<InputFile> openForReading(const std::string& path) override;
    std::unique_ptr<OutputFile> createForWriting(const std::string& path) override;
};

}  // namespace prinstall
