# The default payload set: the application corvale.exe, the uninstaller uninst_corvale.exe
# with its library uninstall.dll, the readme and the sample ledger. PAYLOAD_SOURCE_<name> is
# the file to pack, PAYLOAD_DEPENDENCY_<name> what produces it.
#
# The programs are static, stripped, ASLR/DEP-enabled GUI binaries without a time stamp, so
# that their bytes (and the packing report) depend on the sources alone.
set(PAYLOAD_DIR ${CMAKE_SOURCE_DIR}/payload)
# The readme names the version (CORVALE_VERSION); its CR LF line ends are kept.
set(PAYLOAD_README ${CMAKE_BINARY_DIR}/generated/readme.txt)
configure_file(${PAYLOAD_DIR}/readme.txt.in ${PAYLOAD_README} @ONLY NEWLINE_STYLE CRLF)
set(PAYLOAD_NAMES_SOURCES ${CMAKE_SOURCE_DIR}/core/product.cpp ${CMAKE_SOURCE_DIR}/core/text.cpp)
set(PAYLOAD_UNINSTALL_SOURCES
  ${PAYLOAD_NAMES_SOURCES}
  ${PAYLOAD_DIR}/src/uninstall_rules.cpp
  ${PAYLOAD_DIR}/src/removal_win.cpp)
# The uninstaller's removal plan, composed from the setup's own tables, the digests of the
# files it removes, and the setup's removal of leftovers.
set(PAYLOAD_PLAN_SOURCES
  ${CMAKE_SOURCE_DIR}/core/install_texts.cpp
  ${CMAKE_SOURCE_DIR}/core/removal_plan.cpp
  ${CMAKE_SOURCE_DIR}/core/payload_format.cpp
  ${CMAKE_SOURCE_DIR}/core/checked_folder_win.cpp
  ${CMAKE_SOURCE_DIR}/core/files_win.cpp)

function(payload_binary target)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  windows_binary_flags(${target})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/payload)
endfunction()

# windres reads these while it compiles a script; a change to any of them recompiles it.
set(PAYLOAD_RESOURCE_FILES
  ${PAYLOAD_DIR}/resources/corvale.ico
  ${PAYLOAD_DIR}/resources/welcome.bmp
  ${PAYLOAD_DIR}/resources/corvale.manifest
  ${PAYLOAD_DIR}/resources/uninstall.ico
  ${PAYLOAD_DIR}/resources/uninstaller.manifest
  ${PAYLOAD_DIR}/sample.mpl
  ${PAYLOAD_DIR}/src/resource_ids.h
  ${CMAKE_SOURCE_DIR}/core/product_names.h)
set(PAYLOAD_SCRIPT_corvale ${PAYLOAD_DIR}/corvale.rc)
set(PAYLOAD_SCRIPT_uninstaller ${PAYLOAD_DIR}/uninstaller.rc)
set(PAYLOAD_RESOURCE_INCLUDES ${CMAKE_SOURCE_DIR})
# The 64-bit test build: manifests that ask for the 64-bit common controls.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  foreach(program corvale uninstaller)
    amd64_resource_script(${PAYLOAD_DIR}/${program}.rc ${program}.manifest PAYLOAD_SCRIPT_${program})
  endforeach()
  list(APPEND PAYLOAD_RESOURCE_INCLUDES ${PAYLOAD_DIR})
endif()
set_source_files_properties(
  ${PAYLOAD_SCRIPT_corvale} ${PAYLOAD_SCRIPT_uninstaller} ${PAYLOAD_DIR}/uninstall_library.rc PROPERTIES
  OBJECT_DEPENDS "${PAYLOAD_RESOURCE_FILES}"
  INCLUDE_DIRECTORIES "${PAYLOAD_RESOURCE_INCLUDES}")

add_executable(payload_corvale WIN32
  ${PAYLOAD_DIR}/src/corvale_app_win.cpp
  ${PAYLOAD_DIR}/src/ledger.cpp
  ${PAYLOAD_DIR}/src/document_argument.cpp
  ${PAYLOAD_NAMES_SOURCES}
  ${PAYLOAD_SCRIPT_corvale})
payload_binary(payload_corvale)
set_target_properties(payload_corvale PROPERTIES OUTPUT_NAME corvale)
target_link_options(payload_corvale PRIVATE -municode -mwindows)
target_link_libraries(payload_corvale PRIVATE comctl32 advapi32 gdi32 user32)

# The uninstaller recognises the files it removes, where no registry entry names its folder,
# by what the build recorded of them; the digests leave out what signing changes later.
set(PAYLOAD_SHIPPED_DIGESTS ${CMAKE_BINARY_DIR}/generated/shipped_digests.inc)
# Made below, once every payload file has its source.
set_source_files_properties(${PAYLOAD_SHIPPED_DIGESTS} PROPERTIES GENERATED TRUE)
set_source_files_properties(${PAYLOAD_DIR}/src/uninstaller_win.cpp PROPERTIES OBJECT_DEPENDS ${PAYLOAD_SHIPPED_DIGESTS})

add_executable(payload_uninstaller WIN32
  ${PAYLOAD_DIR}/src/uninstaller_win.cpp
  ${PAYLOAD_DIR}/src/finishing_win.cpp
  ${PAYLOAD_UNINSTALL_SOURCES}
  ${PAYLOAD_PLAN_SOURCES}
  ${PAYLOAD_SCRIPT_uninstaller}
  ${PAYLOAD_SHIPPED_DIGESTS})
target_include_directories(payload_uninstaller PRIVATE ${CMAKE_BINARY_DIR}/generated)
target_link_options(payload_uninstaller PRIVATE -municode -mwindows)
target_link_libraries(payload_uninstaller PRIVATE shell32 shlwapi ole32 advapi32 user32)

# Test builds of the uninstaller, never shipped nor packed: "stops" can end itself after its
# k-th step (CORVALE_UNINSTALL_STOP_AT), as a power cut would; "entry-early" does the same
# and removes the uninstall entry among the registry values, the order of earlier
# releases, as the control of the interruption tests.
foreach(variant stops entry-early)
  add_executable(payload_uninstaller_${variant} WIN32 EXCLUDE_FROM_ALL
    ${PAYLOAD_DIR}/src/uninstaller_win.cpp
    ${PAYLOAD_DIR}/src/finishing_win.cpp
    ${PAYLOAD_UNINSTALL_SOURCES}
    ${PAYLOAD_PLAN_SOURCES}
    ${PAYLOAD_SCRIPT_uninstaller}
    ${PAYLOAD_SHIPPED_DIGESTS})
  payload_binary(payload_uninstaller_${variant})
  set_target_properties(payload_uninstaller_${variant} PROPERTIES OUTPUT_NAME uninst_corvale-${variant}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-programs)
  target_include_directories(payload_uninstaller_${variant} PRIVATE ${CMAKE_BINARY_DIR}/generated)
  target_link_options(payload_uninstaller_${variant} PRIVATE -municode -mwindows)
  target_link_libraries(payload_uninstaller_${variant} PRIVATE shell32 shlwapi ole32 advapi32 user32)
  target_compile_definitions(payload_uninstaller_${variant} PRIVATE CORVALE_UNINSTALL_STOPS)
endforeach()
target_compile_definitions(payload_uninstaller_entry-early PRIVATE CORVALE_UNINSTALL_ENTRY_EARLY)
payload_binary(payload_uninstaller)
set_target_properties(payload_uninstaller PROPERTIES OUTPUT_NAME uninst_corvale)

# rundll32 finds the entry by its plain name: no stdcall decoration on the exports.
add_library(payload_uninstall_library SHARED
  ${PAYLOAD_DIR}/src/uninstall_library_win.cpp
  ${PAYLOAD_UNINSTALL_SOURCES}
  ${PAYLOAD_DIR}/uninstall_library.rc)
payload_binary(payload_uninstall_library)
set_target_properties(payload_uninstall_library PROPERTIES OUTPUT_NAME uninstall PREFIX "")
target_link_options(payload_uninstall_library PRIVATE -Wl,--kill-at)

set(PAYLOAD_SOURCE_corvale.exe $<TARGET_FILE:payload_corvale>)
set(PAYLOAD_DEPENDENCY_corvale.exe payload_corvale)
set(PAYLOAD_SOURCE_uninst_corvale.exe $<TARGET_FILE:payload_uninstaller>)
set(PAYLOAD_DEPENDENCY_uninst_corvale.exe payload_uninstaller)
set(PAYLOAD_SOURCE_uninstall.dll $<TARGET_FILE:payload_uninstall_library>)
set(PAYLOAD_DEPENDENCY_uninstall.dll payload_uninstall_library)
set(PAYLOAD_SOURCE_readme.txt ${PAYLOAD_README})
set(PAYLOAD_DEPENDENCY_readme.txt ${PAYLOAD_README})
set(PAYLOAD_SOURCE_sample.mpl ${PAYLOAD_DIR}/sample.mpl)
set(PAYLOAD_DEPENDENCY_sample.mpl ${PAYLOAD_DIR}/sample.mpl)

# Every payload file but the uninstaller itself, which can't carry its own digest.
set(digested "")
set(digested_from "")
foreach(name ${PAYLOAD_FILE_NAMES})
  if(NOT PAYLOAD_DEPENDENCY_${name} STREQUAL payload_uninstaller)
    list(APPEND digested "${name}=${PAYLOAD_SOURCE_${name}}")
    list(APPEND digested_from ${PAYLOAD_DEPENDENCY_${name}})
  endif()
endforeach()
add_custom_command(OUTPUT ${PAYLOAD_SHIPPED_DIGESTS}
  COMMAND ${CORVALE_PACKER} digests ${PAYLOAD_SHIPPED_DIGESTS} ${digested}
  DEPENDS ${digested_from} ${CORVALE_PACKER}
  COMMENT "Recording the digests of the files the uninstaller removes")
foreach(name ${PAYLOAD_FILE_NAMES})
  if(NOT DEFINED PAYLOAD_SOURCE_${name})
    message(FATAL_ERROR "payload/payload.cmake builds no ${name} (PAYLOAD_FILES lists it)")
  endif()
endforeach()
# The list for the scripts: names, kinds, and what this tree builds for each.
payload_file_list(${CMAKE_BINARY_DIR}/payload-files.txt)

# The payload programs' own tests under Wine, once every target of this configuration (the
# mingw-built GoogleTest, the setup) is defined.
cmake_language(DEFER CALL include ${CMAKE_SOURCE_DIR}/tests/payload/windows_tests.cmake OPTIONAL)
