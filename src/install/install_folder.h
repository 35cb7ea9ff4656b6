// The installation folder as the source of what the spooler and SYSTEM later run: the port
// monitor's modules, the driver files and the program the uninstall entry names all come from
// it. It sits at the root of C:, where a new folder lets every signed-in user change it, so
// before anything is taken from it, only the administrators may change it.
#pragma once

#include <optional>
#include <string>

#include "core/feedback.h"
#include "core/texts.h"
#include "platform/debug_log.h"
#include "platform/folder_security.h"

namespace prinstall {

// Where anyone but Administrators, SYSTEM and TrustedInstaller can change the installation
// folder or something in it (or that cannot be told), hands it and all it holds to the
// administrators. Nothing when the run may go on; the failure to report otherwise, before
// anything was installed.
std::optional<Outcome> SecureInstallFolder(FolderSecurity& security, DebugLog& debug, Language language);

}  // namespace prinstall
