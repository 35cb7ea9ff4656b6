// The installation media checked against what the release shipped. scripts/release.sh writes
// the SHA-256 of every media file that the program copies into the system folder or the
// driver folder into a block of the program before it signs it, so that the signature covers
// the list. An installation compares the files with that list once the installation folder
// is restricted to administrators (nothing can change them afterwards) and before it changes
// anything. A development build carries an empty block and says that it checked nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/feedback.h"
#include "core/texts.h"
#include "platform/debug_log.h"
#include "platform/files.h"

namespace prinstall {

inline constexpr Text kMediaNotVerified = {
    "The installation media were not verified: this development build carries no list of the media a release "
    "ships.",
    "설치 미디어를 검증하지 않았습니다: 이 개발용 빌드에는 릴리스에 포함된 미디어 목록이 없습니다."};

// The list the release wrote into this program: "path<TAB>sha256\n" lines, each path relative
// to the installation folder; empty in a development build.
std::string ShippedMediaList();

struct ShippedFile {
    std::string path;    // as the list spells it, e.g. "Win32\Korean\UNIRES.DLL"
    std::string sha256;  // 64 lower-case hexadecimal digits
};

// The list's entries; a line that is not a path, a tab and 64 hexadecimal digits is left out
// (its file then counts as not shipped).
std::vector<ShippedFile> ParseShippedMedia(std::string_view list);

// The media files that an installation for the processor (0 x86, 1 x64, 2 Itanium) in the
// language copies into the system folder or the driver folder, relative to the installation
// folder: the port monitor's modules, the Unidrv files, the GPD template that the copy's GPD
// is written from, and the label modules.
std::vector<std::string> CopiedMediaFiles(int processor, bool korean);

struct MediaVerification {
    bool listed = false;  // the program carries a list: a release
    int verified = 0;     // files that matched it
    // The first file that differs from the list, is not in it or cannot be read: nothing is
    // installed. Files that are absent are left to the checks and copies that need them.
    std::optional<Outcome> refusal;
};

// Compares the files of the installation folder that the installation copies with the list.
MediaVerification VerifyMedia(Files& files, DebugLog& debug, std::string_view list, int processor, bool korean,
                              Language language);

// Copies files into the system and driver folders, which only administrators can change, and
// proves each copy before anything registers it: read back where it landed, it must hold the
// bytes the release listed for its medium, or, for a file the program wrote itself, the bytes
// written. What the spooler loads is then what was checked, whatever became of the
// installation folder since VerifyMedia (a file changed, renamed or replaced in the minutes a
// USB search may take). A copy that differs is deleted again. A development build, without a
// list, proves the files it wrote only.
class ProvenCopier {
public:
    ProvenCopier(Files& files, std::string_view list, Language language)
        : files_(files), shipped_(ParseShippedMedia(list)), listed_(!list.empty()), language_(language) {}

    enum class Result {
        Proven,     // copied, and the copy is as it should be
        NotCopied,  // the copy failed (a missing medium, a folder that takes no file)
        Refused,    // the copy is not the file checked: deleted again, Refusal() says why
    };
    // The medium `name` (relative to the installation folder, as the list spells it), copied
    // from the installation folder to `to`.
    Result CopyMedium(const std::string& name, const std::string& to);
    // A file the program wrote, with the digest of the bytes it wrote; without one it is only
    // copied (a file whose writing failed, which fails the installation anyway).
    Result CopyWritten(const std::string& from, const std::string& to, const std::optional<std::string>& digest);
    // Whether the bytes read from a medium (their digest) are those the release listed for it;
    // always in a development build. Refusal() says why not.
    bool AsListed(const std::string& name, const std::string& digest);
    // For the operator, of the last Refused (and of a medium NotCopied): the file named, in
    // the run's language.
    const std::string& Refusal() const { return refusal_; }

private:
    std::optional<std::string> ListedDigest(const std::string& name) const;
    Result Prove(const std::string& shown, const std::string& to, const std::string& expected, const Text& differs);

    Files& files_;
    std::vector<ShippedFile> shipped_;
    bool listed_;
    Language language_;
    std::string refusal_;
};

// The digest of a file's bytes; nothing when it cannot be read to its end.
std::optional<std::string> FileDigest(Files& files, const std::string& path);

}  // namespace prinstall
