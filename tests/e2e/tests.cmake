# End-to-end tests: the setup executable, started in fresh Wine prefixes on a virtual desktop
# and driven from outside by e2e-driver.exe (tests/e2e/driver_win.cpp); tests/e2e/e2e.sh
# makes the prefixes, runs the driver and takes the screenshots.
#
# A group is one prefix at one screen DPI; its cases run in the order given, on the state the
# previous ones left. Adding a case: a function and a row in the driver's case table, and its
# name in a group's list below.
add_executable(e2e-driver
  ${CMAKE_SOURCE_DIR}/tests/e2e/driver_win.cpp
  ${CMAKE_SOURCE_DIR}/tests/e2e/checks_win.cpp
  ${CMAKE_SOURCE_DIR}/tests/e2e/setup_probe_win.cpp
  ${CMAKE_SOURCE_DIR}/tests/e2e/readback_win.cpp
  ${CMAKE_SOURCE_DIR}/tests/e2e/conformance_cases_win.cpp
  ${CMAKE_SOURCE_DIR}/tests/e2e/interrupted_cases_win.cpp
  ${CMAKE_SOURCE_DIR}/core/payload_format.cpp)
target_link_options(e2e-driver PRIVATE -municode -s)
target_link_libraries(e2e-driver PRIVATE user32 shell32 ole32 uuid)

# A DLL that marks its own loading, and a program without any DLL-search restriction that
# loads DLLs by name: the planted-DLL case and its control.
add_library(e2e-planted SHARED ${CMAKE_SOURCE_DIR}/tests/e2e/planted_dll_win.cpp)
set_target_properties(e2e-planted PROPERTIES PREFIX "")
target_link_options(e2e-planted PRIVATE -static -s)
add_executable(e2e-planted-control ${CMAKE_SOURCE_DIR}/tests/e2e/planted_control_win.cpp)
target_link_options(e2e-planted-control PRIVATE -municode -static -s)
# The hook DLL that counts what the setup's progress bar receives, from inside the setup.
add_library(e2e-progress-probe SHARED ${CMAKE_SOURCE_DIR}/tests/e2e/progress_probe_win.cpp)
set_target_properties(e2e-progress-probe PROPERTIES PREFIX "")
target_link_options(e2e-progress-probe PRIVATE -static -s -Wl,--kill-at)
add_dependencies(e2e-driver e2e-planted e2e-planted-control e2e-progress-probe)

set(CORVALE_E2E_SETUP "" CACHE FILEPATH
    "Setup executable for the end-to-end tests instead of the one built here")
if(CORVALE_E2E_SETUP)
  set(E2E_SETUP ${CORVALE_E2E_SETUP})
elseif(TARGET corvale-setup)
  set(E2E_SETUP ${SETUP_FILE})
else()
  return()
endif()

find_program(E2E_BASH bash REQUIRED)
set(E2E_HARNESS ${E2E_BASH} ${CMAKE_SOURCE_DIR}/tests/e2e/e2e.sh)
set(E2E_ROOT ${CMAKE_BINARY_DIR}/e2e)

# The driver compares the installed files with the files that were packed (signed, when
# signing is on).
set(E2E_DRIVER_ARGS --setup ${E2E_SETUP} --website ${CORVALE_WEBSITE_HOST} --version ${CORVALE_VERSION}
    --planted $<TARGET_FILE:e2e-planted> --planted-control $<TARGET_FILE:e2e-planted-control>
    --progress-probe $<TARGET_FILE:e2e-progress-probe> --blobs ${BLOB_DIR})
# The interrupted-run control writes in place (host/setup.cmake).
if(TARGET corvale-setup-in-place)
  add_dependencies(e2e-driver corvale-setup-in-place)
  list(APPEND E2E_DRIVER_ARGS --setup-in-place $<TARGET_FILE:corvale-setup-in-place>)
endif()
# ... and the licence page with the text the resources carry.
if(SETUP_LICENCE)
  list(APPEND E2E_DRIVER_ARGS --licence ${SETUP_LICENCE})
endif()
foreach(name ${PAYLOAD_FILE_NAMES})
  list(APPEND E2E_DRIVER_ARGS --payload ${name}=${PAYLOAD_PACKED_${name}})
endforeach()

# e2e_properties(TEST GROUP [DRIVER]): the driver is e2e-driver.exe unless given.
function(e2e_properties test group)
  set(driver $<TARGET_FILE:e2e-driver>)
  if(ARGC GREATER 2)
    set(driver ${ARGV2})
  endif()
  set_tests_properties(${test} PROPERTIES
    ENVIRONMENT "E2E_ROOT=${E2E_ROOT};E2E_DISPLAY=${CORVALE_E2E_DISPLAY};E2E_DRIVER=${driver};E2E_SHOTS=${CMAKE_BINARY_DIR}/screenshots;WINEPREFIX=${E2E_ROOT}/${group}"
    RESOURCE_LOCK corvale_e2e
    LABELS e2e
    TIMEOUT 180)
endfunction()

add_test(NAME e2e_display_start COMMAND ${E2E_HARNESS} display-start)
add_test(NAME e2e_display_stop COMMAND ${E2E_HARNESS} display-stop)
e2e_properties(e2e_display_start display)
e2e_properties(e2e_display_stop display)
set_tests_properties(e2e_display_start PROPERTIES FIXTURES_SETUP e2e_display)
set_tests_properties(e2e_display_stop PROPERTIES FIXTURES_CLEANUP e2e_display)

# e2e_group(GROUP DPI CASE...): a fresh prefix at that DPI, then the cases in order. The
# virtual desktop is 1920x1080 unless E2E_DESKTOP_<GROUP> gives another size.
# A case written CASE:fails runs expecting 96 DPI, without screenshots, and must report the
# 96-DPI window width as wrong: a control case showing that the group's DPI reaches the setup
# and that the driver sees it (the setup started, its window was found and measured).
function(e2e_group group dpi)
  add_test(NAME e2e_${group}_prefix COMMAND ${E2E_HARNESS} prefix ${group} ${dpi} ${E2E_DESKTOP_${group}})
  add_test(NAME e2e_${group}_stop COMMAND ${E2E_HARNESS} stop ${group})
  e2e_properties(e2e_${group}_prefix ${group})
  e2e_properties(e2e_${group}_stop ${group})
  set_tests_properties(e2e_${group}_prefix PROPERTIES FIXTURES_SETUP e2e_${group} FIXTURES_REQUIRED e2e_display)
  set_tests_properties(e2e_${group}_stop PROPERTIES FIXTURES_CLEANUP e2e_${group} FIXTURES_REQUIRED e2e_display)
  set(previous "")
  foreach(case ${ARGN})
    set(extra "")
    set(expected_output "")
    if(case MATCHES "^(.*):fails$")
      set(case ${CMAKE_MATCH_1})
      set(extra --dpi 96 --shots none)
      set(expected_output "FAIL window width\n +expected 572\n")
      set(test e2e_${group}_${case}_at_96_fails)
    else()
      set(test e2e_${group}_${case})
    endif()
    add_test(NAME ${test} COMMAND ${E2E_HARNESS} run ${group} ${case} ${E2E_DRIVER_ARGS} ${extra})
    e2e_properties(${test} ${group})
    set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED "e2e_display;e2e_${group}")
    if(expected_output)
      set_tests_properties(${test} PROPERTIES PASS_REGULAR_EXPRESSION "${expected_output}")
    endif()
    if(previous)
      set_tests_properties(${test} PROPERTIES DEPENDS ${previous})
    endif()
    set(previous ${test})
  endforeach()
endfunction()
# The installing groups again in 64-bit prefixes (label win64).
include(${CMAKE_SOURCE_DIR}/tests/e2e/win64_groups.cmake)

# The progress bar gets every step (counted from inside the setup) while it is visible; the
# control swallows one step and must see exactly that fault.
e2e_group(install 96 defaults readback_controls second_run progress_steps progress_steps_control)
e2e_group(dpi144 144 layout layout:fails defaults pages dialogs)
# Failed runs first (each checks that nothing reached the registry), then a whole run driven by
# the keyboard, in one prefix.
e2e_group(conformance 96 fail_program_parent fail_documents_parent fail_running_program
          fail_readme_in_the_way readonly_writable_here fail_empty_folders fail_long_folder edit_limit
          navigation)
# Every page, a failed and a successful run at the other DPI steps; the logo thresholds.
e2e_group(pages96 96 pages dialogs dpi_thresholds)
e2e_group(dpi110 110 pages)
e2e_group(dpi120 120 pages)
e2e_group(dpi192 192 pages)
# Folders out of the ordinary, each installed for real.
e2e_group(input 96 international_folders trailing_backslash planted_dll)
# A whole installation against pictures of the registry and the file tree taken around it:
# exactly the entries of tests/e2e/untouched_expected.txt change.
e2e_group(untouched 96 defaults)
add_test(NAME e2e_untouched_picture_before COMMAND ${E2E_HARNESS} picture untouched before)
add_test(NAME e2e_untouched_picture_after COMMAND ${E2E_HARNESS} picture untouched after)
add_test(NAME e2e_untouched_changes COMMAND ${E2E_HARNESS} compare untouched before after
         ${CMAKE_SOURCE_DIR}/tests/e2e/untouched_expected.txt)
foreach(test e2e_untouched_picture_before e2e_untouched_picture_after e2e_untouched_changes)
  e2e_properties(${test} untouched)
  set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED "e2e_display;e2e_untouched")
endforeach()
set_tests_properties(e2e_untouched_defaults PROPERTIES DEPENDS e2e_untouched_picture_before)
set_tests_properties(e2e_untouched_picture_after PROPERTIES DEPENDS e2e_untouched_defaults)
set_tests_properties(e2e_untouched_changes PROPERTIES DEPENDS e2e_untouched_picture_after)
# Control: the same list against no change at all must fail.
add_test(NAME e2e_untouched_changes_control COMMAND ${E2E_HARNESS} compare untouched before before
         ${CMAKE_SOURCE_DIR}/tests/e2e/untouched_expected.txt)
e2e_properties(e2e_untouched_changes_control untouched)
set_tests_properties(e2e_untouched_changes_control PROPERTIES FIXTURES_REQUIRED "e2e_display;e2e_untouched"
                     DEPENDS e2e_untouched_changes WILL_FAIL TRUE)
# A reinstallation over older files, ended by the progress probe at 20 and more steps of its bar:
# every file stays its old version or becomes its new one, whole. The control writes in place
# and must break the file being written at each stop inside a file.
e2e_group(interrupted 96 interrupted_reinstall interrupted_in_place_control)
set_tests_properties(e2e_interrupted_interrupted_reinstall e2e_interrupted_interrupted_in_place_control
  PROPERTIES TIMEOUT 900)
# A copy of the setup with one byte changed in the main program's blob, or in its recorded
# checksum, shows the damaged-setup box and nothing else and changes nothing in the prefix:
# pictures around both against an empty list. The control, the copy unchanged, reaches page 0
# and installs, which the same pictures show as exactly an installation.
e2e_group(integrity 96 damaged_blob damaged_checksums damaged_control)
foreach(picture before refused installed)
  add_test(NAME e2e_integrity_picture_${picture} COMMAND ${E2E_HARNESS} picture integrity ${picture})
endforeach()
add_test(NAME e2e_integrity_unchanged COMMAND ${E2E_HARNESS} compare integrity before refused
         ${CMAKE_SOURCE_DIR}/tests/e2e/integrity_expected.txt)
add_test(NAME e2e_integrity_unchanged_control COMMAND ${E2E_HARNESS} compare integrity before installed
         ${CMAKE_SOURCE_DIR}/tests/e2e/untouched_expected.txt)
set(previous e2e_integrity_prefix)
foreach(test e2e_integrity_picture_before e2e_integrity_damaged_blob e2e_integrity_damaged_checksums
        e2e_integrity_picture_refused e2e_integrity_unchanged e2e_integrity_damaged_control
        e2e_integrity_picture_installed e2e_integrity_unchanged_control)
  if(test MATCHES "picture|unchanged")
    e2e_properties(${test} integrity)
    set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED "e2e_display;e2e_integrity")
  endif()
  set_tests_properties(${test} PROPERTIES DEPENDS ${previous})
  set(previous ${test})
endforeach()
# On an 800 x 600 screen: the 96-DPI window fits and lands at (114, 108); the 144-DPI one is
# wider than the screen and still centred.
set(E2E_DESKTOP_small96 800x600)
set(E2E_DESKTOP_small144 800x600)
e2e_group(small96 96 small_screen)
e2e_group(small144 144 small_screen)

# The harness runs a driver once more only when it ended before its first line, and says so;
# a driver that began its case and failed is not run again. Stand-ins for the driver: one that
# ends at once without a word, one that names a case and fails.
file(WRITE ${E2E_ROOT}/silent-driver.bat "@exit /b 3\r\n")
file(WRITE ${E2E_ROOT}/failing-driver.bat "@echo case stand-in\r\n@exit /b 3\r\n")
foreach(stand_in silent failing)
  set(test e2e_small96_${stand_in}_driver)
  add_test(NAME ${test} COMMAND ${E2E_HARNESS} run small96 stand-in)
  e2e_properties(${test} small96 ${E2E_ROOT}/${stand_in}-driver.bat)
  set_tests_properties(${test} PROPERTIES
    FIXTURES_REQUIRED "e2e_display;e2e_small96" DEPENDS e2e_small96_small_screen)
endforeach()
set_tests_properties(e2e_small96_silent_driver PROPERTIES PASS_REGULAR_EXPRESSION
  "^e2e: the driver ended with exit code 3 before its first line[^\n]*\n(.*\n)?e2e: the driver ended with exit code 3\n$")
set_tests_properties(e2e_small96_failing_driver PROPERTIES PASS_REGULAR_EXPRESSION
  "^case stand-in\r?\ne2e: the driver ended with exit code 3\n$")
