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

using Vertex = std::array<double, 3>;
struct Face3 {
  Vertex normal;
  std::array<Vertex, 3> v;
  double TwiceArea() const { return (v[1][0] - v[0][0]) * (v[2][1] - v[0][1]) - (v[1][1] - v[0][1]) * (v[2][0] - v[0][0]); }
};

// One compiled glyph list read back: its triangles and calls.
struct GlyphList {
  std::vector<Face3> triangles;
  std::vector<std::string> names;
  rgl::Call last;
  int brackets = 0;

  std::vector<Face3> Facing(double nz) const {
    std::vector<Face3> found;
    for (const Face3& t : triangles)
      if (t.normal[2] == nz) found.push_back(t);
    return found;
  }
};

GlyphList ReadList(const std::vector<rgl::Call>& calls) {
  GlyphList list;
  Vertex normal{0, 0, 1};
  std::vector<Vertex> pending;
  for (const rgl::Call& c : calls) {
    list.names.push_back(c.name);
    if (c.name == "glBegin") list.brackets += c[0] == GL_TRIANGLES ? 1 : 100;
    if (c.name == "glNormal3fv") normal = {c[0], c[1], c[2]};
    if (c.name == "glVertex3fv") pending.push_back({c[0], c[1], c[2]});
    if (pending.size() == 3) list.triangles.push_back({normal, {pending[0], pending[1], pending[2]}}), pending.clear();
  }
  if (!calls.empty()) list.last = calls.back();
  return list;
}

double Area(const std::vector<Face3>& face) {
  double area = 0;
  for (const Face3& t : face) area += std::fabs(t.TwiceArea()) / 2;
  return area;
}

bool Inside(const std::vector<Face3>& face, double x, double y) {
  for (const Face3& t : face) {
    const auto side = [&](int i, int j) {
      return (t.v[j][0] - t.v[i][0]) * (y - t.v[i][1]) - (t.v[j][1] - t.v[i][1]) * (x - t.v[i][0]);
    };
    const double a = side(0, 1), b = side(1, 2), c = side(2, 0);
    if ((a >= 0 && b >= 0 && c >= 0) || (a <= 0 && b <= 0 && c <= 0)) return true;
  }
  return false;
}

// A face converted once for all tests, read back from the recording OpenGL.
struct BuiltFont {
  int result = 0;
  GlyphMetricsFloat metrics[256]{};
  std::map<GLuint, std::vector<rgl::Call>> lists;
  std::vector<rgl::Call> newLists;
  GlyphList List(unsigned code) const { return ReadList(lists.at(ListBase + code)); }
};

const BuiltFont& Built(const char* face, float extrusion) {
  static std::map<std::string, BuiltFont> built;
  auto found = built.find(face);
  if (found != built.end()) return found->second;
  rgl::Reset();
  BuiltFont& font = built[face];
  font.result = UseFontOutlinesLinux(face, 0, 255, ListBase, extrusion, font.metrics);
  font.lists = rgl::Current().lists;
  font.newLists = rgl::CallsNamed("glNewList");
  rgl::Reset();
  return font;
}
const BuiltFont& SaverFace() { return Built("Tahoma", 0.1f); }

std::unique_ptr<FreeTypeFace> OpenFace(const char* name) {
  const std::optional<ResolvedFont> resolved = ResolveBoldFace(name);
  return resolved ? FreeTypeFace::Open(*resolved) : nullptr;
}

TEST(FontResolution, BothFacesResolveToABoldOutlineFont) {
  for (const char* face : {"Tahoma", "Arial"}) {
    const std::optional<ResolvedFont> font = ResolveBoldFace(face);
    ASSERT_TRUE(font) << face;
    RecordProperty(face, font->File);
    FT_Library library = nullptr;
    FT_Face ft = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    ASSERT_EQ(FT_New_Face(library, font->File.c_str(), font->Index, &ft), 0) << font->File;
    EXPECT_TRUE(FT_IS_SCALABLE(ft));
    EXPECT_TRUE((ft->style_flags & FT_STYLE_FLAG_BOLD) || font->Embolden) << font->File;
    FT_Done_Face(ft);
    FT_Done_FreeType(library);
  }
  EXPECT_FALSE(ResolveBoldFace(nullptr));
}

void ExpectSolidGlyph(const BuiltFont& font, unsigned code, double extrusion) {
  SCOPED_TRACE(code);
  const GlyphList list = font.List(code);
  ASSERT_EQ(list.brackets, 1);
  const auto front = list.Facing(1), back = list.Facing(-1);
  ASSERT_FALSE(front.empty());
  EXPECT_EQ(front.size(), back.size());
  EXPECT_NEAR(Area(front), Area(back), 1e-6);
  std::size_t walls = 0;
  for (const Face3& t : list.triangles) {
    if (t.normal[2] == 1) {
      for (const Vertex& v : t.v) ASSERT_EQ(v[2], 0);
      ASSERT_GT(t.TwiceArea(), 0);  // counter-clockwise seen from the front
    } else if (t.normal[2] == -1) {
      for (const Vertex& v : t.v) ASSERT_EQ(v[2], -extrusion);
      ASSERT_LT(t.TwiceArea(), 0);
    } else {
      ++walls;
      ASSERT_EQ(t.normal[2], 0);
      ASSERT_NEAR(std::hypot(t.normal[0], t.normal[1]), 1, 1e-6);
      for (const Vertex& v : t.v) ASSERT_TRUE(v[2] == 0 || v[2] == -extrusion);
    }
  }
  EXPECT_GT(walls, 0u);
  // The list ends by advancing to the next glyph.
  EXPECT_EQ(list.last.name, "glTranslatef");
  EXPECT_EQ(list.last[0], font.metrics[code].CellIncX);
  EXPECT_EQ(list.last[1], 0);
}

TEST(OutlineGlyphs, EveryPrintableCharacterIsASolidGlyphInItsOwnList) {
  const BuiltFont& font = SaverFace();
  ASSERT_EQ(font.result, 1);
  ASSERT_EQ(font.newLists.size(), 255u);
  for (unsigned k = 0; k < 255; ++k) {
    EXPECT_EQ(font.newLists[k][0], ListBase + k);
    EXPECT_EQ(font.newLists[k][1], GL_COMPILE);
    if ((k >= 0x21 && k <= 0x7E) || (k >= 0xA1 && k != 0xAD)) ExpectSolidGlyph(font, k, 0.1f);
  }
  EXPECT_EQ(font.lists.count(ListBase + 255), 0u);
  // A space only advances.
  EXPECT_EQ(font.List(' ').names, std::vector<std::string>{"glTranslatef"});
  EXPECT_GT(font.List(' ').last[0], 0.2);

  const BuiltFont& preview = Built("Arial", 0.2f);
  ASSERT_EQ(preview.result, 1);
  for (unsigned char c : {'A', 'r', 'y', '!', '8'}) ExpectSolidGlyph(preview, c, 0.2f);
}

TEST(OutlineGlyphs, MetricsAreInEmUnits) {
  const BuiltFont& font = SaverFace();
  for (unsigned char c : {'H', 'A', 'g', 'x', '0', 'W', 'i'}) {
    SCOPED_TRACE(std::string(1, char(c)));
    const GlyphMetricsFloat& m = font.metrics[c];
    EXPECT_GT(m.BlackBoxX, 0.05f);
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
  EXPECT_EQ(font.metrics[' '].BlackBoxX, 0.0f);
}

// The exact signed area inside an outline of lines and quadratic arcs (Green's theorem).
struct ExactArea {
  double area = 0;
  FT_Vector pen{};
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
  static int Conic(const FT_Vector* control, const FT_Vector* to, void* user) {
    auto& self = *static_cast<ExactArea*>(user);
    self.area += (2 * Cross(self.pen, *control) + 2 * Cross(*control, *to) + Cross(self.pen, *to)) / 6;
    self.pen = *to;
    return 0;
  }
  static int Cubic(const FT_Vector*, const FT_Vector*, const FT_Vector*, void*) { return 1; }  // not in TrueType
};

// The filled face has the ink of the true outline, holes left open, less
// only what the chords cut off: within one design unit of deviation, at most
// the perimeter times one unit.
TEST(OutlineGlyphs, FacesCoverTheTrueOutlineWithinOneDesignUnit) {
  const BuiltFont& font = SaverFace();
  const std::optional<ResolvedFont> resolved = ResolveBoldFace("Tahoma");
  ASSERT_TRUE(resolved);
  const std::unique_ptr<FreeTypeFace> face = FreeTypeFace::Open(*resolved);
  ASSERT_TRUE(face);
  FT_Library library = nullptr;
  FT_Face ft = nullptr;
  ASSERT_EQ(FT_Init_FreeType(&library), 0);
  ASSERT_EQ(FT_New_Face(library, resolved->File.c_str(), resolved->Index, &ft), 0);
  const double em = ft->units_per_EM;

  for (unsigned char c : {'O', 'o', '0', 'D', 'B', '8', 'e', 'a', 'g', 'S', '@', 'I'}) {
    SCOPED_TRACE(std::string(1, char(c)));
    ASSERT_EQ(FT_Load_Glyph(ft, face->GlyphIndexFor(c), FT_LOAD_NO_SCALE), 0);
    FT_Outline_Funcs funcs{&ExactArea::Move, &ExactArea::Line, &ExactArea::Conic, &ExactArea::Cubic, 0, 0};
    ExactArea exact;
    ASSERT_EQ(FT_Outline_Decompose(&ft->glyph->outline, &funcs, &exact), 0);

    const GlyphList list = font.List(c);
    double perimeter = 0;  // the front edges of the walls
    for (const Face3& t : list.triangles) {
      std::vector<Vertex> edge;
      for (const Vertex& v : t.v)
        if (t.normal[2] == 0 && v[2] == 0) edge.push_back(v);
      if (edge.size() == 2) perimeter += std::hypot(edge[1][0] - edge[0][0], edge[1][1] - edge[0][1]);
    }
    const double difference = std::fabs(Area(list.Facing(1)) - std::fabs(exact.area) / (em * em));
    EXPECT_LE(difference, perimeter / em);
    if (c != 'I') {
      EXPECT_GT(difference, 0) << "arcs are cut into chords";
    }
  }
  // The middle of a ring is empty.
  for (unsigned char c : {'O', 'o', '0', 'D'}) {
    const GlyphMetricsFloat& m = font.metrics[c];
    EXPECT_FALSE(Inside(font.List(c).Facing(1), m.OriginX + m.BlackBoxX / 2, m.OriginY - m.BlackBoxY / 2)) << c;
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
    for (const Face3& t : list.triangles) {
      std::vector<Vertex> edge;
      for (const Vertex& v : t.v)
        if (t.normal[2] == 0 && v[2] == 0) edge.push_back(v);
      if (edge.size() != 2) continue;
      // From the middle of the wall's front edge, a small step out leaves the
      // ink and a step back lands in it.
      const double mx = (edge[0][0] + edge[1][0]) / 2, my = (edge[0][1] + edge[1][1]) / 2, step = 2e-3;
      ++checked;
      wrong += Inside(face, mx + step * t.normal[0], my + step * t.normal[1]) ||
               !Inside(face, mx - step * t.normal[0], my - step * t.normal[1]);
    }
    EXPECT_GT(checked, 8) << c;
    EXPECT_EQ(wrong, 0) << c << " of " << checked;
  }
}

TEST(OutlineGlyphs, LackingCharactersDrawTheMissingGlyph) {
  const BuiltFont& font = SaverFace();
  const std::unique_ptr<FreeTypeFace> face = OpenFace("Tahoma");
  ASSERT_TRUE(face);
  // 0x81 is a hole in the code page and U+0001 a control: the font has neither.
  ASSERT_EQ(face->GlyphIndexFor(0x81), 0u);
  ASSERT_EQ(face->GlyphIndexFor(0x01), 0u);

  GlyphOutline missing;
  ASSERT_TRUE(face->Load(0, missing));
  std::vector<Triangle2> fill;
  ASSERT_TRUE(TessellateContours(missing.Contours, missing.Rule, fill));
  const GlyphMesh mesh = ExtrudeGlyph(missing.Contours, fill, 0.1f, missing.Ink);
  ASSERT_FALSE(mesh.Triangles.empty());
  for (unsigned code : {0x81u, 0x01u, 0x8Du}) {
    EXPECT_EQ(font.List(code).triangles.size(), mesh.Triangles.size()) << code;
    EXPECT_EQ(font.metrics[code].CellIncX, missing.Metrics.CellIncX) << code;
  }
  // Characters the font has, the code page's extras among them, are their own.
  for (unsigned code : {unsigned('A'), 0x80u, 0x8Au, 0x99u})
    EXPECT_NE(font.List(code).triangles.size(), mesh.Triangles.size()) << code;
}

TEST(OutlineGlyphs, FailureMakesNoListsAndLeavesTheMetrics) {
  rgl::Reset();
  GlyphMetricsFloat metrics[4];
  for (GlyphMetricsFloat& m : metrics) m.CellIncX = -7;
  EXPECT_EQ(UseFontOutlinesOf({"/nonexistent/font.ttf", 0, false}, 0, 4, ListBase, 0.1f, metrics), 0);
  EXPECT_EQ(UseFontOutlinesLinux(nullptr, 0, 4, ListBase, 0.1f, metrics), 0);
  EXPECT_EQ(UseFontOutlinesLinux("Tahoma", 0, 4, ListBase, -0.1f, metrics), 0);
  EXPECT_EQ(UseFontOutlinesLinux("Tahoma", 0, 4, ListBase, NAN, metrics), 0);
  EXPECT_EQ(rgl::CountOf("glNewList"), 0u);
  for (const GlyphMetricsFloat& m : metrics) EXPECT_EQ(m.CellIncX, -7);
  // The metrics may be left out.
  EXPECT_EQ(UseFontOutlinesLinux("Arial", 'A', 3, 40, 0.2f, nullptr), 1);
  EXPECT_EQ(rgl::CountOf("glNewList"), 3u);
  rgl::Reset();
}

TEST(OutlineGlyphs, SyntheticBoldThickensAndWidensByATwentyFourthOfTheEm) {
  std::optional<ResolvedFont> font = ResolveBoldFace("Arial");
  ASSERT_TRUE(font);
  GlyphMetricsFloat plain[1], thick[1];
  rgl::Reset();
  font->Embolden = false;
  ASSERT_EQ(UseFontOutlinesOf(*font, 'H', 1, 1, 0.1f, plain), 1);
  font->Embolden = true;
  ASSERT_EQ(UseFontOutlinesOf(*font, 'H', 1, 2, 0.1f, thick), 1);
  const double before = Area(ReadList(rgl::Current().lists.at(1)).Facing(1));
  const double after = Area(ReadList(rgl::Current().lists.at(2)).Facing(1));
  rgl::Reset();
  EXPECT_NEAR(thick[0].CellIncX - plain[0].CellIncX, 1.0 / 24, 1e-3);
  EXPECT_NEAR(thick[0].BlackBoxX - plain[0].BlackBoxX, 1.0 / 24, 2e-3);
  EXPECT_GT(after, before * 1.05);
}

}  // namespace
