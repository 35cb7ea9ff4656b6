#include "platform/processes_win.h"

#include <windows.h>

#include <vector>

#include "platform/handle_win.h"
#include "platform/text_win.h"

namespace prinstall {

ProcessOutcome WinProcesses::run(const ProcessLaunch& launch) {
    ProcessOutcome outcome;
    // CreateProcessW may write into the command line, so it gets a buffer of its own.
    std::wstring text = widen(launch.commandLine);
    std::vector<wchar_t> commandLine(text.begin(), text.end());
    commandLine.push_back(L'\0');

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (launch.hiddenWindow) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                        launch.newConsole ? CREATE_NEW_CONSOLE : 0, nullptr, nullptr, &startup, &info)) {
        outcome.startError = GetLastError();
        return outcome;
    }
    KernelHandle process(info.hProcess);
    KernelHandle thread(info.hThread);

    DWORD waited = WaitForSingleObject(process.get(), launch.waitMilliseconds);
    if (waited == WAIT_OBJECT_0) {
        outcome.ended = true;
        DWORD code = 0;
        if (GetExitCodeProcess(process.get(), &code)) {
            outcome.exitCodeRead = true;
            outcome.exitCode = code;
        }
    } else if (waited == WAIT_TIMEOUT && launch.endOnTimeout) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 5000);
    }
    return outcome;
}

std::optional<std::string> WinProcesses::environmentVariable(const std::string& name) {
    std::wstring wideName = widen(name);
    std::vector<wchar_t> value(260);
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (length == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
            return std::string();  // set, but empty
        }
        if (length < value.size()) return narrow(value.data());
        value.resize(length);  // the size it needs, with the terminating zero
    }
}

}  // namespace prinstall
