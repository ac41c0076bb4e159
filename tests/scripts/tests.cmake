# The project's own scripts, run against stubs of the programs they call.
add_test(NAME install_deps_mirror_sync COMMAND bash ${CMAKE_SOURCE_DIR}/tests/scripts/install_deps_test.sh)
