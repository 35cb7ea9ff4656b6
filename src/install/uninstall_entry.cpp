#include "install/uninstall_entry.h"

namespace prinstall {

void WriteUninstallEntry(Registry& registry, bool korean) {
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
    registry.closeKey(key);
}

}  // namespace prinstall
