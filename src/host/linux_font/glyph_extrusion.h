// The solid glyph: the filled outline as a front face at z = 0 (normal +z)
// and a back face at z = -extrusion (normal -z), joined along every contour
// by side walls whose normals point away from the ink.
#pragma once

#include <vector>

#include "host/glyph_geometry/glyph_geometry.h"

// With no extrusion the glyph is flat: the front face alone.
GlyphMesh ExtrudeGlyph(const std::vector<Contour>& contours, const std::vector<Triangle2>& fill, double extrusion,
                       InkSide ink);
