#include "install/uninstall_entry.h"

#include "prinstall_version.h"

namespace prinstall {

void WriteUninstallEntry(Registry& registry, bool korean, const std::string& programPath) {
    const char* path = korean ? kUninstallKeyKorean : kUninstallKeyEnglish;
    Registry::Key key = 0;
    if (registry.OpenKey(path, key) == 0) {
        // Written by an earlier installation: its values stay as they are.
        registry.CloseKey(key);
        return;
    }
    if (registry.CreateKey(path, "REG_BINARY", key) != 0) return;
    if (registry.SetString(key, "DisplayName", korean ? kUninstallNameKorean : kUninstallNameEnglish) == 0) {
        registry.SetString(key, "UninstallString", kUninstallCommand);
    }
    const size_t slash = programPath.find_last_of('\\');
    registry.SetString(key, "QuietUninstallString", "\"" + programPath + "\" /uninstall /all /quiet");
    registry.SetString(key, "DisplayVersion", PRINSTALL_VERSION_TEXT);
    registry.SetString(key, "Publisher", "TORVA");
    registry.SetString(key, "InstallLocation", slash == std::string::npos ? programPath : programPath.substr(0, slash));
    registry.SetString(key, "DisplayIcon", programPath + ",0");
    registry.SetDword(key, "NoModify", 1);
    registry.SetDword(key, "NoRepair", 1);
    registry.CloseKey(key);
}

}  // namespace prinstall
