// Filling a glyph's flattened contours with triangles through the GLU
// tessellator, which resolves holes, overlaps and crossings by the font's
// winding rule.
#pragma once

#include <vector>

#include "host/glyph_geometry/glyph_geometry.h"

// Appends the triangles that fill `contours` by `rule` to `triangles`, each
// counter-clockwise seen from +z. False when the tessellator reports an error.
bool TessellateContours(const std::vector<Contour>& contours, FillRule rule, std::vector<Triangle2>& triangles);

// Twice the signed area: positive when a, b, c turn counter-clockwise.
double TwiceSignedArea(const Point2& a, const Point2& b, const Point2& c);
