// One glyph's display list, as the outline conversion makes it: the solid
// mesh as lit triangles, then the move to where the next glyph starts.
#pragma once

#include <cstddef>

#include "base/opengl.h"
#include "frame/platform.h"
#include "host/glyph_geometry/glyph_geometry.h"

// Compiles list `list`: one glBegin/glEnd of the triangles (a normal given
// only where it changes), then a translation by the glyph's cell increment.
// A glyph without triangles (the space) is the translation alone.
void CompileGlyphList(GLuint list, const MeshTriangle* triangles, std::size_t count, const GlyphMetricsFloat& metrics);
