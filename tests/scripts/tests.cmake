# The project's own scripts, run against stubs of the programs they call.
add_test(NAME install_deps_mirror_sync COMMAND bash ${CMAKE_SOURCE_DIR}/tests/scripts/install_deps_test.sh)
# No script spells what scripts/lib and cmake/windows_tree.cmake hold, no template or header
# the publisher's name (with its control).
add_test(NAME facts_spelled_once COMMAND bash ${CMAKE_SOURCE_DIR}/tests/scripts/one_place_test.sh
         ${CORVALE_PUBLISHER_NAME})
