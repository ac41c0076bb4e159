# The licence and readme templates take the publisher's name from the build, never spelled by
# hand: each is configured as the build does, with a probe name, and must name the probe and
# not PUBLISHER, the build's name.
#   cmake -DTOP=SOURCES -DPUBLISHER=NAME [-DSPELLED=1] -P check_publisher.cmake
# SPELLED=1 is the control: each template first gets the build's name written in by hand,
# as a forgotten copy would be, and the check must fail.
cmake_minimum_required(VERSION 3.20)
set(CORVALE_PUBLISHER_NAME "Probe Publisher Ltd")
set(CORVALE_VERSION 9.9.9)
set(failures 0)
foreach(template host/resources/licence.txt.in payload/readme.txt.in)
  file(READ ${TOP}/${template} text)
  if(SPELLED)
    string(REPLACE "@CORVALE_PUBLISHER_NAME@" "${PUBLISHER}" text "${text}")
  endif()
  string(CONFIGURE "${text}" text @ONLY)
  string(FIND "${text}" "${CORVALE_PUBLISHER_NAME}" probe_at)
  string(FIND "${text}" "${PUBLISHER}" spelled_at)
  if(probe_at EQUAL -1 OR NOT spelled_at EQUAL -1)
    message("FAIL ${template}: names the publisher by hand, not as the build gives it")
    math(EXPR failures "${failures} + 1")
  else()
    message("ok ${template}")
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "${failures} template(s) spell the publisher's name")
endif()
