# The native tests of the payload programs' portable parts (the ledger parser and the
# uninstaller's rules), built with the address and undefined-behaviour sanitizers so that
# a read or write outside a buffer fails the test that caused it.
include(GoogleTest)

add_executable(payload_tests
  ${CMAKE_SOURCE_DIR}/tests/payload/ledger_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/payload/uninstall_rules_test.cpp
  ${CMAKE_SOURCE_DIR}/payload/src/ledger.cpp
  ${CMAKE_SOURCE_DIR}/payload/src/uninstall_rules.cpp
  ${CMAKE_SOURCE_DIR}/core/product.cpp
  ${CMAKE_SOURCE_DIR}/core/text.cpp)
target_include_directories(payload_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(payload_tests PRIVATE -fsanitize=address,undefined -fno-sanitize-recover=all)
target_link_options(payload_tests PRIVATE -fsanitize=address,undefined)
target_link_libraries(payload_tests PRIVATE GTest::gtest GTest::gtest_main)
target_compile_definitions(payload_tests PRIVATE
  PAYLOAD_SAMPLE_DOCUMENT="${CMAKE_SOURCE_DIR}/payload/sample.mpl")
gtest_discover_tests(payload_tests)
