// The record of the installation folder: which folder the program or its package made, with
// its final permissions, at the fixed path. A run from that folder installs only when the
// folder there is still the one recorded; the folder itself cannot say so.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/registry.h"

namespace prinstall {

// Which route made the installation folder: its record says so, the folder says nothing.
inline constexpr const char* kFolderMadeByProgram = "Prinstall.exe";
inline constexpr const char* kFolderMadeByPackage = "package";

// The installation folder's record in HKLM (the registry's 32-bit view, like the detection
// value): Identity, what the folder security port tells of the folder made, and MadeBy, one of
// the two names above. It lives as long as the folder: a removal of the printers keeps both, so
// that the program can be run from there again; the package's removal, which takes the folder,
// deletes it.
inline constexpr const char* kFolderRecordKey = "SOFTWARE\\TORVA\\EPL Printer 2.X Folder";
struct FolderRecord {
    std::string identity;
    std::string madeBy;
};
std::optional<FolderRecord> ReadFolderRecord(Registry& registry);
std::uint32_t WriteFolderRecord(Registry& registry, const FolderRecord& record);

std::uint32_t DeleteFolderRecord(Registry& registry);

}  // namespace prinstall
