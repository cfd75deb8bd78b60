// The pieces of the Linux outline layer on shapes whose answers are known:
// the code page, curve flattening, filling and extrusion.
#include <gtest/gtest.h>

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <optional>
#include <vector>

#include "host/linux_font/ansi_code_page.h"
#include "host/linux_font/glyph_extrusion.h"
#include "host/linux_font/glyph_tessellation.h"
#include "host/linux_font/outline_flattening.h"

namespace {

// ---- Code page -----------------------------------------------------------------

// The C library's own Windows-1252 table, or nothing for a byte it leaves undefined.
std::optional<char32_t> SystemWindows1252(unsigned char byte) {
  iconv_t cd = iconv_open("UTF-32LE", "WINDOWS-1252");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  char in[1] = {static_cast<char>(byte)};
  unsigned char out[4] = {};
  char* inPtr = in;
  char* outPtr = reinterpret_cast<char*>(out);
  std::size_t inLeft = 1, outLeft = 4;
  const std::size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (done == static_cast<std::size_t>(-1) || outLeft != 0) return std::nullopt;
  return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
}

TEST(AnsiCodePage, AgreesWithTheSystemsWindows1252) {
  ASSERT_NE(iconv_open("UTF-32LE", "WINDOWS-1252"), reinterpret_cast<iconv_t>(-1)) << "no Windows-1252 in iconv";
  int undefined = 0;
  for (unsigned code = 0; code < 256; ++code) {
    const std::optional<char32_t> expected = SystemWindows1252(static_cast<unsigned char>(code));
    if (expected) {
      EXPECT_EQ(AnsiToUnicode(code), *expected) << std::hex << code;
    } else {
      // The five holes of the code page keep their own number.
      ++undefined;
      EXPECT_EQ(AnsiToUnicode(code), code) << std::hex << code;
    }
  }
  EXPECT_EQ(undefined, 5);
  EXPECT_EQ(AnsiToUnicode(0x80), U'\u20AC');
  EXPECT_EQ(AnsiToUnicode(0x2022), U'\u2022');
}

// ---- Flattening -----------------------------------------------------------------

double DistanceToSegment(Point2 p, Point2 a, Point2 b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// The largest distance from the true curve to the chain of chords.
double Deviation(const std::function<Point2(double)>& curve, const std::vector<Point2>& chain) {
  double worst = 0;
  for (int i = 0; i <= 2000; ++i) {
    const Point2 p = curve(i / 2000.0);
    double nearest = INFINITY;
    for (std::size_t k = 0; k + 1 < chain.size(); ++k) nearest = std::min(nearest, DistanceToSegment(p, chain[k], chain[k + 1]));
    worst = std::max(worst, nearest);
  }
  return worst;
}

TEST(Flattening, QuadraticArcsStayWithinTheTolerance) {
  const Point2 arcs[][3] = {{{0, 0}, {500, 900}, {1000, 0}}, {{0, 0}, {1, 1}, {2, 0}}, {{10, 10}, {-300, 40}, {60, 700}}};
  for (const auto& arc : arcs) {
    for (double tolerance : {1.0, 0.25, 5.0}) {
      std::vector<Point2> chain{arc[0]};
      FlattenQuadratic(arc[0], arc[1], arc[2], tolerance, chain);
      EXPECT_EQ(chain.back(), arc[2]);
      const auto curve = [&](double t) {
        const double u = 1 - t;
        return Point2{u * u * arc[0].x + 2 * u * t * arc[1].x + t * t * arc[2].x,
                      u * u * arc[0].y + 2 * u * t * arc[1].y + t * t * arc[2].y};
      };
      EXPECT_LE(Deviation(curve, chain), tolerance) << arc[1].x << " " << tolerance;
    }
  }
}

TEST(Flattening, ChordCountGrowsWithCurvatureOnly) {
  std::vector<Point2> straight;
  FlattenQuadratic({0, 0}, {500, 0}, {1000, 0}, 1.0, straight);
  EXPECT_EQ(straight.size(), 1u);  // a straight arc is one chord

  std::vector<Point2> coarse, fine;
  FlattenQuadratic({0, 0}, {500, 900}, {1000, 0}, 4.0, coarse);
  FlattenQuadratic({0, 0}, {500, 900}, {1000, 0}, 1.0, fine);
  EXPECT_GT(coarse.size(), 4u);
  EXPECT_GT(fine.size(), coarse.size());
  // Not wastefully many: a quarter of the tolerance needs twice the chords.
  EXPECT_LE(fine.size(), 2 * coarse.size() + 1);
}

TEST(Flattening, CubicArcsStayWithinTheTolerance) {
  const Point2 arcs[][4] = {{{0, 0}, {0, 800}, {1000, 800}, {1000, 0}}, {{0, 0}, {1200, 500}, {-200, 500}, {1000, 0}}};
  for (const auto& arc : arcs) {
    std::vector<Point2> chain{arc[0]};
    FlattenCubic(arc[0], arc[1], arc[2], arc[3], 1.0, chain);
    EXPECT_EQ(chain.back(), arc[3]);
    const auto curve = [&](double t) {
      const double u = 1 - t, a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
      return Point2{a * arc[0].x + b * arc[1].x + c * arc[2].x + d * arc[3].x,
                    a * arc[0].y + b * arc[1].y + c * arc[2].y + d * arc[3].y};
    };
    EXPECT_LE(Deviation(curve, chain), 1.0);
  }
}

// ---- Filling --------------------------------------------------------------------

Contour Square(double x0, double y0, double size, bool clockwise) {
  Contour c{{x0, y0}, {x0 + size, y0}, {x0 + size, y0 + size}, {x0, y0 + size}};
  if (clockwise) std::reverse(c.begin(), c.end());
  return c;
}

double FilledArea(const std::vector<Triangle2>& triangles) {
  double area = 0;
  for (const Triangle2& t : triangles) {
    const double twice = TwiceSignedArea(t.a, t.b, t.c);
    EXPECT_GT(twice, 0) << "every triangle counter-clockwise";
    area += twice / 2;
  }
  return area;
}

TEST(Tessellation, FillsByTheWindingRule) {
  struct Case {
    const char* name;
    std::vector<Contour> contours;
    FillRule rule;
    double area;
  };
  const Case cases[] = {
      // A TrueType ring: outer clockwise, hole counter-clockwise.
      {"ring, non-zero", {Square(0, 0, 10, true), Square(3, 3, 4, false)}, FillRule::NonZero, 100 - 16},
      // Both the same way round: non-zero fills the hole, even-odd leaves it.
      {"nested alike, non-zero", {Square(0, 0, 10, true), Square(3, 3, 4, true)}, FillRule::NonZero, 100},
      {"nested alike, even-odd", {Square(0, 0, 10, true), Square(3, 3, 4, true)}, FillRule::EvenOdd, 100 - 16},
      // Overlapping contours meet in new vertices; non-zero fills the union.
      {"overlap, non-zero", {Square(0, 0, 10, true), Square(5, 5, 10, true)}, FillRule::NonZero, 175},
      {"overlap, even-odd", {Square(0, 0, 10, true), Square(5, 5, 10, true)}, FillRule::EvenOdd, 150},
  };
  for (const Case& c : cases) {
    std::vector<Triangle2> triangles;
    ASSERT_TRUE(TessellateContours(c.contours, c.rule, triangles)) << c.name;
    EXPECT_NEAR(FilledArea(triangles), c.area, 1e-9) << c.name;
  }
}

TEST(Tessellation, NothingToFillGivesNoTriangles) {
  std::vector<Triangle2> triangles;
  EXPECT_TRUE(TessellateContours({}, FillRule::NonZero, triangles));
  EXPECT_TRUE(triangles.empty());
}

// ---- Extrusion ------------------------------------------------------------------

// The geometric normal of a triangle from its winding.
std::array<double, 3> WindingNormal(const MeshTriangle& t) {
  const float* a = t.Vertices[0];
  const float* b = t.Vertices[1];
  const float* c = t.Vertices[2];
  const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
}

TEST(Extrusion, SquareGetsFacesAndOutwardWallsWhicheverWayItRuns) {
  // The same unit square as TrueType draws it (clockwise, ink on the right)
  // and as PostScript does (counter-clockwise, ink on the left).
  for (InkSide ink : {InkSide::RightOfTravel, InkSide::LeftOfTravel}) {
    const std::vector<Contour> contours = {Square(0, 0, 1, ink == InkSide::RightOfTravel)};
    std::vector<Triangle2> fill;
    ASSERT_TRUE(TessellateContours(contours, FillRule::NonZero, fill));
    const GlyphMesh mesh = ExtrudeGlyph(contours, fill, 0.25, ink);
    ASSERT_EQ(mesh.Triangles.size(), 2 + 2 + 8u);

    int front = 0, back = 0, walls = 0;
    for (const MeshTriangle& t : mesh.Triangles) {
      const auto winding = WindingNormal(t);
      // The winding faces the way the normal points.
      EXPECT_GT(winding[0] * t.Normal[0] + winding[1] * t.Normal[1] + winding[2] * t.Normal[2], 0);
      EXPECT_FLOAT_EQ(std::hypot(t.Normal[0], t.Normal[1], t.Normal[2]), 1.0f);
      if (t.Normal[2] == 1) {
        ++front;
        for (const float* v : t.Vertices) EXPECT_EQ(v[2], 0.0f);
      } else if (t.Normal[2] == -1) {
        ++back;
        for (const float* v : t.Vertices) EXPECT_EQ(v[2], -0.25f);
      } else {
        ++walls;
        EXPECT_EQ(t.Normal[2], 0.0f);
        // Outward: from the wall's middle, the normal leads away from the square's centre.
        double mx = 0, my = 0;
        for (const float* v : t.Vertices) mx += v[0] / 3, my += v[1] / 3;
        EXPECT_GT((mx - 0.5) * t.Normal[0] + (my - 0.5) * t.Normal[1], 0);
      }
    }
    EXPECT_EQ(front, 2);
    EXPECT_EQ(back, 2);
    EXPECT_EQ(walls, 8);
  }
}

TEST(Extrusion, NoDepthLeavesTheFrontFaceAlone) {
  const std::vector<Contour> contours = {Square(0, 0, 1, true)};
  std::vector<Triangle2> fill;
  ASSERT_TRUE(TessellateContours(contours, FillRule::NonZero, fill));
  const GlyphMesh mesh = ExtrudeGlyph(contours, fill, 0, InkSide::RightOfTravel);
  ASSERT_EQ(mesh.Triangles.size(), 2u);
  for (const MeshTriangle& t : mesh.Triangles) EXPECT_EQ(t.Normal[2], 1.0f);
}

}  // namespace
