# The Windows-side tests: GoogleTest built with mingw, run under Wine (scripts/wine-run.sh)
# against the real file system, registry and shell links of the build's own Wine prefix.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_SHARED_LIBS OFF)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own sources are not held to the project's warning set.
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)
# The win32-thread mingw runtime lacks what GoogleTest's Notification is built on; this
# porting header, found before GoogleTest's own, supplies it.
target_include_directories(gtest BEFORE PUBLIC ${CMAKE_SOURCE_DIR}/tests/windows/gtest_port)

set(WINDOWS_TESTS_DIR ${CMAKE_SOURCE_DIR}/tests/windows)
set(WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh)
# Writes to this link fail like writes to a full volume.
set(FULL_VOLUME_LINK ${CMAKE_BINARY_DIR}/full-volume)

# The unpacked originals of the five payloads, in payload-table order.
set(payload_originals "")
set(row 0)
foreach(name ${PAYLOAD_FILE_NAMES})
  math(EXPR row "${row} + 1")
  if(CORVALE_PAYLOAD_DIR)
    list(APPEND payload_originals "PAYLOAD_ORIGINAL_${row}=\"${CORVALE_PAYLOAD_DIR}/${name}\"")
  else()
    list(APPEND payload_originals "PAYLOAD_ORIGINAL_${row}=\"${PAYLOAD_SOURCE_${name}}\"")
  endif()
endforeach()

add_library(windows_test_support STATIC ${WINDOWS_TESTS_DIR}/test_support.cpp)
target_compile_definitions(windows_test_support PRIVATE ${payload_originals})
target_link_libraries(windows_test_support PUBLIC core_win gtest)
add_dependencies(windows_test_support ${PAYLOAD_DEPENDENCY_corvale.exe} ${PAYLOAD_DEPENDENCY_uninst_corvale.exe}
  ${PAYLOAD_DEPENDENCY_uninstall.dll})

# windows_test(<name> <sources>...): one test program, run as one ctest test under Wine.
function(windows_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE windows_test_support gtest_main)
  add_test(NAME ${name} COMMAND ${WINE_RUN} $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix"
    TIMEOUT 300)
endfunction()

# wine-run.sh runs a program once more only when it ended non-zero without any output; one
# that printed and failed runs once. Stand-ins: batch files.
file(WRITE ${CMAKE_BINARY_DIR}/silent-program.bat "@exit /b 3\r\n")
file(WRITE ${CMAKE_BINARY_DIR}/failing-program.bat "@echo failing\r\n@exit /b 3\r\n")
foreach(stand_in silent failing)
  add_test(NAME wine_run_${stand_in}_program COMMAND ${WINE_RUN} ${CMAKE_BINARY_DIR}/${stand_in}-program.bat)
  set_tests_properties(wine_run_${stand_in}_program PROPERTIES ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
endforeach()
set_tests_properties(wine_run_silent_program PROPERTIES PASS_REGULAR_EXPRESSION
  "^wine-run: ended with exit code 3 before any output[^\n]*\n(.*\n)?wine-run: ended with exit code 3\n$")
set_tests_properties(wine_run_failing_program PROPERTIES PASS_REGULAR_EXPRESSION "^failing\r?\n$")

# A folder whose temporary file for the next payload is such a link.
set(FULL_VOLUME_FOLDER ${CMAKE_BINARY_DIR}/full-volume-folder)

windows_test(windows_files_tests ${WINDOWS_TESTS_DIR}/files_test.cpp ${WINDOWS_TESTS_DIR}/progress_counter.cpp)
target_compile_definitions(windows_files_tests PRIVATE FULL_VOLUME_LINK="${FULL_VOLUME_LINK}"
  FULL_VOLUME_FOLDER="${FULL_VOLUME_FOLDER}")
# The extraction removes the folder's link as a failed temporary file: made anew for every run.
add_test(NAME windows_files_full_volume_folder COMMAND sh -c
  "rm -rf '${FULL_VOLUME_FOLDER}' && mkdir '${FULL_VOLUME_FOLDER}' && ln -s /dev/full '${FULL_VOLUME_FOLDER}/~crv.tmp'")
set_tests_properties(windows_files_full_volume_folder PROPERTIES FIXTURES_SETUP full_volume_folder)
set_tests_properties(windows_files_tests PROPERTIES FIXTURES_REQUIRED full_volume_folder)
add_custom_command(TARGET windows_files_tests POST_BUILD
  COMMAND sh -c "[ ! -c /dev/full ] || ln -sfn /dev/full '${FULL_VOLUME_LINK}'"
  VERBATIM)

windows_test(windows_registry_tests ${WINDOWS_TESTS_DIR}/registry_test.cpp)
windows_test(windows_shell_link_tests ${WINDOWS_TESTS_DIR}/shell_link_test.cpp)

# The installation run on the real platform needs the core's recording fake of the window.
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/core/fake_window.cpp)
  add_executable(hold_open ${WINDOWS_TESTS_DIR}/hold_open.cpp)
  windows_test(windows_install_run_tests ${WINDOWS_TESTS_DIR}/install_run_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/core/fake_window.cpp)
  target_compile_definitions(windows_install_run_tests PRIVATE HOLD_OPEN_PROGRAM="$<TARGET_FILE:hold_open>")
  add_dependencies(windows_install_run_tests hold_open)
endif()
