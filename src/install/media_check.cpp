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

// The file's digest; nothing when it cannot be read to its end.
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

}  // namespace

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
    const auto add = [&](std::string path) {
        if (path.rfind(".\\", 0) == 0) path.erase(0, 2);
        for (std::size_t twice; (twice = path.find("\\\\")) != std::string::npos;) path.erase(twice, 1);
        paths.push_back(std::move(path));
    };
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
        // The template is read where the program's folder has it (clone_files.h), the rest
        // is copied from the installation folder.
        const std::string path = name == Format("%s\\TVLabel.GPD", MediaFolderFor(processor))
                                     ? GpdTemplatePath(files, processor)
                                     : std::string(kInstallFolder) + "\\" + name;
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

}  // namespace prinstall
