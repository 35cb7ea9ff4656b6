// Folder security port: who may change a folder and what lies below it, and handing it to the
// administrators. Paths are Windows paths in UTF-8, as for the Files port.
#pragma once

#include <cstdint>
#include <string>

namespace prinstall {

enum class WriteAccess {
    AdministratorsOnly,  // only Administrators, SYSTEM and TrustedInstaller can change anything
    Others,              // someone else can change the folder or something below it
    Unknown,             // a security descriptor could not be read (a missing folder among others)
};

class FolderSecurity {
public:
    virtual ~FolderSecurity() = default;

    // Looks at the folder and everything below it: another owner than Administrators, SYSTEM
    // or TrustedInstaller, no DACL at all (everyone may do anything), an entry allowing anyone
    // else to write, append, delete, or change permissions or owner, or a link to elsewhere
    // (a reparse point) all make it Others.
    virtual WriteAccess WritableByOthers(const std::string& folder) = 0;
    // Gives the folder the owner Administrators (unless SYSTEM or TrustedInstaller owns it) and
    // a protected DACL (Administrators and SYSTEM full control, Users read and execute, all
    // inherited by subfolders and files), then makes every file and subfolder below it owned
    // likewise and hold the inherited entries only. 0, or the system error code of the first
    // call that failed (what was changed before it stays changed).
    virtual std::uint32_t RestrictToAdministrators(const std::string& folder) = 0;
};

}  // namespace prinstall
