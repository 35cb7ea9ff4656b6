# The real Prinstall.exe as the operator sees it on the screen and drives it from the
# keyboard, in the end-to-end program. Included from tests/e2e/CMakeLists.txt.
target_sources(prinstall_e2e_win PRIVATE ${CMAKE_CURRENT_LIST_DIR}/screen_e2e_win.cpp)

prinstall_wine_test(NAME e2e.screen.english COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=ScreenEnglish.*)
prinstall_wine_test(NAME e2e.screen.korean KOREAN COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=ScreenKorean.*)
