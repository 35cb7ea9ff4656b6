// The mark by which deployment tools (Intune, Configuration Manager, a start-up script) find
// the installation in either interface language: core/entry_names.h kDetectionKey.
#pragma once

#include <cstdint>

#include "platform/registry.h"

namespace prinstall {

// Creates the key when it is missing and writes Installed = 1 and the program's version, over
// whatever an earlier installation wrote (an update leaves its own version). 0, or the error
// code of the first call that failed; the installation goes on either way, as it does without
// its uninstall entry.
std::uint32_t WriteDetectionValue(Registry& registry);

// Whether the key of the detection value exists.
bool DetectionValuePresent(Registry& registry);

// Deletes the key of the detection value: 0, or the error code of the deletion.
std::uint32_t DeleteDetectionValue(Registry& registry);

}  // namespace prinstall
