// What Windows will not take, and why it refused a spooler call. An installation asks before it
// changes anything; a failed call's text gets the probable cause on a line after it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/app_context.h"
#include "core/feedback.h"
#include "core/texts.h"

namespace prinstall {

// The policy key of Windows protected print mode (Windows 11 24H2 and Server 2025), in the
// registry's 64-bit view.
inline constexpr const char* kProtectedPrintKey = "SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP";

// Where Windows keeps the protected print mode switch of Settings (WppmDesired, not 0 when
// on), which a PC may have without any policy.
inline constexpr const char* kPrintSettingsKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Settings";
inline constexpr const char* kProtectedPrintSetting = "WppmDesired";

// A DWORD value of the registry's 64-bit view (the view the service manager and the policies
// use), or nothing when the key or the value is not there.
std::optional<std::uint32_t> RegistryDword(Registry& registry, const char* path, const char* name);

// Whether protected print mode is on: either of its two policy values is 1, or the Settings
// switch is on. Windows then removes third-party printer drivers and accepts no new ones.
bool ProtectedPrintModeOn(Registry& registry);

// Why an installation cannot start on this system, asked before any spooler call: an ARM64
// processor (Unsupported) or protected print mode (Forbidden). Nothing when it can go on.
std::optional<Outcome> InstallRefusal(Platform& platform, Language language);
// Every such reason, in that order (for a check that names them all).
std::vector<Outcome> InstallRefusals(SystemInfo& system, Registry* registry, Language language);
// The same from the two ports it reads, for a caller without the whole platform (the package's
// check before it copies any file). Without a registry protected print mode is not asked.
std::optional<Outcome> InstallRefusal(SystemInfo& system, Registry* registry, Language language);

// The probable cause of a spooler call's failure, one sentence; nothing for an error code that
// says enough by itself.
std::optional<Text> SpoolerRefusalCause(std::uint32_t error);

// `text` with the probable cause of `error` on a line of its own after it, when one is known.
std::string WithSpoolerRefusalCause(const std::string& text, std::uint32_t error, Language language);

}  // namespace prinstall
