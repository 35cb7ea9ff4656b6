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

// A folder held open for the rest of the run, shared for reading and writing but not for
// deletion: while it is held nobody can rename it away and put another in its place, and an
// attempt to hold it fails while someone else has it open with the right to do so.
struct FolderHold {
    std::uint32_t error = 0;  // 0 when held; 2 or 3 when there is no such folder; 32 when another
                              // program has it open with delete access
    bool link = false;        // a junction, symbolic link or mount point: not followed, not held
    // What tells this folder apart from any other made at the same path later: its volume and
    // its file number there. Empty unless held.
    std::string identity;

    bool Held() const { return error == 0 && !link; }
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

    // Opens the folder without following a link and holds it until Release or the end of the
    // process. A folder held already is answered from its hold.
    virtual FolderHold Hold(const std::string& folder) = 0;
    virtual void Release() = 0;
    // Makes the folder with its final permissions in the one call that creates it: owner
    // Administrators, a protected DACL of Administrators and SYSTEM full control and Users read
    // and execute, inherited by all it will hold. 0, or the system error code (183 when the
    // path exists, whoever made it).
    virtual std::uint32_t CreateForAdministrators(const std::string& folder) = 0;
    // Renames a folder (on the same volume; never copied). 0, or the system error code.
    virtual std::uint32_t Rename(const std::string& from, const std::string& to) = 0;
};

}  // namespace prinstall
