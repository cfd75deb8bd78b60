# Windows: the saver (quillmoor.scr) and the Win32 probe the end-to-end tests
# drive it with. Both link the runtime statically, so they need no DLL beyond
# the system's and OpenGL's.
set(QUILLMOOR_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

enable_language(RC)

# The saver's resources: its name in the screen-saver list, version, icon and
# application manifest. The manifest carries the project's version; the
# resource script reads it from quillmoor_version.h.
set(QUILLMOOR_RESOURCE_DIR ${CMAKE_SOURCE_DIR}/src/host/win32/resources)
configure_file(${QUILLMOOR_RESOURCE_DIR}/quillmoor.manifest.in ${CMAKE_BINARY_DIR}/generated/quillmoor.manifest @ONLY)
set_source_files_properties(${QUILLMOOR_RESOURCE_DIR}/quillmoor.rc PROPERTIES OBJECT_DEPENDS
  "${QUILLMOOR_RESOURCE_DIR}/quillmoor.ico;${CMAKE_BINARY_DIR}/generated/quillmoor.manifest;${QUILLMOOR_RESOURCE_DIR}/resource_ids.h")

file(GLOB QUILLMOOR_WIN32_SOURCES CONFIGURE_DEPENDS src/host/win32/*.cpp)
add_executable(quillmoor WIN32 ${QUILLMOOR_WIN32_SOURCES} ${QUILLMOOR_RESOURCE_DIR}/quillmoor.rc)
set_target_properties(quillmoor PROPERTIES OUTPUT_NAME quillmoor SUFFIX .scr)
target_include_directories(quillmoor PRIVATE src ${QUILLMOOR_RESOURCE_DIR})
target_link_libraries(quillmoor PRIVATE quillmoor_scene quillmoor_version opengl32 glu32 gdi32 user32 advapi32
  ${QUILLMOOR_STATIC_RUNTIME})
# A release build ships without symbols or debug sections (the static runtime
# brings most of them), and with no link time in its header, so that the same
# sources give the same file; the build says how big the saver came out.
target_link_options(quillmoor PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s> -Wl,--no-insert-timestamp)
add_custom_command(TARGET quillmoor POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:quillmoor> -P ${CMAKE_SOURCE_DIR}/cmake/print_file_size.cmake
  VERBATIM)

add_executable(win_probe tests/e2e/probe/win_probe.cpp)
target_link_libraries(win_probe PRIVATE user32 gdi32 opengl32 version ${QUILLMOOR_STATIC_RUNTIME})

# The password library's stand-in; the tests install it as PASSWORD.CPL.
add_library(password_double SHARED tests/e2e/probe/password_double.cpp)
set_target_properties(password_double PROPERTIES PREFIX "" SUFFIX .dll)
target_link_libraries(password_double PRIVATE user32 ${QUILLMOOR_STATIC_RUNTIME})
