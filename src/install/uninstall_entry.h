// The entry in the Windows list of installed programs, written once by the first
// installation and shared by all driver copies; the removal deletes the same keys.
#pragma once

#include <string>

#include "platform/registry.h"

namespace prinstall {

inline constexpr const char* kUninstallKeyEnglish =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TORVA EPL 2.XX";
inline constexpr const char* kUninstallKeyKorean =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\토바 EPL 2.XX";
inline constexpr const char* kUninstallNameEnglish = "TORVA Label 2.XX";
inline constexpr const char* kUninstallNameKorean = "토바 Label 2.XX";
inline constexpr const char* kUninstallCommand = "C:\\TORVA EPL Printer 2.X\\Prinstall.exe";

// Quiet: every failure just ends the operation.
// Creates the entry of one language when it is not there yet: its name and removal command,
// and the values deployment tools and the list of installed programs read (the quiet removal
// command, version, publisher, folder, icon, no modify or repair). `programPath` is this
// program's full path.
void WriteUninstallEntry(Registry& registry, bool korean, const std::string& programPath);

}  // namespace prinstall
