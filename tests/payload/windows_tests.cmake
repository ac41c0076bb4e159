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
target_link_libraries(payload_windows_tests PRIVATE payload_probe core_win gtest gtest_main)
target_compile_definitions(payload_windows_tests PRIVATE
  PAYLOAD_BUILT_MAIN_PROGRAM="$<TARGET_FILE:payload_corvale>"
  PAYLOAD_STOPPING_UNINSTALLER="$<TARGET_FILE:payload_uninstaller_stops>"
  PAYLOAD_ENTRY_EARLY_UNINSTALLER="$<TARGET_FILE:payload_uninstaller_entry-early>"
  PAYLOAD_SOURCE_SAMPLE="${PAYLOAD_DIR}/sample.mpl"
  PAYLOAD_LINKS_FOLDER="${CMAKE_BINARY_DIR}/payload-links")
add_dependencies(payload_windows_tests payload_corvale payload_uninstaller payload_uninstall_library
  payload_uninstaller_stops payload_uninstaller_entry-early)
# A prefix of their own: these tests write the installation's machine-wide keys, shortcuts
# and folders, which the other Windows tests of this tree must not see.
add_test(NAME payload_windows_tests
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh $<TARGET_FILE:payload_windows_tests>)
set_tests_properties(payload_windows_tests PROPERTIES
  ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-payload"
  FIXTURES_REQUIRED payload_links
  TIMEOUT 600)
# Links planted from the Linux side, as a user plants junctions and file links, which Wine
# can't make: for the uninstaller's case and for its control each, a documents folder whose
# ~crv.tmp and sample.mpl lead to victims outside it (one holding the shipped sample), and a
# documents folder that is itself a link to a folder holding a victim sample.mpl and ~crv.tmp.
# Made anew for every run: the control deletes through them.
add_test(NAME payload_windows_links COMMAND sh -c "set -e; rm -rf \"$0\"; for c in case control; do \
  d=\"$0/$c\"; mkdir -p \"$d/victims\" \"$d/documents\" \"$d/other\"; \
  printf victim > \"$d/victims/temporary\"; cp \"$1\" \"$d/victims/sample.mpl\"; \
  ln -s ../victims/temporary \"$d/documents/~crv.tmp\"; ln -s ../victims/sample.mpl \"$d/documents/sample.mpl\"; \
  cp \"$1\" \"$d/other/sample.mpl\"; printf victim > \"$d/other/~crv.tmp\"; ln -s other \"$d/linked-documents\"; done"
  ${CMAKE_BINARY_DIR}/payload-links ${PAYLOAD_DIR}/sample.mpl)
set_tests_properties(payload_windows_links PROPERTIES FIXTURES_SETUP payload_links)

# End-to-end: the real setup installs the product in a fresh prefix, then it is opened,
# uninstalled while it runs, uninstalled and installed again, in this order. The harness of
# the setup's own end-to-end tests (tests/e2e/e2e.sh) makes the prefix and runs the driver.
add_executable(payload-e2e-driver ${PAYLOAD_TESTS_DIR}/e2e_driver_win.cpp ${CMAKE_SOURCE_DIR}/tests/e2e/checks_win.cpp)
target_link_options(payload-e2e-driver PRIVATE -municode)
target_link_libraries(payload-e2e-driver PRIVATE payload_probe)

# Only for the product built here: a setup packed from other files installs other programs.
if(CORVALE_PAYLOAD_DIR OR NOT TARGET corvale-setup OR NOT EXISTS ${CMAKE_SOURCE_DIR}/tests/e2e/e2e.sh)
  return()
endif()
# The display after the setup's own end-to-end display, so that it moves with it; an Xvfb
# is started there when none answers.
if(NOT CORVALE_E2E_DISPLAY MATCHES "^:([0-9]+)$")
  message(FATAL_ERROR "CORVALE_E2E_DISPLAY is \"${CORVALE_E2E_DISPLAY}\": give it as :N")
endif()
math(EXPR payload_e2e_display_number "${CMAKE_MATCH_1} + 1")
set(PAYLOAD_E2E_DISPLAY ":${payload_e2e_display_number}")
find_program(PAYLOAD_E2E_BASH bash REQUIRED)
set(PAYLOAD_E2E_HARNESS ${PAYLOAD_E2E_BASH} ${CMAKE_SOURCE_DIR}/tests/e2e/e2e.sh)
set(PAYLOAD_E2E_ROOT ${CMAKE_BINARY_DIR}/payload-e2e)
set(PAYLOAD_E2E_ARGS --setup ${SETUP_FILE})
foreach(name ${PAYLOAD_FILE_NAMES})
  list(APPEND PAYLOAD_E2E_ARGS --payload ${name}=${PAYLOAD_PACKED_${name}})
endforeach()

function(payload_e2e_test name)
  add_test(NAME payload_e2e_${name} COMMAND ${PAYLOAD_E2E_HARNESS} ${ARGN})
  set_tests_properties(payload_e2e_${name} PROPERTIES
    ENVIRONMENT "E2E_ROOT=${PAYLOAD_E2E_ROOT};E2E_DISPLAY=${PAYLOAD_E2E_DISPLAY};E2E_DRIVER=$<TARGET_FILE:payload-e2e-driver>;E2E_SHOTS=${PAYLOAD_E2E_ROOT}/shots;WINEPREFIX=${PAYLOAD_E2E_ROOT}/product"
    RESOURCE_LOCK corvale_e2e
    LABELS e2e
    TIMEOUT 180)
endfunction()

payload_e2e_test(display_start display-start)
payload_e2e_test(display_stop display-stop)
payload_e2e_test(prefix prefix product 96)
payload_e2e_test(stop stop product)
set_tests_properties(payload_e2e_display_start PROPERTIES FIXTURES_SETUP payload_e2e_display)
set_tests_properties(payload_e2e_display_stop PROPERTIES FIXTURES_CLEANUP payload_e2e_display)
set_tests_properties(payload_e2e_prefix PROPERTIES FIXTURES_SETUP payload_e2e_product FIXTURES_REQUIRED payload_e2e_display)
set_tests_properties(payload_e2e_stop PROPERTIES FIXTURES_CLEANUP payload_e2e_product FIXTURES_REQUIRED payload_e2e_display)
set(previous "")
foreach(case install open_sample uninstall_while_running uninstall reinstall)
  payload_e2e_test(${case} run product ${case} ${PAYLOAD_E2E_ARGS})
  set_tests_properties(payload_e2e_${case} PROPERTIES FIXTURES_REQUIRED "payload_e2e_display;payload_e2e_product")
  if(previous)
    set_tests_properties(payload_e2e_${case} PROPERTIES DEPENDS payload_e2e_${previous})
  endif()
  set(previous ${case})
endforeach()
# The same in a 64-bit prefix (label win64).
include(${PAYLOAD_TESTS_DIR}/win64_tests.cmake)
