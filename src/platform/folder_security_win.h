// The folder security port over advapi32's security calls and kernel32's file handles (all there
// since Windows 2000; the volume of a handle is asked directly where Windows can, from Vista on).
#pragma once

#include "platform/folder_security.h"

namespace prinstall {

class WinFolderSecurity : public FolderSecurity {
public:
    WriteAccess WritableByOthers(const std::string& folder) override;
    Restriction RestrictToAdministrators(const std::string& folder) override;
};

}  // namespace prinstall
