# The installation core's tests, run natively against the recording fake of the platform.
include(GoogleTest)

file(GLOB CORE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/core/*_test.cpp)
add_executable(core_tests ${CORE_TEST_SOURCES}
  ${CMAKE_SOURCE_DIR}/tests/core/fake_platform.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/fake_window.cpp)
target_include_directories(core_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(core_tests PRIVATE core_native GTest::gtest GTest::gtest_main)
# The files the Windows side packed, to compare the extracted ones with (the programs signed
# when signing is on, the readme as the Windows side made it).
target_compile_definitions(core_tests PRIVATE CORE_TEST_PACKED_LIST="${WINDOWS_BINARY_DIR}/payload-packed.txt")
gtest_discover_tests(core_tests)
