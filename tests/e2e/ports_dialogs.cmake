# The port and IP address dialogs under Wine: a test program that carries Prinstall's
# resources (the same script, built the same way as for Prinstall.exe) and runs the port
# dialog itself over the prefix's spooler and registry. Included from
# tests/e2e/CMakeLists.txt.
set(PRINSTALL_PORTS_RC ${CMAKE_SOURCE_DIR}/res/prinstall.rc)
set(PRINSTALL_PORTS_ART application.ico install.ico exit.ico cross.ico check.ico uninstall.ico
    bluetooth.bmp ethernet.bmp parallel.bmp serial.bmp usb.bmp wifi.bmp printer-port.bmp)
list(TRANSFORM PRINSTALL_PORTS_ART PREPEND ${CMAKE_BINARY_DIR}/art/)

add_executable(prinstall_ports_dialogs_win
  ${CMAKE_CURRENT_LIST_DIR}/accessibility_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/harness_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pixels_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ports_dialogs_e2e_win.cpp
  ${PRINSTALL_PORTS_RC})
target_include_directories(prinstall_ports_dialogs_win PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(prinstall_ports_dialogs_win PRIVATE prinstall_win GTest::gtest_main oleacc oleaut32 ole32 uuid)
set_property(SOURCE ${PRINSTALL_PORTS_RC} TARGET_DIRECTORY prinstall_ports_dialogs_win APPEND
             PROPERTY COMPILE_OPTIONS -c 65001)
set_property(SOURCE ${PRINSTALL_PORTS_RC} TARGET_DIRECTORY prinstall_ports_dialogs_win APPEND
             PROPERTY INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR}/res ${CMAKE_BINARY_DIR}/art)
file(GLOB PRINSTALL_PORTS_RC_PARTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*.rc ${CMAKE_SOURCE_DIR}/res/*.h)
set_property(SOURCE ${PRINSTALL_PORTS_RC} TARGET_DIRECTORY prinstall_ports_dialogs_win APPEND
             PROPERTY OBJECT_DEPENDS ${PRINSTALL_PORTS_ART} ${CMAKE_SOURCE_DIR}/res/prinstall.manifest
             ${PRINSTALL_PORTS_RC_PARTS})
# The runner also installs Prinstall.exe and the media into the prefix.
add_dependencies(prinstall_ports_dialogs_win prinstall_art Prinstall prinstall_media)

prinstall_wine_test(NAME e2e.ports.english COMMAND prinstall_ports_dialogs_win
                    ARGS --gtest_filter=PortDialogEnglish.*)
prinstall_wine_test(NAME e2e.ports.korean KOREAN COMMAND prinstall_ports_dialogs_win
                    ARGS --gtest_filter=PortDialogKorean.*)
