# The project's own scripts, run against stubs of the programs they call.
add_test(NAME install_deps_mirror_sync COMMAND bash ${CMAKE_SOURCE_DIR}/tests/scripts/install_deps_test.sh)
# The licence and the readme name the publisher as CMakeLists.txt gives it; the control spells
# the name into the templates and must fail.
set(PUBLISHER_CHECK ${CMAKE_COMMAND} -DTOP=${CMAKE_SOURCE_DIR} -DPUBLISHER=${CORVALE_PUBLISHER_NAME})
set(PUBLISHER_SCRIPT -P ${CMAKE_SOURCE_DIR}/tests/scripts/check_publisher.cmake)
add_test(NAME templates_take_the_publisher COMMAND ${PUBLISHER_CHECK} ${PUBLISHER_SCRIPT})
add_test(NAME templates_take_the_publisher_control COMMAND ${PUBLISHER_CHECK} -DSPELLED=1 ${PUBLISHER_SCRIPT})
set_tests_properties(templates_take_the_publisher_control PROPERTIES WILL_FAIL TRUE)
# No script spells what scripts/lib and cmake/windows_tree.cmake hold (with its control).
add_test(NAME scripts_spell_facts_once COMMAND bash ${CMAKE_SOURCE_DIR}/tests/scripts/one_place_test.sh)
