# The wizard's portable pieces, tested natively: layout table, scaling, logo choice,
# centring, licence copy, folder defaults and the picker's start folder.
include(GoogleTest)
include(${CMAKE_SOURCE_DIR}/wizard/wizard.cmake)

add_executable(wizard_tests
  ${CMAKE_SOURCE_DIR}/tests/wizard/layout_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/wizard/folders_test.cpp
  ${WIZARD_PORTABLE_SOURCES})
target_include_directories(wizard_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(wizard_tests PRIVATE core_native GTest::gtest GTest::gtest_main)
gtest_discover_tests(wizard_tests)
