// The command line's front end: one command (install, uninstall, detect, list, check,
// features, prepare, help) run without any window, every message written as a line to the
// console and the log, ending with the outcome and the exit code that deployment tools read.
// It drives the same install command and removal as the dialogs. Each command is in a file of
// its own (unattended_install.cpp, unattended_check.cpp, ...); the owner's printers are in
// unattended_owners.cpp, and the install command's steps from the line in unattended_steps.h.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "core/app_context.h"
#include "core/feedback.h"
#include "core/printer_records.h"
#include "core/texts.h"
#include "platform/spooler.h"
#include "platform/text_output.h"

namespace prinstall {

// The last line of every run: the outcome's text (without a trailing blank) and the exit code.
std::string LastLine(const std::string& text, int exitCode);

// What the console says when the /log file cannot be used, which ends the run with 1622
// before anything is changed: the file, and the system's text for the error (`systemText`),
// or, when that is empty, that the file is in an encoding lines cannot be appended in.
std::string LogFileRefusal(const std::string& path, const std::string& systemText, Language language);

class UnattendedRun : public Feedback {
public:
    // `log` may be null (no /log: given).
    UnattendedRun(AppContext& app, TextOutput& console, TextOutput* log) : app_(app), console_(console), log_(log) {}

    // Runs the command and gives the exit code; the last line says both. An exception ends
    // the run with 1603 and a last line that names it.
    int Run(const CommandLine& line);

    // One line to the console, and with a time stamp to the log.
    void Line(const std::string& text);
    // One line with a time stamp to the log only.
    void LogLine(const std::string& text);

    // Feedback: every message is a line; nothing waits for anybody.
    void Progress(const std::optional<std::string>& status, int position, bool pause) override;
    void Message(const std::string& text, const std::string& caption) override;
    bool Result(const Outcome& outcome) override;

private:
    // The command itself; Run adds the barrier against exceptions.
    int RunCommand(const CommandLine& line);
    int Install(const CommandLine& line);
    int Uninstall(const CommandLine& line);
    int List(ListFormat format);
    // /check: names every reason the installation would be refused now; changes nothing.
    int Check(const CommandLine& line);
    // Prints the features of this PC's template and their options, one feature a line.
    int Features();
    // Makes the installation folder, or proves it, as an installation does first.
    int Prepare();
    // The defaults of /default: settled against this PC's template before anything is changed.
    // An exit code when they cannot be: an invalid line (1639) or a template that cannot be read.
    std::optional<int> DefaultsRefusal(CommandLine& line);
    // The features of the template of this PC's processor family; nothing when it cannot be
    // read, the run then ended with `exitCode`.
    std::optional<std::vector<GpdFeature>> TemplateFeatures(int& exitCode);
    // An invalid line: the reason and the usage on the console, the reason in the log; 1639.
    int InvalidLine(const std::string& reason);
    // Prints the printer of /name: when it is there with its record (on the port given); 0.
    int Detect(const CommandLine& line);
    // /install /update: adopts every queue recorded for the owner; nothing when the owner has
    // none and the line names a port, so that the installation goes on as usual.
    std::optional<int> Update(const CommandLine& line);
    int Adopt(const CommandLine& line, const PrinterInfo2& queue, bool movePort);
    // The records matched to the local queues; an exit code when either cannot be listed.
    std::optional<int> RecordedQueues(std::vector<RecordedQueue>& matched);
    // Ends a run that leaves a queue of another owner (or of none) as it is, saying whose it is.
    int KeptForOwner(const QueueRecord& record, const PrinterInfo2& queue);
    // /install /owner: (without /update) adopts the owner's printers that are there already
    // (only the one of /name, under its name now or at its installation), so that a second
    // run of the same installation makes no second copy. Lowers `copies` by their number and
    // drops `name` when one of them had it; an exit code when nothing is left to install.
    std::optional<int> AdoptOwnersQueues(const CommandLine& line, int& copies, std::optional<std::string>& name);
    // The queues recorded for the owner, as the spooler spells them; records whose queue is gone
    // are deleted and said. An exit code when the records or queues cannot be listed.
    std::optional<int> OwnerQueues(const std::string& owner, std::vector<std::string>& queues);
    // Ends the run: the outcome's text and the exit code as the last line.
    int Finish(const std::string& text, int exitCode);
    // A local printer listing that failed, with the call's error code.
    int EnumFailed(std::uint32_t error);
    // Whether a queue on `queuePort` prints where the line asks: the port named, or the network
    // printer's host and port number.
    bool OnRequestedPort(const CommandLine& line, const std::string& queuePort);

    AppContext& app_;
    TextOutput& console_;
    TextOutput* log_;
    Language language_ = Language::English;
};

}  // namespace prinstall
