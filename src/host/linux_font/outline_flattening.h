// Glyph outlines as polygons: FreeType's contours of lines and quadratic or
// cubic Bezier arcs, each arc cut into chords that stay within a chordal
// deviation of the true curve.
#pragma once

#include <ft2build.h>
#include FT_OUTLINE_H

#include <vector>

#include "host/glyph_geometry/glyph_geometry.h"

// Append the points of the arc after p0, ending with its last control point,
// in as few equal parameter steps as keep every chord within `tolerance` of
// the curve.
void FlattenQuadratic(Point2 p0, Point2 p1, Point2 p2, double tolerance, std::vector<Point2>& out);
void FlattenCubic(Point2 p0, Point2 p1, Point2 p2, Point2 p3, double tolerance, std::vector<Point2>& out);

// The contours of `outline` flattened within `tolerance` (both in the
// outline's units), then multiplied by `scale`. Repeated points are dropped,
// and so are contours left with fewer than three. False when FreeType cannot
// walk the outline.
bool FlattenOutline(const FT_Outline& outline, double tolerance, double scale, std::vector<Contour>& contours);
