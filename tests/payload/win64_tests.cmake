# The payload's end-to-end cases once more in a 64-bit prefix, with the shipped 32-bit setup
# (label win64), and between them payload-shell64.exe, an x86_64 program that does what
# 64-bit Windows does with the installation. Included from windows_tests.cmake once its
# end-to-end tests are defined; only on the 32-bit build (build/win64 runs everything in
# 64-bit prefixes already).
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4 OR NOT E2E_TEMPLATE_WIN64)
  return()
endif()

# This tree's compiler makes 32-bit code: the 64-bit program is compiled here with the
# x86_64 compiler, with the definitions, include folders and warnings of every other target.
find_program(PAYLOAD_CXX_X86_64 x86_64-w64-mingw32-g++ REQUIRED)
set(shell64_program ${CMAKE_BINARY_DIR}/payload-shell64.exe)
set(shell64_sources ${PAYLOAD_TESTS_DIR}/shell64_win.cpp ${PAYLOAD_TESTS_DIR}/payload_probe_win.cpp
    ${CMAKE_SOURCE_DIR}/tests/e2e/checks_win.cpp ${CMAKE_SOURCE_DIR}/tests/e2e/readback_win.cpp
    ${CMAKE_SOURCE_DIR}/tests/e2e/setup_probe_win.cpp)
file(GLOB shell64_headers ${PAYLOAD_TESTS_DIR}/*.h ${CMAKE_SOURCE_DIR}/tests/e2e/*.h ${CMAKE_SOURCE_DIR}/core/*.h
  ${CMAKE_BINARY_DIR}/generated-include/*.h)
get_directory_property(shell64_definitions COMPILE_DEFINITIONS)
list(TRANSFORM shell64_definitions PREPEND -D)
get_directory_property(shell64_includes INCLUDE_DIRECTORIES)
list(TRANSFORM shell64_includes PREPEND -I)
add_custom_command(OUTPUT ${shell64_program}
  COMMAND ${PAYLOAD_CXX_X86_64} -std=c++17 -O2 -Wall -Wextra ${shell64_definitions} -I${CMAKE_SOURCE_DIR} ${shell64_includes}
          ${shell64_sources} -o ${shell64_program}
          -municode -static -s -lole32 -lshell32 -luuid -luser32 -ladvapi32
  DEPENDS ${shell64_sources} ${shell64_headers}
  COMMENT "Building the x86_64 program payload-shell64.exe"
  VERBATIM COMMAND_EXPAND_LISTS)
add_custom_target(payload-shell64 ALL DEPENDS ${shell64_program})

set(root ${PAYLOAD_E2E_ROOT})
function(payload_win64_test name driver)
  add_test(NAME payload_e2e_win64_${name} COMMAND ${PAYLOAD_E2E_HARNESS} ${ARGN})
  set_tests_properties(payload_e2e_win64_${name} PROPERTIES
    ENVIRONMENT "E2E_ROOT=${root};E2E_DISPLAY=${PAYLOAD_E2E_DISPLAY};E2E_DRIVER=${driver};E2E_SHOTS=${root}/shots;WINEPREFIX=${root}/product_win64;CORVALE_WINE_ARCH=win64;E2E_TEMPLATE=${E2E_TEMPLATE_WIN64}"
    RESOURCE_LOCK corvale_e2e
    LABELS "e2e;win64"
    TIMEOUT 180
    FIXTURES_REQUIRED payload_e2e_display)
endfunction()

payload_win64_test(prefix "" prefix product_win64 96)
payload_win64_test(stop "" stop product_win64)
set_tests_properties(payload_e2e_win64_prefix PROPERTIES FIXTURES_SETUP payload_e2e_win64_product)
set_tests_properties(payload_e2e_win64_stop PROPERTIES FIXTURES_CLEANUP payload_e2e_win64_product)
set(previous "")
foreach(case install open_sample shell64 uninstall_while_running uninstall reinstall)
  if(case STREQUAL "shell64")
    payload_win64_test(${case} ${shell64_program} run product_win64 ${case})
  else()
    payload_win64_test(${case} $<TARGET_FILE:payload-e2e-driver> run product_win64 ${case} ${PAYLOAD_E2E_ARGS})
  endif()
  set_tests_properties(payload_e2e_win64_${case} PROPERTIES
    FIXTURES_REQUIRED "payload_e2e_display;payload_e2e_win64_product")
  if(previous)
    set_tests_properties(payload_e2e_win64_${case} PROPERTIES DEPENDS payload_e2e_win64_${previous})
  endif()
  set(previous ${case})
endforeach()
