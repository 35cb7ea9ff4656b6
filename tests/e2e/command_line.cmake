# Unattended runs of the real Prinstall.exe with no display at all, in the end-to-end program.
# Included from tests/e2e/CMakeLists.txt.
target_sources(prinstall_e2e_win PRIVATE ${CMAKE_CURRENT_LIST_DIR}/command_line_e2e_win.cpp)
# The exit codes and the usage text, from the program's own portable code; the single-run
# claim as the program makes it, from its adapters.
target_link_libraries(prinstall_e2e_win PRIVATE prinstall_win prinstall_core)

prinstall_wine_test(NAME e2e.cli.install_list_uninstall NO_DISPLAY COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=CommandLineWithoutDisplay.InstallsTwoCopies*)
prinstall_wine_test(NAME e2e.cli.ifmissing NO_DISPLAY COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=CommandLineWithoutDisplay.InstallsOnceWithIfMissing*)
prinstall_wine_test(NAME e2e.cli.ifmissing.korean KOREAN NO_DISPLAY COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=CommandLineWithoutDisplay.InstallsOnceWithIfMissing*)
prinstall_wine_test(NAME e2e.cli.per_printer NO_DISPLAY COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=CommandLineWithoutDisplay.DeploysDetectsMoves*)
# A job held in a queue while it is removed.
prinstall_wine_test(NAME e2e.cli.job_held NO_DISPLAY COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=CommandLineWithoutDisplay.AQueueWithAJobHeld*)
prinstall_wine_test(NAME e2e.cli.ports NO_DISPLAY COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=CommandLineWithoutDisplay.InstallsOnThePortNamed*)
prinstall_wine_test(NAME e2e.cli.scripts NO_DISPLAY COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=CommandLineWithoutDisplay.ListsForScripts*)
prinstall_wine_test(NAME e2e.cli.network NO_DISPLAY COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=CommandLineWithoutDisplay.InstallsANetworkPrinter*)
# Label defaults of /default: in every copy's printer description, and /features.
prinstall_wine_test(NAME e2e.cli.defaults NO_DISPLAY COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=CommandLineWithoutDisplay.InstallsCopiesWithLabelDefaults)
prinstall_wine_test(NAME e2e.cli.refusals NO_DISPLAY COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=CommandLineWithoutDisplay.Refuses*:CommandLineWithoutDisplay.Dialogs*)
# A driver file held open at removal: deleted at the next restart, exit code 3010.
prinstall_wine_test(NAME e2e.cli.restart NO_DISPLAY COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=CommandLineWithoutDisplay.RemovesAFileHeldOpen*)
# Protected print mode's policy value in the 64-bit view, which only a 64-bit prefix has apart.
prinstall_wine_test(NAME e2e.cli.protected_print.win64 WIN64 NO_DISPLAY COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=CommandLineWithoutDisplay.RefusesToInstallUnderProtectedPrintMode*)
# Under the oldest Windows claimed, as Wine's version setting shows them.
prinstall_wine_test(NAME e2e.cli.winxp NO_DISPLAY COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=*CommandLineOnOlderWindows.*/winxp)
prinstall_wine_test(NAME e2e.cli.win2k NO_DISPLAY COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=*CommandLineOnOlderWindows.*/win2k)
# A release's program (scripts/release.sh --stand-in with a throw-away key) in place of the
# development build: the media it copies are checked against the digests it carries.
set(released_setup ${CMAKE_CURRENT_BINARY_DIR}/released-setup.sh)
file(WRITE ${released_setup} "exec bash '${CMAKE_CURRENT_SOURCE_DIR}/released-program.sh' '${CMAKE_BINARY_DIR}'\n")
prinstall_wine_test(NAME e2e.cli.released NO_DISPLAY SETUP ${released_setup} COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=ReleasedProgram.*)
