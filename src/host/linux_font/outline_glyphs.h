// Extruded outline glyphs on Linux, with the contract of the Windows outline
// conversion: fontconfig resolves the face (bold), FreeType gives the outlines
// and advances, the GLU tessellator fills the faces.
#pragma once

#include "frame/platform.h"

// Builds display lists listBase + k for codes k = first .. first + count - 1 and
// fills metrics[k - first]. Needs a current OpenGL context. Returns non-zero on
// success.
int UseFontOutlinesLinux(const char* face, unsigned first, unsigned count, unsigned listBase,
                         float extrusion, GlyphMetricsFloat* metrics);
