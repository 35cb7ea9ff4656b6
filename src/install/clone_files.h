// The two per-copy text files of driver copy N: the GPD file, a copy of the media's template
// with its lines 2, 5 and 7 replaced (and the default options the operator chose), and the INI
// file naming the copy's Unidrv plug-ins.
// Both are written into the installation folder's media folder of the processor family, where
// staging picks them up and deletes them afterwards.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/driver_files.h"
#include "install/gpd_features.h"
#include "platform/files.h"

namespace prinstall {

// The INI text of copy N (no line end after the last line).
std::string IniCloneText(int n);

enum class RewriteResult { Ok, ReadError, WriteError };

// The lines of the template that the copy replaces.
inline constexpr int kGpdReplacedLines = 3;

// Copies the template to the output with lines 2, 5 and 7 replaced and every line ended by
// CR LF (LF or CR LF ends a line; a lone CR is text). Each feature of `defaults` (spelled as
// the template spells it) gets its option as the *DefaultOption of its block: the entry the
// block has is changed, and a block without one gets one after its opening brace. `replaced`,
// when given, receives how many of the three lines the template has: a shorter template is
// copied without them.
RewriteResult RewriteGpd(InputFile& in, OutputFile& out, int n, const std::vector<GpdDefault>& defaults = {},
                         int* replaced = nullptr);

// The template the GPD file of every copy is made from, in the installation folder's media
// folder of the processor family: read from there like every other medium, after the folder
// was settled and checked.
std::string GpdTemplatePath(int processor);
// The template beside the running program (the media it was started from), for what the
// command line asks of it before the installation folder is settled (/features, /default:).
std::string GpdTemplateBesideProgram(Files& files, int processor);

// Whether the installation folder's template is text, can be read and has every line the copy
// replaces, read by the very rewrite the copies go through, so that a copy's driver is sure to
// get its own model name. A file with a NUL or another control character (binary data) is no
// template.
bool GpdTemplateUsable(Files& files, int processor);

// The features of a template and their options; nothing when it cannot be read.
std::optional<std::vector<GpdFeature>> GpdTemplateFeatures(Files& files, const std::string& templatePath);

class CloneFileWriter {
public:
    using ShowMessage = std::function<void(const std::string&)>;

    CloneFileWriter(Files& files, ShowMessage showAppMessage) : files_(files), show_(std::move(showAppMessage)) {}

    // 0 written, -1 output not creatable or not writable, -2 template missing or unreadable.
    // `defaults` have been settled against the template (SettleGpdDefaults).
    int WriteGpdClone(int driverNumber, int processor, const std::vector<GpdDefault>& defaults = {});
    // 0 written, -1 output not creatable or not writable.
    int WriteIniClone(int driverNumber, int processor);

    // Full paths of the files written last, for their staging and deletion afterwards.
    const std::string& GpdPath() const { return gpdPath_; }
    const std::string& IniPath() const { return iniPath_; }
    // The digests of what the last successful writes read and wrote: the template's bytes as
    // the rewrite read them (through the one handle), and the bytes of each clone. Nothing
    // after a failure.
    const std::optional<std::string>& TemplateDigest() const { return templateDigest_; }
    const std::optional<std::string>& GpdDigest() const { return gpdDigest_; }
    const std::optional<std::string>& IniDigest() const { return iniDigest_; }

private:
    std::string MediaPath(int processor, const std::string& name);

    Files& files_;
    ShowMessage show_;
    std::string gpdPath_;
    std::string iniPath_;
    std::optional<std::string> templateDigest_;
    std::optional<std::string> gpdDigest_;
    std::optional<std::string> iniDigest_;
};

}  // namespace prinstall
