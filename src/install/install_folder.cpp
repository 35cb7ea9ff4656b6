#include "install/install_folder.h"

#include <algorithm>

#include "core/entry_names.h"
#include "core/label_drivers.h"
#include "install/media_check.h"
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

const Text kFolderNotMade = {
    "The installation folder %s was not made by this program or its package, so nothing shows that only "
    "administrators could change it since it was made. Start Prinstall.exe from the installation media (the folder "
    "you copied or unpacked, a share, or a deployment tool's content): it makes the folder itself, for administrators "
    "only, and installs from there. Nothing was installed.",
    "설치 폴더 %s은(는) 이 프로그램이나 설치 패키지가 만든 폴더가 아니므로, 만들어진 뒤 관리자만 변경할 수 있었는지 "
    "확인할 수 없습니다. 설치 미디어(복사하거나 압축을 푼 폴더, 공유 폴더 또는 배포 도구의 콘텐츠)에서 Prinstall.exe를 "
    "실행하십시오. 프로그램이 관리자 전용 폴더를 직접 만들고 그곳에서 설치합니다. 아무것도 설치하지 않았습니다."};
const Text kFolderHeldOpen = {
    "The installation folder %s is held open by another program with the right to rename or delete it. Close that "
    "program (or restart Windows) and install again. Nothing was installed.",
    "다른 프로그램이 설치 폴더 %s을(를) 이름을 바꾸거나 삭제할 수 있는 권한으로 열어 두고 있습니다. 그 프로그램을 "
    "닫거나 Windows를 다시 시작한 후 다시 설치하십시오. 아무것도 설치하지 않았습니다."};
const Text kFolderNotHeld = {"The installation folder %s could not be opened (error %u). Nothing was installed.",
                             "설치 폴더 %s을(를) 열지 못했습니다(오류 %u). 아무것도 설치하지 않았습니다."};
const Text kFolderNotCreated = {
    "The installation folder %s could not be made for administrators only (error %u). Nothing was installed.",
    "관리자 전용 설치 폴더 %s을(를) 만들지 못했습니다(오류 %u). 아무것도 설치하지 않았습니다."};
const Text kFolderMadeMeanwhile = {
    "The installation folder %s was made by someone else while this program was about to make it. Nothing was "
    "installed; start the installation again.",
    "이 프로그램이 설치 폴더 %s을(를) 만들려는 사이에 다른 사용자가 먼저 만들었습니다. 아무것도 설치하지 않았습니다. "
    "설치를 다시 시작하십시오."};
const Text kFolderNotMovedAside = {
    "The installation folder %s, which this program did not make, could not be moved aside (error %u): another "
    "program may hold it or a file in it open. Close that program and install again. Nothing was installed.",
    "이 프로그램이 만들지 않은 설치 폴더 %s을(를) 다른 이름으로 옮기지 못했습니다(오류 %u). 다른 프로그램이 폴더나 그 "
    "안의 파일을 열어 두고 있을 수 있습니다. 그 프로그램을 닫은 후 다시 설치하십시오. 아무것도 설치하지 않았습니다."};
const Text kFolderMovedAside = {"The earlier installation folder, which this program did not make, was moved to %s.",
                                "이 프로그램이 만들지 않은 이전 설치 폴더를 %s(으)로 옮겼습니다."};
const Text kFolderNotFilled = {"%s could not be copied into the installation folder %s. Nothing was installed.",
                               "%s을(를) 설치 폴더 %s에 복사하지 못했습니다. 아무것도 설치하지 않았습니다."};
const Text kFolderRecordNotWritten = {
    "The installation folder %s was made, but its record (HKLM\\%s) could not be written (error %u). Nothing was "
    "installed.",
    "설치 폴더 %s을(를) 만들었지만 그 기록(HKLM\\%s)을 쓰지 못했습니다(오류 %u). 아무것도 설치하지 않았습니다."};
const Text kFolderOfPackage = {
    "The installation folder %s belongs to the Windows Installer package of these printers, whose removal deletes it: "
    "install through the package, or remove the package first. Nothing was installed.",
    "설치 폴더 %s은(는) 이 프린터의 Windows Installer 패키지 소유이며 패키지를 제거하면 함께 삭제됩니다. 패키지로 "
    "설치하거나 먼저 패키지를 제거하십시오. 아무것도 설치하지 않았습니다."};

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

namespace {

constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kAlreadyExists = 183;

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The reason a hold of the installation folder gives for refusing it, if any.
std::optional<Outcome> HoldRefusal(const FolderHold& hold, Language language) {
    if (hold.link) return Outcome::Failure(Format(kFolderLink.In(language), kInstallFolder, kInstallFolder));
    if (hold.error == kSharingViolation) {
        return Outcome::Failure(Format(kFolderHeldOpen.In(language), kInstallFolder), hold.error);
    }
    if (hold.error != 0)
        return Outcome::Failure(Format(kFolderNotHeld.In(language), kInstallFolder, hold.error), hold.error);
    return std::nullopt;
}

bool Proven(const FolderHold& hold, const std::optional<FolderRecord>& record) {
    return hold.Held() && record && !record->identity.empty() && record->identity == hold.identity;
}

// The media files any installation may copy or read, whatever the processor and language:
// what the placement copies beside the program.
std::vector<std::string> MediaFiles() {
    std::vector<std::string> all;
    for (int processor : {0, 1, 2}) {
        for (bool korean : {false, true}) {
            for (const std::string& name : CopiedMediaFiles(processor, korean)) {
                if (std::none_of(all.begin(), all.end(),
                                 [&](const std::string& n) { return SameQueueName(n, name); })) {
                    all.push_back(name);
                }
            }
        }
    }
    return all;
}

// Copies the program and the media found beside it into the installation folder, over what
// is there; media files the source lacks are left to the checks that need them.
std::optional<Outcome> FillInstallFolder(Files& files, DebugLog& debug, const std::string& program, Language language) {
    const std::string source = FolderOf(program);
    const std::string target = kInstallFolder;
    if (!files.CopyFileTo(program, target + "\\Prinstall.exe")) {
        return Outcome::Failure(Format(kFolderNotFilled.In(language), program.c_str(), kInstallFolder));
    }
    for (const std::string& name : MediaFiles()) {
        const std::string from = source + "\\" + name;
        if (!files.FileExists(from)) continue;
        const std::string to = target + "\\" + name;
        for (size_t at = name.find('\\'); at != std::string::npos; at = name.find('\\', at + 1)) {
            files.MakeDirectory(target + "\\" + name.substr(0, at));
        }
        if (!files.CopyFileTo(from, to)) {
            return Outcome::Failure(Format(kFolderNotFilled.In(language), from.c_str(), kInstallFolder));
        }
    }
    debug.Output("Program and media copied from " + source + " into " + target);
    return std::nullopt;
}

// Makes the installation folder anew, an earlier one moved aside first, and records it.
std::optional<Outcome> MakeInstallFolder(Platform& platform, bool exists, Language language,
                                         std::vector<std::string>& said) {
    FolderSecurity& security = *platform.folderSecurity;
    security.Release();
    if (exists) {
        std::string stamp = platform.clock.LocalTimestamp();
        std::replace(stamp.begin(), stamp.end(), ':', '.');
        const std::string aside = std::string(kInstallFolder) + " (moved aside " + stamp + ")";
        std::uint32_t e = security.Rename(kInstallFolder, aside);
        std::string movedTo = aside;
        for (int n = 2; e == kAlreadyExists && n <= 9; ++n) {
            movedTo = aside.substr(0, aside.size() - 1) + " " + std::to_string(n) + ")";
            e = security.Rename(kInstallFolder, movedTo);
        }
        if (e != 0) return Outcome::Failure(Format(kFolderNotMovedAside.In(language), kInstallFolder, e), e);
        platform.debug.Output(std::string(kInstallFolder) + " moved aside to " + movedTo);
        said.push_back(Format(kFolderMovedAside.In(language), movedTo.c_str()));
    }
    if (const std::uint32_t e = security.CreateForAdministrators(kInstallFolder); e != 0) {
        const Text& text = e == kAlreadyExists ? kFolderMadeMeanwhile : kFolderNotCreated;
        return Outcome::Failure(Format(text.In(language), kInstallFolder, e), e);
    }
    const FolderHold hold = security.Hold(kInstallFolder);
    if (std::optional<Outcome> refused = HoldRefusal(hold, language)) return refused;
    if (const std::uint32_t e = WriteFolderRecord(*platform.registry, {hold.identity, kFolderMadeByProgram}); e != 0) {
        return Outcome::Failure(Format(kFolderRecordNotWritten.In(language), kInstallFolder, kFolderRecordKey, e), e);
    }
    platform.debug.Output(std::string(kInstallFolder) + " made for administrators only: " + hold.identity);
    return std::nullopt;
}

}  // namespace

bool RunsFromInstallFolder(Files& files) { return SameQueueName(FolderOf(files.ProgramPath()), kInstallFolder); }

std::optional<Outcome> SettleInstallFolder(Platform& platform, Language language, std::vector<std::string>& said) {
    FolderSecurity& security = *platform.folderSecurity;
    Files& files = *platform.files;
    const std::optional<FolderRecord> record = ReadFolderRecord(*platform.registry);
    const FolderHold hold = security.Hold(kInstallFolder);
    if (RunsFromInstallFolder(files)) {
        if (std::optional<Outcome> refused = HoldRefusal(hold, language)) return refused;
        if (!Proven(hold, record)) {
            platform.debug.Output(std::string(kInstallFolder) + " not proven: " + hold.identity);
            return Outcome::Failure(Format(kFolderNotMade.In(language), kInstallFolder));
        }
    } else {
        if (Proven(hold, record) && record->madeBy == kFolderMadeByPackage) {
            return Outcome::Failure(Format(kFolderOfPackage.In(language), kInstallFolder));
        }
        if (!Proven(hold, record)) {
            const bool exists = hold.error != 2 && hold.error != 3;
            if (std::optional<Outcome> refused = MakeInstallFolder(platform, exists, language, said)) return refused;
        }
        if (std::optional<Outcome> refused = FillInstallFolder(files, platform.debug, files.ProgramPath(), language)) {
            return refused;
        }
    }
    return SecureInstallFolder(security, platform.debug, language);
}

std::optional<std::string> InstallFolderRefusal(Platform& platform, Language language) {
    if (!RunsFromInstallFolder(*platform.files)) return std::nullopt;
    const std::optional<FolderRecord> record = ReadFolderRecord(*platform.registry);
    const FolderHold hold = platform.folderSecurity->Hold(kInstallFolder);
    if (std::optional<Outcome> refused = HoldRefusal(hold, language)) return refused->text;
    if (!Proven(hold, record)) return Format(kFolderNotMade.In(language), kInstallFolder);
    return std::nullopt;
}

}  // namespace prinstall
