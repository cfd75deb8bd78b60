// The Linux outline layer on the installed fonts, compiling into the
// recording OpenGL: the glyph lists and metrics the saver's two faces get.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cmath>
#include <filesystem>
#include <map>
#include <vector>

#include "host/linux_font/freetype_face.h"
#include "host/linux_font/glyph_extrusion.h"
#include "host/linux_font/glyph_tessellation.h"
#include "host/linux_font/outline_glyphs.h"
#include "recording_gl.h"

namespace {

constexpr unsigned ListBase = 1;

// One glyph list as the recording OpenGL kept it, read back into triangles.
struct GlyphList {
  struct Triangle {
    std::array<double, 3> normal;
    std::array<std::array<double, 3>, 3> v;
  };
  std::vector<Triangle> triangles;
  std::vector<std::string> names;  // every call, in order
  rgl::Call last;                  // the list's final call
  bool wellFormed = true;          // one GL_TRIANGLES bracket, vertices in threes

  std::vector<Triangle> Facing(double nz) const {
    std::vector<Triangle> found;
    for (const Triangle& t : triangles)
      if (t.normal[2] == nz) found.push_back(t);
    return found;
  }
};

GlyphList ReadList(const std::vector<rgl::Call>& calls) {
  GlyphList list;
  std::array<double, 3> normal{0, 0, 1};
  std::vector<std::array<double, 3>> pending;
  int brackets = 0;
  for (const rgl::Call& c : calls) {
    list.names.push_back(c.name);
    if (c.name == "glBegin") {
      ++brackets;
      if (c[0] != GL_TRIANGLES) list.wellFormed = false;
    } else if (c.name == "glNormal3fv") {
      normal = {c[0], c[1], c[2]};
    } else if (c.name == "glVertex3fv") {
      pending.push_back({c[0], c[1], c[2]});
      if (pending.size() == 3) {
        list.triangles.push_back({normal, {pending[0], pending[1], pending[2]}});
        pending.clear();
      }
    }
  }
  if (!pending.empty() || brackets > 1) list.wellFormed = false;
  if (!calls.empty()) list.last = calls.back();
  return list;
}

double TwiceArea2D(const GlyphList::Triangle& t) {
  return (t.v[1][0] - t.v[0][0]) * (t.v[2][1] - t.v[0][1]) - (t.v[1][1] - t.v[0][1]) * (t.v[2][0] - t.v[0][0]);
}

double Area(const std::vector<GlyphList::Triangle>& triangles) {
  double area = 0;
  for (const auto& t : triangles) area += std::fabs(TwiceArea2D(t)) / 2;
  return area;
}

bool Inside(const std::vector<GlyphList::Triangle>& face, double x, double y) {
  for (const auto& t : face) {
    const auto side = [&](int i, int j) {
      return (t.v[j][0] - t.v[i][0]) * (y - t.v[i][1]) - (t.v[j][1] - t.v[i][1]) * (x - t.v[i][0]);
    };
    const double a = side(0, 1), b = side(1, 2), c = side(2, 0);
    if ((a >= 0 && b >= 0 && c >= 0) || (a <= 0 && b <= 0 && c <= 0)) return true;
  }
  return false;
}

// A face built once for all tests: the layer compiles 255 lists into the
// recording OpenGL, and the tests read them back.
struct BuiltFont {
  int result = 0;
  GlyphMetricsFloat metrics[256]{};
  std::map<GLuint, std::vector<rgl::Call>> lists;
  std::vector<rgl::Call> newLists;
  std::vector<std::string> errors;

  GlyphList List(unsigned code) const {
    auto found = lists.find(ListBase + code);
    return found == lists.end() ? GlyphList{} : ReadList(found->second);
  }
};

BuiltFont Build(const char* face, float extrusion) {
  rgl::Reset();
  BuiltFont font;
  font.result = UseFontOutlinesLinux(face, 0, 255, ListBase, extrusion, font.metrics);
  font.lists = rgl::Current().lists;
  font.newLists = rgl::CallsNamed("glNewList");
  font.errors = rgl::Current().errors;
  rgl::Reset();
  return font;
}

const BuiltFont& SaverFace() {
  static const BuiltFont font = Build("Tahoma", 0.1f);
  return font;
}

const BuiltFont& PreviewFace() {
  static const BuiltFont font = Build("Arial", 0.2f);
  return font;
}

bool Printable(unsigned code) { return (code >= 0x21 && code <= 0x7E) || code >= 0xA1; }

TEST(FontResolution, BothFacesResolveToABoldOutlineFont) {
  for (const char* face : {"Tahoma", "Arial"}) {
    const std::optional<ResolvedFont> font = ResolveBoldFace(face);
    ASSERT_TRUE(font) << face;
    EXPECT_TRUE(std::filesystem::exists(font->File)) << font->File;
    RecordProperty(face, font->File);

    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face ft = nullptr;
    ASSERT_EQ(FT_New_Face(library, font->File.c_str(), font->Index, &ft), 0) << font->File;
    EXPECT_TRUE(FT_IS_SCALABLE(ft));
    // Bold of its own, or to be thickened.
    EXPECT_TRUE((ft->style_flags & FT_STYLE_FLAG_BOLD) || font->Embolden) << font->File;
    FT_Done_Face(ft);
    FT_Done_FreeType(library);
  }
  EXPECT_FALSE(ResolveBoldFace(nullptr));
}

TEST(OutlineGlyphs, ConvertsEveryCodeIntoItsOwnList) {
  const BuiltFont& font = SaverFace();
  ASSERT_EQ(font.result, 1);
  ASSERT_EQ(font.newLists.size(), 255u);
  for (unsigned k = 0; k < 255; ++k) {
    EXPECT_EQ(font.newLists[k][0], ListBase + k);
    EXPECT_EQ(font.newLists[k][1], GL_COMPILE);
  }
  EXPECT_EQ(font.lists.count(ListBase + 255), 0u);
  EXPECT_TRUE(font.errors.empty());
}

TEST(OutlineGlyphs, MetricsAreInEmUnits) {
  const BuiltFont& font = SaverFace();
  ASSERT_EQ(font.result, 1);
  for (unsigned char c : {'H', 'A', 'g', 'x', '0', 'W', 'i'}) {
    const GlyphMetricsFloat& m = font.metrics[c];
    SCOPED_TRACE(std::string(1, static_cast<char>(c)));
    EXPECT_GT(m.BlackBoxX, 0.05f);
    EXPECT_LT(m.BlackBoxX, 1.2f);
    EXPECT_GT(m.BlackBoxY, 0.3f);
    EXPECT_LT(m.BlackBoxY, 1.0f);
    EXPECT_GT(m.CellIncX, 0.25f);
    EXPECT_LT(m.CellIncX, 1.2f);
    EXPECT_EQ(m.CellIncY, 0.0f);
    EXPECT_GE(m.OriginX, -0.1f);
    EXPECT_LT(m.OriginX + m.BlackBoxX, m.CellIncX + 0.1f);
  }
  // Capitals stand about three quarters of the em above the baseline; 'x'
  // lower, and 'g' reaches below.
  EXPECT_NEAR(font.metrics['H'].OriginY, 0.73f, 0.08f);
  EXPECT_NEAR(font.metrics['H'].BlackBoxY, font.metrics['H'].OriginY, 1e-3f);
  EXPECT_LT(font.metrics['x'].OriginY, font.metrics['H'].OriginY - 0.1f);
  EXPECT_LT(font.metrics['g'].OriginY - font.metrics['g'].BlackBoxY, -0.1f);
  // A space has an advance and no ink.
  EXPECT_GT(font.metrics[' '].CellIncX, 0.2f);
  EXPECT_EQ(font.metrics[' '].BlackBoxX, 0.0f);
}

TEST(OutlineGlyphs, BlackBoxIsTheBoxOfTheDrawnFace) {
  const BuiltFont& font = SaverFace();
  for (unsigned char c : {'H', 'O', 'g', 'Q', '7', '&'}) {
    const GlyphList list = font.List(c);
    double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
    for (const auto& t : list.Facing(1))
      for (const auto& v : t.v) x0 = std::min(x0, v[0]), x1 = std::max(x1, v[0]), y0 = std::min(y0, v[1]), y1 = std::max(y1, v[1]);
    const GlyphMetricsFloat& m = font.metrics[c];
    const double unit = 1.0 / 2048 * 2;  // a couple of design units of flattening
    SCOPED_TRACE(std::string(1, static_cast<char>(c)));
    EXPECT_NEAR(x0, m.OriginX, unit);
    EXPECT_NEAR(y1, m.OriginY, unit);
    EXPECT_NEAR(x1 - x0, m.BlackBoxX, unit);
    EXPECT_NEAR(y1 - y0, m.BlackBoxY, unit);
  }
}

void ExpectSolidGlyph(const BuiltFont& font, unsigned code, float extrusion) {
  const GlyphList list = font.List(code);
  SCOPED_TRACE(code);
  ASSERT_TRUE(list.wellFormed);
  ASSERT_FALSE(list.triangles.empty());
  const auto front = list.Facing(1), back = list.Facing(-1);
  ASSERT_FALSE(front.empty());
  EXPECT_EQ(front.size(), back.size());
  EXPECT_NEAR(Area(front), Area(back), 1e-6);
  std::size_t walls = 0;
  for (const auto& t : list.triangles) {
    if (t.normal[2] == 1) {
      for (const auto& v : t.v) ASSERT_EQ(v[2], 0);
      ASSERT_GT(TwiceArea2D(t), 0);  // counter-clockwise seen from the front
    } else if (t.normal[2] == -1) {
      for (const auto& v : t.v) ASSERT_EQ(v[2], -extrusion);
      ASSERT_LT(TwiceArea2D(t), 0);
    } else {
      ++walls;
      ASSERT_EQ(t.normal[2], 0);
      ASSERT_NEAR(std::hypot(t.normal[0], t.normal[1]), 1, 1e-6);
      for (const auto& v : t.v) ASSERT_TRUE(v[2] == 0 || v[2] == -extrusion);
    }
  }
  EXPECT_GT(walls, 0u);
  // The list ends by advancing to the next glyph.
  EXPECT_EQ(list.last.name, "glTranslatef");
  EXPECT_EQ(list.last[0], font.metrics[code].CellIncX);
  EXPECT_EQ(list.last[1], 0);
  EXPECT_EQ(list.last[2], 0);
}

TEST(OutlineGlyphs, EveryPrintableCharacterIsASolidGlyph) {
  const BuiltFont& font = SaverFace();
  ASSERT_EQ(font.result, 1);
  for (unsigned code = 0; code < 255; ++code)
    if (Printable(code) && code != 0xAD) ExpectSolidGlyph(font, code, 0.1f);
}

TEST(OutlineGlyphs, PreviewFaceIsExtrudedTwiceAsDeep) {
  const BuiltFont& font = PreviewFace();
  ASSERT_EQ(font.result, 1);
  for (unsigned char c : {'A', 'r', 'y', '!', '8'}) ExpectSolidGlyph(font, c, 0.2f);
  EXPECT_NE(font.metrics['H'].CellIncX, SaverFace().metrics['H'].CellIncX);
}

TEST(OutlineGlyphs, SpaceOnlyAdvances) {
  const GlyphList list = SaverFace().List(' ');
  EXPECT_EQ(list.names, std::vector<std::string>{"glTranslatef"});
  EXPECT_EQ(list.last[0], SaverFace().metrics[' '].CellIncX);
}

TEST(OutlineGlyphs, CountersStayOpenAndStemsAreFull) {
  const BuiltFont& font = SaverFace();
  const std::optional<ResolvedFont> resolved = ResolveBoldFace("Tahoma");
  ASSERT_TRUE(resolved);
  const std::unique_ptr<FreeTypeFace> face = FreeTypeFace::Open(*resolved);
  ASSERT_TRUE(face);

  // A plain bar fills its black box.
  const GlyphMetricsFloat& bar = font.metrics['I'];
  EXPECT_NEAR(Area(font.List('I').Facing(1)), bar.BlackBoxX * bar.BlackBoxY, 1e-3);

  for (unsigned char c : {'O', 'o', '0', 'D', 'B', '8', 'e', 'a', 'g', 'A', 'R'}) {
    SCOPED_TRACE(std::string(1, static_cast<char>(c)));
    const auto filled = font.List(c).Facing(1);
    // The ink is the outer contour less the holes: the contours' signed
    // areas, holes running the other way round, add up to it.
    GlyphOutline outline;
    ASSERT_TRUE(face->Load(face->GlyphIndexFor(c), outline));
    double signedArea = 0;
    for (const Contour& contour : outline.Contours)
      for (std::size_t i = 0; i < contour.size(); ++i) {
        const Point2& p = contour[i];
        const Point2& q = contour[(i + 1) % contour.size()];
        signedArea += (p.x * q.y - q.x * p.y) / 2;
      }
    EXPECT_NEAR(Area(filled), std::fabs(signedArea), 1e-6);
  }
  // The middle of a ring is empty.
  for (unsigned char c : {'O', 'o', '0', 'D'}) {
    const GlyphMetricsFloat& m = font.metrics[c];
    EXPECT_FALSE(Inside(font.List(c).Facing(1), m.OriginX + m.BlackBoxX / 2, m.OriginY - m.BlackBoxY / 2)) << c;
  }
}

// The exact signed area inside a glyph's outline, arcs and all, in font units.
struct ExactArea {
  double area = 0;
  FT_Vector pen{};
  bool cubic = false;

  static double Cross(const FT_Vector& a, const FT_Vector& b) { return double(a.x) * b.y - double(b.x) * a.y; }
  static int Move(const FT_Vector* to, void* user) {
    static_cast<ExactArea*>(user)->pen = *to;
    return 0;
  }
  static int Line(const FT_Vector* to, void* user) {
    auto& self = *static_cast<ExactArea*>(user);
    self.area += Cross(self.pen, *to) / 2;
    self.pen = *to;
    return 0;
  }
  // Green's theorem over a quadratic arc.
  static int Conic(const FT_Vector* control, const FT_Vector* to, void* user) {
    auto& self = *static_cast<ExactArea*>(user);
    self.area += (2 * Cross(self.pen, *control) + 2 * Cross(*control, *to) + Cross(self.pen, *to)) / 6;
    self.pen = *to;
    return 0;
  }
  static int Cubic(const FT_Vector*, const FT_Vector*, const FT_Vector* to, void* user) {
    auto& self = *static_cast<ExactArea*>(user);
    self.cubic = true;
    self.pen = *to;
    return 0;
  }
};

TEST(OutlineGlyphs, ChordsFollowTheCurvesWithinOneDesignUnit) {
  const std::optional<ResolvedFont> resolved = ResolveBoldFace("Tahoma");
  ASSERT_TRUE(resolved);
  const std::unique_ptr<FreeTypeFace> face = FreeTypeFace::Open(*resolved);
  ASSERT_TRUE(face);
  FT_Library library = nullptr;
  ASSERT_EQ(FT_Init_FreeType(&library), 0);
  FT_Face ft = nullptr;
  ASSERT_EQ(FT_New_Face(library, resolved->File.c_str(), resolved->Index, &ft), 0);
  const double em = ft->units_per_EM;

  for (unsigned char c : {'O', 'S', 'e', '@', '3', 'C'}) {
    SCOPED_TRACE(std::string(1, static_cast<char>(c)));
    const unsigned index = face->GlyphIndexFor(c);
    ASSERT_EQ(FT_Load_Glyph(ft, index, FT_LOAD_NO_SCALE), 0);
    FT_Outline_Funcs funcs{&ExactArea::Move, &ExactArea::Line, &ExactArea::Conic, &ExactArea::Cubic, 0, 0};
    ExactArea exact;
    ASSERT_EQ(FT_Outline_Decompose(&ft->glyph->outline, &funcs, &exact), 0);
    ASSERT_FALSE(exact.cubic) << "a TrueType face has quadratic arcs only";

    GlyphOutline outline;
    ASSERT_TRUE(face->Load(index, outline));
    double area = 0, perimeter = 0;
    for (const Contour& contour : outline.Contours)
      for (std::size_t i = 0; i < contour.size(); ++i) {
        const Point2& p = contour[i];
        const Point2& q = contour[(i + 1) % contour.size()];
        area += (p.x * q.y - q.x * p.y) / 2;
        perimeter += std::hypot(q.x - p.x, q.y - p.y);
      }
    // Between each chord and its arc lies at most chord length times the
    // deviation: within one design unit, the areas can differ by at most the
    // perimeter times one unit.
    const double difference = std::fabs(area - exact.area / (em * em));
    EXPECT_LE(difference, perimeter / em);
    EXPECT_GT(difference, 0) << "curves are cut into chords, not copied";
  }
  FT_Done_Face(ft);
  FT_Done_FreeType(library);
}

TEST(OutlineGlyphs, WallsFaceAwayFromTheInk) {
  const BuiltFont& font = SaverFace();
  for (unsigned char c : {'O', 'H', 'e', 'B', '%'}) {
    const GlyphList list = font.List(c);
    const auto face = list.Facing(1);
    int checked = 0, wrong = 0;
    for (const auto& t : list.triangles) {
      if (t.normal[2] != 0) continue;
      // The middle of the wall's front edge, stepped a little either way.
      std::vector<std::array<double, 3>> onFront;
      for (const auto& v : t.v)
        if (v[2] == 0) onFront.push_back(v);
      if (onFront.size() != 2) continue;
      const double mx = (onFront[0][0] + onFront[1][0]) / 2, my = (onFront[0][1] + onFront[1][1]) / 2;
      const double step = 2e-3;
      ++checked;
      if (Inside(face, mx + step * t.normal[0], my + step * t.normal[1]) ||
          !Inside(face, mx - step * t.normal[0], my - step * t.normal[1]))
        ++wrong;
    }
    EXPECT_GT(checked, 8) << c;
    EXPECT_EQ(wrong, 0) << c << " of " << checked;
  }
}

TEST(OutlineGlyphs, LackingCharactersDrawTheMissingGlyph) {
  const BuiltFont& font = SaverFace();
  const std::optional<ResolvedFont> resolved = ResolveBoldFace("Tahoma");
  ASSERT_TRUE(resolved);
  const std::unique_ptr<FreeTypeFace> face = FreeTypeFace::Open(*resolved);
  ASSERT_TRUE(face);
  // 0x81 is a hole in the code page and U+0001 a control: no font draws them.
  ASSERT_EQ(face->GlyphIndexFor(0x81), 0u);
  ASSERT_EQ(face->GlyphIndexFor(0x01), 0u);

  // The missing glyph as the layer's own pieces make it.
  GlyphOutline missing;
  ASSERT_TRUE(face->Load(0, missing));
  std::vector<Triangle2> fill;
  ASSERT_TRUE(TessellateContours(missing.Contours, missing.Rule, fill));
  const GlyphMesh mesh = ExtrudeGlyph(missing.Contours, fill, 0.1f, missing.Ink);
  ASSERT_FALSE(mesh.Triangles.empty());

  for (unsigned code : {0x81u, 0x01u, 0x8Du}) {
    const GlyphList list = font.List(code);
    EXPECT_EQ(list.triangles.size(), mesh.Triangles.size()) << code;
    EXPECT_EQ(font.metrics[code].CellIncX, missing.Metrics.CellIncX) << code;
    EXPECT_EQ(font.lists.at(ListBase + code).size(), font.lists.at(ListBase + 0x81).size()) << code;
  }
  // Characters the font has are not the missing glyph, the code page's
  // extras included.
  for (unsigned code : {unsigned('A'), 0x80u, 0x8Au, 0x99u})
    EXPECT_NE(font.lists.at(ListBase + code).size(), font.lists.at(ListBase + 0x81).size()) << code;
}

TEST(OutlineGlyphs, UnopenableFontMakesNoListsAndLeavesTheMetrics) {
  rgl::Reset();
  GlyphMetricsFloat metrics[4];
  for (GlyphMetricsFloat& m : metrics) m.CellIncX = -7;
  ResolvedFont missing{"/nonexistent/font.ttf", 0, false};
  EXPECT_EQ(UseFontOutlinesOf(missing, 0, 4, ListBase, 0.1f, metrics), 0);
  EXPECT_EQ(rgl::CountOf("glNewList"), 0u);
  for (const GlyphMetricsFloat& m : metrics) EXPECT_EQ(m.CellIncX, -7);

  EXPECT_EQ(UseFontOutlinesLinux(nullptr, 0, 4, ListBase, 0.1f, metrics), 0);
  EXPECT_EQ(UseFontOutlinesLinux("Tahoma", 0, 4, ListBase, -0.1f, metrics), 0);
  EXPECT_EQ(UseFontOutlinesLinux("Tahoma", 0, 4, ListBase, NAN, metrics), 0);
  EXPECT_EQ(rgl::CountOf("glNewList"), 0u);
  EXPECT_EQ(metrics[0].CellIncX, -7);
}

TEST(OutlineGlyphs, MetricsMayBeLeftOut) {
  rgl::Reset();
  EXPECT_EQ(UseFontOutlinesLinux("Arial", 'A', 3, 40, 0.2f, nullptr), 1);
  EXPECT_EQ(rgl::CountOf("glNewList"), 3u);
  EXPECT_EQ(rgl::CallsNamed("glNewList")[0][0], 40);
  rgl::Reset();
}

TEST(OutlineGlyphs, SyntheticBoldThickensAndWidens) {
  const std::optional<ResolvedFont> resolved = ResolveBoldFace("Arial");
  ASSERT_TRUE(resolved);
  ResolvedFont plain = *resolved, thickened = *resolved;
  plain.Embolden = false;
  thickened.Embolden = true;
  GlyphMetricsFloat a[1], b[1];
  rgl::Reset();
  ASSERT_EQ(UseFontOutlinesOf(plain, 'H', 1, 1, 0.1f, a), 1);
  ASSERT_EQ(UseFontOutlinesOf(thickened, 'H', 1, 2, 0.1f, b), 1);
  const GlyphList before = ReadList(rgl::Current().lists.at(1)), after = ReadList(rgl::Current().lists.at(2));
  rgl::Reset();
  // By a 24th of the em, the advance with it.
  EXPECT_NEAR(b[0].CellIncX - a[0].CellIncX, 1.0 / 24, 1e-3);
  EXPECT_NEAR(b[0].BlackBoxX - a[0].BlackBoxX, 1.0 / 24, 2e-3);
  EXPECT_GT(Area(after.Facing(1)), Area(before.Facing(1)) * 1.05);
}

}  // namespace
