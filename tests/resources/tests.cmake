# Tests of the setup executable's resources, run on the Windows side.
#
# resource_probe links the setup's own resource script, so the resources are checked before
# (and independently of) the setup program itself; resource_probe_control links a faulty
# script with the same pictures and must fail every group of checks. Each executable is
# checked twice: byte by byte with pefile (check_resources.py), and at run time under Wine
# through the calls the wizard makes (resource_probe_win.cpp).

set(RESOURCE_TEST_DIR ${CMAKE_SOURCE_DIR}/tests/resources)

add_executable(resource_probe ${RESOURCE_TEST_DIR}/resource_probe_win.cpp ${SETUP_RESOURCE_SOURCES})
add_executable(resource_probe_control ${RESOURCE_TEST_DIR}/resource_probe_win.cpp
  ${RESOURCE_TEST_DIR}/control.rc)
set_source_files_properties(${RESOURCE_TEST_DIR}/control.rc PROPERTIES
  OBJECT_DEPENDS "${SETUP_RESOURCE_FILES};${RESOURCE_TEST_DIR}/control-licence.txt;${RESOURCE_TEST_DIR}/control.manifest"
  INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR})
foreach(probe resource_probe resource_probe_control)
  target_include_directories(${probe} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${probe} PRIVATE version)
  target_link_options(${probe} PRIVATE -municode)
endforeach()

# pefile comes with Debian's python3-pefile, which a python3 earlier in PATH (a pyenv, a
# virtualenv) may not see: take the first interpreter that can import it.
if(NOT RESOURCE_CHECK_PYTHON)
  foreach(candidate python3 /usr/bin/python3)
    execute_process(COMMAND ${candidate} -c "import pefile" RESULT_VARIABLE missing
      OUTPUT_QUIET ERROR_QUIET)
    if(missing EQUAL 0)
      set(RESOURCE_CHECK_PYTHON ${candidate} CACHE FILEPATH "python3 that can import pefile")
      break()
    endif()
  endforeach()
  if(NOT RESOURCE_CHECK_PYTHON)
    message(WARNING "No python3 with pefile (package python3-pefile): the resource layout tests will fail")
    set(RESOURCE_CHECK_PYTHON python3)
  endif()
endif()

set(RESOURCE_CHECK ${RESOURCE_CHECK_PYTHON} ${RESOURCE_TEST_DIR}/check_resources.py --version ${CORVALE_VERSION})
set(RESOURCE_CHECK_FILES --licence ${SETUP_LICENCE} --publisher ${CORVALE_PUBLISHER_NAME})
set(RESOURCE_WINE_ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")

# Every group of checks, as the checkers name them when they fail.
set(RESOURCE_LAYOUT_GROUPS "directory groups icons licence manifest version")
set(RESOURCE_RUNTIME_GROUPS "directory icons logos licence version manifest")

add_test(NAME resources_layout
  COMMAND ${RESOURCE_CHECK} $<TARGET_FILE:resource_probe> --sources ${CMAKE_SOURCE_DIR} ${RESOURCE_CHECK_FILES})
add_test(NAME resources_layout_catches_tampering
  COMMAND ${RESOURCE_CHECK} --self-test $<TARGET_FILE:resource_probe> --sources ${CMAKE_SOURCE_DIR} ${RESOURCE_CHECK_FILES})
add_test(NAME resources_layout_control
  COMMAND ${RESOURCE_CHECK} $<TARGET_FILE:resource_probe_control> --sources ${CMAKE_SOURCE_DIR} ${RESOURCE_CHECK_FILES})
set_tests_properties(resources_layout_control PROPERTIES
  PASS_REGULAR_EXPRESSION "failed checks: ${RESOURCE_LAYOUT_GROUPS}\n")

add_test(NAME resources_runtime
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh $<TARGET_FILE:resource_probe>)
add_test(NAME resources_runtime_control
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh $<TARGET_FILE:resource_probe_control>)
set_tests_properties(resources_runtime_control PROPERTIES
  PASS_REGULAR_EXPRESSION "failed checks: ${RESOURCE_RUNTIME_GROUPS}")
set_tests_properties(resources_runtime resources_runtime_control PROPERTIES
  ENVIRONMENT "${RESOURCE_WINE_ENVIRONMENT}")

# The setup executable itself, once a target in this directory builds it from the same
# resource script: checked after the whole directory is configured, whoever defines it.
function(add_setup_resource_tests)
  get_property(targets DIRECTORY ${CMAKE_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    get_target_property(sources ${target} SOURCES)
    get_target_property(excluded ${target} EXCLUDE_FROM_ALL)
    # Executables built only when asked for by name (the benchmark's floor) are not checked.
    if(NOT type STREQUAL "EXECUTABLE" OR target MATCHES "^resource_probe" OR excluded)
      continue()
    endif()
    list(FIND sources ${SETUP_RESOURCE_SOURCES} found)
    if(found EQUAL -1)
      continue()
    endif()
    add_test(NAME resources_layout_${target}
      COMMAND ${RESOURCE_CHECK} $<TARGET_FILE:${target}> --sources ${CMAKE_SOURCE_DIR} ${RESOURCE_CHECK_FILES})
    add_test(NAME resources_runtime_${target}
      COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh $<TARGET_FILE:resource_probe> $<TARGET_FILE:${target}>)
    set_tests_properties(resources_runtime_${target} PROPERTIES ENVIRONMENT "${RESOURCE_WINE_ENVIRONMENT}")
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL add_setup_resource_tests)
