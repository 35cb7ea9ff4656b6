// The names under which the installation registers what it shares between all driver copies:
// the label printer's USB port monitor (its modules and its one port) and the entry in the
// Windows list of installed programs. The installation writes them and the removal looks for
// the same names.
#pragma once

#include "platform/debug_log.h"
#include "platform/spooler.h"

namespace prinstall {

inline constexpr const char* kPortMonitorName = "TORVA LABEL USB Port";
inline constexpr const char* kPortMonitorPort = "USB/TORVA Label Port";
inline constexpr const char* kPortMonitorModule = "TVPortMon.dll";
inline constexpr const char* kPortMonitorUiModule = "TVPortMonUI.dll";

// The uninstall entry: its key under HKLM in each language, its display name and the removal
// command it runs.
inline constexpr const char* kUninstallKeyEnglish =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TORVA EPL 2.XX";
inline constexpr const char* kUninstallKeyKorean =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\토바 EPL 2.XX";
inline constexpr const char* kUninstallNameEnglish = "TORVA Label 2.XX";
inline constexpr const char* kUninstallNameKorean = "토바 Label 2.XX";
inline constexpr const char* kUninstallCommand = "C:\\TORVA EPL Printer 2.X\\Prinstall.exe";

// 1 when the spooler lists a monitor named exactly kPortMonitorName, else 0 (also when the
// monitors cannot be listed); the listing's outcome goes to the debugger output.
int IsPortMonitorInstalled(Spooler& spooler, DebugLog& debug);

}  // namespace prinstall
