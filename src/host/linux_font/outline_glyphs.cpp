#include "host/linux_font/outline_glyphs.h"

#include <errno.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <map>
#include <vector>

#include "host/linux_font/ansi_code_page.h"
#include "host/linux_font/freetype_face.h"
#include "host/linux_font/glyph_extrusion.h"
#include "host/linux_font/glyph_tessellation.h"
#include "host/opengl.h"

namespace {

struct ConvertedGlyph {
  GlyphMetricsFloat Metrics;
  GlyphMesh Mesh;
};

bool Convert(const FreeTypeFace& face, unsigned glyphIndex, float extrusion, ConvertedGlyph& converted) {
  GlyphOutline outline;
  if (!face.Load(glyphIndex, outline)) return false;
  std::vector<Triangle2> fill;
  if (!TessellateContours(outline.Contours, outline.Rule, fill)) return false;
  converted.Metrics = outline.Metrics;
  converted.Mesh = ExtrudeGlyph(outline.Contours, fill, extrusion, outline.Ink);
  return true;
}

void CompileList(GLuint list, const ConvertedGlyph& glyph) {
  glNewList(list, GL_COMPILE);
  if (!glyph.Mesh.Triangles.empty()) {
    glBegin(GL_TRIANGLES);
    const float* normal = nullptr;
    for (const MeshTriangle& t : glyph.Mesh.Triangles) {
      if (normal == nullptr || normal[0] != t.Normal[0] || normal[1] != t.Normal[1] || normal[2] != t.Normal[2]) {
        glNormal3fv(t.Normal);
        normal = t.Normal;
      }
      for (const float* vertex : t.Vertices) glVertex3fv(vertex);
    }
    glEnd();
  }
  // The next glyph starts where this one's advance ends.
  glTranslatef(glyph.Metrics.CellIncX, glyph.Metrics.CellIncY, 0.0f);
  glEndList();
}

// Without a font the scene still runs, only without its text; that is said
// once per process, on one line of standard error, as the program's own.
void WarnNoUsableFont(const char* face) {
  static std::atomic_flag warned = ATOMIC_FLAG_INIT;
  if (warned.test_and_set()) return;
  std::fprintf(stderr, "%s: warning: no usable outline font for \"%s\": the countdown text is not drawn\n",
               program_invocation_short_name, face);
}

}  // namespace

int UseFontOutlinesOf(const ResolvedFont& font, unsigned first, unsigned count, unsigned listBase,
                      float extrusion, GlyphMetricsFloat* metrics) {
  if (!(extrusion >= 0)) return 0;
  if (count > UINT_MAX - first || count > UINT_MAX - listBase) return 0;
  const std::unique_ptr<FreeTypeFace> face = FreeTypeFace::Open(font);
  if (!face) return 0;

  // Everything is converted before any list is made, so that a failure
  // leaves no lists behind. Codes that share a glyph (the missing glyph,
  // above all) share its conversion.
  std::map<unsigned, ConvertedGlyph> glyphs;
  std::vector<const ConvertedGlyph*> byCode(count);
  for (unsigned k = 0; k < count; ++k) {
    const unsigned glyphIndex = face->GlyphIndexFor(AnsiToUnicode(first + k));
    auto found = glyphs.find(glyphIndex);
    if (found == glyphs.end()) {
      ConvertedGlyph converted;
      if (!Convert(*face, glyphIndex, extrusion, converted)) return 0;
      found = glyphs.emplace(glyphIndex, std::move(converted)).first;
    }
    byCode[k] = &found->second;
  }

  for (unsigned k = 0; k < count; ++k) {
    CompileList(listBase + k, *byCode[k]);
    if (metrics) metrics[k] = byCode[k]->Metrics;
  }
  return 1;
}

int UseFontOutlinesLinux(const char* face, unsigned first, unsigned count, unsigned listBase,
                         float extrusion, GlyphMetricsFloat* metrics) {
  // Bad arguments are the caller's fault, not a missing font.
  if (face == nullptr || !(extrusion >= 0) || count > UINT_MAX - first || count > UINT_MAX - listBase) return 0;
  const std::optional<ResolvedFont> font = ResolveBoldFace(face);
  const int made = font ? UseFontOutlinesOf(*font, first, count, listBase, extrusion, metrics) : 0;
  if (!made) WarnNoUsableFont(face);
  return made;
}
