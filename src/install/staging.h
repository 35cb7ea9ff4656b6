// Puts every file of one driver copy into the spooler's driver directory under the names that
// registration lists: the shared Unidrv files (Korean or English user-interface modules), the
// copy's GPD and INI files written for it, and numbered copies of its three modules.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/entry_names.h"
#include "core/texts.h"
#include "install/clone_files.h"
#include "platform/files.h"
#include "platform/spooler.h"

namespace prinstall {

// One copy into the driver directory, straight from the installation media: the source is
// relative to the installation folder (MediaName gives it as the release lists it), the
// destination a bare name inside the driver directory (which only administrators can change,
// so nothing passes through a folder that others might).
struct StagingRow {
    std::string source;
    std::string destination;
};

// The copies of one driver copy, in order: table A for x86 (processor 0), table B for x64 and
// Itanium.
std::vector<StagingRow> StagingRows(int processor, bool korean, int driverNumber);

// A row's source as the release's list spells it: no leading ".\", no doubled separator.
std::string MediaName(std::string source);

class DriverStager {
public:
    using ShowMessage = std::function<void(const std::string&)>;
    using ReportProgress = std::function<void(const std::optional<std::string>&, int, bool)>;

    DriverStager(Files& files, Spooler& spooler, ShowMessage showAppMessage, ReportProgress report)
        : files_(files), spooler_(spooler), show_(std::move(showAppMessage)), report_(std::move(report)) {}

    // Every copy is proven against the release's list (install/media_check.h ProvenCopier);
    // without this call, as in a development build, only the files the program writes are.
    void ProveAgainst(std::string_view shippedMedia, Language language) {
        shippedMedia_ = shippedMedia;
        language_ = language;
    }

    // Nothing when every file of the copy was staged; otherwise the file that could not be
    // (a media file that could not be copied, the GPD template when it is missing, empty or
    // unreadable, or a clone file that could not be written), and when it was refused as not
    // the file checked, Refusal() says so. A failed clone file also shows its message here.
    // The copy's GPD file starts with `defaults` (settled against the template). Every source
    // is a full path in the installation folder; the current directory plays no part.
    std::optional<std::string> StageDriverFiles(int driverNumber, int processor, bool korean,
                                                const std::vector<GpdDefault>& defaults = {});
    // Why the last staging stopped at a file that was not the one checked; nothing otherwise.
    const std::optional<std::string>& Refusal() const { return refusal_; }

private:
    Files& files_;
    Spooler& spooler_;
    ShowMessage show_;
    ReportProgress report_;
    std::string shippedMedia_;
    Language language_ = Language::English;
    std::optional<std::string> refusal_;
};

}  // namespace prinstall
