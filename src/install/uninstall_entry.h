// The entry in the Windows list of installed programs, written once by the first
// installation and shared by all driver copies; the removal deletes the same keys.
#pragma once

#include "platform/registry.h"

namespace prinstall {

inline constexpr const char* kUninstallKeyEnglish = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TORVA EPL 2.XX";
inline constexpr const char* kUninstallKeyKorean = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\토바 EPL 2.XX";
inline constexpr const char* kUninstallNameEnglish = "TORVA Label 2.XX";
inline constexpr const char* kUninstallNameKorean = "토바 Label 2.XX";
inline constexpr const char* kUninstallCommand = "C:\\TORVA EPL Printer 2.X\\Prinstall.exe";

// Writes the entry of the language's variant unless its key exists already. Quiet: every
// failure just ends the operation.
void WriteUninstallEntry(Registry& registry, bool korean);

}  // namespace prinstall
