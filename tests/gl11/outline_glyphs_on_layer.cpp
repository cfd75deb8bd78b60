// The Linux outline glyphs with their display lists (glyph_list.cpp) compiled into the OpenGL
// 1.1 layer instead of the desktop OpenGL (the rest of the font code, which
// makes no OpenGL calls, comes from its library as it is).
#define QUILLMOOR_GL11_LAYER 1
#include "host/glyph_geometry/glyph_list.cpp"
#include "host/linux_font/outline_glyphs.cpp"
