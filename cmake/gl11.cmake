# The project's OpenGL 1.1 layer on OpenGL ES 3 (the web build's OpenGL), built
# natively on Mesa's OpenGL ES too, with the scene compiled a second time so
# that its calls land in the layer: the layer's pictures are then compared
# with the desktop OpenGL's without a browser.
pkg_check_modules(GLESV2 REQUIRED IMPORTED_TARGET glesv2)
add_library(quillmoor_gl11 STATIC ${QUILLMOOR_GL11_SOURCES})
target_include_directories(quillmoor_gl11 PUBLIC src)
target_link_libraries(quillmoor_gl11 PUBLIC PkgConfig::GLESV2)

add_library(quillmoor_scene_gl11 STATIC ${QUILLMOOR_SCENE_SOURCES})
target_compile_definitions(quillmoor_scene_gl11 PUBLIC QUILLMOOR_GL11_LAYER)
target_include_directories(quillmoor_scene_gl11 PUBLIC src)
add_library(quillmoor_scene_setup_gl11 STATIC ${QUILLMOOR_SCENE_SETUP_SOURCES})
target_link_libraries(quillmoor_scene_setup_gl11 PUBLIC quillmoor_scene_gl11)
# Linked with quillmoor_gl11 on Mesa, or with the layer's sources on an
# OpenGL ES that does nothing (the layer's benchmark).
