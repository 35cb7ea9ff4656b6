#include "install/staging.h"

#include <algorithm>

#include "core/texts.h"
#include "install/media_check.h"

namespace prinstall {

std::vector<StagingRow> StagingRows(int processor, bool korean, int n) {
    std::vector<StagingRow> rows;
    if (processor == 0) {
        rows = {
            {".\\Win32\\UNIDRV.DLL", "UNIDRV.DLL"},
            {".\\Win32\\UNIDRV.HLP", "UNIDRV.HLP"},
            {".\\Win32\\STDNAMES.GPD", "STDNAMES.GPD"},
            {korean ? ".\\Win32\\Korean\\UNIDRVUI.DLL" : ".\\Win32\\UNIDRVUI.DLL", "UNIDRVUI.DLL"},
            {korean ? ".\\Win32\\Korean\\UNIRES.DLL" : ".\\Win32\\UNIRES.DLL", "UNIRES.DLL"},
        };
    } else {
        rows = {
            {".\\Win64\\STDNAMES.GPD", "STDNAMES.GPD"},
            {".\\Win64\\2003\\UNIDRV.DLL", "UNIDRV.DLL"},
            {".\\Win64\\2003\\\\UNIDRV.HLP", "UNIDRV.HLP"},
            {korean ? ".\\Win64\\2003\\Korean\\UNIDRVUI.DLL" : ".\\Win64\\2003\\UNIDRVUI.DLL", "UNIDRVUI.DLL"},
            {korean ? ".\\Win64\\2003\\Korean\\UNIRES.DLL" : ".\\Win64\\2003\\UNIRES.DLL", "UNIRES.DLL"},
        };
    }
    const std::string media = Format(".\\%s\\", MediaFolderFor(processor));
    rows.push_back({media + GpdCloneName(n), GpdCloneName(n)});
    rows.push_back({media + IniCloneName(n), IniCloneName(n)});
    rows.push_back({media + "TVLabel.DLL", ResourceCloneName(n)});
    rows.push_back({media + "TVLabelE.DLL", RenderCloneName(n)});
    rows.push_back({media + "TVLabelUI.DLL", UiCloneName(n)});
    return rows;
}

std::string MediaName(std::string source) {
    if (source.rfind(".\\", 0) == 0) source.erase(0, 2);
    for (std::size_t twice; (twice = source.find("\\\\")) != std::string::npos;) source.erase(twice, 1);
    return source;
}

std::optional<std::string> DriverStager::StageDriverFiles(int driverNumber, int processor, bool korean,
                                                          const std::vector<GpdDefault>& defaults) {
    report_(std::string("Print Driver Copy Started"), 30, true);
    refusal_.reset();

    std::string driverDirectory;
    spooler_.DriverDirectory(SpoolerEnvironment(processor), driverDirectory);
    // Made when missing; one that is there already refuses to be made, harmlessly.
    files_.MakeDirectory(driverDirectory);

    std::optional<std::string> failed;
    const std::string templateName = Format("%s\\TVLabel.GPD", MediaFolderFor(processor));
    ProvenCopier copier(files_, shippedMedia_, language_);
    CloneFileWriter clones(files_, show_);
    int gpd = clones.WriteGpdClone(driverNumber, processor, defaults);
    if (gpd == -2) show_("Failed to open GPD file");
    if (gpd == -1) show_("Failed to create GPD file");
    if (gpd == -2 || (gpd == 0 && files_.FileSize(clones.GpdPath()) <= 0)) failed = templateName;
    if (gpd == -1) failed = GpdCloneName(driverNumber);
    // The copy's GPD holds what the rewrite read: those bytes must be the template checked.
    if (gpd == 0 && !copier.AsListed(templateName, clones.TemplateDigest().value_or(""))) {
        refusal_ = copier.Refusal();
    }
    if (clones.WriteIniClone(driverNumber, processor) == -1) {
        show_("Failed to create INI file");
        if (!failed) failed = IniCloneName(driverNumber);
    }

    const std::vector<StagingRow> rows = StagingRows(processor, korean, driverNumber);
    // One reading of the deletions Windows has pending serves every file of the copy: only a
    // path among them has one to withdraw.
    const std::vector<std::string> pending = files_.RemovalsAtRestart();
    const auto isPending = [&](const std::string& path) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return std::any_of(pending.begin(), pending.end(), [&](const std::string& p) {
            return p.size() == path.size() &&
                   std::equal(p.begin(), p.end(), path.begin(), [&](char x, char y) { return lower(x) == lower(y); });
        });
    };
    for (const StagingRow& row : rows) {
        if (refusal_) break;
        const std::string destination = driverDirectory + "\\" + row.destination;
        // A removal before may have left this path, or the spooler's copy of it in its version
        // folder, to be deleted at the next restart: that would take the new driver's file.
        for (const std::string& path : {destination, driverDirectory + "\\3\\" + row.destination}) {
            if (isPending(path)) files_.CancelRemovalAtRestart(path);
        }
        // Each clone is staged from where it was written, everything else from the
        // installation folder.
        const std::string name = MediaName(row.source);
        ProvenCopier::Result result;
        if (row.destination == GpdCloneName(driverNumber)) {
            result = copier.CopyWritten(clones.GpdPath(), destination, clones.GpdDigest());
        } else if (row.destination == IniCloneName(driverNumber)) {
            result = copier.CopyWritten(clones.IniPath(), destination, clones.IniDigest());
        } else {
            result = copier.CopyMedium(name, destination);
        }
        if (result == ProvenCopier::Result::Refused) refusal_ = copier.Refusal();
        // A file already reported (a clone file) is not named again by its copy.
        if (result != ProvenCopier::Result::Proven && !failed) failed = name;
    }

    files_.RemoveFile(clones.GpdPath());
    files_.RemoveFile(clones.IniPath());
    if (refusal_ && !failed) failed = templateName;
    return failed;
}

}  // namespace prinstall
