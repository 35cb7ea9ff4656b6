#include "install/install_folder.h"

#include "core/entry_names.h"
#include "install/staging.h"

namespace prinstall {
namespace {

const Text kFolderOpenToUsers = {
    "The installation folder %s can be changed by users who are not administrators, and its permissions could not "
    "be restricted (error %u). Nothing was installed.",
    "관리자가 아닌 사용자도 설치 폴더 %s을(를) 변경할 수 있으며, 폴더 권한을 제한하지 못했습니다(오류 %u). 아무것도 "
    "설치하지 않았습니다."};
const Text kFolderUnchecked = {
    "The permissions of the installation folder %s could neither be checked nor restricted (error %u). Nothing was "
    "installed.",
    "설치 폴더 %s의 권한을 확인하거나 제한하지 못했습니다(오류 %u). 아무것도 설치하지 않았습니다."};

const Text kFolderLink = {
    "The installation folder %s was not restricted to administrators: %s is a link to another place (a junction, "
    "symbolic link or mount point), which is neither followed nor changed. Remove it and install again. Nothing was "
    "installed.",
    "설치 폴더 %s을(를) 관리자 전용으로 제한하지 않았습니다. %s은(는) 다른 위치로 연결되는 링크(정션, 심볼릭 링크 또는 "
    "탑재 지점)이므로 따라가거나 변경하지 않습니다. 링크를 삭제한 후 다시 설치하십시오. 아무것도 설치하지 않았습니다."};
const Text kFolderHardLink = {
    "The installation folder %s was not restricted to administrators: the file %s has further names elsewhere (hard "
    "links), whose permissions would change with it. Remove it and install again. Nothing was installed.",
    "설치 폴더 %s을(를) 관리자 전용으로 제한하지 않았습니다. 파일 %s에는 다른 위치의 이름(하드 링크)이 더 있어 그곳의 "
    "권한도 함께 바뀌게 됩니다. 파일을 삭제한 후 다시 설치하십시오. 아무것도 설치하지 않았습니다."};
const Text kFolderNoPermissions = {
    "The installation folder %s is on a drive that keeps no permissions (FAT or exFAT): anyone can change what it "
    "holds, and it cannot be restricted to administrators. Nothing was installed.",
    "설치 폴더 %s이(가) 권한을 저장하지 않는 드라이브(FAT 또는 exFAT)에 있어 누구나 내용을 변경할 수 있으며 관리자 "
    "전용으로 제한할 수 없습니다. 아무것도 설치하지 않았습니다."};
const Text kFolderEntryNotTaken = {
    "The installation folder %s can be changed by users who are not administrators, and %s in it could not be handed "
    "to the administrators (error %u). Nothing was installed.",
    "관리자가 아닌 사용자도 설치 폴더 %s을(를) 변경할 수 있으며, 그 안의 %s을(를) 관리자에게 넘기지 못했습니다(오류 "
    "%u). "
    "아무것도 설치하지 않았습니다."};

// What the operator is told of a restriction that did not end done.
std::string Explained(const Restriction& r, WriteAccess access, Language language) {
    switch (r.refusal) {
        case Refusal::Link: return Format(kFolderLink.In(language), kInstallFolder, r.entry.c_str());
        case Refusal::HardLinked: return Format(kFolderHardLink.In(language), kInstallFolder, r.entry.c_str());
        case Refusal::NoPermissions: return Format(kFolderNoPermissions.In(language), kInstallFolder);
        case Refusal::None: break;
    }
    // An entry below the folder is named (the adapter names the folder as it was given).
    if (!r.entry.empty() && r.entry != kInstallFolder) {
        return Format(kFolderEntryNotTaken.In(language), kInstallFolder, r.entry.c_str(), r.error);
    }
    const Text& text = access == WriteAccess::Others ? kFolderOpenToUsers : kFolderUnchecked;
    return Format(text.In(language), kInstallFolder, r.error);
}

}  // namespace

std::optional<Outcome> SecureInstallFolder(FolderSecurity& security, DebugLog& debug, Language language) {
    // The media root is the fixed folder, wherever the program was started from: that is the
    // folder whose files are copied.
    const WriteAccess access = security.WritableByOthers(kInstallFolder);
    if (access == WriteAccess::AdministratorsOnly) return std::nullopt;
    // Nothing on a volume without permissions can be restricted: said as it is, not tried.
    if (access == WriteAccess::NoPermissions) {
        debug.Output(Format("%s is on a volume without permissions", kInstallFolder));
        return Outcome::Failure(Format(kFolderNoPermissions.In(language), kInstallFolder));
    }
    // The calls' own success is the answer: reading the DACL back proves nothing more on
    // Windows, and Wine does not keep it.
    const Restriction r = security.RestrictToAdministrators(kInstallFolder);
    if (r.Done()) {
        debug.Output(Format("%s restricted to administrators", kInstallFolder));
        return std::nullopt;
    }
    debug.Output(Format("%s not restricted: %u at %s (refusal %d)", kInstallFolder, r.error, r.entry.c_str(),
                        static_cast<int>(r.refusal)));
    return Outcome::Failure(Explained(r, access, language), r.error);
}

}  // namespace prinstall
