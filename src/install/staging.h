// Puts every file of one driver copy into the spooler's driver directory under the names that
// registration lists: the shared Unidrv files (Korean or English user-interface modules), the
// copy's GPD and INI files written for it, and numbered copies of its three modules.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "install/clone_files.h"
#include "platform/files.h"
#include "platform/spooler.h"

namespace prinstall {

inline constexpr const char* kInstallFolder = "C:\\TORVA EPL Printer 2.X";

// One copy into the driver directory, straight from the installation media: the source is
// relative to the installation folder, the destination a bare name inside the driver
// directory (which only administrators can change, so nothing passes through a folder that
// others might).
struct StagingRow {
    std::string source;
    std::string destination;
};

// The copies of one driver copy, in order: table A for x86 (processor 0), table B for x64 and
// Itanium.
std::vector<StagingRow> StagingRows(int processor, bool korean, int driverNumber);

class DriverStager {
public:
    using ShowMessage = std::function<void(const std::string&)>;
    using ReportProgress = std::function<void(const std::optional<std::string>&, int, bool)>;

    DriverStager(Files& files, Spooler& spooler, ShowMessage showAppMessage, ReportProgress report)
        : files_(files), spooler_(spooler), show_(std::move(showAppMessage)), report_(std::move(report)) {}

    // Nothing when every file of the copy was staged; otherwise the file that could not be
    // (a media file that could not be copied, the GPD template when it is missing, empty or
    // unreadable, or a clone file that could not be written). A failed clone file also shows
    // its message here. The copy's GPD file starts with `defaults` (settled against the
    // template). Leaves the installation folder as the current directory.
    std::optional<std::string> StageDriverFiles(int driverNumber, int processor, bool korean,
                                                const std::vector<GpdDefault>& defaults = {});

private:
    Files& files_;
    Spooler& spooler_;
    ShowMessage show_;
    ReportProgress report_;
};

}  // namespace prinstall
