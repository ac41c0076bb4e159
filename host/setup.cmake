# The setup executable: corvale-setup.exe, a static, stripped 32-bit GUI program whose
# bytes depend on the sources alone.
include(${CMAKE_SOURCE_DIR}/wizard/wizard.cmake)

# setup_executable(TARGET DIR CORE [EXCLUDE_FROM_ALL]): the setup built from the sources into
# DIR, with the installation core CORE.
function(setup_executable target dir core)
  add_executable(${target} WIN32 ${ARGN}
    ${CMAKE_SOURCE_DIR}/host/main_win.cpp
    ${WIZARD_PORTABLE_SOURCES}
    ${WIZARD_WIN_SOURCES}
    ${SETUP_RESOURCE_SOURCES})
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${target}
    RUNTIME_OUTPUT_DIRECTORY ${dir})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_options(${target} PRIVATE -municode -mwindows)
  windows_binary_flags(${target})
  # comctl32 is deliberately absent: it is loaded at run time from the system (host/main_win.cpp),
  # so any static use of it fails here at link time.
  target_link_libraries(${target} PRIVATE ${core} gdi32 user32 shell32 ole32)
endfunction()

# Signed, the linked executable is kept in unsigned/ and only the signed one is SETUP_FILE.
if(CORVALE_SIGN_PKCS12)
  set(SETUP_LINK_DIR ${CMAKE_BINARY_DIR}/unsigned)
else()
  set(SETUP_LINK_DIR ${CMAKE_BINARY_DIR})
endif()
setup_executable(corvale-setup ${SETUP_LINK_DIR} core_win)
# The install benchmark's floor (scripts/bench-install.sh): the same setup with a progress
# bar that is never stepped. Built only when asked for by name; never shipped nor signed.
setup_executable(corvale-setup-floor ${CMAKE_BINARY_DIR} core_win EXCLUDE_FROM_ALL)
target_compile_definitions(corvale-setup-floor PRIVATE CORVALE_PROGRESS_FLOOR)
# core_variant(NAME DEFINITION...): the installation core built with test-only definitions;
# never shipped nor signed.
function(core_variant name)
  add_library(${name} STATIC EXCLUDE_FROM_ALL ${CORE_PORTABLE_SOURCES} ${CORE_WIN_SOURCES}
    ${CMAKE_BINARY_DIR}/payload_blobs.S)
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR} PRIVATE ${CMAKE_BINARY_DIR})
  target_compile_definitions(${name} PRIVATE ${ARGN})
  target_link_libraries(${name} PUBLIC ole32 shell32 advapi32)
  add_dependencies(${name} blobs)
endfunction()
# The interrupted-run tests' control: the same setup writing each file straight over its
# target.
core_variant(core_win_in_place CORVALE_WRITE_IN_PLACE)
setup_executable(corvale-setup-in-place ${CMAKE_BINARY_DIR} core_win_in_place EXCLUDE_FROM_ALL)
# The existing-program-folder tests: every folder outside Program Files reads as one that any
# signed-in user may change; the control uses such folders without looking, as before.
core_variant(core_win_exposed CORVALE_TEST_EXPOSED_FOLDERS)
core_variant(core_win_exposed_unguarded CORVALE_TEST_EXPOSED_FOLDERS CORVALE_TEST_UNGUARDED_FOLDER)

if(CORVALE_SIGN_PKCS12)
  # The signature names the program as its version block does.
  file(STRINGS ${CMAKE_SOURCE_DIR}/core/product_names.h description REGEX "^#define CORVALE_SETUP_DESCRIPTION ")
  string(REGEX REPLACE "^#define CORVALE_SETUP_DESCRIPTION \"(.*)\"$" "\\1" description "${description}")
  add_custom_command(OUTPUT ${SETUP_FILE}
    COMMAND ${SIGN_COMMAND} --description "${description}" $<TARGET_FILE:corvale-setup> ${SETUP_FILE}
    DEPENDS corvale-setup ${SIGN_DEPENDS}
    COMMENT "Signing corvale-setup.exe")
  add_custom_target(signed-setup ALL DEPENDS ${SETUP_FILE})
endif()

# The executable's own checks: ASLR, DEP, no time stamp, stripped, known-DLL imports only, and
# code and data (the file less its resources and the payload blobs) under 64 KB. The control
# run narrows the allowed DLLs and the limit, and must report both faults; the unstripped
# control, the setup's own objects linked without -s and with a build id (which adds a debug
# directory), must be reported as not stripped twice.
find_package(Python3 COMPONENTS Interpreter REQUIRED)
set(SETUP_CHECK ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wizard/check_executable.py
  $<TARGET_FILE:corvale-setup> --blobs ${BLOB_FILES})
add_test(NAME setup_executable_checks COMMAND ${SETUP_CHECK})
add_test(NAME setup_executable_checks_control COMMAND ${SETUP_CHECK} --limit 1024 --known-dlls kernel32.dll)
set_tests_properties(setup_executable_checks_control PROPERTIES
  PASS_REGULAR_EXPRESSION "imports user32.dll, which is not a known DLL.*code and data take")
# Every object of each shipped binary, its libraries' too, has the shipped compile flags
# (cmake/windows.cmake). The control adds a test program, built without them, as if it shipped.
set(BINARY_FLAGS_CHECK ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wizard/check_binary_flags.py ${CMAKE_BINARY_DIR}
  --setup corvale-setup --payload-files ${CMAKE_BINARY_DIR}/payload-files.txt)
foreach(flag ${WINDOWS_BINARY_COMPILE_OPTIONS})
  list(APPEND BINARY_FLAGS_CHECK --flag=${flag})
endforeach()
foreach(flag ${WINDOWS_BINARY_PREFIX_MAPS})
  list(APPEND BINARY_FLAGS_CHECK --prefix-map=${flag})
endforeach()
add_test(NAME shipped_binary_flags COMMAND ${BINARY_FLAGS_CHECK})
add_test(NAME shipped_binary_flags_control COMMAND ${BINARY_FLAGS_CHECK} --also payload_windows_tests)
set_tests_properties(shipped_binary_flags_control PROPERTIES PASS_REGULAR_EXPRESSION
  "payload_windows_tests: .*uninstaller_test_win.cpp is compiled without -Os.*payload_windows_tests \\(library libpayload_probe\\.a\\)")
add_executable(corvale-setup-unstripped WIN32 $<TARGET_OBJECTS:corvale-setup>)
target_link_options(corvale-setup-unstripped PRIVATE -municode -mwindows -static -Wl,--build-id)
target_link_libraries(corvale-setup-unstripped PRIVATE core_win gdi32 user32 shell32 ole32)
add_test(NAME setup_executable_checks_unstripped_control COMMAND ${Python3_EXECUTABLE}
  ${CMAKE_SOURCE_DIR}/tests/wizard/check_executable.py $<TARGET_FILE:corvale-setup-unstripped>)
set_tests_properties(setup_executable_checks_unstripped_control PROPERTIES
  PASS_REGULAR_EXPRESSION "not stripped: a symbol table.*not stripped: a debug directory")

# The wizard's window side checked from inside a process of its own under Wine (the shared
# font can only be read there), with the setup's resources but without the installation run.
add_executable(wizard_window_tests
  ${CMAKE_SOURCE_DIR}/tests/wizard/wizard_win_test.cpp
  ${WIZARD_PORTABLE_SOURCES}
  ${WIZARD_WIN_SOURCES}
  ${SETUP_RESOURCE_SOURCES})
target_include_directories(wizard_window_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_link_options(wizard_window_tests PRIVATE -municode)
target_link_libraries(wizard_window_tests PRIVATE core_win comctl32 gdi32 user32 shell32 ole32 uuid)
add_test(NAME wizard_window_tests COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh $<TARGET_FILE:wizard_window_tests>)
set_tests_properties(wizard_window_tests PROPERTIES
  ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix"
  TIMEOUT 300)
