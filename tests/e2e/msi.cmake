# The Windows Installer package under Wine's msiexec, with no display, as a deployment tool
# runs it. Included from tests/e2e/CMakeLists.txt.
target_sources(prinstall_e2e_win PRIVATE ${CMAKE_CURRENT_LIST_DIR}/msi_e2e_win.cpp)
add_dependencies(prinstall_e2e_win prinstall_msi)

# The test bed puts the program and the media into the installation folder; here the package
# must bring them, so the folder goes and the package comes to C:\Prinstall.msi.
set(msi_setup ${CMAKE_CURRENT_BINARY_DIR}/msi-setup.sh)
file(WRITE ${msi_setup} "set -e\nrm -rf \"\$WINEPREFIX/drive_c/TORVA EPL Printer 2.X\"\n"
                        "cp '${CMAKE_BINARY_DIR}/Prinstall.msi' \"\$WINEPREFIX/drive_c/Prinstall.msi\"\n")
prinstall_wine_test(NAME e2e.msi NO_DISPLAY SETUP ${msi_setup} COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=WindowsInstallerPackage.*)
