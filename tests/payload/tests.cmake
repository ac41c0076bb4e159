# The native tests of the payload programs' portable parts (the ledger parser and the
# uninstaller's rules), built with the address and undefined-behaviour sanitizers so that
# a read or write outside a buffer fails the test that caused it.
include(GoogleTest)

add_executable(payload_tests
  ${CMAKE_SOURCE_DIR}/tests/payload/ledger_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/payload/uninstall_rules_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/payload/document_argument_test.cpp
  ${CMAKE_SOURCE_DIR}/payload/src/ledger.cpp
  ${CMAKE_SOURCE_DIR}/payload/src/document_argument.cpp
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

# The margin of the setup's progress bar: the welcome picture's share at every place it can
# land, and the reserve kept in the packing report of the default payload.
add_executable(payload_packing_tests
  ${CMAKE_SOURCE_DIR}/tests/payload/packing_margin_test.cpp
  ${CMAKE_SOURCE_DIR}/tools/packer/encoder.cpp)
target_include_directories(payload_packing_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(payload_packing_tests PRIVATE payload_codec GTest::gtest GTest::gtest_main)
target_compile_definitions(payload_packing_tests PRIVATE
  PAYLOAD_WELCOME_PICTURE="${CMAKE_SOURCE_DIR}/payload/resources/welcome.bmp")
gtest_discover_tests(payload_packing_tests)

if(NOT CORVALE_PAYLOAD_DIR)
  set(PAYLOAD_MARGIN_REPORT -DREPORT=${WINDOWS_BINARY_DIR}/packing-report.txt)
  set(PAYLOAD_MARGIN_SCRIPT -P ${CMAKE_SOURCE_DIR}/tests/payload/check_margin.cmake)
  add_test(NAME payload_packing_reserve
    COMMAND ${CMAKE_COMMAND} ${PAYLOAD_MARGIN_REPORT} -DMINIMUM=10 ${PAYLOAD_MARGIN_SCRIPT})
  # Control: a reserve larger than the whole range is never there.
  add_test(NAME payload_packing_reserve_control
    COMMAND ${CMAKE_COMMAND} ${PAYLOAD_MARGIN_REPORT} -DMINIMUM=100000 ${PAYLOAD_MARGIN_SCRIPT})
  set_tests_properties(payload_packing_reserve_control PROPERTIES WILL_FAIL ON)
endif()
