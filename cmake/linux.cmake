# Native Linux: the X11 saver, the Wayland saver, the headless renderer, the outline-font layer,
# tests, benchmarks.

# Every Linux program is hardened as Debian builds its packages
# (dpkg-buildflags, hardening=+all): C library calls checked against the
# buffer sizes the optimiser knows (_FORTIFY_SOURCE=2, which needs
# optimisation), stack protector, format strings checked, relocations read-only
# and bound at start, position-independent executables. Set in the flags
# variables, whose values at the end of the directory CMake gives every target
# in it, so that they reach all of them whichever file defines them (the
# scene's library comes before this file); the Windows cross-build keeps its
# own flags.
set(QUILLMOOR_HARDENING_FLAGS "-fPIE -fstack-protector-strong -Wformat -Werror=format-security")
foreach(language C CXX)
  string(APPEND CMAKE_${language}_FLAGS " ${QUILLMOOR_HARDENING_FLAGS}")
  foreach(config RELEASE RELWITHDEBINFO MINSIZEREL)
    string(APPEND CMAKE_${language}_FLAGS_${config} " -D_FORTIFY_SOURCE=2")
  endforeach()
endforeach()
string(APPEND CMAKE_EXE_LINKER_FLAGS " -pie -Wl,-z,relro,-z,now")

# The sanitizer build (the linux-asan preset): AddressSanitizer and
# UndefinedBehaviorSanitizer in every target, the first fault ending the
# program, at -O1 with frame pointers so that reports have whole stacks. It
# builds the unit, OpenGL 1.1 layer and render tests and the renderer they
# run; tests/tests.cmake gives their runs the sanitizers' options.
option(QUILLMOOR_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(QUILLMOOR_SANITIZE)
  set(QUILLMOOR_SANITIZER_FLAGS "-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer")
  foreach(language C CXX)
    string(APPEND CMAKE_${language}_FLAGS " ${QUILLMOOR_SANITIZER_FLAGS} -O1 -g")
  endforeach()
  foreach(kind EXE SHARED MODULE)
    string(APPEND CMAKE_${kind}_LINKER_FLAGS " -fsanitize=address,undefined")
  endforeach()
endif()
set(OpenGL_GL_PREFERENCE GLVND)
find_package(OpenGL REQUIRED COMPONENTS OpenGL EGL GLX)
find_package(X11 REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(GLU REQUIRED IMPORTED_TARGET glu)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(DEFLATE REQUIRED IMPORTED_TARGET libdeflate)
find_package(Threads REQUIRED)

# Outline glyphs from fontconfig + FreeType + the GLU tessellator, with the same
# contract as the Windows outline conversion.
add_library(quillmoor_linux_font STATIC
  src/host/linux_font/ansi_code_page.cpp src/host/linux_font/font_resolution.cpp
  src/host/linux_font/freetype_face.cpp src/host/linux_font/glyph_extrusion.cpp
  src/host/linux_font/glyph_tessellation.cpp src/host/linux_font/outline_flattening.cpp
  src/host/linux_font/outline_glyphs.cpp)
target_include_directories(quillmoor_linux_font PUBLIC src)
target_link_libraries(quillmoor_linux_font PUBLIC quillmoor_glyph_geometry PkgConfig::GLU PkgConfig::FREETYPE
  PkgConfig::FONTCONFIG)

# The web page's fonts, converted here at build time (the browser has neither
# the fonts nor the tessellator): scripts/build.sh web runs this tool from this
# tree and hands it to the web build.
add_executable(quillmoor-bake-glyphs tools/bake_glyphs.cpp)
target_link_libraries(quillmoor-bake-glyphs PRIVATE quillmoor_web_core quillmoor_linux_font quillmoor_scene
  OpenGL::OpenGL)

# What the Linux hosts share: one reading of a command line.
add_library(quillmoor_linux_options STATIC src/host/linux/option_scanner.cpp src/host/linux/frame_delay.cpp)
target_include_directories(quillmoor_linux_options PUBLIC src)
target_link_libraries(quillmoor_linux_options PUBLIC quillmoor_host_text quillmoor_version)
# The stop signals as an event loop's file descriptor, and the end by them.
add_library(quillmoor_linux_signals STATIC src/host/linux/stop_signals.cpp)
target_include_directories(quillmoor_linux_signals PUBLIC src)
# One full-screen saver per session: the lock file named after the session.
add_library(quillmoor_linux_session STATIC src/host/linux/session_lock.cpp)
target_include_directories(quillmoor_linux_session PUBLIC src)
target_link_libraries(quillmoor_linux_session PUBLIC quillmoor_host_text)
# The savers' frame pacing (no OpenGL, unit-tested); what they draw besides
# the scene (the --fps figures); the EGL
# configuration's choice for the hosts that draw through EGL.
add_library(quillmoor_linux_pacer STATIC src/host/linux/frame_pacer.cpp)
target_include_directories(quillmoor_linux_pacer PUBLIC src)
add_library(quillmoor_linux_draw STATIC src/host/linux/fps_overlay.cpp)
target_include_directories(quillmoor_linux_draw PUBLIC src)
target_link_libraries(quillmoor_linux_draw PUBLIC quillmoor_linux_pacer OpenGL::OpenGL PkgConfig::GLU)
add_library(quillmoor_linux_egl STATIC src/host/linux/egl_config.cpp)
target_include_directories(quillmoor_linux_egl PUBLIC src)
target_link_libraries(quillmoor_linux_egl PUBLIC OpenGL::EGL)

# The web page's pieces that need no browser, built here too for the font
# converter and the unit tests: its URL parameters, its frame gate, the baked
# fonts' packing.
add_library(quillmoor_web_core STATIC src/host/web/page_options.cpp src/host/web/frame_gate.cpp
  src/host/web/baked_glyphs.cpp)
target_include_directories(quillmoor_web_core PUBLIC src)
target_link_libraries(quillmoor_web_core PUBLIC quillmoor_host_text quillmoor_host_time quillmoor_glyph_geometry)

# A web page built beside this tree (build/web/quillmoor.html), for its tests
# and the package; empty when there is none.
set(QUILLMOOR_HTML "" CACHE FILEPATH "quillmoor.html of the web build, for its tests and the package")

# The headless host: EGL on Mesa's surfaceless platform; PNG output deflated
# by libdeflate on a second thread.
add_library(quillmoor_headless STATIC
  src/host/headless/background_writer.cpp src/host/headless/egl_context.cpp src/host/headless/frame_output.cpp
  src/host/headless/frame_pixels.cpp src/host/headless/headless_platform.cpp src/host/headless/options.cpp
  src/host/headless/output_name.cpp src/host/headless/output_stream.cpp src/host/headless/png_encoder.cpp
  src/host/headless/progress.cpp src/host/headless/render_session.cpp src/host/headless/replacing_file.cpp
  src/host/headless/state_json.cpp src/host/headless/state_output.cpp)
target_include_directories(quillmoor_headless PUBLIC src)
target_link_libraries(quillmoor_headless PUBLIC quillmoor_scene_setup quillmoor_linux_font quillmoor_host_time
  quillmoor_linux_options quillmoor_linux_egl quillmoor_linux_signals quillmoor_version
  OpenGL::EGL OpenGL::OpenGL PkgConfig::GLU PkgConfig::DEFLATE Threads::Threads)

add_executable(quillmoor-render src/host/headless/main.cpp)
target_link_libraries(quillmoor-render PRIVATE quillmoor_headless)

# The X11 saver: Xlib and GLX; the MIT-SCREEN-SAVER and DPMS extensions tell
# when nobody can see it. Its command line and visual choice make no X
# calls and are unit-tested on their own.
set(QUILLMOOR_X11_CORE_SOURCES src/host/x11/command_line.cpp src/host/x11/visual_choice.cpp)
add_library(quillmoor_x11_core STATIC ${QUILLMOOR_X11_CORE_SOURCES})
target_include_directories(quillmoor_x11_core PUBLIC src)
target_link_libraries(quillmoor_x11_core PUBLIC quillmoor_linux_options quillmoor_linux_pacer)
add_executable(quillmoor src/host/x11/glx_window.cpp src/host/x11/main.cpp src/host/x11/saver_loop.cpp
  src/host/x11/virtual_root.cpp src/host/x11/x11_errors.cpp src/host/x11/x11_platform.cpp
  src/host/x11/x_core_font.cpp)
target_link_libraries(quillmoor PRIVATE quillmoor_x11_core quillmoor_linux_draw quillmoor_scene_setup
  quillmoor_saver_input quillmoor_linux_font quillmoor_host_time quillmoor_linux_signals quillmoor_linux_session quillmoor_version OpenGL::GLX OpenGL::OpenGL
  PkgConfig::GLU X11::X11 X11::Xrandr X11::Xss X11::Xext quillmoor_visibility)

include(cmake/wayland.cmake)
# The web build's OpenGL layer natively, for its tests and benchmark only.
if(QUILLMOOR_TESTS OR QUILLMOOR_BENCH)
  include(cmake/gl11.cmake)
endif()

if(QUILLMOOR_TESTS)
  enable_testing()
  include(tests/tests.cmake)
endif()

if(QUILLMOOR_BENCH)
  find_package(benchmark REQUIRED)
  # Two programs, because the scene calls OpenGL by name: one draws through
  # Mesa in the headless context, the other through an OpenGL that does
  # nothing, which leaves only the scene's own CPU work to measure.
  add_executable(quillmoor_bench_render bench/render_bench.cpp)
  target_link_libraries(quillmoor_bench_render PRIVATE quillmoor_headless benchmark::benchmark)
  add_executable(quillmoor_bench_cpu bench/cpu_bench.cpp bench/bench_scene.cpp bench/null_gl.cpp)
  target_link_libraries(quillmoor_bench_cpu PRIVATE quillmoor_scene_setup benchmark::benchmark)
  # The same frames as the web build's benchmark of the same name (bench/web_page_bench.py).
  add_executable(quillmoor_bench_scene bench/scene_frames.cpp bench/bench_scene.cpp bench/null_gl.cpp)
  target_link_libraries(quillmoor_bench_scene PRIVATE quillmoor_scene_setup)
  # The web build's CPU work natively: the scene through the OpenGL 1.1 layer
  # onto an OpenGL ES 3 that does nothing.
  add_executable(quillmoor_bench_gl11 bench/gl11_bench.cpp bench/null_es3.cpp ${QUILLMOOR_GL11_SOURCES}
    tests/gl11/outline_glyphs_on_layer.cpp)
  target_link_libraries(quillmoor_bench_gl11 PRIVATE quillmoor_scene_setup_gl11 quillmoor_linux_font
    benchmark::benchmark)
  # The scene's frames as whole-process CPU, through the system's OpenGL 1.1
  # and through the layer on the system's OpenGL ES 3: one program each, as
  # both define the gl* names (bench/layer_vs_gl.py compares them).
  add_executable(quillmoor_bench_frames_gl bench/frames_cpu.cpp)
  target_link_libraries(quillmoor_bench_frames_gl PRIVATE quillmoor_headless)
  add_executable(quillmoor_bench_frames_gl11 bench/frames_cpu.cpp tests/gl11/outline_glyphs_on_layer.cpp)
  target_link_libraries(quillmoor_bench_frames_gl11 PRIVATE quillmoor_scene_setup_gl11 quillmoor_gl11
    quillmoor_linux_font quillmoor_linux_egl)
  # Counts the X11 saver's glXSwapBuffers calls for bench/page_vs_saver.py.
  add_library(quillmoor_bench_swap_counter SHARED bench/swap_counter.c)
  target_link_libraries(quillmoor_bench_swap_counter PRIVATE ${CMAKE_DL_LIBS})
endif()

include(cmake/install.cmake)
