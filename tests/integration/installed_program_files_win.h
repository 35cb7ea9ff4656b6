// The file system as the installed program sees it. The test programs do not run from the
// installation folder; the program they stand in for does, and finds its media beside it.
#pragma once

#include <string>

#include "install/staging.h"
#include "platform/files_win.h"

namespace prinstall {

class InstalledProgramFiles : public WinFiles {
public:
    std::string ProgramPath() override { return std::string(kInstallFolder) + "\\Prinstall.exe"; }
};

}  // namespace prinstall
