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

}  // namespace

std::optional<Outcome> SecureInstallFolder(FolderSecurity& security, DebugLog& debug, Language language) {
    // The media root is the fixed folder, wherever the program was started from: that is the
    // folder whose files are copied.
    const WriteAccess access = security.WritableByOthers(kInstallFolder);
    if (access == WriteAccess::AdministratorsOnly) return std::nullopt;
    // The calls' own success is the answer: reading the DACL back proves nothing more on
    // Windows, and Wine does not keep it.
    const std::uint32_t e = security.RestrictToAdministrators(kInstallFolder);
    if (e == 0) {
        debug.Output(Format("%s restricted to administrators", kInstallFolder));
        return std::nullopt;
    }
    debug.Output(Format("%s not restricted: %u", kInstallFolder, e));
    const Text& text = access == WriteAccess::Others ? kFolderOpenToUsers : kFolderUnchecked;
    return Outcome::Failure(Format(text.In(language), kInstallFolder, e), e);
}

}  // namespace prinstall
