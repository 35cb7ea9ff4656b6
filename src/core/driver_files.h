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

// Deletes copy N's numbered files from the driver directory and its version subfolder (where
// the spooler keeps its own copies). Gives the paths of files that are still there afterwards.
std::vector<std::string> DeleteNumberedFiles(Files& files, const std::string& driverDirectory, int osFamily,
                                             int driverNumber);

// The same in the driver directory of `environment`; nothing is deleted, and nothing named,
// when the spooler gives no directory.
std::vector<std::string> DeleteNumberedFiles(Spooler& spooler, Files& files, const std::string& environment,
                                             int osFamily, int driverNumber);

}  // namespace prinstall
