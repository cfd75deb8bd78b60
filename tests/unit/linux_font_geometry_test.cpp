// The pieces of the Linux outline layer on shapes whose answers are known:
// the code page, curve flattening, filling and extrusion.
#include <gtest/gtest.h>

#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "host/linux_font/ansi_code_page.h"
#include "host/linux_font/glyph_extrusion.h"
#include "host/linux_font/glyph_tessellation.h"
#include "host/linux_font/outline_flattening.h"

namespace {

TEST(AnsiCodePage, AgreesWithTheSystemsWindows1252) {
  iconv_t cd = iconv_open("UTF-32LE", "WINDOWS-1252");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1)) << "no Windows-1252 in iconv";
  int holes = 0;
  for (unsigned code = 0; code < 256; ++code) {
    char in[1] = {static_cast<char>(code)};
    unsigned char out[4] = {};
    char *inPtr = in, *outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = 1, outLeft = 4;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
      // The five holes of the code page keep their own number.
      ++holes;
      EXPECT_EQ(AnsiToUnicode(code), code) << std::hex << code;
    } else {
      EXPECT_EQ(AnsiToUnicode(code), char32_t(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24)) << std::hex << code;
    }
  }
  iconv_close(cd);
  EXPECT_EQ(holes, 5);
}

double DistanceToChain(Point2 p, const std::vector<Point2>& chain) {
  double nearest = INFINITY;
  for (std::size_t k = 0; k + 1 < chain.size(); ++k) {
    const Point2 a = chain[k], b = chain[k + 1];
    const double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
    const double t = std::clamp(length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0.0, 0.0, 1.0);
    nearest = std::min(nearest, std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy));
  }
  return nearest;
}

// Every point of the true curve lies within the tolerance of the chords.
void ExpectWithin(const std::function<Point2(double)>& curve, const std::vector<Point2>& chain, double tolerance) {
  EXPECT_EQ(chain.back(), curve(1));
  for (int i = 0; i <= 1000; ++i) ASSERT_LE(DistanceToChain(curve(i / 1000.0), chain), tolerance) << i;
}

TEST(Flattening, ArcsStayWithinTheToleranceInFewChords) {
  const Point2 q[3] = {{0, 0}, {500, 900}, {1000, 0}};
  const auto quadratic = [&](double t) {
    const double u = 1 - t;
    return Point2{u * u * q[0].x + 2 * u * t * q[1].x + t * t * q[2].x, u * u * q[0].y + 2 * u * t * q[1].y + t * t * q[2].y};
  };
  std::vector<Point2> coarse{q[0]}, fine{q[0]};
  FlattenQuadratic(q[0], q[1], q[2], 4.0, coarse);
  FlattenQuadratic(q[0], q[1], q[2], 1.0, fine);
  ExpectWithin(quadratic, coarse, 4.0);
  ExpectWithin(quadratic, fine, 1.0);
  // A quarter of the tolerance takes twice the chords, no more.
  EXPECT_GT(coarse.size(), 5u);
  EXPECT_LE(fine.size(), 2 * coarse.size());
  std::vector<Point2> straight;
  FlattenQuadratic({0, 0}, {500, 0}, {1000, 0}, 1.0, straight);
  EXPECT_EQ(straight.size(), 1u);

  const Point2 c[4] = {{0, 0}, {1200, 500}, {-200, 500}, {1000, 0}};
  const auto cubic = [&](double t) {
    const double u = 1 - t, a = u * u * u, b = 3 * u * u * t, d = 3 * u * t * t, e = t * t * t;
    return Point2{a * c[0].x + b * c[1].x + d * c[2].x + e * c[3].x, a * c[0].y + b * c[1].y + d * c[2].y + e * c[3].y};
  };
  std::vector<Point2> chain{c[0]};
  FlattenCubic(c[0], c[1], c[2], c[3], 1.0, chain);
  ExpectWithin(cubic, chain, 1.0);
}

Contour Square(double x0, double y0, double size, bool clockwise) {
  Contour c{{x0, y0}, {x0 + size, y0}, {x0 + size, y0 + size}, {x0, y0 + size}};
  if (clockwise) std::reverse(c.begin(), c.end());
  return c;
}

TEST(Tessellation, FillsByTheWindingRuleWithCounterClockwiseTriangles) {
  struct Case {
    const char* name;
    std::vector<Contour> contours;
    FillRule rule;
    double area;
  };
  const Case cases[] = {
      {"TrueType ring", {Square(0, 0, 10, true), Square(3, 3, 4, false)}, FillRule::NonZero, 100 - 16},
      {"nested alike, non-zero", {Square(0, 0, 10, true), Square(3, 3, 4, true)}, FillRule::NonZero, 100},
      {"nested alike, even-odd", {Square(0, 0, 10, true), Square(3, 3, 4, true)}, FillRule::EvenOdd, 100 - 16},
      // Crossing contours need new vertices where they meet.
      {"overlap, non-zero", {Square(0, 0, 10, true), Square(5, 5, 10, true)}, FillRule::NonZero, 175},
      {"overlap, even-odd", {Square(0, 0, 10, true), Square(5, 5, 10, true)}, FillRule::EvenOdd, 150},
      {"nothing", {}, FillRule::NonZero, 0},
  };
  for (const Case& c : cases) {
    std::vector<Triangle2> triangles;
    ASSERT_TRUE(TessellateContours(c.contours, c.rule, triangles)) << c.name;
    double area = 0;
    for (const Triangle2& t : triangles) {
      EXPECT_GT(TwiceSignedArea(t.a, t.b, t.c), 0) << c.name;
      area += TwiceSignedArea(t.a, t.b, t.c) / 2;
    }
    EXPECT_NEAR(area, c.area, 1e-9) << c.name;
  }
}

TEST(Extrusion, SquareGetsFacesAndOutwardWallsWhicheverWayItRuns) {
  // TrueType draws it clockwise with the ink on the right, PostScript the other way.
  for (InkSide ink : {InkSide::RightOfTravel, InkSide::LeftOfTravel}) {
    const std::vector<Contour> contours = {Square(0, 0, 1, ink == InkSide::RightOfTravel)};
    std::vector<Triangle2> fill;
    ASSERT_TRUE(TessellateContours(contours, FillRule::NonZero, fill));
    EXPECT_EQ(ExtrudeGlyph(contours, fill, 0, ink).Triangles.size(), 2u);  // flat: front face only
    const GlyphMesh mesh = ExtrudeGlyph(contours, fill, 0.25, ink);
    int front = 0, back = 0, walls = 0;
    for (const MeshTriangle& t : mesh.Triangles) {
      const float *a = t.Vertices[0], *b = t.Vertices[1], *c = t.Vertices[2];
      const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
      const double winding[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
      // The winding faces the way the unit normal points.
      EXPECT_GT(winding[0] * t.Normal[0] + winding[1] * t.Normal[1] + winding[2] * t.Normal[2], 0);
      EXPECT_FLOAT_EQ(std::hypot(t.Normal[0], t.Normal[1], t.Normal[2]), 1.0f);
      const float z = t.Normal[2] == 1 ? 0.0f : t.Normal[2] == -1 ? -0.25f : NAN;
      if (!std::isnan(z)) {
        (z == 0 ? front : back)++;
        for (const float* p : t.Vertices) EXPECT_EQ(p[2], z);
      } else {
        ++walls;
        // From the wall's middle the normal leads away from the square's centre.
        EXPECT_GT(((a[0] + b[0] + c[0]) / 3 - 0.5) * t.Normal[0] + ((a[1] + b[1] + c[1]) / 3 - 0.5) * t.Normal[1], 0);
      }
    }
    EXPECT_EQ(front, 2);
    EXPECT_EQ(back, 2);
    EXPECT_EQ(walls, 8);
  }
}

}  // namespace
