# The setup executable's resources: application icon, logos, licence text, version block and
# manifest, all compiled from host/setup.rc. The setup target adds SETUP_RESOURCE_SOURCES to
# its own sources.
set(SETUP_RESOURCE_SOURCES ${CMAKE_SOURCE_DIR}/host/setup.rc)
# The licence names the version (CORVALE_VERSION); its CR LF line ends are kept. windres
# finds it as resources/licence.txt in the generated folder.
set(SETUP_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(SETUP_LICENCE ${SETUP_GENERATED_DIR}/resources/licence.txt)
configure_file(${CMAKE_SOURCE_DIR}/host/resources/licence.txt.in ${SETUP_LICENCE} @ONLY NEWLINE_STYLE CRLF)
set(SETUP_RESOURCE_INCLUDES ${CMAKE_SOURCE_DIR} ${SETUP_GENERATED_DIR})
# The 64-bit test build: a manifest that asks for the 64-bit common controls.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  amd64_resource_script(${CMAKE_SOURCE_DIR}/host/setup.rc setup.manifest SETUP_RESOURCE_SOURCES)
  list(APPEND SETUP_RESOURCE_INCLUDES ${CMAKE_SOURCE_DIR}/host)
endif()
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
  INCLUDE_DIRECTORIES "${SETUP_RESOURCE_INCLUDES}")

include(${CMAKE_SOURCE_DIR}/tests/resources/tests.cmake)
