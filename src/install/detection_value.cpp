#include "install/detection_value.h"

#include "core/entry_names.h"
#include "core/printer_records.h"
#include "prinstall_version.h"

namespace prinstall {

std::uint32_t WriteDetectionValue(Registry& registry) {
    Registry::Key key = 0;
    std::uint32_t e = registry.CreateKey(kDetectionKey, "", key);
    if (e != 0) return e;
    e = registry.SetDword(key, kDetectionInstalled, 1);
    if (e == 0) e = registry.SetString(key, kDetectionVersion, PRINSTALL_VERSION_TEXT);
    registry.CloseKey(key);
    return e;
}

bool DetectionValuePresent(Registry& registry) {
    Registry::Key key = 0;
    if (registry.OpenKeyForReading(kDetectionKey, key) != 0) return false;
    registry.CloseKey(key);
    return true;
}

std::uint32_t DeleteDetectionValue(Registry& registry) {
    const std::uint32_t e = registry.DeleteKey(kDetectionKey);
    if (e == 0) DeleteMakerKeyIfEmpty(registry);
    return e;
}

}  // namespace prinstall
