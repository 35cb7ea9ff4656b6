// The removal of label-printer queues: each queue with its driver and the driver's numbered
// files (the driver only when no other queue uses it), then, once no label-printer queue is
// left, what the installation put into the system besides (cleanup.h). Both front ends drive
// it: the removal dialog and the command line. Progress, failures and the final outcome go
// through the Feedback port.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/app_context.h"
#include "core/feedback.h"
#include "core/ownership.h"
#include "core/texts.h"
#include "uninstall/cleanup.h"

namespace prinstall {

inline constexpr Text kNothingInstalled = {"Installed Printer Driver not exist",
                                           "현재 설치된 프린터 드라이버가 없습니다."};

// The local queues whose driver is a numbered label-printer driver, by queue name in the
// spooler's order; nothing when the queues cannot be listed (the listing's error then in
// `error`, when given).
std::optional<std::vector<std::string>> LabelQueueNames(Spooler& spooler, std::uint32_t* error = nullptr);

// Whether an earlier run left something that only the removal can take away (a numbered
// driver without its queue, the port monitor, the uninstall entry of `language`).
bool LeftoversRemain(AppContext& app, Registry& registry, Files& files, Language language);

class Removal {
public:
    Removal(AppContext& app, Registry& registry, Files& files, Feedback& feedback, Language language)
        : app_(app), registry_(registry), files_(files), feedback_(feedback), language_(language) {}

    // Removes the queues in the order given, then cleans up when no label-printer queue is
    // left. A failure is reported at once; when the operator confirms it the run stops there
    // (Stopped() is then true) and what was done stays. Otherwise the outcome is the final
    // report, not shown yet: success, or a failure naming whatever could not be removed. Files
    // held open go at the next restart: named in the report, which then asks for a restart
    // (`restartRequired`) and is still a success when nothing else stays.
    Outcome Run(const std::vector<std::string>& queues);
    bool Stopped() const { return stopped_; }

private:
    Cleanup MakeCleanup();
    // Removes one queue with its driver and files; false when the operator stopped the run.
    bool RemovePrinter(const std::string& printerName);
    // Deletes the driver of the queue `printerName` and its numbered files when nothing uses
    // it any more (no queue, no print-server connection) and it is one of the program's own
    // copies; what stays for another's sake is named in the report.
    // `queues`: the local queues as listed just after the queue's deletion, when they were.
    bool RemoveDriverIfUnused(const std::string& driverName, const std::string& printerName,
                              const std::vector<PrinterInfo2>* queues);
    // Who uses a driver: the queues as just listed, and the connections and drivers, listed at
    // the first driver's removal and held for the run.
    UsageSurvey& Survey(std::vector<PrinterInfo2> queues);
    // Shows a failure; true when the operator pressed OK, which stops the run.
    // `error` is the failed call's system error code; its probable cause follows the text.
    bool ReportFailure(const std::string& text, std::uint32_t error);
    void Report(const char* status, int position);
    // The label-printer queues left; -2 when they cannot be listed.
    int CountLabelQueues();

    AppContext& app_;
    Registry& registry_;
    Files& files_;
    Feedback& feedback_;
    Language language_;
    bool hadFailures_ = false;
    bool stopped_ = false;
    // Named in the final report: what stays, and the files Windows deletes at the next restart.
    FilesLeft left_;
    std::optional<UsageSurvey> survey_;
};

}  // namespace prinstall
