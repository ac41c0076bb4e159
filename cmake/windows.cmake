# The Windows side (i686-w64-mingw32): static runtime, no DLL beyond what Windows ships.
if(NOT CORVALE_PACKER)
  message(FATAL_ERROR "The Windows side needs CORVALE_PACKER, the natively built packer")
endif()
set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS "${CMAKE_SHARED_LINKER_FLAGS} -static -static-libgcc -static-libstdc++")
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601)

# The compile flags of every object of a shipped Windows binary (the setup and the payload
# programs, with the test variants built from the same sources): small code without
# exception tables, and no build path can reach the output.
set(WINDOWS_BINARY_COMPILE_OPTIONS -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables)
set(WINDOWS_BINARY_PREFIX_MAPS -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)

function(windows_binary_compile_flags target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:${WINDOWS_BINARY_COMPILE_OPTIONS}> ${WINDOWS_BINARY_PREFIX_MAPS})
endfunction()

# windows_binary_flags(TARGET): what every shipped Windows binary is built with: the compile
# flags above, for its own sources and for every library of this project that it links
# (applied once all targets are defined, so a library linked later or a source added to one
# gets them too); static runtime, stripped; ASLR and DEP, no link time stamp (32-bit, so no
# high-entropy address space).
function(windows_binary_flags target)
  windows_binary_compile_flags(${target})
  target_link_options(${target} PRIVATE -static -s
    -Wl,--dynamicbase -Wl,--nxcompat -Wl,--no-insert-timestamp)
  set_property(GLOBAL APPEND PROPERTY CORVALE_SHIPPED_BINARIES ${target})
endfunction()

# The libraries of this project that a target links, directly or through other libraries.
function(windows_project_libraries target out)
  set(found "")
  set(pending ${target})
  while(pending)
    list(POP_FRONT pending current)
    get_target_property(links ${current} LINK_LIBRARIES)
    foreach(library IN LISTS links)
      if(TARGET ${library} AND NOT library IN_LIST found)
        get_target_property(imported ${library} IMPORTED)
        get_target_property(type ${library} TYPE)
        if(NOT imported AND type MATCHES "^(STATIC|OBJECT)_LIBRARY$")
          list(APPEND found ${library})
          list(APPEND pending ${library})
        endif()
      endif()
    endforeach()
  endwhile()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

function(windows_shipped_libraries_flags)
  get_property(binaries GLOBAL PROPERTY CORVALE_SHIPPED_BINARIES)
  set(flagged "")
  foreach(binary IN LISTS binaries)
    windows_project_libraries(${binary} libraries)
    foreach(library IN LISTS libraries)
      if(NOT library IN_LIST flagged)
        windows_binary_compile_flags(${library})
        list(APPEND flagged ${library})
      endif()
    endforeach()
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL windows_shipped_libraries_flags)
# shipped_binary_flags (host/setup.cmake) checks every object that each shipped binary links.

# amd64_resource_script(SCRIPT MANIFEST OUT): for the 64-bit test build (only for running the
# tests under Wine where 32-bit code can't run), a copy of the resource script SCRIPT in which
# its manifest, "resources/MANIFEST" beside it, asks for the 64-bit common controls. Handed
# the x86 ones, a 64-bit program gets the old unthemed controls, or none at all where the
# prefix has the x86 ones (a 64-bit prefix beside a 32-bit Wine). windres finds the script's
# other files through -I of the script's own folder. OUT receives the copy's path. Both are
# written when the build is configured: change the originals, configure again.
function(amd64_resource_script script manifest out)
  get_filename_component(folder ${script} DIRECTORY)
  get_filename_component(name ${script} NAME)
  set(copies ${CMAKE_BINARY_DIR}/amd64-resources)
  file(READ ${folder}/resources/${manifest} text)
  string(REPLACE "processorArchitecture=\"x86\"" "processorArchitecture=\"amd64\"" text "${text}")
  file(WRITE ${copies}/resources/${manifest} "${text}")
  file(READ ${script} text)
  string(REPLACE "\"resources/${manifest}\"" "\"${copies}/resources/${manifest}\"" text "${text}")
  file(WRITE ${copies}/${name} "${text}")
  set(${out} ${copies}/${name} PARENT_SCOPE)
endfunction()

# ---- The payload files -------------------------------------------------------------------
include(${CMAKE_SOURCE_DIR}/payload/payload.cmake)

# The setup as delivered: signed when signing is on (then the linked one stays in unsigned/).
set(SETUP_FILE ${CMAKE_BINARY_DIR}/corvale-setup.exe)
if(CORVALE_SIGN_PKCS12)
  set(SIGN_COMMAND ${CMAKE_SOURCE_DIR}/scripts/sign.sh --pkcs12 ${CORVALE_SIGN_PKCS12}
    --password-file ${CORVALE_SIGN_PASSWORD_FILE} --url http://${CORVALE_WEBSITE_HOST})
  if(CORVALE_SIGN_TIMESTAMP_URL)
    list(APPEND SIGN_COMMAND --timestamp ${CORVALE_SIGN_TIMESTAMP_URL})
  endif()
  set(SIGN_DEPENDS ${CMAKE_SOURCE_DIR}/scripts/sign.sh ${CORVALE_SIGN_PKCS12} ${CORVALE_SIGN_PASSWORD_FILE})
endif()

set(BLOB_DIR ${CMAKE_BINARY_DIR}/blobs)
set(BLOB_FILES "")
set(packed_list "")
foreach(name ${PAYLOAD_FILE_NAMES})
  if(CORVALE_PAYLOAD_DIR)
    set(source ${CORVALE_PAYLOAD_DIR}/${name})
    set(source_dependency ${source})
  else()
    set(source ${PAYLOAD_SOURCE_${name}})
    set(source_dependency ${PAYLOAD_DEPENDENCY_${name}})
  endif()
  # A signed copy is packed; signing a program first removes the setup it goes into.
  if(CORVALE_SIGN_PKCS12 AND name IN_LIST PAYLOAD_PROGRAM_NAMES)
    set(signed ${CMAKE_BINARY_DIR}/signed/${name})
    add_custom_command(OUTPUT ${signed}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/signed
      COMMAND ${SIGN_COMMAND} --remove ${SETUP_FILE} ${source} ${signed}
      DEPENDS ${source_dependency} ${SIGN_DEPENDS}
      COMMENT "Signing ${name}")
    set(source ${signed})
    set(source_dependency ${signed})
  endif()
  # What the setup installs as this file.
  set(PAYLOAD_PACKED_${name} ${source})
  add_custom_command(OUTPUT ${BLOB_DIR}/${name}.blob
    COMMAND ${CMAKE_COMMAND} -E make_directory ${BLOB_DIR}
    COMMAND ${CORVALE_PACKER} encode ${source} ${BLOB_DIR}/${name}.blob
    DEPENDS ${source_dependency} ${CORVALE_PACKER}
    COMMENT "Packing ${name}")
  list(APPEND BLOB_FILES ${BLOB_DIR}/${name}.blob)
  string(APPEND packed_list "${source}\n")
endforeach()
# The files packed, one a line in payload-table order, for the native tests that compare the
# extracted files with them.
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/payload-packed.txt CONTENT "${packed_list}")
# The packing report: sizes, ratios, ticks and the progress bar's range; it fails the build
# when the bar would run past its range.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packing-report.txt
  COMMAND ${CORVALE_PACKER} report ${BLOB_FILES} > ${CMAKE_BINARY_DIR}/packing-report.txt
  COMMAND ${CMAKE_COMMAND} -E cat ${CMAKE_BINARY_DIR}/packing-report.txt
  DEPENDS ${BLOB_FILES} ${CORVALE_PACKER}
  COMMENT "Packing report")
# What the setup checks the blobs and the files it writes against, assembled after the blobs.
set(CHECKSUM_TABLE ${BLOB_DIR}/payload_checksums.inc)
add_custom_command(OUTPUT ${CHECKSUM_TABLE}
  COMMAND ${CORVALE_PACKER} checksums ${CHECKSUM_TABLE} ${BLOB_FILES}
  DEPENDS ${BLOB_FILES} ${CORVALE_PACKER}
  COMMENT "Recording the payload checksums")
add_custom_target(blobs ALL DEPENDS ${BLOB_FILES} ${CHECKSUM_TABLE} ${CMAKE_BINARY_DIR}/packing-report.txt)

payload_blobs_source(${BLOB_DIR} ${CMAKE_BINARY_DIR}/payload_blobs.S)
set_source_files_properties(${CMAKE_BINARY_DIR}/payload_blobs.S PROPERTIES
  OBJECT_DEPENDS "${BLOB_FILES};${CHECKSUM_TABLE}")

# ---- The installation core on the real platform -------------------------------------------
set(CORE_WIN_SOURCES
  core/checked_folder_win.cpp
  core/files_win.cpp
  core/registry_win.cpp
  core/shell_link_win.cpp
  core/folder_access_win.cpp
)
add_library(core_win STATIC ${CORE_PORTABLE_SOURCES} ${CORE_WIN_SOURCES} ${CMAKE_BINARY_DIR}/payload_blobs.S)
target_include_directories(core_win PUBLIC ${CMAKE_SOURCE_DIR} PRIVATE ${CMAKE_BINARY_DIR})
target_link_libraries(core_win PUBLIC ole32 shell32 advapi32)
add_dependencies(core_win blobs)

include(${CMAKE_SOURCE_DIR}/host/resources.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/host/setup.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/tests/windows/tests.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/tests/e2e/tests.cmake OPTIONAL)
