// Process start: with no arguments one modal main dialog (no message loop of our own); with a
// command line one unattended run that shows no window at all.
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/main_dialog_win.h"
#include "app/single_instance_win.h"
#include "app/unattended_run.h"
#include "core/app_context.h"
#include "core/guarded_run.h"
#include "core/single_instance.h"
#include "install/media_check.h"
#include "platform/basic_win.h"
#include "platform/console_win.h"
#include "platform/files_win.h"
#include "platform/folder_security_win.h"
#include "platform/log_file_win.h"
#include "platform/registry_win.h"
#include "platform/services_win.h"
#include "platform/spooler_win.h"
#include "platform/system_export_win.h"
#include "platform/text_win.h"
#include "platform/usb_bus_win.h"
#include "ui/dialog_win.h"
#include "usb/usb_printer_device.h"

namespace {

// The program runs elevated from a folder ordinary users can write to: libraries loaded from
// here on come from the system folder only, never from the program's folder or the current
// directory. SetDefaultDllDirectories is looked up because Windows 7 without its update
// lacks it; there at least the current directory leaves the search.
void LimitLibrarySearchToSystemFolder() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
    auto setDefault = prinstall::SystemExport<SetDefaultDllDirectoriesFn>(L"kernel32.dll", "SetDefaultDllDirectories");
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    if (setDefault != nullptr && setDefault(kSearchSystem32)) return;
    auto setDllDirectory = prinstall::SystemExport<SetDllDirectoryFn>(L"kernel32.dll", "SetDllDirectoryW");
    if (setDllDirectory != nullptr) setDllDirectory(L"");
}

// Windows 2000 and XP honour a "<program>.local" file or folder (libraries loaded from it in
// place of the system's) and an external "<program>.manifest" (settings, and on XP libraries,
// taken in place of the embedded ones) before any code of ours runs. Beside a program started
// elevated from a folder others may have written to, either one is refused: the name of the
// first found, or nothing.
std::optional<std::wstring> LoaderRedirection() {
    std::wstring program(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
    if (length == 0 || length >= program.size()) return std::nullopt;
    program.resize(length);
    for (const wchar_t* suffix : {L".local", L".manifest"}) {
        const std::wstring path = program + suffix;
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
    }
    return std::nullopt;
}

const prinstall::Text kLoaderRedirected = {
    "Nothing was done: %s lies beside the program, and Windows may have taken libraries or settings for it from "
    "there. Delete it and start the program again.",
    "아무것도 하지 않았습니다: 프로그램 옆에 %s이(가) 있어 Windows가 그곳에서 라이브러리나 설정을 가져왔을 수 "
    "있습니다. 삭제한 후 프로그램을 다시 시작하십시오."};

}  // namespace

static int RunProgram(PWSTR arguments) {
    const prinstall::CommandLine line = prinstall::ParseCommandLine(
        prinstall::SplitArguments(arguments != nullptr ? prinstall::Narrow(arguments) : ""));
    const bool unattended = line.command != prinstall::Command::Dialogs;

    // The console only for an unattended run: the dialogs never attach to one.
    std::optional<prinstall::WinConsoleOutput> console;
    if (unattended) console.emplace();
    prinstall::WinClock clock;
    const prinstall::Language language = prinstall::LanguageForCodePage(GetACP());

    // A /log that cannot be written (or only into a file it would spoil) ends the run before
    // anything else, so that every outcome that follows is in the log.
    prinstall::WinLogFile log;
    const bool logging = unattended && line.logFile;
    if (logging && !log.Open(*line.logFile)) {
        const std::uint32_t error = log.LastError();
        console->WriteLine(prinstall::LogFileRefusal(
            *line.logFile, error != 0 ? prinstall::SystemErrorText(error) : std::string(), language));
        return prinstall::kExitLogFileError;
    }

    if (line.command != prinstall::Command::Help) {
        if (const std::optional<std::wstring> redirection = LoaderRedirection()) {
            const std::string text =
                prinstall::Format(kLoaderRedirected.In(language), prinstall::Narrow(*redirection).c_str());
            if (!unattended) {
                prinstall::ui::CaptionedMessageBox(nullptr, text, prinstall::ui::ApplicationTitle(),
                                                   MB_OK | MB_ICONERROR);
            } else {
                const std::string last = prinstall::LastLine(text, prinstall::kExitFailure);
                console->WriteLine(last);
                if (logging) log.WriteLine(clock.LocalTimestamp() + " " + last);
            }
            return prinstall::kExitFailure;
        }
    }

    // One run at a time, settled before the program touches anything: a second start only
    // points at the first. /?, /detect and /features touch nothing: they claim nothing and may
    // run beside another.
    prinstall::WinDebugLog startLog;
    prinstall::WinSingleRunObjects singleRun;  // holds the claim until the run ends
    if (line.command != prinstall::Command::Help && line.command != prinstall::Command::Detect &&
        line.command != prinstall::Command::Features &&
        prinstall::ClaimSingleRun(singleRun, startLog) == prinstall::SingleRun::AlreadyRunning) {
        if (!unattended) {
            prinstall::ShowAlreadyRunning();
        } else {
            const std::string last =
                prinstall::LastLine(prinstall::kAlreadyRunning.In(language), prinstall::kExitAlreadyRunning);
            console->WriteLine(last);
            if (logging) log.WriteLine(clock.LocalTimestamp() + " " + last);
        }
        return prinstall::kExitAlreadyRunning;
    }

    if (!unattended) {
        // ICC_STANDARD_CLASSES is known to the version 6 controls only; should an older
        // comctl32 (Windows 2000) refuse the unknown flag, the classes it has are asked for
        // again without it.
        INITCOMMONCONTROLSEX controls = {
            sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_INTERNET_CLASSES | ICC_WIN95_CLASSES};
        if (!InitCommonControlsEx(&controls)) {
            controls.dwICC &= ~static_cast<DWORD>(ICC_STANDARD_CLASSES);
            InitCommonControlsEx(&controls);
        }
    }

    prinstall::WinSpooler spooler;
    prinstall::WinServices services;
    prinstall::WinSystemInfo systemInfo;
    prinstall::WinDebugLog debug;
    prinstall::WinFiles files;
    prinstall::WinRegistry registry;
    prinstall::WinFolderSecurity folderSecurity;
    prinstall::AppContext app{{spooler, services, systemInfo, clock, debug, &files, &registry, &folderSecurity}, {}};
    app.state.shippedMedia = prinstall::ShippedMediaList();

    prinstall::WinUsbBus usbBus;
    prinstall::UsbPrinterDevice usbDevice(usbBus, registry, systemInfo, clock, debug,
                                          [&](const std::string& text, const std::string& caption) {
                                              if (console)
                                                  console->WriteLine(caption + ": " + text);
                                              else
                                                  prinstall::ui::CaptionedMessageBox(nullptr, text, caption, MB_OK);
                                          });
    app.usbDevice = &usbDevice;

    if (unattended) return prinstall::UnattendedRun(app, *console, logging ? &log : nullptr).Run(line);

    prinstall::MainDialogWin dialog(app);
    dialog.RunModal(nullptr);
    return 0;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
    LimitLibrarySearchToSystemFolder();
    // The last barrier: an exception that nothing below caught ends the run with 1603, named
    // in the debug log and told to the operator (a message box, or the console of a command).
    prinstall::WinDebugLog debug;
    const prinstall::Language language = prinstall::LanguageForCodePage(GetACP());
    int exitCode = prinstall::kExitFailure;
    const prinstall::Outcome outcome = prinstall::RunGuarded(
        [&] {
            exitCode = RunProgram(arguments);
            return prinstall::Outcome::Success("");
        },
        prinstall::kProgramStopped, language, debug);
    if (outcome.Ok()) return exitCode;
    try {
        if (arguments != nullptr && *arguments != L'\0') {
            prinstall::WinConsoleOutput console;
            console.WriteLine(outcome.text + prinstall::Format(" (exit code %d)", prinstall::kExitFailure));
        } else {
            prinstall::ui::CaptionedMessageBox(nullptr, outcome.text, prinstall::ui::ApplicationTitle(),
                                               MB_OK | MB_ICONERROR);
        }
    } catch (...) {
    }
    return prinstall::kExitFailure;
}
