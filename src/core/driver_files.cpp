#include "core/driver_files.h"

#include "core/label_drivers.h"
#include "core/ownership.h"
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

namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// File names compare without regard to case; ours are ASCII.
bool SameLetters(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

// N when the name is one that `names` gives for N: the number is read from the name's first
// digits and the name must then be exactly what `names` makes of it (letter case aside).
template <class Names>
int NumberOf(const std::string& name, Names names) {
    const size_t first = name.find_first_of("0123456789");
    if (first == std::string::npos) return 0;
    const size_t end = name.find_first_not_of("0123456789", first);
    const size_t digits = (end == std::string::npos ? name.size() : end) - first;
    if (digits > 3) return 0;
    int n = 0;
    for (size_t i = first; i < first + digits; ++i) n = n * 10 + (name[i] - '0');
    if (n < 1 || n > kMaxDriverNumber) return 0;
    for (const std::string& candidate : names(n)) {
        if (SameLetters(candidate, name)) return n;
    }
    return 0;
}

}  // namespace

int NumberedFileNumber(const std::string& name) { return NumberOf(name, NumberedFileNames); }

int CloneFileNumber(const std::string& name) {
    return NumberOf(name, [](int n) { return std::vector<std::string>{GpdCloneName(n), IniCloneName(n)}; });
}

std::string ProgramFolder(const std::string& programPath) {
    size_t slash = programPath.rfind('\\');
    if (slash == std::string::npos || slash == 0) return programPath;
    return programPath.substr(0, slash);
}

const char* MediaFolderFor(int processor) { return processor == 0 ? "Win32" : "Win64"; }

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

FilesLeft DeleteNumberedFiles(Spooler& spooler, Files& files, const std::string& environment, int osFamily, int n,
                              Language language) {
    std::string directory;
    if (spooler.DriverDirectory(environment, directory) != 0 || directory.empty()) {
        // Without the folder nothing can be deleted, and the files may well be there: they
        // count as left, by name, so that the removal does not end as if they were gone.
        FilesLeft left;
        left.kept = NumberedFileNames(n);
        return left;
    }
    const UsageSurvey survey(spooler, environment, language, false);
    std::vector<std::string> folders = {directory};
    if (*DriverVersionFolder(osFamily) != '\0') folders.push_back(directory + DriverVersionFolder(osFamily));
    FilesLeft left;
    for (const std::string& folder : folders) {
        for (const std::string& name : NumberedFileNames(n)) {
            const std::string path = folder + "\\" + name;
            if (std::optional<std::string> why = survey.FileKept(path, LabelDriverName(n))) {
                if (!survey.DriversListed()) {
                    left.Add(path, FileRemoval::Kept);
                } else if (files.FileExists(path)) {
                    left.inUse.push_back(*why);
                }
                continue;
            }
            left.Add(path, RemoveNowOrAtRestart(files, path));
        }
    }
    return left;
}

}  // namespace prinstall
