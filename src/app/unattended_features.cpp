// /features: the features of this PC's template and their options, one feature a line.
#include "app/unattended_run.h"

namespace prinstall {

int UnattendedRun::Features() {
    int exitCode = kExitFailure;
    const std::optional<std::vector<GpdFeature>> features = TemplateFeatures(exitCode);
    if (!features) return exitCode;
    for (const GpdFeature& feature : *features) {
        std::string row = feature.name;
        for (const std::string& option : feature.options) row += "\t" + option;
        Line(row);
    }
    // The console shows the features alone, for scripts to read; the log ends as every run does.
    LogLine("(exit code 0)");
    return kExitSuccess;
}

}  // namespace prinstall
