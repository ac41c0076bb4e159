# The configuration of a Windows-side build tree, spelled here only: the build's own
# Windows side (cmake/native.cmake) and every script that configures one
# (scripts/lib/windows-tree.sh) take their arguments from this file.
#
# windows_tree_arguments(OUT ARCH PACKER [BUILD_TYPE]): the cache arguments of a tree that
# cross-builds for ARCH (i686, the shipped one, or x86_64, the 64-bit test build) and packs
# with PACKER, the natively built packer. BUILD_TYPE defaults to Release.
function(windows_tree_arguments out arch packer)
  set(build_type Release)
  if(ARGC GREATER 3 AND ARGV3)
    set(build_type ${ARGV3})
  endif()
  set(toolchain ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/toolchain-mingw-${arch}.cmake)
  if(NOT EXISTS ${toolchain})
    message(FATAL_ERROR "windows_tree_arguments: no toolchain for the architecture \"${arch}\"")
  endif()
  set(${out} -DCMAKE_TOOLCHAIN_FILE=${toolchain} -DCMAKE_BUILD_TYPE=${build_type} -DCORVALE_PACKER=${packer}
    PARENT_SCOPE)
endfunction()

# Run as a script, cmake -DARCH=i686 -DPACKER=/path/packer -P cmake/windows_tree.cmake, it
# prints the arguments one a line.
if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  windows_tree_arguments(arguments "${ARCH}" "${PACKER}")
  foreach(argument ${arguments})
    execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${argument}")
  endforeach()
endif()
