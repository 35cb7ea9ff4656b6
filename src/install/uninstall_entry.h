// The entry in the Windows list of installed programs, shared by all driver copies and
// written again by every installation; the removal deletes the same keys.
#pragma once

#include <cstdint>
#include <string>

#include "core/entry_names.h"
#include "platform/registry.h"

namespace prinstall {

// What the installation tells the list of installed programs about itself.
struct UninstallEntryFacts {
    std::uint32_t estimatedSizeKb = 0;  // EstimatedSize: the installation folder's size in KB
    std::string installDate;            // InstallDate: YYYYMMDD, the day of this installation
};

// Quiet: every failure just ends the operation.
// Creates the entry of one language, or opens the one an earlier installation made, and
// writes all its values: its name and removal command (as they have always been), and the
// values deployment tools and the list of installed programs read (the quiet removal command,
// version, publisher, folder, icon, size, date, no modify or repair). Every path names the
// program in its fixed folder, wherever this copy was started from: deployment tools run the
// commands as SYSTEM, and a copy elsewhere lies where others may change it.
void WriteUninstallEntry(Registry& registry, bool korean, const UninstallEntryFacts& facts);

// "20240531" from the clock's "2024-05-31 08:15:00"; empty for anything else.
std::string InstallDateOf(const std::string& localTimestamp);

}  // namespace prinstall
