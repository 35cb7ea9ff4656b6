#include "platform/folder_security_win.h"

#include <windows.h>
#include <aclapi.h>

#include <vector>

#include "platform/text_win.h"

namespace prinstall {
namespace {

// Rights that let their holder change a file or folder, what it holds, or who may do so.
constexpr ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                      WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
// Entry types that allow (winnt.h names the newer ones only for newer target versions). The
// compound and object kinds are not made for files and keep their trustee elsewhere.
constexpr BYTE kAllowedCompoundAce = 4;
constexpr BYTE kAllowedObjectAce = 5;
constexpr BYTE kAllowedCallbackAce = 9;
constexpr BYTE kAllowedCallbackObjectAce = 11;
// Answered for a link to elsewhere (junction, symbolic link, mount point) in the tree: what it
// leads to is not the folder's to secure, so the walk never follows it.
constexpr DWORD kLinkFound = ERROR_CANT_RESOLVE_FILENAME;

// Administrators, SYSTEM, TrustedInstaller (the accounts that may change the folder) and Users.
class WellKnownSids {
public:
    WellKnownSids() {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        ok_ = AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                       &administrators) &&
              AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system) &&
              // S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464
              AllocateAndInitializeSid(&nt, 6, 80, 956008885, 3418522649u, 1831038044, 1853292631, 2271478464u, 0, 0,
                                       &trustedInstaller) &&
              AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0,
                                       &users);
        if (!ok_) error_ = GetLastError();
    }
    ~WellKnownSids() {
        for (PSID sid : {administrators, system, trustedInstaller, users}) {
            if (sid != nullptr) FreeSid(sid);
        }
    }
    WellKnownSids(const WellKnownSids&) = delete;
    WellKnownSids& operator=(const WellKnownSids&) = delete;

    bool Ok() const { return ok_; }
    DWORD Error() const { return error_; }
    bool MayChange(PSID sid) const {
        return IsValidSid(sid) &&
               (EqualSid(sid, administrators) || EqualSid(sid, system) || EqualSid(sid, trustedInstaller));
    }

    PSID administrators = nullptr;
    PSID system = nullptr;
    PSID trustedInstaller = nullptr;
    PSID users = nullptr;

private:
    bool ok_ = false;
    DWORD error_ = 0;
};

// A security descriptor handed out by GetNamedSecurityInfoW.
class Descriptor {
public:
    ~Descriptor() { LocalFree(descriptor_); }
    PSECURITY_DESCRIPTOR* Put() { return &descriptor_; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

// Who may change one file or folder (not what it holds).
WriteAccess ObjectAccess(const std::wstring& path, const WellKnownSids& sids) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    Descriptor descriptor;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              &owner, nullptr, &dacl, nullptr, descriptor.Put()) != ERROR_SUCCESS) {
        return WriteAccess::Unknown;
    }
    // The owner may always rewrite the DACL; no DACL at all lets everyone do everything.
    if (owner == nullptr || !sids.MayChange(owner) || dacl == nullptr) return WriteAccess::Others;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) return WriteAccess::Unknown;
        switch (static_cast<const ACE_HEADER*>(ace)->AceType) {
            case ACCESS_ALLOWED_ACE_TYPE:
            case kAllowedCallbackAce: {
                auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
                if ((allowed->Mask & kChangeRights) != 0 && !sids.MayChange(&allowed->SidStart)) {
                    return WriteAccess::Others;
                }
                break;
            }
            case kAllowedCompoundAce:
            case kAllowedObjectAce:
            case kAllowedCallbackObjectAce: return WriteAccess::Others;
            default: break;  // denials and audits allow nothing
        }
    }
    return WriteAccess::AdministratorsOnly;
}

// Calls `visit` for every file and folder below `folder`, each folder before what it holds,
// and stops at the first non-zero answer, which it returns; kLinkFound at a reparse point,
// the listing's error code when a folder cannot be listed.
template <class Visit>
DWORD ForEachBelow(const std::wstring& folder, Visit& visit) {
    WIN32_FIND_DATAW found = {};
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD result = ERROR_SUCCESS;
    for (;;) {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            const std::wstring path = folder + L"\\" + name;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                result = kLinkFound;
            } else {
                result = visit(path);
                if (result == ERROR_SUCCESS && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                    result = ForEachBelow(path, visit);
                }
            }
            if (result != ERROR_SUCCESS) break;
        }
        if (!FindNextFileW(find, &found)) {
            if (GetLastError() != ERROR_NO_MORE_FILES) result = GetLastError();
            break;
        }
    }
    FindClose(find);
    return result;
}

// 0 for a folder that is no link, else the error code (kLinkFound for a link).
DWORD CheckRoot(const std::wstring& folder) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? kLinkFound : ERROR_SUCCESS;
}

// Makes Administrators the owner of one file or folder unless one of the three accounts owns
// it already, then gives it `dacl` (protected or not as `protection` says).
DWORD Secure(const std::wstring& path, const WellKnownSids& sids, PACL dacl, SECURITY_INFORMATION protection) {
    std::vector<wchar_t> name(path.begin(), path.end());  // the Set call takes a writable name
    name.push_back(L'\0');
    bool ownedByThem = false;
    {
        PSID owner = nullptr;
        Descriptor descriptor;
        if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                                  nullptr, descriptor.Put()) == ERROR_SUCCESS) {
            ownedByThem = owner != nullptr && sids.MayChange(owner);
        }
    }
    if (!ownedByThem) {
        const DWORD e = SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                              sids.administrators, nullptr, nullptr, nullptr);
        if (e != ERROR_SUCCESS) return e;
    }
    return SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | protection, nullptr, nullptr,
                                 dacl, nullptr);
}

}  // namespace

WriteAccess WinFolderSecurity::WritableByOthers(const std::string& folder) {
    WellKnownSids sids;
    if (!sids.Ok()) return WriteAccess::Unknown;
    const std::wstring root = Widen(folder);
    if (const DWORD e = CheckRoot(root); e != ERROR_SUCCESS) {
        return e == kLinkFound ? WriteAccess::Others : WriteAccess::Unknown;
    }
    WriteAccess access = ObjectAccess(root, sids);
    if (access != WriteAccess::AdministratorsOnly) return access;
    auto visit = [&](const std::wstring& path) -> DWORD {
        access = ObjectAccess(path, sids);
        return access == WriteAccess::AdministratorsOnly ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
    };
    const DWORD walked = ForEachBelow(root, visit);
    if (walked == kLinkFound) return WriteAccess::Others;
    if (walked != ERROR_SUCCESS && access == WriteAccess::AdministratorsOnly) return WriteAccess::Unknown;
    return access;
}

std::uint32_t WinFolderSecurity::RestrictToAdministrators(const std::string& folder) {
    WellKnownSids sids;
    if (!sids.Ok()) return sids.Error();
    const std::wstring root = Widen(folder);
    if (const DWORD e = CheckRoot(root); e != ERROR_SUCCESS) return e;

    // Administrators and SYSTEM full control, Users read and execute, each inherited by
    // subfolders and files. The buffer is of DWORDs for the ACL's alignment.
    const DWORD aceBase = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);
    const DWORD size = sizeof(ACL) + 3 * aceBase + GetLengthSid(sids.administrators) + GetLengthSid(sids.system) +
                       GetLengthSid(sids.users);
    std::vector<DWORD> folderAcl((size + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* dacl = reinterpret_cast<PACL>(folderAcl.data());
    const DWORD inherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    if (!InitializeAcl(dacl, size, ACL_REVISION) ||
        !AddAccessAllowedAceEx(dacl, ACL_REVISION, inherited, FILE_ALL_ACCESS, sids.administrators) ||
        !AddAccessAllowedAceEx(dacl, ACL_REVISION, inherited, FILE_ALL_ACCESS, sids.system) ||
        !AddAccessAllowedAceEx(dacl, ACL_REVISION, inherited, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, sids.users)) {
        return GetLastError();
    }
    // What lies below keeps no entries of its own: an empty DACL, not protected, leaves it the
    // inherited ones (a NULL DACL instead would let everyone do everything).
    std::vector<DWORD> emptyAcl((sizeof(ACL) + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* empty = reinterpret_cast<PACL>(emptyAcl.data());
    if (!InitializeAcl(empty, sizeof(ACL), ACL_REVISION)) return GetLastError();

    if (const DWORD e = Secure(root, sids, dacl, PROTECTED_DACL_SECURITY_INFORMATION); e != ERROR_SUCCESS) return e;
    // Each folder is secured before it is listed, so one that refused the administrators even
    // a listing can be listed once it inherits.
    auto visit = [&](const std::wstring& path) -> DWORD {
        return Secure(path, sids, empty, UNPROTECTED_DACL_SECURITY_INFORMATION);
    };
    return ForEachBelow(root, visit);
}

}  // namespace prinstall
