# The wizard's source lists, shared by the setup executable and the native tests.
set(WIZARD_PORTABLE_SOURCES
  ${CMAKE_SOURCE_DIR}/wizard/layout.cpp
  ${CMAKE_SOURCE_DIR}/wizard/folders.cpp
)
set(WIZARD_WIN_SOURCES
  ${CMAKE_SOURCE_DIR}/wizard/layout_win.cpp
  ${CMAKE_SOURCE_DIR}/wizard/page_fields_win.cpp
  ${CMAKE_SOURCE_DIR}/wizard/install_display_win.cpp
  ${CMAKE_SOURCE_DIR}/wizard/folders_win.cpp
  ${CMAKE_SOURCE_DIR}/wizard/pages_win.cpp
)
