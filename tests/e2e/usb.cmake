# The USB device and the USB step under Wine: a test program that carries Prinstall's
# resources (for the instruction dialog and the search window) and runs the device and the
# step itself, against stand-in printers that tests/e2e/usb-printers.sh links into each
# fresh prefix. Included from tests/e2e/CMakeLists.txt.
set(PRINSTALL_USB_RC ${CMAKE_SOURCE_DIR}/res/prinstall.rc)

add_executable(prinstall_usb_win
  ${CMAKE_CURRENT_LIST_DIR}/accessibility_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/harness_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/usb_printers_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/usb_device_e2e_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/usb_step_e2e_win.cpp
  ${PRINSTALL_USB_RC})
target_include_directories(prinstall_usb_win PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(prinstall_usb_win PRIVATE prinstall_win GTest::gtest_main oleacc oleaut32 ole32 uuid)
set_property(SOURCE ${PRINSTALL_USB_RC} TARGET_DIRECTORY prinstall_usb_win APPEND
             PROPERTY COMPILE_OPTIONS -c 65001)
set_property(SOURCE ${PRINSTALL_USB_RC} TARGET_DIRECTORY prinstall_usb_win APPEND
             PROPERTY INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR}/res ${CMAKE_BINARY_DIR}/art)
file(GLOB PRINSTALL_USB_RC_PARTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*.rc ${CMAKE_SOURCE_DIR}/res/*.h)
set_property(SOURCE ${PRINSTALL_USB_RC} TARGET_DIRECTORY prinstall_usb_win APPEND
             PROPERTY OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/res/prinstall.manifest ${PRINSTALL_USB_RC_PARTS})
# The icons and pictures are drawn at build time; the runner also installs Prinstall.exe and
# the media into the prefix.
add_dependencies(prinstall_usb_win prinstall_art Prinstall prinstall_media)

set(PRINSTALL_USB_PRINTERS ${CMAKE_CURRENT_LIST_DIR}/usb-printers.sh)
prinstall_wine_test(NAME e2e.usb.device COMMAND prinstall_usb_win SETUP ${PRINSTALL_USB_PRINTERS}
                    ARGS --gtest_filter=UsbDeviceUnderWine.*)
prinstall_wine_test(NAME e2e.usb.step.english COMMAND prinstall_usb_win SETUP ${PRINSTALL_USB_PRINTERS}
                    ARGS --gtest_filter=UsbStepEnglish.*)
prinstall_wine_test(NAME e2e.usb.step.korean KOREAN COMMAND prinstall_usb_win SETUP ${PRINSTALL_USB_PRINTERS}
                    ARGS --gtest_filter=UsbStepKorean.*)
