// Solid three-dimensional lettering: one display list per character code,
// made from a TrueType outline by the platform's outline conversion, and a
// print routine that shifts a string left by a rule of its length.
#pragma once

#include "base/extended.h"
#include "base/opengl.h"
#include "frame/platform.h"

struct OutlineFont {
  GLuint ListBase = 0;                    // first of 256 consecutive list names
  GlyphMetricsFloat GlyphMetrics[256]{};  // records 0..254 filled by the build; 255 stays zero
};

// The full-screen window's font ("Tahoma", extrusion 0.1) and the preview
// window's ("Arial", extrusion 0.2). Each is built by its own window and never
// shared.
extern OutlineFont SaverFont;
extern OutlineFont PreviewFont;

inline constexpr const char* SaverFontFace = "Tahoma";
inline constexpr float SaverFontExtrusion = 0.1f;
inline constexpr const char* PreviewFontFace = "Arial";
inline constexpr float PreviewFontExtrusion = 0.2f;

// Both need the window's rendering context current; each returns the outline
// conversion's result (non-zero on success), which nobody has to check.
int BuildFont();
int BuildPreviewFont();

// Draw an 8-bit string at the current modelview matrix in the current colour.
void glPrint(const char* text);
void PreviewPrint(const char* text);

// Deletes the saver font's 256 lists; the context must still be current.
void DeleteFontLists();

// The print rule shared by glPrint and PreviewPrint.
void PrintWithFont(const OutlineFont& font, const char* text);

// The left shift of an n-byte string: the cell increments of records 1..n-1
// (by position, whatever the string holds), summed in single precision, / 2.7.
float PrintShift(const OutlineFont& font, unsigned length);
