# Reads the packing report and fails when the progress bar's final position comes closer to
# the end of its range than MINIMUM steps.
#   cmake -DREPORT=<packing-report.txt> -DMINIMUM=<steps> -P check_margin.cmake
file(READ ${REPORT} report)
if(NOT report MATCHES "progress range 0\\.\\.([0-9]+); the bar ends at ([0-9]+)")
  message(FATAL_ERROR "no progress range and final position in ${REPORT}")
endif()
math(EXPR margin "${CMAKE_MATCH_1} - ${CMAKE_MATCH_2}")
if(margin LESS MINIMUM)
  message(FATAL_ERROR "the bar ends ${margin} steps below its maximum, less than the ${MINIMUM} kept in reserve")
endif()
message(STATUS "the bar ends ${margin} steps below its maximum (at least ${MINIMUM} kept in reserve)")
