// The two per-copy text files of driver copy N: the GPD file, a copy of the media's template
// with its lines 2, 5 and 7 replaced, and the INI file naming the copy's Unidrv plug-ins.
// Both are written into the media folder of the processor family, beside the program, where
// staging picks them up and deletes them afterwards.
#pragma once

#include <functional>
#include <string>

#include "core/driver_files.h"
#include "platform/files.h"

namespace prinstall {

// The INI text of copy N (no line end after the last line).
std::string IniCloneText(int n);

enum class RewriteResult { Ok, ReadError, WriteError };

// Copies the template to the output with lines 2, 5 and 7 replaced and every line ended by
// CR LF, reading in blocks so a line may be of any length.
RewriteResult RewriteGpd(InputFile& in, OutputFile& out, int n);

class CloneFileWriter {
public:
    using ShowMessage = std::function<void(const std::string&)>;

    CloneFileWriter(Files& files, ShowMessage showAppMessage) : files_(files), show_(std::move(showAppMessage)) {}

    // 0 written, -1 output not creatable or not writable, -2 template missing or unreadable.
    int WriteGpdClone(int driverNumber, int processor);
    // 0 written, -1 output not creatable or not writable.
    int WriteIniClone(int driverNumber, int processor);

    // Full paths of the files written last, for their deletion after staging.
    const std::string& GpdPath() const { return gpdPath_; }
    const std::string& IniPath() const { return iniPath_; }

private:
    std::string MediaPath(int processor, const std::string& name);

    Files& files_;
    ShowMessage show_;
    std::string gpdPath_;
    std::string iniPath_;
};

}  // namespace prinstall
