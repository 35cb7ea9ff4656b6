#include "core/folder_record.h"

namespace prinstall {

std::optional<FolderRecord> ReadFolderRecord(Registry& registry) {
    Registry::Key key = 0;
    if (registry.OpenKeyForReading(kFolderRecordKey, key) != 0) return std::nullopt;
    FolderRecord record;
    const bool read = registry.QueryString(key, "Identity", record.identity) == 0;
    registry.QueryString(key, "MadeBy", record.madeBy);
    registry.CloseKey(key);
    if (!read) return std::nullopt;
    return record;
}

std::uint32_t WriteFolderRecord(Registry& registry, const FolderRecord& record) {
    Registry::Key key = 0;
    std::uint32_t e = registry.CreateKey(kFolderRecordKey, "", key);
    if (e != 0) return e;
    e = registry.SetString(key, "Identity", record.identity);
    if (e == 0) e = registry.SetString(key, "MadeBy", record.madeBy);
    registry.CloseKey(key);
    return e;
}

std::uint32_t DeleteFolderRecord(Registry& registry) {
    Registry::Key key = 0;
    if (registry.OpenKeyForReading(kFolderRecordKey, key) != 0) return 0;
    registry.CloseKey(key);
    return registry.DeleteKey(kFolderRecordKey);
}

}  // namespace prinstall
