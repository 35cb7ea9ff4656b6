#include "install/uninstall_entry.h"

#include "install/staging.h"
#include "prinstall_version.h"

namespace prinstall {

void WriteUninstallEntry(Registry& registry, bool korean, const UninstallEntryFacts& facts) {
    const char* path = korean ? kUninstallKeyKorean : kUninstallKeyEnglish;
    Registry::Key key = 0;
    if (registry.OpenKey(path, key) != 0 && registry.CreateKey(path, "REG_BINARY", key) != 0) return;
    if (registry.SetString(key, "DisplayName", korean ? kUninstallNameKorean : kUninstallNameEnglish) == 0) {
        registry.SetString(key, "UninstallString", kUninstallCommand);
    }
    // A command line: the program's path has blanks, so it is quoted before its arguments.
    registry.SetString(key, "QuietUninstallString",
                       std::string("\"") + kUninstallCommand + "\" /uninstall /all /quiet");
    registry.SetString(key, "DisplayVersion", PRINSTALL_VERSION_TEXT);
    registry.SetString(key, "Publisher", "TORVA");
    // A folder, not a command: read as a path as it stands (Windows Installer writes it so).
    registry.SetString(key, "InstallLocation", kInstallFolder);
    // An icon location, "file,index", which the shell splits at the last comma: no quotes.
    registry.SetString(key, "DisplayIcon", std::string(kUninstallCommand) + ",0");
    if (facts.estimatedSizeKb != 0) registry.SetDword(key, "EstimatedSize", facts.estimatedSizeKb);
    if (!facts.installDate.empty()) registry.SetString(key, "InstallDate", facts.installDate);
    registry.SetDword(key, "NoModify", 1);
    registry.SetDword(key, "NoRepair", 1);
    registry.CloseKey(key);
}

std::string InstallDateOf(const std::string& localTimestamp) {
    if (localTimestamp.size() < 10 || localTimestamp[4] != '-' || localTimestamp[7] != '-') return {};
    const std::string date = localTimestamp.substr(0, 4) + localTimestamp.substr(5, 2) + localTimestamp.substr(8, 2);
    for (char c : date) {
        if (c < '0' || c > '9') return {};
    }
    return date;
}

}  // namespace prinstall
