# The setup executable's resources: application icon, logos, licence text, version block and
# manifest, all compiled from host/setup.rc. The setup target adds SETUP_RESOURCE_SOURCES to
# its own sources.
set(SETUP_RESOURCE_SOURCES ${CMAKE_SOURCE_DIR}/host/setup.rc)
# The licence names the version (CORVALE_VERSION); its CR LF line ends are kept. windres
# finds it as resources/licence.txt in the generated folder.
set(SETUP_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(SETUP_LICENCE ${SETUP_GENERATED_DIR}/resources/licence.txt)
configure_file(${CMAKE_SOURCE_DIR}/host/resources/licence.txt.in ${SETUP_LICENCE} @ONLY NEWLINE_STYLE CRLF)
# windres reads these while it compiles the script; a change to any of them recompiles it.
set(SETUP_RESOURCE_FILES
  ${CMAKE_SOURCE_DIR}/host/resources/corvale.ico
  ${CMAKE_SOURCE_DIR}/host/resources/logo-120.ico
  ${CMAKE_SOURCE_DIR}/host/resources/logo-150.ico
  ${CMAKE_SOURCE_DIR}/host/resources/logo-180.ico
  ${CMAKE_SOURCE_DIR}/host/resources/logo-240.ico
  ${SETUP_LICENCE}
  ${CMAKE_SOURCE_DIR}/host/resources/setup.manifest
  ${CMAKE_SOURCE_DIR}/core/product_names.h
)
set_source_files_properties(${SETUP_RESOURCE_SOURCES} PROPERTIES
  OBJECT_DEPENDS "${SETUP_RESOURCE_FILES}"
  INCLUDE_DIRECTORIES "${CMAKE_SOURCE_DIR};${SETUP_GENERATED_DIR}")

include(${CMAKE_SOURCE_DIR}/tests/resources/tests.cmake)
