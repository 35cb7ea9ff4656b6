#include "install/uninstall_entry.h"

namespace prinstall {

void WriteUninstallEntry(Registry& registry, bool korean, const std::string& programPath) {
    const char* path = korean ? kUninstallKeyKorean : kUninstallKeyEnglish;
    Registry::Key key = 0;
    if (registry.openKey(path, key) == 0) {
        // Written by an earlier installation: its values stay as they are.
        registry.closeKey(key);
        return;
    }
    if (registry.createKey(path, "REG_BINARY", key) != 0) return;
    if (registry.setString(key, "DisplayName", korean ? kUninstallNameKorean : kUninstallNameEnglish) == 0) {
        registry.setString(key, "UninstallString", kUninstallCommand);
    }
    const size_t slash = programPath.find_last_of('\\');
    registry.setString(key, "QuietUninstallString", "\"" + programPath + "\" /uninstall /all /quiet");
    registry.setString(key, "DisplayVersion", "4.70");
    registry.setString(key, "Publisher", "TORVA");
    registry.setString(key, "InstallLocation", slash == std::string::npos ? programPath : programPath.substr(0, slash));
    registry.setString(key, "DisplayIcon", programPath + ",0");
    registry.setDword(key, "NoModify", 1);
    registry.setDword(key, "NoRepair", 1);
    registry.closeKey(key);
}

}  // namespace prinstall
