// The folder security port over advapi32's security calls and kernel32's file handles (all there
// since Windows 2000; the volume of a handle is asked directly where Windows can, from Vista on).
#pragma once

#include <string>

#include "platform/folder_security.h"
#include "platform/handle_win.h"

namespace prinstall {

class WinFolderSecurity : public FolderSecurity {
public:
    WriteAccess WritableByOthers(const std::string& folder) override;
    Restriction RestrictToAdministrators(const std::string& folder) override;
    FolderHold Hold(const std::string& folder) override;
    void Release() override;
    std::uint32_t CreateForAdministrators(const std::string& folder) override;
    std::uint32_t Rename(const std::string& from, const std::string& to) override;

private:
    KernelHandle held_;
    std::string heldPath_;
    std::string heldIdentity_;
};

}  // namespace prinstall
