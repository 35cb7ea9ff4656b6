# A WINSPOOL.DRV planted beside Prinstall.exe must never be loaded. Built into a folder of its
# own, so that the test program (which imports winspool) does not load it from beside itself.
# Included from tests/e2e/CMakeLists.txt.
add_library(prinstall_planted_winspool SHARED ${CMAKE_CURRENT_LIST_DIR}/planted_winspool.c)
set_target_properties(prinstall_planted_winspool PROPERTIES PREFIX "" OUTPUT_NAME WINSPOOL SUFFIX .DRV
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/planted)
# Programs of system names planted there must never run either (uninstall.cmake).
add_executable(prinstall_planted_program ${CMAKE_CURRENT_LIST_DIR}/planted_program.c)
set_target_properties(prinstall_planted_program PROPERTIES OUTPUT_NAME planted-program
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/planted)
target_sources(prinstall_e2e_win PRIVATE ${CMAKE_CURRENT_LIST_DIR}/library_planting_e2e_win.cpp)
add_dependencies(prinstall_e2e_win prinstall_planted_winspool prinstall_planted_program)

# Only this override: CMake would split a list of several at its semicolons.
prinstall_wine_test(NAME e2e.library_planting COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=LibraryPlanting.* ENVIRONMENT WINEDLLOVERRIDES=winspool.drv=n,b)
