# The payload format's decoder, the packer's encoder, and the packer program itself.
add_executable(packer_tests
  tests/packer/payload_format_test.cpp
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
