#include "host/win32/win32_platform.h"

#include <cstddef>
#include <vector>

#include "base/opengl.h"

// The glyph-metrics record is the system's, field for field.
static_assert(sizeof(GLYPHMETRICSFLOAT) == sizeof(GlyphMetricsFloat));
static_assert(offsetof(GLYPHMETRICSFLOAT, gmfBlackBoxX) == offsetof(GlyphMetricsFloat, BlackBoxX));
static_assert(offsetof(GLYPHMETRICSFLOAT, gmfBlackBoxY) == offsetof(GlyphMetricsFloat, BlackBoxY));
static_assert(offsetof(GLYPHMETRICSFLOAT, gmfptGlyphOrigin) == offsetof(GlyphMetricsFloat, OriginX));
static_assert(offsetof(GLYPHMETRICSFLOAT, gmfCellIncX) == offsetof(GlyphMetricsFloat, CellIncX));
static_assert(offsetof(GLYPHMETRICSFLOAT, gmfCellIncY) == offsetof(GlyphMetricsFloat, CellIncY));

LocalMoment Win32Platform::LocalNow() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  LocalMoment moment;
  moment.Year = now.wYear;
  moment.Month = now.wMonth;
  moment.Day = now.wDay;
  moment.Hour = now.wHour;
  moment.Minute = now.wMinute;
  moment.Second = now.wSecond;
  moment.Millisecond = now.wMilliseconds;
  return moment;
}

int Win32Platform::UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase,
                                   float extrusion, GlyphMetricsFloat* metrics) {
  const HDC deviceContext = wglGetCurrentDC();
  // Bold, 12 units high, TrueType outlines. The font stays selected for the
  // window's life: the previous one is not put back and this one not deleted.
  const HFONT font = CreateFontA(-12, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
  SelectObject(deviceContext, font);

  std::vector<GLYPHMETRICSFLOAT> converted(count);
  const BOOL result = wglUseFontOutlinesA(deviceContext, first, count, listBase, 0.0f, extrusion,
                                          WGL_FONT_POLYGONS, converted.data());
  for (unsigned k = 0; k < count; ++k) {
    const GLYPHMETRICSFLOAT& from = converted[k];
    metrics[k] = {from.gmfBlackBoxX,       from.gmfBlackBoxY, from.gmfptGlyphOrigin.x,
                  from.gmfptGlyphOrigin.y, from.gmfCellIncX,  from.gmfCellIncY};
  }
  return result;
}

void Win32Platform::SwapBuffers() { ::SwapBuffers(wglGetCurrentDC()); }

void Win32Platform::Sleep(unsigned milliseconds) { ::Sleep(milliseconds); }
