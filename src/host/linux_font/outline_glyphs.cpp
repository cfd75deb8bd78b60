#include "host/linux_font/outline_glyphs.h"

#include <errno.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <map>
#include <vector>

#include "host/glyph_geometry/glyph_list.h"
#include "host/linux_font/ansi_code_page.h"
#include "host/linux_font/freetype_face.h"
#include "host/linux_font/glyph_extrusion.h"
#include "host/linux_font/glyph_tessellation.h"

namespace {

bool Convert(const FreeTypeFace& face, unsigned glyphIndex, float extrusion, ConvertedGlyph& converted) {
  GlyphOutline outline;
  if (!face.Load(glyphIndex, outline)) return false;
  std::vector<Triangle2> fill;
  if (!TessellateContours(outline.Contours, outline.Rule, fill)) return false;
  converted.Metrics = outline.Metrics;
  converted.Mesh = ExtrudeGlyph(outline.Contours, fill, extrusion, outline.Ink);
  return true;
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

bool ConvertOutlineGlyphs(const ResolvedFont& font, unsigned first, unsigned count, float extrusion,
                          std::vector<ConvertedGlyph>& glyphs) {
  if (!(extrusion >= 0) || count > UINT_MAX - first) return false;
  const std::unique_ptr<FreeTypeFace> face = FreeTypeFace::Open(font);
  if (!face) return false;

  // Codes that share a glyph (the missing glyph, above all) share its
  // conversion.
  std::map<unsigned, ConvertedGlyph> byIndex;
  std::vector<ConvertedGlyph> converted;
  converted.reserve(count);
  for (unsigned k = 0; k < count; ++k) {
    const unsigned glyphIndex = face->GlyphIndexFor(AnsiToUnicode(first + k));
    auto found = byIndex.find(glyphIndex);
    if (found == byIndex.end()) {
      ConvertedGlyph glyph;
      if (!Convert(*face, glyphIndex, extrusion, glyph)) return false;
      found = byIndex.emplace(glyphIndex, std::move(glyph)).first;
    }
    converted.push_back(found->second);
  }
  glyphs = std::move(converted);
  return true;
}

int UseFontOutlinesOf(const ResolvedFont& font, unsigned first, unsigned count, unsigned listBase,
                      float extrusion, GlyphMetricsFloat* metrics) {
  if (count > UINT_MAX - listBase) return 0;
  // Everything is converted before any list is made, so that a failure
  // leaves no lists behind.
  std::vector<ConvertedGlyph> glyphs;
  if (!ConvertOutlineGlyphs(font, first, count, extrusion, glyphs)) return 0;
  for (unsigned k = 0; k < count; ++k) {
    const GlyphMesh& mesh = glyphs[k].Mesh;
    CompileGlyphList(listBase + k, mesh.Triangles.data(), mesh.Triangles.size(), glyphs[k].Metrics);
    if (metrics) metrics[k] = glyphs[k].Metrics;
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
