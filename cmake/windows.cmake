# Windows: the saver (quillmoor.scr) and the Win32 probe the end-to-end tests
# drive it with. Both link the runtime statically, so they need no DLL beyond
# the system's and OpenGL's.
set(QUILLMOOR_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

file(GLOB QUILLMOOR_WIN32_SOURCES CONFIGURE_DEPENDS src/host/win32/*.cpp)
add_executable(quillmoor WIN32 ${QUILLMOOR_WIN32_SOURCES})
set_target_properties(quillmoor PROPERTIES OUTPUT_NAME quillmoor SUFFIX .scr)
target_include_directories(quillmoor PRIVATE src)
target_link_libraries(quillmoor PRIVATE quillmoor_scene opengl32 glu32 gdi32 user32 advapi32
  ${QUILLMOOR_STATIC_RUNTIME})

add_executable(win_probe tests/e2e/probe/win_probe.cpp)
target_link_libraries(win_probe PRIVATE user32 gdi32 ${QUILLMOOR_STATIC_RUNTIME})

# The password library's stand-in; the tests install it as PASSWORD.CPL.
add_library(password_double SHARED tests/e2e/probe/password_double.cpp)
set_target_properties(password_double PROPERTIES PREFIX "" SUFFIX .dll)
target_link_libraries(password_double PRIVATE user32 ${QUILLMOOR_STATIC_RUNTIME})
