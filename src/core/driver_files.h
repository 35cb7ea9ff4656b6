// The files of one numbered driver copy in the spooler's driver directory: their names, which must be there
// before the copy is registered, and deleting the copy's own numbered files again (when the
// copy fails, and when it is removed).
#pragma once

#include <optional>
#include <string>
#include <vector>

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

    void Add(const std::string& path, FileRemoval removal) {
        if (removal == FileRemoval::Kept) kept.push_back(path);
        if (removal == FileRemoval::AtRestart) atRestart.push_back(path);
    }
    void Append(const FilesLeft& other) {
        kept.insert(kept.end(), other.kept.begin(), other.kept.end());
        atRestart.insert(atRestart.end(), other.atRestart.begin(), other.atRestart.end());
    }
};

// Deletes copy N's numbered files from the driver directory and its version subfolder (where
// the spooler keeps its own copies), each now or at the next restart.
FilesLeft DeleteNumberedFiles(Files& files, const std::string& driverDirectory, int osFamily, int driverNumber);

// The same in the driver directory of `environment`; nothing is deleted, and nothing named,
// when the spooler gives no directory.
FilesLeft DeleteNumberedFiles(Spooler& spooler, Files& files, const std::string& environment, int osFamily,
                              int driverNumber);

}  // namespace prinstall
