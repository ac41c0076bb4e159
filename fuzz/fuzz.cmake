# libFuzzer target for the payload decoder, built with clang (the project compiler is g++)
# under AddressSanitizer and UndefinedBehaviorSanitizer: once on the SSE2 path that native
# builds take, once on the portable path of the 32-bit Windows build. ctest runs each
# briefly from a generated seed corpus; README.md tells how to run them longer.
find_program(FUZZ_CLANGXX NAMES clang++-14 clang++)
if(NOT FUZZ_CLANGXX)
  message(WARNING "clang++ not found: the payload fuzz target is not built")
  return()
endif()

set(FUZZ_DIR ${CMAKE_BINARY_DIR}/fuzz)
set(FUZZ_COMMON -std=c++17 -g -Wall -Wextra -fno-sanitize-recover=all -I${CMAKE_SOURCE_DIR})
set(FUZZ_SOURCES
  ${CMAKE_SOURCE_DIR}/fuzz/payload_fuzz.cpp
  ${CMAKE_SOURCE_DIR}/fuzz/fuzz_oracle.cpp
  ${CMAKE_SOURCE_DIR}/fuzz/fuzz_oracle.h
  ${CMAKE_SOURCE_DIR}/core/payload_format.cpp
  ${CMAKE_SOURCE_DIR}/core/payload_format.h
  ${CMAKE_SOURCE_DIR}/tools/packer/encoder.cpp
  ${CMAKE_SOURCE_DIR}/tools/packer/encoder.h
  ${CMAKE_SOURCE_DIR}/tests/packer/payload_test_support.h
)

set(FUZZ_BINARIES "")
foreach(variant sse2 portable)
  set(out ${FUZZ_DIR}/${variant})
  set(binary ${FUZZ_DIR}/payload_fuzz_${variant})
  set(defines "")
  if(variant STREQUAL portable)
    set(defines -DPAYLOAD_DECODER_PORTABLE)
  endif()
  # Coverage instrumentation only where the fuzzer should look: the decoder and the
  # target's own checks, not the token-by-token decoder and the encoder it compares with.
  add_custom_command(OUTPUT ${binary}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
    COMMAND ${FUZZ_CLANGXX} ${FUZZ_COMMON} -O2 -fsanitize=address,undefined
            -c ${CMAKE_SOURCE_DIR}/fuzz/fuzz_oracle.cpp -o ${out}/fuzz_oracle.o
    COMMAND ${FUZZ_CLANGXX} ${FUZZ_COMMON} -O2 -fsanitize=address,undefined
            -c ${CMAKE_SOURCE_DIR}/tools/packer/encoder.cpp -o ${out}/encoder.o
    COMMAND ${FUZZ_CLANGXX} ${FUZZ_COMMON} ${defines} -O1 -fsanitize=fuzzer-no-link,address,undefined
            -c ${CMAKE_SOURCE_DIR}/core/payload_format.cpp -o ${out}/payload_format.o
    COMMAND ${FUZZ_CLANGXX} ${FUZZ_COMMON} -O1 -fsanitize=fuzzer,address,undefined
            ${CMAKE_SOURCE_DIR}/fuzz/payload_fuzz.cpp ${out}/fuzz_oracle.o ${out}/encoder.o
            ${out}/payload_format.o -o ${binary}
    DEPENDS ${FUZZ_SOURCES}
    COMMENT "Building the payload fuzz target (${variant}) with clang"
    VERBATIM)
  list(APPEND FUZZ_BINARIES ${binary})
endforeach()

add_executable(payload_fuzz_seeds fuzz/make_seeds.cpp tools/packer/encoder.cpp)
target_include_directories(payload_fuzz_seeds PRIVATE ${CMAKE_SOURCE_DIR})
set(FUZZ_SEEDS ${FUZZ_DIR}/seeds)
add_custom_command(OUTPUT ${FUZZ_DIR}/seeds.stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${FUZZ_SEEDS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${FUZZ_SEEDS}
  COMMAND payload_fuzz_seeds ${FUZZ_SEEDS}
  COMMAND ${CMAKE_COMMAND} -E touch ${FUZZ_DIR}/seeds.stamp
  DEPENDS payload_fuzz_seeds
  COMMENT "Writing the payload fuzz seeds"
  VERBATIM)
add_custom_target(payload_fuzz ALL DEPENDS ${FUZZ_BINARIES} ${FUZZ_DIR}/seeds.stamp)

# A fixed number of runs from a fixed seed: the same inputs every time. New inputs go to a
# scratch corpus, never into the seeds; a failing input is saved next to it.
foreach(variant sse2 portable)
  set(work ${FUZZ_DIR}/${variant}/corpus)
  add_test(NAME payload_fuzz.${variant}
    COMMAND sh -c "rm -rf \"$0\" && mkdir -p \"$0\" && exec \"$1\" -runs=100000 -seed=1 -max_len=4096 -artifact_prefix=\"$2/\" \"$0\" \"$3\""
            ${work} ${FUZZ_DIR}/payload_fuzz_${variant} ${FUZZ_DIR}/${variant} ${FUZZ_SEEDS})
  set_tests_properties(payload_fuzz.${variant} PROPERTIES TIMEOUT 300)
endforeach()
