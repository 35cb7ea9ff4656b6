# The real Prinstall.exe as the operator sees it on the screen and drives it from the
# keyboard, at 96 DPI and (the test sets Wine's LogPixels before it starts the program) at 144
# and 192, in the end-to-end program. Screenshots: <dialog>-<language>-<dpi>dpi.png. The
# Korean dialogs at 192 DPI are wider than 1280 pixels. Included from tests/e2e/CMakeLists.txt.
target_sources(prinstall_e2e_win PRIVATE ${CMAKE_CURRENT_LIST_DIR}/screen_e2e_win.cpp)

prinstall_wine_test(NAME e2e.screen.english COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=ScreenEnglish.*)
prinstall_wine_test(NAME e2e.screen.korean KOREAN COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=ScreenKorean.*)
prinstall_wine_test(NAME e2e.dpi.english COMMAND prinstall_e2e_win ARGS --gtest_filter=HighDpiEnglish.*
                    ENVIRONMENT PRINSTALL_XVFB_SCREEN=1920x1200x24)
prinstall_wine_test(NAME e2e.dpi.korean KOREAN COMMAND prinstall_e2e_win ARGS --gtest_filter=HighDpiKorean.*
                    ENVIRONMENT PRINSTALL_XVFB_SCREEN=1920x1200x24)
