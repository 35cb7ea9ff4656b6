// The entry in the Windows list of installed programs, written once by the first
// installation and shared by all driver copies; the removal deletes the same keys.
#pragma once

#include <string>

#include "core/entry_names.h"
#include "platform/registry.h"

namespace prinstall {

// Quiet: every failure just ends the operation.
// Creates the entry of one language when it is not there yet: its name and removal command,
// and the values deployment tools and the list of installed programs read (the quiet removal
// command, version, publisher, folder, icon, no modify or repair). `programPath` is this
// program's full path.
void WriteUninstallEntry(Registry& registry, bool korean, const std::string& programPath);

}  // namespace prinstall
