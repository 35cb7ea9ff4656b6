// /uninstall: the printers named, all of them, or an owner's (of one run only with /run:),
// removed as the dialog removes them.
#include "app/unattended_run.h"

#include <algorithm>

#include "core/label_drivers.h"
#include "core/printer_records.h"
#include "install/install_command.h"
#include "uninstall/removal.h"

namespace prinstall {
namespace {

const Text kNotALabelQueue = {"\"%s\" is not a label printer queue.", "\"%s\"은(는) 라벨 프린터가 아닙니다."};

// The mark of the run that installed a queue, from its record; empty when there is none.
std::string RunMark(Registry& registry, const std::string& queueName) {
    Registry::Key key = 0;
    std::string run;
    if (registry.OpenKeyForReading(std::string(kQueueRecordsKey) + "\\" + queueName, key) != 0) return run;
    registry.QueryString(key, "Run", run);
    registry.CloseKey(key);
    return run;
}

}  // namespace

int UnattendedRun::Uninstall(const CommandLine& line) {
    Platform& p = app_.platform;
    std::uint32_t listError = 0;
    std::optional<std::vector<std::string>> listed = LabelQueueNames(p.spooler, &listError);
    if (!listed) return EnumFailed(listError);
    std::vector<std::string> queues;
    if (line.owner) {
        if (std::optional<int> failed = OwnerQueues(*line.owner, queues)) return *failed;
        // One run's take-back (a package's rollback): only the queues that run installed, not
        // those an earlier run of the same owner left.
        if (line.run) {
            queues.erase(std::remove_if(queues.begin(), queues.end(),
                                        [&](const std::string& q) { return RunMark(*p.registry, q) != *line.run; }),
                         queues.end());
            if (queues.empty()) return Finish(kNothingInstalled.In(language_), kExitSuccess);
        }
    } else if (line.all) {
        // As Select all in the dialog: the last entry first.
        queues.assign(listed->rbegin(), listed->rend());
    } else {
        for (const std::string& wanted : line.queues) {
            std::string found;
            for (const std::string& name : *listed) {
                if (SameQueueName(p.spooler, name, wanted)) found = name;
            }
            if (found.empty()) return Finish(Format(kNotALabelQueue.In(language_), wanted.c_str()), kExitFailure);
            // The same queue named twice (in any letter case) is removed once.
            if (std::find(queues.begin(), queues.end(), found) == queues.end()) queues.push_back(found);
        }
    }
    Removal removal(app_, *p.registry, *p.files, *this, language_);
    if (queues.empty() && !LeftoversRemain(app_, *p.registry, *p.files, language_)) {
        return Finish(kNothingInstalled.In(language_), kExitSuccess);
    }
    for (const std::string& queue : queues) Line(Format("To remove: \"%s\"", queue.c_str()));
    const Outcome outcome = removal.Run(queues);
    return Finish(outcome.text, ExitCodeOf(outcome));
}

}  // namespace prinstall
