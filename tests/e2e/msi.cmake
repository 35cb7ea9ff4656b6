# The Windows Installer package under Wine's msiexec, with no display, as a deployment tool
# runs it. Included from tests/e2e/CMakeLists.txt.
target_sources(prinstall_e2e_win PRIVATE ${CMAKE_CURRENT_LIST_DIR}/msi_e2e_win.cpp)
add_dependencies(prinstall_e2e_win prinstall_msi prinstall_msi_next)

# A newer version of the same package (the last field of the version one higher), built from
# the same inputs, for the upgrade test.
math(EXPR next_minor "${PROJECT_VERSION_MINOR} + 1")
set(next_msi ${CMAKE_CURRENT_BINARY_DIR}/Prinstall-next.msi)
add_custom_command(
  OUTPUT ${next_msi}
  COMMAND ${PRINSTALL_BASH} ${CMAKE_SOURCE_DIR}/tools/msi/build-msi.sh ${CMAKE_SOURCE_DIR}/tools/msi/Prinstall.wxs
          $<TARGET_FILE:Prinstall> $<TARGET_FILE:PrinstallMsi> ${PRINSTALL_MSI_MEDIA}
          ${PROJECT_VERSION_MAJOR}.${next_minor} ${next_msi}
  DEPENDS prinstall_msi ${CMAKE_SOURCE_DIR}/tools/msi/Prinstall.wxs ${CMAKE_SOURCE_DIR}/tools/msi/build-msi.sh
  VERBATIM)
add_custom_target(prinstall_msi_next DEPENDS ${next_msi})

# The test bed puts the program and the media into the installation folder; here the package
# must bring them, so the folder goes and the packages come to C:\Prinstall.msi and
# C:\Prinstall-next.msi, with the program as C:\Prinstall-package.exe to compare with.
set(msi_setup ${CMAKE_CURRENT_BINARY_DIR}/msi-setup.sh)
file(WRITE ${msi_setup} "set -e\nrm -rf \"\$WINEPREFIX/drive_c/TORVA EPL Printer 2.X\"\n"
                        "cp '${CMAKE_BINARY_DIR}/Prinstall.msi' \"\$WINEPREFIX/drive_c/Prinstall.msi\"\n"
                        "cp '${next_msi}' \"\$WINEPREFIX/drive_c/Prinstall-next.msi\"\n"
                        "cp '${CMAKE_BINARY_DIR}/Prinstall.exe' \"\$WINEPREFIX/drive_c/Prinstall-package.exe\"\n")
prinstall_wine_test(NAME e2e.msi NO_DISPLAY SETUP ${msi_setup} COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=WindowsInstallerPackage.*)
