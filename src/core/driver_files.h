// The files of one numbered driver copy in the spooler's driver directory: their names, which must be there
// before the copy is registered, and deleting the copy's own numbered files again (when the
// copy fails, and when it is removed).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/texts.h"
#include "platform/files.h"
#include "platform/spooler.h"

namespace prinstall {

// The subfolder of the driver directory that a Windows family keeps its driver files in:
// none for families 1 to 4, "\2" for NT 4.0 (5), "\3" for everything else.
const char* DriverVersionFolder(int osFamily);

// The five per-copy file names: the GPD and INI clones written for copy N, and the three
// modules staged under numbered names.
std::string GpdCloneName(int n);       // TVLabel%d.GPD
std::string IniCloneName(int n);       // TVLabel%d.INI
std::string ResourceCloneName(int n);  // TVLabel%d.DLL
std::string RenderCloneName(int n);    // TVLabelE%d.DLL
std::string UiCloneName(int n);        // TVLabelUI%d.DLL

// The five files that carry the copy's number: GPD, INI and the three modules.
std::vector<std::string> NumberedFileNames(int driverNumber);

// N when the name (in any letter case) is one of the five that copy N stages, N from 1 to
// kMaxDriverNumber; 0 for any other name ("TVLabel.GPD", "TVLabel07.GPD", "UNIDRV.DLL").
int NumberedFileNumber(const std::string& name);
// N when the name is copy N's GPD or INI clone, the two written into the media folder before
// staging; 0 otherwise.
int CloneFileNumber(const std::string& name);

// The program's folder: its path cut before the last backslash; a path without one, or
// whose only backslash is its first character, is used whole.
std::string ProgramFolder(const std::string& programPath);

// "Win32" for x86 (processor 0), "Win64" for x64 and Itanium: the media folder beside the
// program that holds the template the clones are written from, and the clones themselves.
const char* MediaFolderFor(int processor);

// The first file the driver record names (driver, data, configuration, help and dependent
// files) that is missing or empty in the driver directory; nothing when all are there.
std::optional<std::string> MissingDriverFile(Files& files, const std::string& driverDirectory,
                                             const DriverRecord& driver);

// What became of a file of ours to delete.
enum class FileRemoval {
    Removed,    // gone (or never there)
    AtRestart,  // held open (the spooler holds a monitor, a job a driver file): Windows deletes it at the
                // next restart
    Kept,       // neither deleted nor scheduled
};

// Deletes the file; when that fails, has Windows delete it at the next restart.
FileRemoval RemoveNowOrAtRestart(Files& files, const std::string& path);

// The files a deletion could not delete at once, by path.
struct FilesLeft {
    std::vector<std::string> kept;       // still there, and nothing will delete them
    std::vector<std::string> atRestart;  // deleted at the next restart
    // Not the program's to delete: something else uses it (named with the reason). Not a fault.
    std::vector<std::string> inUse;
    // Other programs' queues that had to leave the label monitor's port (named with the port).
    std::vector<std::string> moved;

    // A path already named (a file the removal of a queue left and the cleanup tried again)
    // is named once.
    void Add(const std::string& path, FileRemoval removal) {
        if (removal == FileRemoval::Kept) AddOnce(kept, path);
        if (removal == FileRemoval::AtRestart) AddOnce(atRestart, path);
    }
    // Whether the path is named already, as kept or as going at the next restart.
    bool Names(const std::string& path) const {
        for (const auto* list : {&kept, &atRestart}) {
            for (const std::string& known : *list) {
                if (SamePath(known, path)) return true;
            }
        }
        return false;
    }
    void Append(const FilesLeft& other) {
        for (const std::string& path : other.kept) AddOnce(kept, path);
        for (const std::string& path : other.atRestart) AddOnce(atRestart, path);
        for (const std::string& item : other.inUse) AddOnce(inUse, item);
        for (const std::string& item : other.moved) AddOnce(moved, item);
    }

private:
    // Windows compares paths without regard to letter case, and a path built from the
    // spooler's folder name may differ in case from the same path built from a listing.
    static bool SamePath(const std::string& a, const std::string& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 'a' + 'A') : a[i];
            const char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 'a' + 'A') : b[i];
            if (x != y) return false;
        }
        return true;
    }
    static void AddOnce(std::vector<std::string>& list, const std::string& path) {
        for (const std::string& known : list) {
            if (SamePath(known, path)) return;
        }
        list.push_back(path);
    }
};

// Deletes copy N's numbered files from the driver directory and its version subfolder (where
// the spooler keeps its own copies), each now or at the next restart.
FilesLeft DeleteNumberedFiles(Files& files, const std::string& driverDirectory, int osFamily, int driverNumber);

// The same in the driver directory of `environment`, where other drivers may name the same
// files: a file that a driver other than copy N's names stays (in `inUse`), and while the
// drivers cannot be listed every file stays. All of them count as left when the spooler gives
// no directory.
FilesLeft DeleteNumberedFiles(Spooler& spooler, Files& files, const std::string& environment, int osFamily,
                              int driverNumber, Language language);

}  // namespace prinstall
