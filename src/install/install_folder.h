// The installation folder as the source of what the spooler and SYSTEM later run: the port
// monitor's modules, the driver files and the program the uninstall entry names all come from
// it. It sits at the root of C:, where a new folder lets every signed-in user change it, so
// before anything is taken from it, only the administrators may change it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/app_context.h"
#include "core/folder_record.h"
#include "core/feedback.h"
#include "core/texts.h"
#include "platform/debug_log.h"
#include "platform/folder_security.h"
#include "platform/registry.h"

namespace prinstall {

// Where anyone but Administrators, SYSTEM and TrustedInstaller can change the installation
// folder or something in it (or that cannot be told), hands it and all it holds to the
// administrators. Nothing when the run may go on; the failure to report otherwise, before
// anything was installed.
std::optional<Outcome> SecureInstallFolder(FolderSecurity& security, DebugLog& debug, Language language);

// Whether the program runs from the installation folder itself.
bool RunsFromInstallFolder(Files& files);

// Settles the folder the installation takes the program and its media from, before anything
// is taken from it, and holds it open to the end of the run:
// - run from the installation folder, that folder must be the one this program or its package
//   made (with its final permissions, in the call that created it), proven by its record, and
//   nobody else may hold it open with delete access;
// - run from anywhere else (a deployment tool's content, a share, the media), the program
//   makes the folder itself with its final permissions (an earlier one that cannot be proven
//   is moved aside first, never deleted) or takes the proven one, and copies itself and its
//   media into it.
// Then the folder is restricted as SecureInstallFolder does. What was done goes into `said`
// (a folder moved aside). Nothing when the run may go on; the failure otherwise, before
// anything was installed.
std::optional<Outcome> SettleInstallFolder(Platform& platform, Language language, std::vector<std::string>& said);

// For /check, changing nothing: the reason the installation folder would be refused when the
// program runs from it; nothing when it is proven or the program runs from elsewhere.
std::optional<std::string> InstallFolderRefusal(Platform& platform, Language language);

}  // namespace prinstall
