# The result dialog under Wine: a test program that carries Prinstall's resources (the same
# script, built the same way as for Prinstall.exe) and shows the dialog itself. Included from
# tests/e2e/CMakeLists.txt.
set(PRINSTALL_RESULT_RC ${CMAKE_SOURCE_DIR}/res/prinstall.rc)
set(PRINSTALL_RESULT_ART application.ico install.ico exit.ico cross.ico check.ico uninstall.ico)
list(TRANSFORM PRINSTALL_RESULT_ART PREPEND ${CMAKE_BINARY_DIR}/art/)

add_executable(prinstall_result_dialog_win
  ${CMAKE_CURRENT_LIST_DIR}/accessibility_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/harness_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pixels_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/result_dialog_e2e_win.cpp
  ${PRINSTALL_RESULT_RC})
target_include_directories(prinstall_result_dialog_win PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(prinstall_result_dialog_win PRIVATE prinstall_win GTest::gtest_main oleacc oleaut32 ole32 uuid)
set_property(SOURCE ${PRINSTALL_RESULT_RC} TARGET_DIRECTORY prinstall_result_dialog_win APPEND
             PROPERTY COMPILE_OPTIONS -c 65001)
set_property(SOURCE ${PRINSTALL_RESULT_RC} TARGET_DIRECTORY prinstall_result_dialog_win APPEND
             PROPERTY INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR}/res ${CMAKE_BINARY_DIR}/art)
set_property(SOURCE ${PRINSTALL_RESULT_RC} TARGET_DIRECTORY prinstall_result_dialog_win APPEND
             PROPERTY OBJECT_DEPENDS ${PRINSTALL_RESULT_ART} ${CMAKE_SOURCE_DIR}/res/prinstall.manifest
             ${CMAKE_SOURCE_DIR}/res/resource.h)
# The runner also installs Prinstall.exe and the media into the prefix.
add_dependencies(prinstall_result_dialog_win prinstall_art Prinstall prinstall_media)

prinstall_wine_test(NAME e2e.result.english COMMAND prinstall_result_dialog_win
                    ARGS --gtest_filter=ResultDialogEnglish.*)
prinstall_wine_test(NAME e2e.result.korean KOREAN COMMAND prinstall_result_dialog_win
                    ARGS --gtest_filter=ResultDialogKorean.*)
