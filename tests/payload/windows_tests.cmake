# The payload programs' tests under Wine: GoogleTest built with mingw (from
# tests/windows/tests.cmake), the programs watched from outside with the end-to-end tests'
# probes. Included once every target of this configuration is defined.
if(NOT TARGET gtest)
  return()
endif()

set(PAYLOAD_TESTS_DIR ${CMAKE_SOURCE_DIR}/tests/payload)
add_library(payload_probe STATIC
  ${PAYLOAD_TESTS_DIR}/payload_probe_win.cpp
  ${CMAKE_SOURCE_DIR}/tests/e2e/setup_probe_win.cpp
  ${CMAKE_SOURCE_DIR}/tests/e2e/readback_win.cpp)
target_include_directories(payload_probe PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(payload_probe PUBLIC ole32 shell32 uuid user32 advapi32)

add_executable(payload_windows_tests
  ${PAYLOAD_TESTS_DIR}/uninstaller_test_win.cpp
  ${PAYLOAD_TESTS_DIR}/corvale_app_test_win.cpp)
target_link_libraries(payload_windows_tests PRIVATE payload_probe gtest gtest_main)
target_compile_definitions(payload_windows_tests PRIVATE
  PAYLOAD_BUILT_MAIN_PROGRAM="$<TARGET_FILE:payload_corvale>"
  PAYLOAD_BUILT_UNINSTALLER="$<TARGET_FILE:payload_uninstaller>"
  PAYLOAD_BUILT_LIBRARY="$<TARGET_FILE:payload_uninstall_library>"
  PAYLOAD_SOURCE_README="${PAYLOAD_DIR}/readme.txt"
  PAYLOAD_SOURCE_SAMPLE="${PAYLOAD_DIR}/sample.mpl")
add_dependencies(payload_windows_tests payload_corvale payload_uninstaller payload_uninstall_library)
# A prefix of their own: these tests write the installation's machine-wide keys, shortcuts
# and folders, which the other Windows tests of this tree must not see.
add_test(NAME payload_windows_tests
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh $<TARGET_FILE:payload_windows_tests>)
set_tests_properties(payload_windows_tests PROPERTIES
  ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-payload"
  TIMEOUT 600)
