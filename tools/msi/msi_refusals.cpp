#include "msi_refusals.h"

#include "app/command_line.h"
#include "core/system_refusals.h"

namespace prinstall::msi {

std::optional<PackageRefusal> RefusalBeforeFiles(const std::vector<std::string>& arguments, SingleRunObjects& singleRun,
                                                 SystemInfo& system, Registry& registry, DebugLog& debug) {
    // In the program's order: the claim, then the command line, then the system.
    const Language language = LanguageForCodePage(system.AnsiCodePage());
    if (ClaimSingleRun(singleRun, debug) == SingleRun::AlreadyRunning) {
        return PackageRefusal{kExitAlreadyRunning, kAlreadyRunning.In(language)};
    }
    const CommandLine line = ParseCommandLine(arguments);
    if (line.command == Command::Invalid) return PackageRefusal{kExitInvalidCommandLine, line.error};
    if (line.command != Command::Install) return std::nullopt;
    if (const std::optional<Outcome> refused = InstallRefusal(system, &registry, language)) {
        return PackageRefusal{ExitCodeOf(*refused), refused->text};
    }
    return std::nullopt;
}

}  // namespace prinstall::msi
