# The groups that install, once more in 64-bit prefixes: there the shipped 32-bit setup sees
# what it sees on 64-bit Windows (Program Files (x86), HKLM\SOFTWARE under Wow6432Node).
# Label win64. The layout groups run in 32-bit prefixes only. The 64-bit test build
# (build/win64) runs every group in 64-bit prefixes already and defines none of these.
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  return()
endif()

# One pristine 64-bit prefix for every 64-bit group of this tree, the payload's too.
set(E2E_TEMPLATE_WIN64 ${E2E_ROOT}/template-win64)

function(e2e_win64 test)
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT "CORVALE_WINE_ARCH=win64;E2E_TEMPLATE=${E2E_TEMPLATE_WIN64}")
  set_property(TEST ${test} APPEND PROPERTY LABELS win64)
endfunction()

# e2e_win64_group(GROUP DPI CASE...): e2e_group in a 64-bit prefix; the driver is told to
# expect WOW64.
function(e2e_win64_group group)
  list(APPEND E2E_DRIVER_ARGS --wow64 yes)
  e2e_group(${group} ${ARGN})
  get_directory_property(tests TESTS)
  foreach(test ${tests})
    if(test MATCHES "^e2e_${group}_")
      e2e_win64(${test})
    endif()
  endforeach()
endfunction()

e2e_win64_group(win64_install 96 defaults readback_controls second_run)
e2e_win64_group(win64_conformance 96 fail_program_parent fail_documents_parent fail_running_program
                fail_readme_in_the_way readonly_writable_here fail_empty_folders fail_long_folder)
# The untouched pictures: the 64-bit prefix's own list of what changes.
e2e_win64_group(win64_untouched 96 defaults)
set(expected ${CMAKE_SOURCE_DIR}/tests/e2e/untouched_expected_win64.txt)
add_test(NAME e2e_win64_untouched_picture_before COMMAND ${E2E_HARNESS} picture win64_untouched before)
add_test(NAME e2e_win64_untouched_picture_after COMMAND ${E2E_HARNESS} picture win64_untouched after)
add_test(NAME e2e_win64_untouched_changes COMMAND ${E2E_HARNESS} compare win64_untouched before after ${expected})
# Control: the 32-bit prefix's list must not fit the 64-bit prefix's changes.
add_test(NAME e2e_win64_untouched_changes_control COMMAND ${E2E_HARNESS} compare win64_untouched before after
         ${CMAKE_SOURCE_DIR}/tests/e2e/untouched_expected.txt)
foreach(test picture_before picture_after changes changes_control)
  e2e_properties(e2e_win64_untouched_${test} win64_untouched)
  e2e_win64(e2e_win64_untouched_${test})
  set_tests_properties(e2e_win64_untouched_${test} PROPERTIES FIXTURES_REQUIRED "e2e_display;e2e_win64_untouched")
endforeach()
set_tests_properties(e2e_win64_untouched_defaults PROPERTIES DEPENDS e2e_win64_untouched_picture_before)
set_tests_properties(e2e_win64_untouched_picture_after PROPERTIES DEPENDS e2e_win64_untouched_defaults)
set_tests_properties(e2e_win64_untouched_changes PROPERTIES DEPENDS e2e_win64_untouched_picture_after)
set_tests_properties(e2e_win64_untouched_changes_control PROPERTIES DEPENDS e2e_win64_untouched_changes
                     PASS_REGULAR_EXPRESSION "\n\\+file d drive_c/Program Files \\(x86\\)/Corvale\n")
