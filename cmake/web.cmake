# The web page, build/web/quillmoor.html: the scene and the web host compiled
# to WebAssembly by emscripten, drawn through the project's own OpenGL 1.1 on
# WebGL 2 (src/gl11), and put into one self-contained HTML file
# (the WebAssembly and JavaScript embedded) that works from file:// and over
# HTTP without any network. No emscripten port and none of its legacy GL
# emulation is used.
#
# The outline fonts are converted at build time by quillmoor-bake-glyphs, a
# tool of the native build (the browser has neither the fonts nor the
# tessellator); QUILLMOOR_GLYPH_BAKER names it. scripts/build.sh web builds
# it first.
set(QUILLMOOR_GLYPH_BAKER "${CMAKE_SOURCE_DIR}/build/linux/quillmoor-bake-glyphs" CACHE FILEPATH
  "quillmoor-bake-glyphs of a native build, which converts the fonts for the page")
if(NOT EXISTS "${QUILLMOOR_GLYPH_BAKER}")
  message(FATAL_ERROR "The web build converts its fonts with the native tool quillmoor-bake-glyphs, "
    "not found at ${QUILLMOOR_GLYPH_BAKER}: build it first (cmake --build build/linux --target "
    "quillmoor-bake-glyphs), or run scripts/build.sh web, which does both")
endif()

set(QUILLMOOR_BAKED_GLYPHS ${CMAKE_BINARY_DIR}/generated/baked_glyph_data.cpp)
add_custom_command(OUTPUT ${QUILLMOOR_BAKED_GLYPHS}
  COMMAND "${QUILLMOOR_GLYPH_BAKER}" ${QUILLMOOR_BAKED_GLYPHS}
  DEPENDS "${QUILLMOOR_GLYPH_BAKER}"
  COMMENT "Converting the outline fonts for the web page" VERBATIM)

add_library(quillmoor_gl11 STATIC ${QUILLMOOR_GL11_SOURCES})
target_include_directories(quillmoor_gl11 PUBLIC src)

set(QUILLMOOR_WEB_SHELL ${CMAKE_SOURCE_DIR}/src/host/web/shell.html)
add_executable(quillmoor src/host/web/baked_glyphs.cpp src/host/web/frame_gate.cpp src/host/web/main.cpp
  src/host/web/page_options.cpp src/host/web/web_platform.cpp ${QUILLMOOR_BAKED_GLYPHS})
set_target_properties(quillmoor PROPERTIES SUFFIX ".html")
target_include_directories(quillmoor PRIVATE src)
# Shared with the Linux hosts: the local clock (the C library asks the
# browser), the calendar arithmetic and step reading, one glyph's display list.
target_link_libraries(quillmoor PRIVATE quillmoor_scene_setup quillmoor_host_text quillmoor_host_time
  quillmoor_glyph_geometry
  quillmoor_gl11)
target_link_options(quillmoor PRIVATE
  -sSINGLE_FILE=1 -sMINIFY_HTML=0 -sENVIRONMENT=web
  -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
  -sINITIAL_MEMORY=67108864 -sALLOW_MEMORY_GROWTH=1
  --shell-file ${QUILLMOOR_WEB_SHELL})
set_property(TARGET quillmoor APPEND PROPERTY LINK_DEPENDS ${QUILLMOOR_WEB_SHELL})
add_custom_command(TARGET quillmoor POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:quillmoor> -P ${CMAKE_SOURCE_DIR}/cmake/print_file_size.cmake
  VERBATIM)

# The scene's CPU per frame in WebAssembly over an OpenGL that does nothing,
# run by Node.js (bench/web_page_bench.py); the native build has the same
# program. The WebAssembly goes inside the .js: this emscripten's loader
# cannot read a file beside it with a Node.js that has fetch().
add_executable(quillmoor_bench_scene bench/scene_frames.cpp bench/bench_scene.cpp bench/null_gl.cpp)
target_link_libraries(quillmoor_bench_scene PRIVATE quillmoor_scene_setup)
target_link_options(quillmoor_bench_scene PRIVATE -sENVIRONMENT=node -sINITIAL_MEMORY=67108864
  -sALLOW_MEMORY_GROWTH=1 -sSINGLE_FILE=1)
