// The install command's front-end steps from the command line's values (no window: the USB
// search says when it starts looking, the port values are written with their lines on the
// console), and the port an installation asked on the line would print to.
#pragma once

#include <string>

#include "app/command_line.h"
#include "app/unattended_run.h"
#include "core/app_context.h"
#include "core/texts.h"
#include "install/install_command.h"

namespace prinstall {

inline constexpr Text kNoSuchPort = {"The port %s does not exist.", "%s 포트가 없습니다."};

// The port the queue of an installation would print to: the label monitor's port for a USB
// printer (the command line always installs through the monitor, as the port dialog does),
// the Standard TCP/IP port of an address, the named port otherwise.
std::string RequestedPort(const CommandLine& line);

// The install command's front-end steps from the command line's values.
class UnattendedSteps : public InstallSteps {
public:
    UnattendedSteps(AppContext& app, UnattendedRun& run, const CommandLine& line, Language language)
        : app_(app), run_(run), line_(line), language_(language) {}

    bool ChoosePort(PortChoice& choice) override;
    bool RunUsbStep(int& searchCounter) override;
    bool WriteTcpIpPortValues(const TcpIpPortSettings& settings) override;
    void Note(const std::string& text) override;
    void CopyInstalled(const InstalledCopy& copy) override;

private:
    AppContext& app_;
    UnattendedRun& run_;
    const CommandLine& line_;
    Language language_;
};

}  // namespace prinstall
