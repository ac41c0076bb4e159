# The default payload set: two programs and a library built here, a readme and a sample
# document. PAYLOAD_SOURCE_<name> is the file to pack, PAYLOAD_DEPENDENCY_<name> what
# produces it.
add_executable(payload_corvale WIN32 ${CMAKE_SOURCE_DIR}/payload/src/corvale_app.cpp)
set_target_properties(payload_corvale PROPERTIES OUTPUT_NAME corvale RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/payload)
target_link_options(payload_corvale PRIVATE -municode -s -Wl,--no-insert-timestamp)

add_executable(payload_uninstaller WIN32 ${CMAKE_SOURCE_DIR}/payload/src/uninstaller.cpp)
set_target_properties(payload_uninstaller PROPERTIES OUTPUT_NAME uninst_corvale RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/payload)
target_link_options(payload_uninstaller PRIVATE -municode -s -Wl,--no-insert-timestamp)

add_library(payload_uninstall_library SHARED ${CMAKE_SOURCE_DIR}/payload/src/uninstall_library.cpp)
set_target_properties(payload_uninstall_library PROPERTIES OUTPUT_NAME uninstall PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/payload)
target_link_options(payload_uninstall_library PRIVATE -s -Wl,--no-insert-timestamp)

set(PAYLOAD_SOURCE_corvale.exe $<TARGET_FILE:payload_corvale>)
set(PAYLOAD_DEPENDENCY_corvale.exe payload_corvale)
set(PAYLOAD_SOURCE_uninst_corvale.exe $<TARGET_FILE:payload_uninstaller>)
set(PAYLOAD_DEPENDENCY_uninst_corvale.exe payload_uninstaller)
set(PAYLOAD_SOURCE_uninstall.dll $<TARGET_FILE:payload_uninstall_library>)
set(PAYLOAD_DEPENDENCY_uninstall.dll payload_uninstall_library)
set(PAYLOAD_SOURCE_readme.txt ${CMAKE_SOURCE_DIR}/payload/readme.txt)
set(PAYLOAD_DEPENDENCY_readme.txt ${CMAKE_SOURCE_DIR}/payload/readme.txt)
set(PAYLOAD_SOURCE_sample.mpl ${CMAKE_SOURCE_DIR}/payload/sample.mpl)
set(PAYLOAD_DEPENDENCY_sample.mpl ${CMAKE_SOURCE_DIR}/payload/sample.mpl)
