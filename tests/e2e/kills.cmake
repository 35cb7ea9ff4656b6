# Installations killed at chosen moments, each followed by the removal, in the end-to-end
# program. Included from tests/e2e/CMakeLists.txt.
target_sources(prinstall_e2e_win PRIVATE ${CMAKE_CURRENT_LIST_DIR}/kills_e2e_win.cpp)

prinstall_wine_test(NAME e2e.kills NO_DISPLAY COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=KilledInstallation.*)
