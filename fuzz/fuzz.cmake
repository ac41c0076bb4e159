# libFuzzer targets, built with clang (the project compiler is g++) under AddressSanitizer
# and UndefinedBehaviorSanitizer: the payload decoder, once on the SSE2 path that native
# builds take, once on the portable path of the 32-bit Windows build; and the installed
# programs' parsers (the ledger, the uninstaller's command-line and path rules). ctest runs
# each briefly from a generated seed corpus; README.md tells how to run them longer.
set(FUZZ_PAYLOAD_VARIANTS sse2 portable)
set(FUZZ_PROGRAM_TARGETS ledger uninstall_rules)
find_program(FUZZ_CLANGXX NAMES clang++-14 clang++)
if(NOT FUZZ_CLANGXX)
  message(WARNING "clang++ not found: the fuzz targets are not built, their tests are skipped")
  # The tests stay, so that ctest counts them as skipped instead of leaving them out.
  set(payload_tests ${FUZZ_PAYLOAD_VARIANTS})
  list(TRANSFORM payload_tests PREPEND payload_fuzz.)
  set(program_tests ${FUZZ_PROGRAM_TARGETS})
  list(TRANSFORM program_tests APPEND _fuzz)
  foreach(test ${payload_tests} ${program_tests})
    add_test(NAME ${test} COMMAND sh -c "echo 'not built: clang++ not found when the build was configured'; exit 77")
    set_tests_properties(${test} PROPERTIES SKIP_RETURN_CODE 77)
  endforeach()
  return()
endif()

set(FUZZ_DIR ${CMAKE_BINARY_DIR}/fuzz)
# The product's version, as every other target of the build gets it.
set(FUZZ_COMMON -std=c++17 -g -Wall -Wextra -fno-sanitize-recover=all -I${CMAKE_SOURCE_DIR}
  -I${CMAKE_BINARY_DIR}/generated-include
  -DCORVALE_VERSION_MAJOR=${CORVALE_VERSION_MAJOR} -DCORVALE_VERSION_MINOR=${CORVALE_VERSION_MINOR}
  -DCORVALE_VERSION_PATCH=${CORVALE_VERSION_PATCH} -DCORVALE_VERSION_TEXT=${CORVALE_VERSION})
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
foreach(variant ${FUZZ_PAYLOAD_VARIANTS})
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
foreach(variant ${FUZZ_PAYLOAD_VARIANTS})
  set(work ${FUZZ_DIR}/${variant}/corpus)
  add_test(NAME payload_fuzz.${variant}
    COMMAND sh -c "rm -rf \"$0\" && mkdir -p \"$0\" && exec \"$1\" -runs=100000 -seed=1 -max_len=4096 -artifact_prefix=\"$2/\" \"$0\" \"$3\""
            ${work} ${FUZZ_DIR}/payload_fuzz_${variant} ${FUZZ_DIR}/${variant} ${FUZZ_SEEDS})
  set_tests_properties(payload_fuzz.${variant} PROPERTIES TIMEOUT 300)
endforeach()

# The installed programs' parsers. Coverage instrumentation on the code under test only;
# the text helpers and the product's names it calls are built with the sanitizers alone.
set(PROGRAM_FUZZ_DIR ${FUZZ_DIR}/programs)
set(LEDGER_FUZZ ${FUZZ_DIR}/ledger_fuzz)
set(RULES_FUZZ ${FUZZ_DIR}/uninstall_rules_fuzz)
add_custom_command(OUTPUT ${LEDGER_FUZZ}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROGRAM_FUZZ_DIR}
  COMMAND ${FUZZ_CLANGXX} ${FUZZ_COMMON} -O1 -fsanitize=fuzzer-no-link,address,undefined
          -c ${CMAKE_SOURCE_DIR}/payload/src/ledger.cpp -o ${PROGRAM_FUZZ_DIR}/ledger.o
  COMMAND ${FUZZ_CLANGXX} ${FUZZ_COMMON} -O1 -fsanitize=fuzzer,address,undefined
          ${CMAKE_SOURCE_DIR}/fuzz/ledger_fuzz.cpp ${PROGRAM_FUZZ_DIR}/ledger.o -o ${LEDGER_FUZZ}
  DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/ledger_fuzz.cpp ${CMAKE_SOURCE_DIR}/payload/src/ledger.cpp
          ${CMAKE_SOURCE_DIR}/payload/src/ledger.h
  COMMENT "Building the ledger fuzz target with clang"
  VERBATIM)
add_custom_command(OUTPUT ${RULES_FUZZ}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROGRAM_FUZZ_DIR}
  COMMAND ${FUZZ_CLANGXX} ${FUZZ_COMMON} -O1 -fsanitize=fuzzer-no-link,address,undefined
          -c ${CMAKE_SOURCE_DIR}/payload/src/uninstall_rules.cpp -o ${PROGRAM_FUZZ_DIR}/uninstall_rules.o
  COMMAND ${FUZZ_CLANGXX} ${FUZZ_COMMON} -O1 -fsanitize=fuzzer-no-link,address,undefined
          -c ${CMAKE_SOURCE_DIR}/payload/src/document_argument.cpp -o ${PROGRAM_FUZZ_DIR}/document_argument.o
  COMMAND ${FUZZ_CLANGXX} ${FUZZ_COMMON} -O1 -fsanitize=address,undefined
          -c ${CMAKE_SOURCE_DIR}/core/text.cpp -o ${PROGRAM_FUZZ_DIR}/text.o
  COMMAND ${FUZZ_CLANGXX} ${FUZZ_COMMON} -O1 -fsanitize=address,undefined
          -c ${CMAKE_SOURCE_DIR}/core/product.cpp -o ${PROGRAM_FUZZ_DIR}/product.o
  COMMAND ${FUZZ_CLANGXX} ${FUZZ_COMMON} -O1 -fsanitize=fuzzer,address,undefined
          ${CMAKE_SOURCE_DIR}/fuzz/uninstall_rules_fuzz.cpp ${PROGRAM_FUZZ_DIR}/uninstall_rules.o
          ${PROGRAM_FUZZ_DIR}/document_argument.o ${PROGRAM_FUZZ_DIR}/text.o ${PROGRAM_FUZZ_DIR}/product.o
          -o ${RULES_FUZZ}
  DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/uninstall_rules_fuzz.cpp
          ${CMAKE_SOURCE_DIR}/payload/src/uninstall_rules.cpp ${CMAKE_SOURCE_DIR}/payload/src/uninstall_rules.h
          ${CMAKE_SOURCE_DIR}/payload/src/document_argument.cpp
          ${CMAKE_SOURCE_DIR}/payload/src/document_argument.h ${CMAKE_SOURCE_DIR}/payload/src/path_text.h
          ${CMAKE_SOURCE_DIR}/core/text.cpp ${CMAKE_SOURCE_DIR}/core/text.h
          ${CMAKE_SOURCE_DIR}/core/product.cpp ${CMAKE_SOURCE_DIR}/core/product.h
  COMMENT "Building the uninstaller rules fuzz target with clang"
  VERBATIM)

add_executable(program_fuzz_seeds fuzz/make_program_seeds.cpp)
target_include_directories(program_fuzz_seeds PRIVATE ${CMAKE_SOURCE_DIR})
set(LEDGER_SEEDS ${FUZZ_DIR}/ledger-seeds)
set(RULES_SEEDS ${FUZZ_DIR}/uninstall-rules-seeds)
add_custom_command(OUTPUT ${FUZZ_DIR}/program-seeds.stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${LEDGER_SEEDS} ${RULES_SEEDS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LEDGER_SEEDS} ${RULES_SEEDS}
  COMMAND program_fuzz_seeds ${LEDGER_SEEDS} ${RULES_SEEDS}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/payload/sample.mpl ${LEDGER_SEEDS}/sample.mpl
  COMMAND ${CMAKE_COMMAND} -E touch ${FUZZ_DIR}/program-seeds.stamp
  DEPENDS program_fuzz_seeds ${CMAKE_SOURCE_DIR}/payload/sample.mpl
  COMMENT "Writing the ledger and uninstaller rules fuzz seeds"
  VERBATIM)
add_custom_target(program_fuzz ALL DEPENDS ${LEDGER_FUZZ} ${RULES_FUZZ} ${FUZZ_DIR}/program-seeds.stamp)

# As for the payload: fixed runs from a fixed seed, new inputs in a scratch corpus.
foreach(target ${FUZZ_PROGRAM_TARGETS})
  set(work ${PROGRAM_FUZZ_DIR}/${target}-corpus)
  if(target STREQUAL ledger)
    set(seeds ${LEDGER_SEEDS})
    set(runs 800000)
    set(max_len 4096)
  else()
    set(seeds ${RULES_SEEDS})
    set(runs 500000)
    set(max_len 1024)
  endif()
  add_test(NAME ${target}_fuzz
    COMMAND sh -c "rm -rf \"$0\" && mkdir -p \"$0\" && exec \"$1\" -runs=$4 -seed=1 -max_len=$5 -artifact_prefix=\"$2/\" \"$0\" \"$3\""
            ${work} ${FUZZ_DIR}/${target}_fuzz ${PROGRAM_FUZZ_DIR} ${seeds} ${runs} ${max_len})
  set_tests_properties(${target}_fuzz PROPERTIES TIMEOUT 300)
endforeach()
