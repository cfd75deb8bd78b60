#include "host/web/web_platform.h"

#include <vector>

#include "host/glyph_geometry/glyph_list.h"
#include "host/time/local_clock.h"
#include "host/web/baked_glyphs.h"
#include "host/web/frame_gate.h"

// The C library reads the browser's clock and its time zone.
LocalMoment WebPlatform::LocalNow() { return frozen_ ? *frozen_ : SystemLocalNow(); }

int WebPlatform::UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase,
                                 float extrusion, GlyphMetricsFloat* metrics) {
  const BakedFont* font = FindBakedFont(BakedFonts, BakedFontCount, face, extrusion);
  if (font == nullptr || first > BakedCodeCount || count > BakedCodeCount - first) return 0;
  // Everything is expanded before any list is made, so that a failure
  // leaves no lists behind, as the conversion on the other hosts does.
  std::vector<std::vector<MeshTriangle>> meshes(count);
  for (unsigned k = 0; k < count; ++k) {
    const BakedGlyph* glyph = FindBakedGlyph(*font, first + k);
    if (glyph != nullptr && !ExpandBakedGlyph(*glyph, meshes[k])) return 0;
  }
  for (unsigned k = 0; k < count; ++k) {
    CompileGlyphList(listBase + k, meshes[k].data(), meshes[k].size(), font->Metrics[first + k]);
    if (metrics) metrics[k] = font->Metrics[first + k];
  }
  return 1;
}

// The browser shows what was drawn once the animation-frame callback returns.
void WebPlatform::SwapBuffers() {}

void WebPlatform::Sleep(unsigned milliseconds) { gate_.Hold(milliseconds); }
