# Removal through the real Prinstall.exe, in the end-to-end program: two label queues, their
# drivers, the port monitor and the uninstall entry set up through the prefix's spooler and
# registry, then removed from the Uninstallation button. Included from tests/e2e/CMakeLists.txt.
target_sources(prinstall_e2e_win PRIVATE ${CMAKE_CURRENT_LIST_DIR}/uninstall_e2e_win.cpp)

prinstall_wine_test(NAME e2e.uninstall.english COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=UninstallEnglish.*)
prinstall_wine_test(NAME e2e.uninstall.nothing COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=UninstallNothingInstalled.*)
prinstall_wine_test(NAME e2e.uninstall.korean KOREAN COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=UninstallKorean.*)
prinstall_wine_test(NAME e2e.uninstall.leftovers COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=LeftoverDrivers.*)
# Only this override: CMake would split a list of several at its semicolons.
prinstall_wine_test(NAME e2e.planted_files COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=PlantedFiles.* ENVIRONMENT WINEDLLOVERRIDES=winspool.drv=n,b)
