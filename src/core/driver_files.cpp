#include "core/driver_files.h"

#include "core/texts.h"

namespace prinstall {

std::string GpdCloneName(int n) { return Format("TVLabel%d.GPD", n); }
std::string IniCloneName(int n) { return Format("TVLabel%d.INI", n); }
std::string ResourceCloneName(int n) { return Format("TVLabel%d.DLL", n); }
std::string RenderCloneName(int n) { return Format("TVLabelE%d.DLL", n); }
std::string UiCloneName(int n) { return Format("TVLabelUI%d.DLL", n); }

const char* DriverVersionFolder(int osFamily) {
    if (osFamily >= 1 && osFamily <= 4) return "";
    if (osFamily == 5) return "\\2";
    return "\\3";
}

std::vector<std::string> NumberedFileNames(int n) {
    return {GpdCloneName(n), ResourceCloneName(n), IniCloneName(n), RenderCloneName(n), UiCloneName(n)};
}

std::optional<std::string> MissingDriverFile(Files& files, const std::string& directory, const DriverRecord& d) {
    std::vector<std::string> names = {d.driverPath, d.dataFile, d.configFile, d.helpFile};
    for (const std::string& name : d.DependentFileNames()) names.push_back(name);
    for (const std::string& name : names) {
        if (!name.empty() && files.FileSize(directory + "\\" + name) <= 0) return name;
    }
    return std::nullopt;
}

FileRemoval RemoveNowOrAtRestart(Files& files, const std::string& path) {
    if (files.RemoveFile(path)) return FileRemoval::Removed;
    return files.ScheduleRemovalAtRestart(path) ? FileRemoval::AtRestart : FileRemoval::Kept;
}

FilesLeft DeleteNumberedFiles(Files& files, const std::string& directory, int osFamily, int n) {
    std::vector<std::string> folders = {directory};
    if (*DriverVersionFolder(osFamily) != '\0') folders.push_back(directory + DriverVersionFolder(osFamily));
    FilesLeft left;
    for (const std::string& folder : folders) {
        for (const std::string& name : NumberedFileNames(n)) {
            const std::string path = folder + "\\" + name;
            left.Add(path, RemoveNowOrAtRestart(files, path));
        }
    }
    return left;
}

FilesLeft DeleteNumberedFiles(Spooler& spooler, Files& files, const std::string& environment, int osFamily, int n) {
    std::string directory;
    if (spooler.DriverDirectory(environment, directory) != 0 || directory.empty()) {
        // Without the folder nothing can be deleted, and the files may well be there: they
        // count as left, by name, so that the removal does not end as if they were gone.
        FilesLeft left;
        left.kept = NumberedFileNames(n);
        return left;
    }
    return DeleteNumberedFiles(files, directory, osFamily, n);
}

}  // namespace prinstall
