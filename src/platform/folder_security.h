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
    NoPermissions,       // the volume keeps no permissions (FAT, exFAT): anyone can change anything
};

// Why a restriction stopped at an entry that it left unchanged.
enum class Refusal {
    None,
    Link,           // a junction, symbolic link or mount point: what it leads to is not the folder's
    HardLinked,     // a file with further names: its owner and DACL are those of every name
    NoPermissions,  // the volume keeps no permissions, so nothing on it can be restricted
};

// How a restriction ended: done, refused at an entry, or failed with a system error code.
struct Restriction {
    std::uint32_t error = 0;  // of the first call that failed, 0 when none did
    Refusal refusal = Refusal::None;
    std::string entry;  // the file or folder refused or that failed; empty when none is to blame

    bool Done() const { return error == 0 && refusal == Refusal::None; }
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
    // likewise and hold the inherited entries only. Each entry is changed through a handle
    // that did not follow links, and never when it is a link or a file with further names
    // (refused, with the entry named). What was changed before a refusal or failure stays.
    virtual Restriction RestrictToAdministrators(const std::string& folder) = 0;
};

}  // namespace prinstall
