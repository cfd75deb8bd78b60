#include "host/linux_font/glyph_tessellation.h"

#include <array>
#include <deque>
#include <memory>

#include "base/opengl.h"

namespace {

using Coordinates = std::array<GLdouble, 3>;

// What the tessellator's callbacks share for one polygon.
struct Tessellation {
  std::vector<Triangle2>* triangles = nullptr;
  GLenum primitive = GL_TRIANGLES;
  std::vector<const GLdouble*> vertices;  // of the primitive being delivered
  std::deque<Coordinates> created;        // intersections made by the combine callback
  bool failed = false;

  void Emit(const GLdouble* a, const GLdouble* b, const GLdouble* c) {
    Triangle2 t{{a[0], a[1]}, {b[0], b[1]}, {c[0], c[1]}};
    const double area = TwiceSignedArea(t.a, t.b, t.c);
    if (area == 0) return;  // a sliver the fill does not need
    if (area < 0) std::swap(t.b, t.c);
    triangles->push_back(t);
  }

  // The tessellator hands out fans, strips and separate triangles; all of
  // them become separate triangles.
  void Finish() {
    const std::size_t n = vertices.size();
    if (primitive == GL_TRIANGLES) {
      for (std::size_t i = 0; i + 2 < n; i += 3) Emit(vertices[i], vertices[i + 1], vertices[i + 2]);
    } else if (primitive == GL_TRIANGLE_FAN) {
      for (std::size_t i = 1; i + 1 < n; ++i) Emit(vertices[0], vertices[i], vertices[i + 1]);
    } else if (primitive == GL_TRIANGLE_STRIP) {
      for (std::size_t i = 0; i + 2 < n; ++i) {
        if (i % 2 == 0)
          Emit(vertices[i], vertices[i + 1], vertices[i + 2]);
        else
          Emit(vertices[i + 1], vertices[i], vertices[i + 2]);
      }
    }
    vertices.clear();
  }
};

void GLAPIENTRY OnBegin(GLenum primitive, void* data) {
  auto& t = *static_cast<Tessellation*>(data);
  t.primitive = primitive;
  t.vertices.clear();
}

void GLAPIENTRY OnVertex(void* vertex, void* data) {
  static_cast<Tessellation*>(data)->vertices.push_back(static_cast<const GLdouble*>(vertex));
}

void GLAPIENTRY OnEnd(void* data) { static_cast<Tessellation*>(data)->Finish(); }

// Where contours cross, the tessellator asks for a new vertex at the crossing.
void GLAPIENTRY OnCombine(GLdouble coords[3], void* /*neighbours*/[4], GLfloat /*weights*/[4], void** out,
                          void* data) {
  auto& t = *static_cast<Tessellation*>(data);
  t.created.push_back({coords[0], coords[1], coords[2]});
  *out = t.created.back().data();
}

void GLAPIENTRY OnError(GLenum, void* data) { static_cast<Tessellation*>(data)->failed = true; }

struct TessDeleter {
  void operator()(GLUtesselator* tess) const { gluDeleteTess(tess); }
};

template <typename Callback>
void SetCallback(GLUtesselator* tess, GLenum which, Callback callback) {
  gluTessCallback(tess, which, reinterpret_cast<_GLUfuncptr>(callback));
}

}  // namespace

double TwiceSignedArea(const Point2& a, const Point2& b, const Point2& c) {
  return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

bool TessellateContours(const std::vector<Contour>& contours, FillRule rule, std::vector<Triangle2>& triangles) {
  std::unique_ptr<GLUtesselator, TessDeleter> tess(gluNewTess());
  if (!tess) return false;

  // The tessellator keeps pointers to the input until the polygon ends: all
  // points go into one array that does not move.
  std::size_t total = 0;
  for (const Contour& contour : contours) total += contour.size();
  std::vector<Coordinates> points;
  points.reserve(total);

  Tessellation t;
  t.triangles = &triangles;

  SetCallback(tess.get(), GLU_TESS_BEGIN_DATA, &OnBegin);
  SetCallback(tess.get(), GLU_TESS_VERTEX_DATA, &OnVertex);
  SetCallback(tess.get(), GLU_TESS_END_DATA, &OnEnd);
  SetCallback(tess.get(), GLU_TESS_COMBINE_DATA, &OnCombine);
  SetCallback(tess.get(), GLU_TESS_ERROR_DATA, &OnError);
  gluTessProperty(tess.get(), GLU_TESS_WINDING_RULE,
                  rule == FillRule::EvenOdd ? GLU_TESS_WINDING_ODD : GLU_TESS_WINDING_NONZERO);
  gluTessNormal(tess.get(), 0, 0, 1);

  gluTessBeginPolygon(tess.get(), &t);
  for (const Contour& contour : contours) {
    gluTessBeginContour(tess.get());
    for (const Point2& p : contour) {
      points.push_back({p.x, p.y, 0});
      gluTessVertex(tess.get(), points.back().data(), points.back().data());
    }
    gluTessEndContour(tess.get());
  }
  gluTessEndPolygon(tess.get());
  return !t.failed;
}
