#include "frame/outline_font.h"

#include <cstring>

OutlineFont SaverFont;
OutlineFont PreviewFont;

namespace {

constexpr GLsizei ReservedLists = 256;
// Codes 0..254 are converted; list 255 stays reserved and undefined, so byte
// 255 draws nothing.
constexpr unsigned ConvertedCodes = 255;

int BuildOutlineFont(OutlineFont& font, const char* face, float extrusion) {
  font.ListBase = glGenLists(ReservedLists);
  return CurrentPlatform().UseFontOutlines(face, 0, ConvertedCodes, font.ListBase, extrusion, font.GlyphMetrics);
}

}  // namespace

int BuildFont() { return BuildOutlineFont(SaverFont, SaverFontFace, SaverFontExtrusion); }

int BuildPreviewFont() { return BuildOutlineFont(PreviewFont, PreviewFontFace, PreviewFontExtrusion); }

float PrintShift(const OutlineFont& font, unsigned length) {
  float sum = 0;
  for (unsigned i = 1; i < length && i < 256; ++i) sum += font.GlyphMetrics[i].CellIncX;
  return static_cast<float>(-(Extended(sum) / 2.7_x));
}

void PrintWithFont(const OutlineFont& font, const char* text) {
  if (text == nullptr || text[0] == '\0') return;
  const std::size_t length = std::strlen(text);
  glTranslatef(PrintShift(font, static_cast<unsigned>(length)), 0.0f, 0.0f);
  glPushAttrib(GL_LIST_BIT);
  glListBase(font.ListBase);
  glCallLists(static_cast<GLsizei>(length), GL_UNSIGNED_BYTE, text);
  glPopAttrib();
}

void glPrint(const char* text) { PrintWithFont(SaverFont, text); }

void PreviewPrint(const char* text) { PrintWithFont(PreviewFont, text); }

void DeleteFontLists() { glDeleteLists(SaverFont.ListBase, ReservedLists); }
