# The payload files, from the one list PAYLOAD_FILES of CMakeLists.txt (NAME KIND SYMBOL
# triples). Sets
#   PAYLOAD_FILE_NAMES            every name, in the setup's order
#   PAYLOAD_PROGRAM_NAMES         the names of kind program (signed before they are packed)
#   PAYLOAD_KIND_<name>, PAYLOAD_SYMBOL_<name>
# and defines payload_blobs_source() and payload_file_list().
set(PAYLOAD_FILE_NAMES "")
set(PAYLOAD_PROGRAM_NAMES "")
list(LENGTH PAYLOAD_FILES length)
math(EXPR remainder "${length} % 3")
if(length EQUAL 0 OR NOT remainder EQUAL 0)
  message(FATAL_ERROR "PAYLOAD_FILES holds NAME KIND SYMBOL triples; it has ${length} words")
endif()
math(EXPR last "${length} - 1")
foreach(i RANGE 0 ${last} 3)
  math(EXPR k "${i} + 1")
  math(EXPR s "${i} + 2")
  list(GET PAYLOAD_FILES ${i} name)
  list(GET PAYLOAD_FILES ${k} kind)
  list(GET PAYLOAD_FILES ${s} symbol)
  if(NOT kind MATCHES "^(program|data)$")
    message(FATAL_ERROR "PAYLOAD_FILES: ${name} is of kind \"${kind}\"; a file is a program or data")
  endif()
  if(name IN_LIST PAYLOAD_FILE_NAMES)
    message(FATAL_ERROR "PAYLOAD_FILES: ${name} is listed twice")
  endif()
  list(APPEND PAYLOAD_FILE_NAMES ${name})
  if(kind STREQUAL program)
    list(APPEND PAYLOAD_PROGRAM_NAMES ${name})
  endif()
  set(PAYLOAD_KIND_${name} ${kind})
  set(PAYLOAD_SYMBOL_${name} ${symbol})
endforeach()

# payload_blobs_source(BLOB_DIR OUT): writes OUT, the assembly source that embeds every
# packed file of BLOB_DIR (NAME.blob) under its symbol, and the checksums after them
# (core/payload_blobs.S.in).
function(payload_blobs_source BLOB_DIR out)
  set(PAYLOAD_BLOBS "")
  foreach(name ${PAYLOAD_FILE_NAMES})
    string(APPEND PAYLOAD_BLOBS "BLOB(${PAYLOAD_SYMBOL_${name}}, \"${BLOB_DIR}/${name}.blob\")\n")
  endforeach()
  string(STRIP "${PAYLOAD_BLOBS}" PAYLOAD_BLOBS)
  configure_file(${CMAKE_SOURCE_DIR}/core/payload_blobs.S.in ${out} @ONLY)
endfunction()

# payload_file_list(OUT): writes OUT for the scripts (scripts/lib/windows-tree.sh), one file a
# line: NAME, KIND, the file this tree builds for it from payload/ (PAYLOAD_SOURCE_<name>) and
# the target that builds it ("-" for a file the configuration writes or the sources hold),
# tab-separated.
function(payload_file_list out)
  set(text "# name\tkind\tsource\ttarget\n")
  foreach(name ${PAYLOAD_FILE_NAMES})
    set(target -)
    if(TARGET "${PAYLOAD_DEPENDENCY_${name}}")
      set(target ${PAYLOAD_DEPENDENCY_${name}})
    endif()
    string(APPEND text "${name}\t${PAYLOAD_KIND_${name}}\t${PAYLOAD_SOURCE_${name}}\t${target}\n")
  endforeach()
  file(GENERATE OUTPUT ${out} CONTENT "${text}")
endfunction()
