# The native side (host g++).
include(ExternalProject)
find_package(GTest REQUIRED)

add_library(payload_codec STATIC core/payload_format.cpp)
target_include_directories(payload_codec PUBLIC ${CMAKE_SOURCE_DIR})

add_executable(packer tools/packer/packer.cpp tools/packer/encoder.cpp)
target_link_libraries(packer PRIVATE payload_codec)

# The Windows side, cross-built from this same tree with the natively built packer.
set(WINDOWS_BINARY_DIR ${CMAKE_BINARY_DIR}/windows)
set(BLOB_DIR ${WINDOWS_BINARY_DIR}/blobs)
set(NATIVE_BLOB_FILES "")
foreach(name ${PAYLOAD_FILE_NAMES})
  list(APPEND NATIVE_BLOB_FILES ${BLOB_DIR}/${name}.blob)
endforeach()
list(APPEND NATIVE_BLOB_FILES ${BLOB_DIR}/payload_checksums.inc)
include(${CMAKE_SOURCE_DIR}/cmake/windows_tree.cmake)
windows_tree_arguments(WINDOWS_TREE_ARGUMENTS i686 $<TARGET_FILE:packer> ${CMAKE_BUILD_TYPE})
# Every build option (a cache entry named CORVALE_*) goes to the Windows side as this tree has
# it, so that none takes its default there unseen; the packer is the tree's own.
get_cmake_property(cache_entries CACHE_VARIABLES)
foreach(entry IN LISTS cache_entries)
  get_property(type CACHE ${entry} PROPERTY TYPE)
  if(entry MATCHES "^CORVALE_" AND NOT entry STREQUAL "CORVALE_PACKER" AND NOT type MATCHES "^(INTERNAL|STATIC)$")
    list(APPEND WINDOWS_TREE_ARGUMENTS -D${entry}=${${entry}})
  endif()
endforeach()
ExternalProject_Add(windows
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${WINDOWS_BINARY_DIR}
  CMAKE_ARGS
    ${WINDOWS_TREE_ARGUMENTS}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  TEST_COMMAND ""
  DEPENDS packer
  # The native core embeds these; declaring them lets ninja see that they change.
  BUILD_BYPRODUCTS ${NATIVE_BLOB_FILES}
  USES_TERMINAL_BUILD ON
)

# The native core embeds the same blobs and checksums that the Windows side packed.
payload_blobs_source(${BLOB_DIR} ${CMAKE_BINARY_DIR}/payload_blobs.S)
set_source_files_properties(${CMAKE_BINARY_DIR}/payload_blobs.S PROPERTIES OBJECT_DEPENDS "${NATIVE_BLOB_FILES}")

add_library(core_native STATIC ${CORE_PORTABLE_SOURCES} ${CMAKE_BINARY_DIR}/payload_blobs.S)
target_include_directories(core_native PUBLIC ${CMAKE_SOURCE_DIR} PRIVATE ${CMAKE_BINARY_DIR})
add_dependencies(core_native windows)

include(${CMAKE_SOURCE_DIR}/tests/core/tests.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/tests/packer/tests.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/tests/wizard/tests.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/tests/payload/tests.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/tests/scripts/tests.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/bench/bench.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/fuzz/fuzz.cmake OPTIONAL)
