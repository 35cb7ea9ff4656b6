// The main dialog's rules over in-memory ports and an in-memory window: the common ground
// of the main dialog, installation and removal tests.
#pragma once

#include "app/main_dialog.h"
#include "fakes/fake_files.h"
#include "fakes/fake_main_view.h"
#include "fakes/fake_platform.h"
#include "install/install_folder.h"
#include "install/staging.h"

namespace prinstall::fakes {

struct MainDialogWorld {
    MainDialogWorld() {
        services.services["spooler"].status = {kServiceRunning, 0, 0};
        // The program runs from the installation folder that it made itself.
        files.AddFolder(kInstallFolder);
        WriteFolderRecord(registry, {folderSecurity.IdentityOf(kInstallFolder), kFolderMadeByProgram});
        registry.written.clear();
    }

    FakeSpooler spooler;
    FakeServices services;
    FakeSystemInfo systemInfo;
    FakeClock clock;
    FakeDebugLog debug;
    FakeFiles files;
    FakeRegistry registry;
    FakeFolderSecurity folderSecurity{files};
    AppContext app{{spooler, services, systemInfo, clock, debug, &files, &registry, &folderSecurity}, {}};
    FakeMainView view;
    MainDialog dialog{app, view};
};

}  // namespace prinstall::fakes
