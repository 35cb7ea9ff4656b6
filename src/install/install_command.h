// The installation of numbered driver copies, each with its queue: the port is prepared once
// (USB search or Standard TCP/IP port), then every copy is checked, staged and registered.
// Both front ends drive it: the main dialog (Installation button) and the command line.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/app_context.h"
#include "core/driver_files.h"
#include "core/feedback.h"
#include "core/interface_kind.h"
#include "core/texts.h"
#include "install/gpd_features.h"
#include "install/install_steps.h"
#include "install/queue_names.h"
#include "install/registration.h"
#include "install/tcpip_port.h"

namespace prinstall {

struct InstallRequest {
    int copies = 1;
    std::string firstQueueName;  // the operator's name for the first queue
    Language language = Language::English;
    // False when a Windows Installer package running the installation shows its own entry in
    // the list of installed programs: the queues then come without the program's.
    bool withUninstallEntry = true;
    // A failed run takes back every copy it installed, with the port monitor and the detection
    // value it added: set for a Windows Installer package, whose own rollback then takes the
    // program and its media away, so that nothing would be left to remove the copies with.
    bool allOrNothing = false;
    // Written into the record of every queue installed: whom the deployment made it for.
    std::string owner;
    // The default options every copy's printer description starts with (feature and option in
    // any letter case); a feature or option the template lacks refuses the run before any change.
    std::vector<GpdDefault> defaults;
    // Written into the record of every queue installed, for a take-back of this run alone.
    std::string run;
};

// An existing label-printer queue to bring up to this program: onto the port the steps choose
// (when `movePort`), its driver updated in place when an older version recorded it, and its
// record written. Name, printing defaults, comment, location, sharing and security stay.
struct AdoptRequest {
    std::string queueName;  // as the spooler spells it
    std::string driverName;
    std::string currentPort;
    bool movePort = false;
    std::optional<std::string> owner;  // nothing: the recorded owner stays
    Language language = Language::English;
    // The driver is updated from this program's media whatever version recorded the queue: a
    // package's upgrade may bring new media with the same program.
    bool updateDriver = false;
    // /default: the feature defaults the driver's description gets where it is staged again;
    // none given, the defaults the queue's record kept.
    std::vector<GpdDefault> defaults;
};

class InstallCommand {
public:
    InstallCommand(AppContext& app, Feedback& feedback, InstallSteps& steps)
        : app_(app), feedback_(feedback), steps_(steps) {}

    // Installs the copies; the outcome has not been shown yet unless `shown` says so.
    Outcome Run(const InstallRequest& request);

    // Adopts one existing queue (install_adopt.cpp); the outcome's text says what changed.
    Outcome Adopt(const AdoptRequest& request);

    // After a failed run: whether a copy failed once the port was prepared (the dialog then
    // offers "Add new printer").
    bool CopyFailed() const { return copyFailed_; }

    // The media check (install_media.h) with the run's defaults, its lines going to the steps.
    std::optional<Outcome> MediaRefusal();

private:
    // The queue names of all the copies, settled before the first change: the operator's name
    // for the first, and for each later one the numbered name of the driver number it will
    // take, passed over to a free one where a queue or an earlier copy has it. `taken` gets
    // the names of the queues there and of the copies. Nothing when the run goes on; the
    // refusal otherwise (a name the spooler cannot hold or that a queue has, more copies than
    // free driver numbers, queues that cannot be listed).
    std::optional<Outcome> SettleCopies(const InstallRequest& request, std::vector<std::string>& names,
                                        std::vector<std::string>& taken);
    // The port, once per run: the choice, then the USB step or the Standard TCP/IP port.
    // Nothing when the run goes on.
    std::optional<Outcome> PreparePort(RegistrationSettings& settings, int& searchCounter);
    // Asks the Standard TCP/IP port monitor to make the port, which needs no spooler restart;
    // sets tcpIpPortCreated_ when it did, and `answered` unless the monitor did not answer
    // (the port is then left to the registry). A refusal ends the run before any change.
    std::optional<Outcome> AddPortThroughMonitor(const std::string& portName, const PortChoice& choice, bool& answered);
    // One copy under this queue name.
    Outcome InstallCopy(const std::string& queueName, RegistrationSettings& settings);
    Outcome FailCopy(const std::string& text, std::uint32_t error = 0);
    // Stages copy N's files again from this program's media and registers its driver again
    // under the same name, which the spooler takes as an update of the driver in place.
    Outcome UpdateDriver(int driverNumber);
    // Puts the queue on the port; 0 or the error of the spooler.
    std::uint32_t MoveQueue(const std::string& queueName, const std::string& port);
    // Takes back what a failed copy left: its driver (when registered) and its numbered files.
    // False when the driver stays; its files then stay with it. Files that stay go to left_.
    bool RollBackCopy(const std::string& environment, int driverNumber, bool driverRegistered);
    // After a run that ended before its first copy existed, or whose copies were all taken
    // back: takes the port monitor that this run added out again (modules and key too),
    // unless a queue is on its port.
    void TakeBackPortMonitor();
    // The queue, driver, numbered files and record of each copy this run installed from the
    // `from`th on, the last one first (after a failed all-or-nothing run: all of them). The
    // number of queues deleted.
    int TakeBackCopies(const std::string& environment, std::size_t from);
    // After a failed run: the Standard TCP/IP port this run made, unless a queue prints to it
    // (a copy installed before the failure that stays, or one that could not be taken back).
    void TakeBackTcpIpPort(const std::string& portName);
    // The detection value, when this run wrote it and no label-printer queue remains.
    void TakeBackDetectionValue();

    AppContext& app_;
    Feedback& feedback_;
    InstallSteps& steps_;
    Language language_ = Language::English;
    bool copyFailed_ = false;
    bool unverifiedSaid_ = false;  // a development build said once that it checked no media
    bool monitorAdded_ = false;    // this run added the port monitor
    bool monitorThere_ = false;    // an earlier copy of this run found or added it
    // The installation folder's size for the uninstall entry, taken at the run's first copy.
    std::optional<std::int64_t> folderBytes_;
    bool tcpIpPortCreated_ = false;  // this run created the Standard TCP/IP port
    std::string owner_;
    std::string run_;
    std::vector<GpdDefault> defaults_;
    // defaults_ are those a record kept: one the template no longer has is left out and said,
    // not a refusal (an upgrade's template may have dropped it).
    bool defaultsRecorded_ = false;
    int labelDriverCount_ = 0;  // as the last installed copy left it
    // The copies whose queue this run created: queue name and driver number.
    std::vector<std::pair<std::string, int>> created_;
    bool detectionValueBefore_ = false;  // the detection value was there before the run
    // What a take-back left for a later removal to find, named as the operator reads it.
    FilesLeft left_;
};

}  // namespace prinstall
