// What the program would refuse an installation for, asked by the package before it copies
// any file (portable: the program's own rules, read through the same ports the program uses).
//
// The package runs the program's /install only after InstallFiles: a refusal found there would
// come after the files were copied and taken back again. These are the refusals that depend on
// nothing the files bring: another run holds the single-run claim (1618), a property the
// command line refuses (1639), an ARM64 processor (1633), protected print mode (1625). The
// program keeps every one of its own checks; this is only the same answer asked earlier.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/single_instance.h"
#include "platform/debug_log.h"
#include "platform/registry.h"
#include "platform/system_info.h"

namespace prinstall::msi {

struct PackageRefusal {
    int exitCode = 0;  // the program's exit code for it (README, "Exit codes")
    std::string text;  // the program's own words for it
};

// Why the program, given `arguments` (its command line after its own path, UTF-8), would
// refuse to install on this system now; nothing when it would go on. The claim is made and
// given back at once (by the caller's `singleRun` going): a claim that cannot be made, or a
// name held by an account that is not an administrator's, does not refuse, as in the program.
std::optional<PackageRefusal> RefusalBeforeFiles(const std::vector<std::string>& arguments, SingleRunObjects& singleRun,
                                                 SystemInfo& system, Registry& registry, DebugLog& debug);

}  // namespace prinstall::msi
