# The packer's encoder and the packer program itself.
add_executable(packer_tests
  tests/packer/encoder_test.cpp
  tests/packer/packer_cli_test.cpp
  tools/packer/encoder.cpp
)
target_include_directories(packer_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(packer_tests PRIVATE payload_codec GTest::gtest_main)
target_compile_definitions(packer_tests PRIVATE PACKER_EXECUTABLE="$<TARGET_FILE:packer>")
add_dependencies(packer_tests packer)
include(GoogleTest)
gtest_discover_tests(packer_tests DISCOVERY_TIMEOUT 30)

# The payload decoder, built with its own copy of the decoder under the address and
# undefined-behaviour sanitizers: once as the native build uses it (SSE2) and once on the
# portable path, the one the 32-bit Windows build takes.
foreach(variant sse2 portable)
  set(target payload_decoder_${variant}_tests)
  add_executable(${target} tests/packer/payload_format_test.cpp core/payload_format.cpp)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-sanitize-recover=all)
  target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  target_link_libraries(${target} PRIVATE GTest::gtest_main)
  if(variant STREQUAL portable)
    target_compile_definitions(${target} PRIVATE PAYLOAD_DECODER_PORTABLE)
  endif()
  gtest_discover_tests(${target} TEST_PREFIX ${variant}. DISCOVERY_TIMEOUT 30)
endforeach()
