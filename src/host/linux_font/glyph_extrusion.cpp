#include "host/linux_font/glyph_extrusion.h"

#include <cmath>

namespace {

struct Point3 {
  double x, y, z;
};

MeshTriangle MakeTriangle(const float (&normal)[3], const Point3& a, const Point3& b, const Point3& c) {
  MeshTriangle t{};
  for (int i = 0; i < 3; ++i) t.Normal[i] = normal[i];
  const Point3* corners[3] = {&a, &b, &c};
  for (int i = 0; i < 3; ++i) {
    t.Vertices[i][0] = static_cast<float>(corners[i]->x);
    t.Vertices[i][1] = static_cast<float>(corners[i]->y);
    t.Vertices[i][2] = static_cast<float>(corners[i]->z);
  }
  return t;
}

// The two triangles of the wall under the edge p -> q, facing away from the ink.
void AddWall(const Point2& p, const Point2& q, double back, InkSide ink, std::vector<MeshTriangle>& out) {
  const double dx = q.x - p.x, dy = q.y - p.y;
  const double length = std::sqrt(dx * dx + dy * dy);
  if (!(length > 0)) return;
  // Ink on the right of the direction of travel puts the outside on the left.
  const bool outsideOnLeft = ink == InkSide::RightOfTravel;
  const double nx = (outsideOnLeft ? -dy : dy) / length, ny = (outsideOnLeft ? dx : -dx) / length;
  const float normal[3] = {static_cast<float>(nx), static_cast<float>(ny), 0.0f};

  const Point3 p0{p.x, p.y, 0}, q0{q.x, q.y, 0}, q1{q.x, q.y, back}, p1{p.x, p.y, back};
  // (p0, q0, q1) turns counter-clockwise seen from the left of p -> q.
  if (outsideOnLeft) {
    out.push_back(MakeTriangle(normal, p0, q0, q1));
    out.push_back(MakeTriangle(normal, p0, q1, p1));
  } else {
    out.push_back(MakeTriangle(normal, p0, q1, q0));
    out.push_back(MakeTriangle(normal, p0, p1, q1));
  }
}

}  // namespace

GlyphMesh ExtrudeGlyph(const std::vector<Contour>& contours, const std::vector<Triangle2>& fill, double extrusion,
                       InkSide ink) {
  GlyphMesh mesh;
  const bool solid = extrusion > 0;
  const double back = -extrusion;

  std::size_t walls = 0;
  for (const Contour& contour : contours) walls += contour.size();
  mesh.Triangles.reserve(fill.size() * (solid ? 2 : 1) + (solid ? 2 * walls : 0));

  constexpr float Front[3] = {0.0f, 0.0f, 1.0f};
  for (const Triangle2& t : fill)
    mesh.Triangles.push_back(MakeTriangle(Front, {t.a.x, t.a.y, 0}, {t.b.x, t.b.y, 0}, {t.c.x, t.c.y, 0}));
  if (!solid) return mesh;

  // The back face is the front seen from behind: the same triangles, turned over.
  constexpr float Back[3] = {0.0f, 0.0f, -1.0f};
  for (const Triangle2& t : fill)
    mesh.Triangles.push_back(MakeTriangle(Back, {t.a.x, t.a.y, back}, {t.c.x, t.c.y, back}, {t.b.x, t.b.y, back}));

  for (const Contour& contour : contours)
    for (std::size_t i = 0; i < contour.size(); ++i)
      AddWall(contour[i], contour[(i + 1) % contour.size()], back, ink, mesh.Triangles);
  return mesh;
}
