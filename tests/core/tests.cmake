# The installation core's tests, run natively against the recording fake of the platform.
include(GoogleTest)

file(GLOB CORE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/core/*_test.cpp)
add_executable(core_tests ${CORE_TEST_SOURCES}
  ${CMAKE_SOURCE_DIR}/tests/core/fake_platform.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/fake_window.cpp)
target_include_directories(core_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(core_tests PRIVATE core_native GTest::gtest GTest::gtest_main)
# The original payload files, to compare the extracted ones with: the programs as packed
# (signed copies when signing is on), the readme as the Windows side made it.
if(CORVALE_PAYLOAD_DIR)
  set(CORE_TEST_BUILT_PAYLOAD_DIR ${CORVALE_PAYLOAD_DIR})
  set(CORE_TEST_SOURCE_PAYLOAD_DIR ${CORVALE_PAYLOAD_DIR})
  set(CORE_TEST_README_DIR ${CORVALE_PAYLOAD_DIR})
else()
  set(CORE_TEST_BUILT_PAYLOAD_DIR ${WINDOWS_BINARY_DIR}/payload)
  set(CORE_TEST_SOURCE_PAYLOAD_DIR ${CMAKE_SOURCE_DIR}/payload)
  set(CORE_TEST_README_DIR ${WINDOWS_BINARY_DIR}/generated)
endif()
if(CORVALE_SIGN_PKCS12)
  set(CORE_TEST_BUILT_PAYLOAD_DIR ${WINDOWS_BINARY_DIR}/signed)
endif()
target_compile_definitions(core_tests PRIVATE
  CORE_TEST_BUILT_PAYLOAD_DIR="${CORE_TEST_BUILT_PAYLOAD_DIR}"
  CORE_TEST_SOURCE_PAYLOAD_DIR="${CORE_TEST_SOURCE_PAYLOAD_DIR}"
  CORE_TEST_README_DIR="${CORE_TEST_README_DIR}")
gtest_discover_tests(core_tests)
