#include "core/entry_names.h"

#include <string>
#include <vector>

namespace prinstall {

int IsPortMonitorInstalled(Spooler& spooler, DebugLog& debug) {
    std::vector<std::string> monitors;
    bool listed = spooler.ListMonitors(monitors) == 0;
    debug.Output(listed ? "EnumMonitors() Success !!!" : "EnumMonitors() Fail !!!");
    for (const std::string& name : monitors) {
        if (name == kPortMonitorName) return 1;
    }
    return 0;
}

}  // namespace prinstall
