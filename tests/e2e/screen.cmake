# The real Prinstall.exe as the operator sees it on the screen and drives it from the
# keyboard, in the end-to-end program. Included from tests/e2e/CMakeLists.txt.
target_sources(prinstall_e2e_win PRIVATE ${CMAKE_CURRENT_LIST_DIR}/screen_e2e_win.cpp)

prinstall_wine_test(NAME e2e.screen.english COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=ScreenEnglish.*)
prinstall_wine_test(NAME e2e.screen.korean KOREAN COMMAND prinstall_e2e_win
                    ARGS --gtest_filter=ScreenKorean.*)

# Every dialog at 144 and 192 DPI (the test sets Wine's LogPixels before it starts the
# program): screenshots named <dialog>-<language>-<dpi>dpi, and no text clipped. The Korean
# dialogs at 192 DPI are wider than 1280 pixels.
target_sources(prinstall_e2e_win PRIVATE ${CMAKE_CURRENT_LIST_DIR}/dpi_e2e_win.cpp)
prinstall_wine_test(NAME e2e.dpi.english COMMAND prinstall_e2e_win ARGS --gtest_filter=DpiEnglish.*
                    ENVIRONMENT PRINSTALL_XVFB_SCREEN=1920x1200x24)
prinstall_wine_test(NAME e2e.dpi.korean KOREAN COMMAND prinstall_e2e_win ARGS --gtest_filter=DpiKorean.*
                    ENVIRONMENT PRINSTALL_XVFB_SCREEN=1920x1200x24)
