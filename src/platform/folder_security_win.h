// The folder security port over advapi32's security calls (all there since Windows 2000).
#pragma once

#include "platform/folder_security.h"

namespace prinstall {

class WinFolderSecurity : public FolderSecurity {
public:
    WriteAccess WritableByOthers(const std::string& folder) override;
    std::uint32_t RestrictToAdministrators(const std::string& folder) override;
};

}  // namespace prinstall
