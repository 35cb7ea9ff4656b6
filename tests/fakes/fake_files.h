// An in-memory file system that treats paths as Windows does: drive-letter paths with
// backslashes (doubled separators read as one), names compared without regard to case,
// relative paths resolved against a current directory. Folders can be made read-only, and
// reads can be made to fail part way.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "fakes/process_kill.h"
#include "platform/files.h"
#include "platform/folder_security.h"

namespace prinstall::fakes {

class FakeFiles : public Files, public Killable {
public:
    std::string program = "C:\\TORVA EPL Printer 2.X\\Prinstall.exe";
    // Reads of this file fail after this many bytes (-1: never).
    std::string failingReadPath;
    long failReadAfter = -1;
    // Writes to this file fail after this many bytes (-1: never).
    std::string failingWritePath;
    long failWriteAfter = -1;
    // Opening this file for reading fails (another program holds it without sharing reads).
    std::string unopenablePath;
    // Closing this file fails: the last bytes never reach the disk (they stay in memory here).
    std::string failingClosePath;

    // Files some process holds open without sharing deletion: RemoveFile fails on them, as
    // DeleteFile does on Windows (32, or 5 for a loaded module).
    std::set<std::string> inUse;
    // Scheduling a deletion at restart fails (a caller without administrator rights).
    bool refuseRemovalAtRestart = false;
    // These folders cannot be listed (FindFirstFile refuses them: access denied, say).
    std::set<std::string> unlistable;
    // The size of a folder cannot be read (FolderSize gives -1).
    bool folderSizeUnknown = false;
    // The files scheduled for deletion at the next restart, paths as given, in order.
    std::vector<std::string> removalsAtRestart;

    FakeFiles();

    // Set-up and inspection.
    void AddFolder(const std::string& path);
    void AddFile(const std::string& path, const std::string& content);
    void SetReadOnly(const std::string& folder);
    bool HasFile(const std::string& path) const;
    bool HasFolder(const std::string& path) const { return FolderExists(Full(path)); }
    // Renames a folder with all it holds; false when it is missing or the new path exists.
    bool MoveFolder(const std::string& from, const std::string& to);
    std::string Content(const std::string& path) const;
    // Names (as created) of the files directly in a folder, sorted case-insensitively.
    std::vector<std::string> List(const std::string& folder) const;
    std::string Key(const std::string& path) const;  // the normalised, lower-case full path

    // Files
    std::string ProgramPath() override { return Alive() ? program : std::string(); }
    std::string SystemDirectory() override { return Alive() ? "C:\\windows\\system32" : ""; }
    bool SetWorkingDirectory(const std::string& path) override;
    std::string WorkingDirectory() override { return Alive() ? current_ : std::string(); }
    bool MakeDirectory(const std::string& path) override;
    bool CopyFileTo(const std::string& from, const std::string& to) override;
    bool RemoveFile(const std::string& path) override;
    bool ScheduleRemovalAtRestart(const std::string& path) override;
    bool CancelRemovalAtRestart(const std::string& path) override;
    std::vector<std::string> RemovalsAtRestart() override { return removalsAtRestart; }
    bool FileExists(const std::string& path) override { return Alive() && HasFile(path); }
    std::int64_t FileSize(const std::string& path) override;
    std::int64_t FolderSize(const std::string& path) override;
    bool ListFileNames(const std::string& folder, std::vector<std::string>& names) override;
    std::unique_ptr<InputFile> OpenForReading(const std::string& path) override;
    std::unique_ptr<OutputFile> CreateForWriting(const std::string& path) override;

    // A new process starts in the system folder.
    void NewProcess() { current_ = "C:\\windows\\system32"; }

    // Every copy made, as (from, to) full paths in their normalised display form.
    std::vector<std::pair<std::string, std::string>> copies;
    // Every copy ("copy TO"), deletion ("delete PATH") and deletion at restart ("at restart
    // PATH") asked for, paths as given, in order;
    // the other fakes can be pointed at it, so that one list tells what happened when.
    std::vector<std::string> trail;

private:
    struct Entry {
        std::string path;  // full path as first created
        std::string data;
    };
    std::string Full(const std::string& path) const;  // resolved display form
    static std::string Parent(const std::string& fullPath);
    bool FolderExists(const std::string& fullPath) const;
    bool Writable(const std::string& fullPath) const;

    std::map<std::string, Entry> files_;
    std::map<std::string, std::string> folders_;  // key -> display path
    std::set<std::string> readOnly_;
    std::string current_ = "C:\\windows\\system32";
    friend class FakeOutputFile;
};

// Who may change which folder of a FakeFiles: paths (with everything below them) that others
// than the administrators can change, and paths whose security cannot be read. Restricting a
// folder makes it and all below it the administrators' own, unless it holds a link or a
// hard-linked file (refused, the first one named), its volume keeps no permissions, or
// `restrictError` is set (failing at `failingEntry`, named when set); each restriction goes
// into the files' trail as "restrict FOLDER".
class FakeFolderSecurity : public FolderSecurity, public Killable {
public:
    explicit FakeFolderSecurity(FakeFiles& files) : files_(files) {}

    std::set<std::string> writableByOthers;
    std::set<std::string> unreadable;
    std::set<std::string> links;       // reparse points: they also make the folder Others
    std::set<std::string> hardLinked;  // files with further names
    bool noPermissions = false;        // the volume keeps none (FAT, exFAT)
    std::uint32_t restrictError = 0;
    std::string failingEntry;
    // Folders another program holds open with delete access: holding or renaming them fails
    // with 32.
    std::set<std::string> heldByOthers;
    // Someone else makes the folder just before CreateForAdministrators does (a race lost).
    bool madeByOthersFirst = false;
    std::string held;  // the folder held now, empty when none

    // The identity Hold gives the folder: a new one for each folder made or renamed to that path.
    std::string IdentityOf(const std::string& folder);

    WriteAccess WritableByOthers(const std::string& folder) override;
    Restriction RestrictToAdministrators(const std::string& folder) override;
    FolderHold Hold(const std::string& folder) override;
    void Release() override;
    std::uint32_t CreateForAdministrators(const std::string& folder) override;
    std::uint32_t Rename(const std::string& from, const std::string& to) override;

private:
    // The paths of `paths` that are the folder or lie below it.
    std::vector<std::string> Within(const std::set<std::string>& paths, const std::string& folder) const;

    FakeFiles& files_;
    std::map<std::string, std::string> identities_;  // folder key -> identity
    int made_ = 0;
};

}  // namespace prinstall::fakes
