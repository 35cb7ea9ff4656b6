#include "app/single_instance_win.h"

#include <aclapi.h>

#include <string>
#include <vector>

#include "platform/system_export_win.h"
#include "platform/text_win.h"

namespace prinstall {
namespace {

// The private-namespace functions of kernel32, Vista and later; looked up, as the program
// must start on Windows 2000 and XP, where they do not exist.
struct NamespaceApi {
    HANDLE(WINAPI* createBoundary)(LPCWSTR, ULONG) = nullptr;
    BOOL(WINAPI* addSid)(HANDLE*, PSID) = nullptr;
    VOID(WINAPI* deleteBoundary)(HANDLE) = nullptr;
    HANDLE(WINAPI* createNamespace)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR) = nullptr;
    HANDLE(WINAPI* openNamespace)(LPVOID, LPCWSTR) = nullptr;
    BOOLEAN(WINAPI* closeNamespace)(HANDLE, ULONG) = nullptr;

    bool Complete() const {
        return createBoundary && addSid && deleteBoundary && createNamespace && openNamespace && closeNamespace;
    }
};

const NamespaceApi& Namespaces() {
    static const NamespaceApi api = [] {
        NamespaceApi a;
        if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
            ResolveExport(kernel, "CreateBoundaryDescriptorW", a.createBoundary);
            ResolveExport(kernel, "AddSIDToBoundaryDescriptor", a.addSid);
            ResolveExport(kernel, "DeleteBoundaryDescriptor", a.deleteBoundary);
            ResolveExport(kernel, "CreatePrivateNamespaceW", a.createNamespace);
            ResolveExport(kernel, "OpenPrivateNamespaceW", a.openNamespace);
            ResolveExport(kernel, "ClosePrivateNamespace", a.closeNamespace);
        }
        return a;
    }();
    return api;
}

// A security descriptor that gives Administrators and SYSTEM full access and nobody else any,
// owned by Administrators (or by the caller's default owner when `withOwner` is false).
class AdministratorsOnly {
public:
    AdministratorsOnly(PSID administrators, PSID system, bool withOwner) {
        if (administrators == nullptr || system == nullptr) return;
        const DWORD aceSize = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);
        acl_.resize(sizeof(ACL) + 2 * aceSize + GetLengthSid(administrators) + GetLengthSid(system));
        auto* acl = reinterpret_cast<ACL*>(acl_.data());
        valid_ = InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION) &&
                 AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, administrators) &&
                 AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, system) &&
                 InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
                 SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
                 (!withOwner || SetSecurityDescriptorOwner(&descriptor_, administrators, FALSE));
        attributes_ = {sizeof(attributes_), &descriptor_, FALSE};
    }
    AdministratorsOnly(const AdministratorsOnly&) = delete;
    AdministratorsOnly& operator=(const AdministratorsOnly&) = delete;

    // Null when the descriptor could not be made: nothing is then created unprotected.
    SECURITY_ATTRIBUTES* Get() { return valid_ ? &attributes_ : nullptr; }

private:
    std::vector<BYTE> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    bool valid_ = false;
};

PSID WellKnownSid(BYTE count, DWORD first, DWORD second) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!AllocateAndInitializeSid(&nt, count, first, second, 0, 0, 0, 0, 0, 0, &sid)) return nullptr;
    return sid;
}

}  // namespace

WinSingleRunObjects::WinSingleRunObjects()
    : administrators_(WellKnownSid(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS)),
      system_(WellKnownSid(1, SECURITY_LOCAL_SYSTEM_RID, 0)) {}

WinSingleRunObjects::~WinSingleRunObjects() {
    mutex_.Reset();
    if (namespace_ != nullptr) Namespaces().closeNamespace(namespace_, 0);
    if (administrators_ != nullptr) FreeSid(administrators_);
    if (system_ != nullptr) FreeSid(system_);
}

ClaimAnswer WinSingleRunObjects::Claim(ClaimPlace place) {
    switch (place) {
        case ClaimPlace::PrivateNamespace: return ClaimInPrivateNamespace();
        case ClaimPlace::GlobalName: return ClaimNamedMutex(L"Global\\", kSingleRunMutexName);
        case ClaimPlace::GlobalSecondName: return ClaimNamedMutex(L"Global\\", kSingleRunSecondMutexName);
        case ClaimPlace::SessionName: return ClaimNamedMutex(L"", kSingleRunMutexName);
    }
    return ClaimAnswer::Unavailable;
}

ClaimAnswer WinSingleRunObjects::ClaimInPrivateNamespace() {
    const NamespaceApi& api = Namespaces();
    if (!api.Complete() || administrators_ == nullptr) return ClaimAnswer::Unavailable;
    const std::wstring prefix = Widen(kSingleRunNamespace);
    HANDLE boundary = api.createBoundary(prefix.c_str(), 0);
    if (boundary == nullptr) return ClaimAnswer::Unavailable;
    AdministratorsOnly security(administrators_, system_, true);
    HANDLE opened = nullptr;
    if (api.addSid(&boundary, administrators_) && security.Get() != nullptr) {
        // Only a process in the boundary (an administrator's or SYSTEM's) can create it. The
        // run that created it may end between the two calls: then create it again.
        for (int attempt = 0; attempt < 3 && opened == nullptr; ++attempt) {
            opened = api.createNamespace(security.Get(), boundary, prefix.c_str());
            if (opened == nullptr && GetLastError() == ERROR_ALREADY_EXISTS)
                opened = api.openNamespace(boundary, prefix.c_str());
            else if (opened == nullptr)
                break;
        }
    }
    api.deleteBoundary(boundary);
    if (opened == nullptr) return ClaimAnswer::Unavailable;

    HANDLE mutex = CreateMutexW(security.Get(), FALSE, (prefix + L"\\" + Widen(kSingleRunMutexName)).c_str());
    const DWORD error = GetLastError();
    if (mutex == nullptr) {
        api.closeNamespace(opened, 0);
        return ClaimAnswer::Unavailable;
    }
    if (error == ERROR_ALREADY_EXISTS) {
        // Only administrators and SYSTEM can open the namespace: whoever made it is a run.
        CloseHandle(mutex);
        api.closeNamespace(opened, 0);
        return ClaimAnswer::HeldByAdministrators;
    }
    // Both stay open for the run: the next start opens the namespace and finds the mutex.
    mutex_.Reset(mutex);
    namespace_ = opened;
    return ClaimAnswer::Created;
}

ClaimAnswer WinSingleRunObjects::ClaimNamedMutex(const wchar_t* prefix, const char* name) {
    const std::wstring fullName = prefix + Widen(name);
    AdministratorsOnly owned(administrators_, system_, true);
    if (owned.Get() == nullptr) return ClaimAnswer::Unavailable;
    HANDLE mutex = CreateMutexW(owned.Get(), FALSE, fullName.c_str());
    DWORD error = GetLastError();
    if (mutex == nullptr && error == ERROR_INVALID_OWNER) {
        // A token that may not name Administrators as owner: the DACL still protects it.
        AdministratorsOnly unowned(administrators_, system_, false);
        mutex = CreateMutexW(unowned.Get(), FALSE, fullName.c_str());
        error = GetLastError();
    }
    if (mutex != nullptr && error != ERROR_ALREADY_EXISTS) {
        mutex_.Reset(mutex);
        return ClaimAnswer::Created;
    }
    KernelHandle existing(mutex);
    if (!existing) {
        // Another kind of object of that name is never ours.
        if (error == ERROR_INVALID_HANDLE) return ClaimAnswer::HeldBySomeoneElse;
        if (error != ERROR_ACCESS_DENIED) return ClaimAnswer::Unavailable;
        // Ours admits administrators, as this run is: one that does not is someone else's,
        // unless its owner can still be read and says otherwise.
        existing.Reset(OpenMutexW(READ_CONTROL, FALSE, fullName.c_str()));
        if (!existing) return ClaimAnswer::HeldBySomeoneElse;
    }
    return OwnedByAdministrators(existing.Get()) ? ClaimAnswer::HeldByAdministrators : ClaimAnswer::HeldBySomeoneElse;
}

bool WinSingleRunObjects::OwnedByAdministrators(HANDLE object) const {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const bool administrators = owner != nullptr && ((administrators_ != nullptr && EqualSid(owner, administrators_)) ||
                                                     (system_ != nullptr && EqualSid(owner, system_)));
    LocalFree(descriptor);
    return administrators;
}

}  // namespace prinstall
