#include "platform/folder_security_win.h"

#include <windows.h>
#include <aclapi.h>

#include <cstdio>
#include <vector>

#include "platform/handle_win.h"
#include "platform/system_export_win.h"
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

// Every entry is opened without following a link (FILE_FLAG_OPEN_REPARSE_POINT), and backup
// semantics open folders too. Reading the owner and the attributes, and writing owner and DACL,
// is all a handle needs; a folder is also opened for listing and shared without delete, so that
// it can be neither renamed nor deleted (nor swapped for a link) while its handle is held.
constexpr DWORD kSecureAccess = READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES;
constexpr DWORD kFolderAccess = kSecureAccess | FILE_LIST_DIRECTORY;
constexpr DWORD kOpenFlags = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;

Restriction Failed(DWORD error, const std::wstring& path) { return {error, Refusal::None, Narrow(path)}; }
Restriction Refused(Refusal refusal, const std::wstring& path) { return {0, refusal, Narrow(path)}; }

// Opens one entry (as a folder when `folder`) and refuses what must not be changed through it:
// a link to elsewhere, or a file with further names, whose owner and DACL are those of every
// name. `isFolder` tells what the handle found, whatever the listing said. `lookOnly` opens it
// for its attributes alone.
Restriction OpenEntry(const std::wstring& path, bool folder, KernelHandle& handle, bool& isFolder,
                      bool lookOnly = false) {
    const DWORD share =
        folder ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const DWORD access = lookOnly ? FILE_READ_ATTRIBUTES : folder ? kFolderAccess : kSecureAccess;
    handle.Reset(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, kOpenFlags, nullptr));
    if (!handle) return Failed(GetLastError(), path);
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(handle.Get(), &info)) return Failed(GetLastError(), path);
    isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return Refused(Refusal::Link, path);
    if (!isFolder && info.nNumberOfLinks > 1) return Refused(Refusal::HardLinked, path);
    return {};
}

// Whether the volume that holds `folder` (opened as `handle`) keeps permissions at all: FAT and
// exFAT do not. Vista and later answer for the handle itself; Windows 2000 and XP for the root
// of the path's drive or share (a volume mounted on a folder of that path then goes unseen).
DWORD KeepsPermissions(const std::wstring& folder, HANDLE handle, bool& keeps) {
    using ByHandleFn = BOOL(WINAPI*)(HANDLE, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPWSTR, DWORD);
    DWORD flags = 0;
    BOOL ok = FALSE;
    if (auto byHandle = SystemExport<ByHandleFn>(L"kernel32.dll", "GetVolumeInformationByHandleW")) {
        ok = byHandle(handle, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0);
    } else {
        std::wstring root = folder;
        if (root.size() >= 2 && root[1] == L':') {
            root = root.substr(0, 2) + L"\\";
        } else if (root.rfind(L"\\\\", 0) == 0) {
            const size_t share = root.find(L'\\', 2);
            const size_t end = share == std::wstring::npos ? share : root.find(L'\\', share + 1);
            root = root.substr(0, end) + L"\\";
        }
        ok = GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0);
    }
    if (!ok) return GetLastError();
    keeps = (flags & FILE_PERSISTENT_ACLS) != 0;
    return ERROR_SUCCESS;
}

// Enables the privileges that let an administrator open, take and re-secure what denies the
// Administrators everything (backup: read its owner and attributes; restore: write its owner
// and DACL; take ownership), and puts the token back as it was when it goes. A privilege the
// token lacks stays off; what it would have allowed then fails and is named.
class HeldPrivileges {
public:
    HeldPrivileges() {
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token_.Put())) return;
        const wchar_t* const names[] = {SE_TAKE_OWNERSHIP_NAME, SE_RESTORE_NAME, SE_BACKUP_NAME};
        Privileges wanted = {};
        wanted.count = 0;
        for (const wchar_t* name : names) {
            LUID_AND_ATTRIBUTES& p = wanted.privileges[wanted.count];
            if (LookupPrivilegeValueW(nullptr, name, &p.Luid)) {
                p.Attributes = SE_PRIVILEGE_ENABLED;
                ++wanted.count;
            }
        }
        DWORD size = 0;
        adjusted_ = wanted.count > 0 &&
                    AdjustTokenPrivileges(token_.Get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&wanted),
                                          sizeof(previous_), reinterpret_cast<TOKEN_PRIVILEGES*>(&previous_), &size);
    }
    ~HeldPrivileges() {
        // The previous state lists only the privileges this changed, each as it was before.
        if (adjusted_ && previous_.count > 0) {
            AdjustTokenPrivileges(token_.Get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&previous_), 0, nullptr,
                                  nullptr);
        }
    }
    HeldPrivileges(const HeldPrivileges&) = delete;
    HeldPrivileges& operator=(const HeldPrivileges&) = delete;

private:
    // TOKEN_PRIVILEGES with room for three.
    struct Privileges {
        DWORD count;
        LUID_AND_ATTRIBUTES privileges[3];
    };
    KernelHandle token_;
    Privileges previous_ = {};
    bool adjusted_ = false;
};

// The DACLs the restriction gives: Administrators and SYSTEM full control, Users read and
// execute. The folder's are its own, inherited by subfolders and files; below it each entry
// holds exactly what it inherits (marked inherited, so that the entries stay the folder's).
// The buffers are of DWORDs for the ACL's alignment.
class Dacls {
public:
    explicit Dacls(const WellKnownSids& sids) {
        const DWORD inheritable = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
        ok_ = Build(sids, folder_, inheritable) && Build(sids, subfolder_, inheritable | INHERITED_ACE) &&
              Build(sids, file_, INHERITED_ACE);
        if (!ok_) error_ = GetLastError();
    }
    bool Ok() const { return ok_; }
    DWORD Error() const { return error_; }
    PACL Folder() { return reinterpret_cast<PACL>(folder_.data()); }
    PACL Below(bool isFolder) { return reinterpret_cast<PACL>(isFolder ? subfolder_.data() : file_.data()); }

private:
    static bool Build(const WellKnownSids& sids, std::vector<DWORD>& buffer, DWORD flags) {
        const DWORD aceBase = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);
        const DWORD size = sizeof(ACL) + 3 * aceBase + GetLengthSid(sids.administrators) + GetLengthSid(sids.system) +
                           GetLengthSid(sids.users);
        buffer.assign((size + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
        auto* acl = reinterpret_cast<PACL>(buffer.data());
        return InitializeAcl(acl, size, ACL_REVISION) &&
               AddAccessAllowedAceEx(acl, ACL_REVISION, flags, FILE_ALL_ACCESS, sids.administrators) &&
               AddAccessAllowedAceEx(acl, ACL_REVISION, flags, FILE_ALL_ACCESS, sids.system) &&
               AddAccessAllowedAceEx(acl, ACL_REVISION, flags, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, sids.users);
    }

    std::vector<DWORD> folder_, subfolder_, file_;
    bool ok_ = false;
    DWORD error_ = 0;
};

// Makes Administrators the owner of the opened entry unless one of the three accounts owns it
// already, then gives it `dacl`; all on the handle. An owner that cannot be changed, even with
// the privileges, names the entry.
Restriction SecureHandle(HANDLE handle, const std::wstring& path, const WellKnownSids& sids, PACL dacl,
                         SECURITY_INFORMATION protection) {
    PSID owner = nullptr;
    Descriptor descriptor;
    DWORD e = GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                              descriptor.Put());
    if (e != ERROR_SUCCESS) return Failed(e, path);
    if (owner == nullptr || !sids.MayChange(owner)) {
        e = SetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, sids.administrators, nullptr, nullptr,
                            nullptr);
        if (e != ERROR_SUCCESS) return Failed(e, path);
    }
    e = SetSecurityInfo(handle, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | protection, nullptr, nullptr, dacl,
                        nullptr);
    return e == ERROR_SUCCESS ? Restriction{} : Failed(e, path);
}

// Checks (and with `secure`, secures) what the opened folder `folder` holds, depth first, each
// entry opened and checked by handle before anything is changed on it; stops at the first
// refusal or failure. Each folder is secured before it is listed, so that one that refused
// the administrators even a listing can be listed once it inherits.
//
// The listing goes by name (Windows 2000 lists no folder by handle). The folders on the way
// are held open without delete sharing, so none can be renamed or swapped for a link
// meanwhile; an entry replaced between the listing and its opening is opened for what it is
// then and checked as such, and one added after the listing goes unseen. SetSecurityInfo on a
// folder also carries the inherited entries to what it holds by itself, before the walk gets
// there: the check walk before any change refuses the links found then, so only a link planted
// between the two walks, by someone who could still write there, gets those inherited entries
// (never the owner, never more than read for Users). Handles opened before the folder was
// secured keep the access they were given.
Restriction WalkBelow(const std::wstring& folder, const WellKnownSids& sids, Dacls* secure) {
    WIN32_FIND_DATAW found = {};
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        // Checking only: a folder that denies the administrators a listing is listed once secured.
        if (secure == nullptr && e == ERROR_ACCESS_DENIED) return {};
        return Failed(e, folder);
    }
    Restriction result;
    for (;;) {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            const std::wstring path = folder + L"\\" + name;
            KernelHandle entry;
            bool isFolder = false;
            result = OpenEntry(path, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, entry, isFolder);
            if (result.Done() && secure != nullptr) {
                result = SecureHandle(entry.Get(), path, sids, secure->Below(isFolder),
                                      UNPROTECTED_DACL_SECURITY_INFORMATION);
            }
            if (result.Done() && isFolder) result = WalkBelow(path, sids, secure);
            if (!result.Done()) break;
        }
        if (!FindNextFileW(find, &found)) {
            if (GetLastError() != ERROR_NO_MORE_FILES) result = Failed(GetLastError(), folder);
            break;
        }
    }
    FindClose(find);
    return result;
}

}  // namespace

WriteAccess WinFolderSecurity::WritableByOthers(const std::string& folder) {
    WellKnownSids sids;
    if (!sids.Ok()) return WriteAccess::Unknown;
    const std::wstring root = Widen(folder);
    KernelHandle handle;
    bool isFolder = false;
    const Restriction opened = OpenEntry(root, true, handle, isFolder, true);
    if (opened.refusal == Refusal::Link) return WriteAccess::Others;
    if (opened.error != 0 || !isFolder) return WriteAccess::Unknown;
    bool keeps = false;
    if (KeepsPermissions(root, handle.Get(), keeps) != ERROR_SUCCESS) return WriteAccess::Unknown;
    if (!keeps) return WriteAccess::NoPermissions;
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

Restriction WinFolderSecurity::RestrictToAdministrators(const std::string& folder) {
    const std::wstring root = Widen(folder);
    WellKnownSids sids;
    if (!sids.Ok()) return Failed(sids.Error(), L"");
    Dacls dacls(sids);
    if (!dacls.Ok()) return Failed(dacls.Error(), L"");
    const HeldPrivileges privileges;

    KernelHandle handle;
    bool isFolder = false;
    if (Restriction r = OpenEntry(root, true, handle, isFolder); !r.Done()) return r;
    if (!isFolder) return Failed(ERROR_DIRECTORY, root);
    bool keeps = false;
    if (const DWORD e = KeepsPermissions(root, handle.Get(), keeps); e != ERROR_SUCCESS) return Failed(e, root);
    if (!keeps) return Refused(Refusal::NoPermissions, root);
    // First a walk that changes nothing, then the one that secures.
    if (Restriction r = WalkBelow(root, sids, nullptr); !r.Done()) return r;
    if (Restriction r = SecureHandle(handle.Get(), root, sids, dacls.Folder(), PROTECTED_DACL_SECURITY_INFORMATION);
        !r.Done()) {
        return r;
    }
    return WalkBelow(root, sids, &dacls);
}

FolderHold WinFolderSecurity::Hold(const std::string& folder) {
    if (held_ && folder == heldPath_) return {0, false, heldIdentity_};
    Release();
    const std::wstring root = Widen(folder);
    // Listing and attributes only, shared for reading and writing but not for deletion: the
    // open fails while anyone else holds the folder with delete access, and once it is open
    // nobody can get that access until the handle goes.
    KernelHandle handle(CreateFileW(root.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, kOpenFlags, nullptr));
    if (!handle) return {GetLastError(), false, ""};
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(handle.Get(), &info)) return {GetLastError(), false, ""};
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return {0, true, ""};
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return {ERROR_DIRECTORY, false, ""};
    // The volume and the file number there: NTFS never gives a later folder the same number
    // (its sequence part changes when a record is reused). The creation time is left out: it
    // can be set by whoever may write the folder's attributes, and Wine reports the time of
    // the folder's last change instead.
    char identity[32] = {};
    std::snprintf(identity, sizeof(identity), "%08lX-%08lX%08lX", info.dwVolumeSerialNumber, info.nFileIndexHigh,
                  info.nFileIndexLow);
    held_ = std::move(handle);
    heldPath_ = folder;
    heldIdentity_ = identity;
    return {0, false, heldIdentity_};
}

void WinFolderSecurity::Release() {
    held_.Reset();
    heldPath_.clear();
    heldIdentity_.clear();
}

std::uint32_t WinFolderSecurity::CreateForAdministrators(const std::string& folder) {
    WellKnownSids sids;
    if (!sids.Ok()) return sids.Error();
    Dacls dacls(sids);
    if (!dacls.Ok()) return dacls.Error();
    SECURITY_DESCRIPTOR descriptor = {};
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorOwner(&descriptor, sids.administrators, FALSE) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, dacls.Folder(), FALSE) ||
        !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
        return GetLastError();
    }
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &descriptor, FALSE};
    // Administrators may be named owner by any administrator's token; the restore privilege
    // covers a token that does not list the group as a possible owner.
    const HeldPrivileges privileges;
    return CreateDirectoryW(Widen(folder).c_str(), &attributes) ? ERROR_SUCCESS : GetLastError();
}

std::uint32_t WinFolderSecurity::Rename(const std::string& from, const std::string& to) {
    return MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), 0) ? ERROR_SUCCESS : GetLastError();
}

}  // namespace prinstall
