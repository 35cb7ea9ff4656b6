#include "install/media_check.h"

#include <algorithm>
#include <memory>

#include "core/driver_files.h"
#include "core/entry_names.h"
#include "core/sha256.h"
#include "install/clone_files.h"
#include "install/port_monitor.h"
#include "install/staging.h"

namespace prinstall {
namespace {

const Text kMediaChanged = {
    "Nothing was installed: the installation file %s is not the one this release shipped (it was changed or "
    "replaced). Copy the installation folder again from the release.",
    "아무것도 설치하지 않았습니다: 설치 파일 %s이(가) 이 릴리스에 포함된 파일과 다릅니다(변경되었거나 교체됨). "
    "릴리스에서 설치 폴더를 다시 복사하십시오."};
const Text kMediaNotShipped = {
    "Nothing was installed: the installation file %s is not among the files this release shipped.",
    "아무것도 설치하지 않았습니다: 설치 파일 %s이(가) 이 릴리스에 포함된 파일 목록에 없습니다."};
const Text kMediaUnreadable = {"Nothing was installed: the installation file %s is missing or cannot be used.",
                               "아무것도 설치하지 않았습니다: 설치 파일 %s이(가) 없거나 사용할 수 없습니다."};
// At the copy, after the check: earlier copies of the run may be installed already.
const Text kCopyChanged = {
    "The printer driver was not installed: the installation file %s changed after it was checked, and what was "
    "copied is not the file this release shipped. Copy the installation folder again from the release.",
    "프린터 드라이버를 설치하지 못했습니다: 설치 파일 %s이(가) 검사 후에 바뀌어, 복사된 파일이 이 릴리스에 포함된 "
    "파일과 다릅니다. 릴리스에서 설치 폴더를 다시 복사하십시오."};
const Text kWrittenChanged = {
    "The printer driver was not installed: the file %s changed between its writing and its copy into the driver "
    "folder.",
    "프린터 드라이버를 설치하지 못했습니다: %s 파일이 작성된 후 드라이버 폴더로 복사되기 전에 바뀌었습니다."};
const Text kCopyFailed = {"The printer driver was not installed: the installation file %s could not be copied to %s.",
                          "프린터 드라이버를 설치하지 못했습니다: 설치 파일 %s을(를) %s(으)로 복사하지 못했습니다."};
const Text kCopyUnreadable = {
    "The printer driver was not installed: the copy of %s could not be read back to check it.",
    "프린터 드라이버를 설치하지 못했습니다: %s의 복사본을 다시 읽어 검사하지 못했습니다."};

// The block scripts/release.sh fills: the marker line, then the list over the zeros, the
// block's length unchanged (kBlockSize there as well). volatile: the program reads what its
// file holds at run time, not the zeros the compiler saw; used: the linker keeps it. The
// marker occurs nowhere else in the program, and the script refuses a program in which it
// does not occur exactly once.
constexpr std::size_t kBlockSize = 8192;
[[gnu::used]] volatile const char kShippedMediaBlock[kBlockSize] = "PRINSTALL SHIPPED MEDIA SHA-256\n";

bool SameText(std::string_view a, std::string_view b) {
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return upper(x) == upper(y); });
}

}  // namespace

std::optional<std::string> FileDigest(Files& files, const std::string& path) {
    std::unique_ptr<InputFile> in = files.OpenForReading(path);
    if (!in) return std::nullopt;
    Sha256 sha;
    char buffer[65536];
    for (long n; (n = in->Read(buffer, sizeof buffer)) != 0;) {
        if (n < 0) return std::nullopt;
        sha.Update(buffer, static_cast<std::size_t>(n));
    }
    return sha.HexDigest();
}

std::string ShippedMediaList() {
    std::size_t i = 0;
    while (i < kBlockSize && kShippedMediaBlock[i] != '\n') ++i;
    std::string list;
    for (++i; i < kBlockSize && kShippedMediaBlock[i] != '\0'; ++i) list.push_back(kShippedMediaBlock[i]);
    return list;
}

std::vector<ShippedFile> ParseShippedMedia(std::string_view list) {
    std::vector<ShippedFile> shipped;
    while (!list.empty()) {
        const std::size_t end = std::min(list.find('\n'), list.size());
        const std::string_view line = list.substr(0, end);
        list.remove_prefix(std::min(end + 1, list.size()));
        const std::size_t tab = line.find('\t');
        if (tab == 0 || tab == std::string_view::npos) continue;
        const std::string_view digest = line.substr(tab + 1);
        if (digest.size() != 64 || digest.find_first_not_of("0123456789abcdef") != std::string_view::npos) continue;
        shipped.push_back({std::string(line.substr(0, tab)), std::string(digest)});
    }
    return shipped;
}

std::vector<std::string> CopiedMediaFiles(int processor, bool korean) {
    std::vector<std::string> paths;
    const auto add = [&](const std::string& path) { paths.push_back(MediaName(path)); };
    // The GPD and INI clones are written by the program itself; the GPD from the template.
    for (const StagingRow& row : StagingRows(processor, korean, 1)) {
        if (CloneFileNumber(row.destination) == 0) add(row.source);
    }
    add(Format("%s\\TVLabel.GPD", MediaFolderFor(processor)));
    for (const char* module : {kPortMonitorModule, kPortMonitorUiModule}) {
        add(PortMonitorSourceFolder(processor) + "\\" + module);
    }
    return paths;
}

MediaVerification VerifyMedia(Files& files, DebugLog& debug, std::string_view list, int processor, bool korean,
                              Language language) {
    MediaVerification result;
    const std::vector<ShippedFile> shipped = ParseShippedMedia(list);
    result.listed = !list.empty();
    if (!result.listed) {
        debug.Output("Installation media not verified: no list of shipped media (a development build)");
        return result;
    }
    for (const std::string& name : CopiedMediaFiles(processor, korean)) {
        // The template is read from the installation folder as well (clone_files.h).
        const std::string path = std::string(kInstallFolder) + "\\" + name;
        if (files.FileSize(path) < 0) continue;
        const auto entry =
            std::find_if(shipped.begin(), shipped.end(), [&](const ShippedFile& f) { return SameText(f.path, name); });
        const std::optional<std::string> digest = FileDigest(files, path);
        const Text* refusal = entry == shipped.end()     ? &kMediaNotShipped
                              : !digest                  ? &kMediaUnreadable
                              : *digest != entry->sha256 ? &kMediaChanged
                                                         : nullptr;
        if (refusal != nullptr) {
            debug.Output(Format("Installation medium refused: %s (SHA-256 %s)", path.c_str(),
                                digest.value_or("unreadable").c_str()));
            result.refusal = Outcome::Failure(Format(refusal->In(language), path.c_str()));
            return result;
        }
        ++result.verified;
    }
    debug.Output(Format("Installation media verified: %d file(s) as the release shipped them", result.verified));
    return result;
}

std::optional<std::string> ProvenCopier::ListedDigest(const std::string& name) const {
    const auto entry =
        std::find_if(shipped_.begin(), shipped_.end(), [&](const ShippedFile& f) { return SameText(f.path, name); });
    if (entry == shipped_.end()) return std::nullopt;
    return entry->sha256;
}

ProvenCopier::Result ProvenCopier::Prove(const std::string& shown, const std::string& to, const std::string& expected,
                                         const Text& differs) {
    const std::optional<std::string> copied = FileDigest(files_, to);
    if (copied && *copied == expected) return Result::Proven;
    refusal_ = Format((copied ? differs : kCopyUnreadable).In(language_), shown.c_str());
    files_.RemoveFile(to);
    return Result::Refused;
}

ProvenCopier::Result ProvenCopier::CopyMedium(const std::string& name, const std::string& to) {
    const std::string from = std::string(kInstallFolder) + "\\" + name;
    if (!files_.CopyFileTo(from, to)) {
        // Renamed or deleted since the check, or a destination that takes no file.
        refusal_ = Format(kCopyFailed.In(language_), from.c_str(), to.c_str());
        return Result::NotCopied;
    }
    if (!listed_) return Result::Proven;
    // A medium the list lacks was not there at the check: it is no file the release shipped.
    return Prove(from, to, ListedDigest(name).value_or(""), kCopyChanged);
}

ProvenCopier::Result ProvenCopier::CopyWritten(const std::string& from, const std::string& to,
                                               const std::optional<std::string>& digest) {
    if (!files_.CopyFileTo(from, to)) return Result::NotCopied;
    return digest ? Prove(from, to, *digest, kWrittenChanged) : Result::Proven;
}

bool ProvenCopier::AsListed(const std::string& name, const std::string& digest) {
    if (!listed_ || ListedDigest(name) == digest) return true;
    refusal_ = Format(kCopyChanged.In(language_), (std::string(kInstallFolder) + "\\" + name).c_str());
    return false;
}

}  // namespace prinstall
