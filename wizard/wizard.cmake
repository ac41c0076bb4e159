# The wizard's source lists, shared by the setup executable and the native tests.
set(WIZARD_PORTABLE_SOURCES
  ${CMAKE_SOURCE_DIR}/wizard/layout.cpp
)
