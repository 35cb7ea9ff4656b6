# The Windows Installer package under Wine's msiexec, with no display, as a deployment tool
# runs it. Included from tests/e2e/CMakeLists.txt.
target_sources(prinstall_e2e_win PRIVATE ${CMAKE_CURRENT_LIST_DIR}/msi_e2e_win.cpp
               ${CMAKE_SOURCE_DIR}/tools/msi/msi_arguments.cpp)
target_include_directories(prinstall_e2e_win PRIVATE ${CMAKE_SOURCE_DIR}/tools/msi)
# The tests read product codes from the packages (MsiOpenDatabase); the custom actions' quoting
# is checked against the program's own split of its command line (prinstall_core); a test holds
# the program's own single-run claim (prinstall_win).
target_link_libraries(prinstall_e2e_win PRIVATE msi prinstall_win)
add_dependencies(prinstall_e2e_win prinstall_msi prinstall_msi_next)

# A newer version of the same package (the minor version one higher, the same build number),
# built from the same inputs, for the upgrade test.
math(EXPR next_minor "${PROJECT_VERSION_MINOR} + 1")
set(next_msi ${CMAKE_CURRENT_BINARY_DIR}/Prinstall-next.msi)
add_custom_command(
  OUTPUT ${next_msi}
  COMMAND ${PRINSTALL_BASH} ${CMAKE_SOURCE_DIR}/tools/msi/build-msi.sh ${CMAKE_SOURCE_DIR}/tools/msi/Prinstall.wxs
          $<TARGET_FILE:Prinstall> $<TARGET_FILE:PrinstallMsi> ${PRINSTALL_MSI_MEDIA}
          ${PROJECT_VERSION_MAJOR}.${next_minor} ${next_msi}
  DEPENDS prinstall_msi Prinstall PrinstallMsi ${CMAKE_SOURCE_DIR}/tools/msi/Prinstall.wxs
          ${CMAKE_SOURCE_DIR}/tools/msi/build-msi.sh
  VERBATIM)
add_custom_target(prinstall_msi_next DEPENDS ${next_msi})

# The package with one more deferred action after RunInstall that fails (cmd.exe /c exit 1,
# run as RunInstall runs the program), for the rollback test only: the rest is the package as
# built.
find_program(PRINSTALL_MSIBUILD msibuild REQUIRED)
set(failing_msi ${CMAKE_CURRENT_BINARY_DIR}/Prinstall-failing.msi)
add_custom_command(
  OUTPUT ${failing_msi}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/Prinstall.msi ${failing_msi}
  COMMAND ${PRINSTALL_MSIBUILD} ${failing_msi} -q
          "INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('FailLaterData', 51, 'FailLater', '\"[SystemFolder]cmd.exe\" /c exit 1')"
  COMMAND ${PRINSTALL_MSIBUILD} ${failing_msi} -q
          "INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('FailLater', 3073, 'PrinstallMsi', 'RunPrinstall')"
  COMMAND ${PRINSTALL_MSIBUILD} ${failing_msi} -q
          "INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('FailLaterData', 'NOT Installed', 1030)"
  COMMAND ${PRINSTALL_MSIBUILD} ${failing_msi} -q
          "INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('FailLater', 'NOT Installed', 4020)"
  DEPENDS prinstall_msi ${CMAKE_BINARY_DIR}/Prinstall.msi
  VERBATIM)
add_custom_target(prinstall_msi_failing DEPENDS ${failing_msi})
add_dependencies(prinstall_e2e_win prinstall_msi_failing)

# The test bed puts the program and the media into the installation folder; here the package
# must bring them, so the folder becomes C:\Technician (the program's folder as a technician
# carries it, for queues made outside the package) and the packages come to C:\Prinstall.msi,
# C:\Prinstall-next.msi and C:\Prinstall-failing.msi, with the program as
# C:\Prinstall-package.exe to compare with.
set(msi_setup ${CMAKE_CURRENT_BINARY_DIR}/msi-setup.sh)
file(WRITE ${msi_setup} "set -e\nmv \"\$WINEPREFIX/drive_c/TORVA EPL Printer 2.X\" \"\$WINEPREFIX/drive_c/Technician\"\n"
                        "cp '${CMAKE_BINARY_DIR}/Prinstall.msi' \"\$WINEPREFIX/drive_c/Prinstall.msi\"\n"
                        "cp '${next_msi}' \"\$WINEPREFIX/drive_c/Prinstall-next.msi\"\n"
                        "cp '${failing_msi}' \"\$WINEPREFIX/drive_c/Prinstall-failing.msi\"\n"
                        "cp '${CMAKE_BINARY_DIR}/Prinstall.exe' \"\$WINEPREFIX/drive_c/Prinstall-package.exe\"\n")
prinstall_wine_test(NAME e2e.msi NO_DISPLAY SETUP ${msi_setup} COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=WindowsInstallerPackage.*)
# A printer the package installed, renamed by an administrator, through the upgrade and removal.
prinstall_wine_test(NAME e2e.msi.renamed NO_DISPLAY SETUP ${msi_setup} COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=WindowsInstallerPackageRenames.*)
