// File-system port: paths are Windows paths in UTF-8 (backslashes, names compared without
// regard to case, relative paths resolved against the process's current directory).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace prinstall {

// A file open for reading. read() gives the number of bytes read, 0 at the end, -1 on error.
class InputFile {
public:
    virtual ~InputFile() = default;
    virtual long read(char* buffer, std::size_t size) = 0;
};

// A file open for writing, bytes unchanged. close() flushes; false when that fails.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual bool write(const char* data, std::size_t size) = 0;
    virtual bool close() = 0;
};

class Files {
public:
    virtual ~Files() = default;

    // Full path of the running program's file.
    virtual std::string programPath() = 0;
    // The system folder (C:\Windows\system32 on most machines).
    virtual std::string systemDirectory() = 0;
    virtual bool setCurrentDirectory(const std::string& path) = 0;
    virtual std::string currentDirectory() = 0;
    // One level, default security.
    virtual bool createDirectory(const std::string& path) = 0;
    // Copies, replacing an existing destination.
    virtual bool copyFile(const std::string& from, const std::string& to) = 0;
    // Deletes a file, clearing a read-only attribute first; true when no file of that name is
    // left (also when there was none).
    virtual bool deleteFile(const std::string& path) = 0;
    virtual bool fileExists(const std::string& path) = 0;
    // The size in bytes of an existing file; -1 when there is no such file (or it is a folder).
    virtual std::int64_t fileSize(const std::string& path) = 0;
    // nullptr when the file cannot be opened.
    virtual std::unique_ptr<InputFile> openForReading(const std::string& path) = 0;
    // Creates or truncates; nullptr when it cannot.
    virtual std::unique_ptr<OutputFile> createForWriting(const std::string& path) = 0;
};

}  // namespace prinstall
