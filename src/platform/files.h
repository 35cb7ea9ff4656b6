// File-system port: paths are Windows paths in UTF-8 (backslashes, names compared without
// regard to case, relative paths resolved against the process's current directory).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace prinstall {

// A file open for reading. Read() gives the number of bytes read, 0 at the end, -1 on error.
class InputFile {
public:
    virtual ~InputFile() = default;
    virtual long Read(char* buffer, std::size_t size) = 0;
};

// A file open for writing, bytes unchanged. Close() flushes; false when that fails.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual bool Write(const char* data, std::size_t size) = 0;
    virtual bool Close() = 0;
};

class Files {
public:
    virtual ~Files() = default;

    // Full path of the running program's file.
    virtual std::string ProgramPath() = 0;
    // The system folder (C:\Windows\system32 on most machines).
    virtual std::string SystemDirectory() = 0;
    virtual bool SetWorkingDirectory(const std::string& path) = 0;
    virtual std::string WorkingDirectory() = 0;
    // One level, default security.
    virtual bool MakeDirectory(const std::string& path) = 0;
    // Copies, replacing an existing destination.
    virtual bool CopyFileTo(const std::string& from, const std::string& to) = 0;
    // Deletes a file, clearing a read-only attribute first; true when no file of that name is
    // left (also when there was none).
    virtual bool RemoveFile(const std::string& path) = 0;
    // Has Windows delete the file at the next restart, before any program can hold it again
    // (MoveFileEx with MOVEFILE_DELAY_UNTIL_REBOOT: administrators only); for a file that
    // RemoveFile could not delete because something holds it open. Where the holder allows
    // it, the file first moves out of the way under a name of its own in the same folder, so
    // that a file installed under the old name before the restart is not the one deleted.
    // False when refused.
    virtual bool ScheduleRemovalAtRestart(const std::string& path) = 0;
    // Withdraws every deletion at the next restart that names this very path (an earlier
    // removal's, which could not move the file aside), so that the file about to be copied
    // there is not deleted when Windows starts again. True when none is left.
    virtual bool CancelRemovalAtRestart(const std::string& path) = 0;
    // The paths Windows deletes at the next restart; none when the list cannot be read.
    virtual std::vector<std::string> RemovalsAtRestart() = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // The size in bytes of an existing file; -1 when there is no such file (or it is a folder).
    virtual std::int64_t FileSize(const std::string& path) = 0;
    // The bytes of all files in a folder and its subfolders; -1 when there is no such folder.
    virtual std::int64_t FolderSize(const std::string& path) = 0;
    // The names of the files directly in a folder (no subfolders), in no particular order; a
    // folder that is not there has none. False, with no names, when a folder that may be there
    // cannot be listed (access denied, a device error): its files are unknown, not absent.
    virtual bool ListFileNames(const std::string& folder, std::vector<std::string>& names) = 0;
    // nullptr when the file cannot be opened.
    virtual std::unique_ptr<InputFile> OpenForReading(const std::string& path) = 0;
    // Creates or truncates; nullptr when it cannot.
    virtual std::unique_ptr<OutputFile> CreateForWriting(const std::string& path) = 0;
};

}  // namespace prinstall
