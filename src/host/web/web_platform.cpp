#include "host/web/web_platform.h"

#include <emscripten.h>

#include <vector>

#include "host/glyph_geometry/glyph_list.h"
#include "host/web/baked_glyphs.h"
#include "host/web/frame_gate.h"

namespace {

// The local date and time from one reading of the browser's own clock
// (JavaScript's Date, milliseconds in a double), year, month, day, hour,
// minute, second and millisecond into `fields`. The C library's clock would
// come through glue that passes seconds as 32-bit numbers, wrong from
// 2038-01-19T03:14:08Z on.
EM_JS(void, quillmoor_local_now, (int* fields), {
  var now = new Date();
  var values = [now.getFullYear(), now.getMonth() + 1, now.getDate(), now.getHours(), now.getMinutes(),
                now.getSeconds(), now.getMilliseconds()];
  for (var i = 0; i < 7; ++i) HEAP32[(fields >> 2) + i] = values[i];
});

}  // namespace

LocalMoment WebPlatform::LocalNow() {
  if (frozen_) return *frozen_;
  int f[7] = {};
  quillmoor_local_now(f);
  // A clock outside the calendar the scene counts in holds at its ends.
  if (f[0] < 1601) return {1601, 1, 1, 0, 0, 0, 0};
  if (f[0] > 9999) return {9999, 12, 31, 23, 59, 59, 999};
  const auto field = [](int value) { return static_cast<std::uint16_t>(value); };
  return {field(f[0]), field(f[1]), field(f[2]), field(f[3]), field(f[4]), field(f[5]), field(f[6])};
}

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
