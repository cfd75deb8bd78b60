// The shapes the outline layer passes from one step to the next: flattened
// contours in em units, the triangles that fill them, and the extruded mesh
// that one glyph's display list draws.
#pragma once

#include <vector>

struct Point2 {
  double x = 0, y = 0;
  bool operator==(const Point2&) const = default;
};

// One closed contour, its last point joined back to the first (which is not repeated).
using Contour = std::vector<Point2>;

// Which points a set of contours fills: TrueType and CFF outlines fill by the
// non-zero winding rule, a few older formats by the even-odd rule.
enum class FillRule { NonZero, EvenOdd };

// On which side of a contour's direction of travel the ink lies: TrueType
// draws outer contours clockwise (ink on the right), PostScript the other way.
enum class InkSide { RightOfTravel, LeftOfTravel };

struct Triangle2 {
  Point2 a, b, c;
};

// A lit triangle of the mesh: one normal for the whole face, vertices
// counter-clockwise when seen from the side the normal points to.
struct MeshTriangle {
  float Normal[3];
  float Vertices[3][3];
};

struct GlyphMesh {
  std::vector<MeshTriangle> Triangles;
};
