// The clock's numerals: the digits 0 to 9 as dot-matrix glyphs whose dots are
// order-2 snowflake cells. BuildCellTemplate makes the one cell every glyph
// copies, BuildDigits lays the copies out per digit, DrawDigit draws a digit
// at a place on the clock face.
#pragma once

#include "base/cell_lattice.h"

// The numeral cell: order 2, rim radius 0.005, centred at the origin in the
// plane z = 1, white fading from opaque at the centre to almost transparent
// (alpha 0.0008) at the rim.
inline constexpr LatticeShape NumeralCellShape{2, 0.005_x, 0, 0, 1, 0.000001_x};

struct NumeralCellTemplate {
  CellLattice Positions;
  RowColours Colours;  // shared by every numeral cell
  RowColourCopies ColourCopies{};  // Colours in single precision, for drawing
};
extern NumeralCellTemplate CellTemplate;

// The unit of the digit grid: cells of a stroke lie two steps (0.008) apart,
// closer than a cell's diameter (0.010), so their discs overlap.
inline constexpr Extended CellStep = 0.004_x;

inline constexpr int DigitCount = 10;
inline constexpr int DigitCellSlots = 14;  // the longest glyph

// Cells per digit 0..9.
inline constexpr int DigitCellCount[DigitCount] = {14, 8, 12, 11, 14, 14, 14, 10, 14, 14};

// A cell's offset from its glyph's centre, in CellSteps; x to the right, y up.
struct GlyphCell {
  int x = 0, y = 0;
};

// The glyphs, cells in drawing order; entries past a digit's DigitCellCount
// are unused. The grid spans x -3..3 and y -6..6, but the 4's crossbar runs
// through its stem to x = 5 and the 1 keeps to columns 1 and 3.
inline constexpr GlyphCell Glyphs[DigitCount][DigitCellSlots] = {
    {{-1, 6}, {1, 6}, {3, 4}, {3, 2}, {3, 0}, {3, -2}, {3, -4}, {1, -6}, {-1, -6}, {-3, -4}, {-3, -2}, {-3, 0}, {-3, 2}, {-3, 4}},
    {{1, 4}, {3, 6}, {3, 4}, {3, 2}, {3, 0}, {3, -2}, {3, -4}, {3, -6}},
    {{-3, 4}, {-1, 6}, {1, 6}, {3, 4}, {3, 2}, {1, 0}, {-1, -2}, {-3, -4}, {-3, -6}, {-1, -6}, {1, -6}, {3, -6}},
    {{-3, 4}, {-1, 6}, {1, 6}, {3, 4}, {3, 2}, {1, 0}, {3, -2}, {3, -4}, {1, -6}, {-1, -6}, {-3, -4}},
    {{3, 6}, {3, 4}, {3, 2}, {3, 0}, {3, -2}, {3, -4}, {3, -6}, {1, 4}, {-1, 2}, {-3, 0}, {-3, -2}, {-1, -2}, {1, -2}, {5, -2}},
    {{3, 6}, {1, 6}, {-1, 6}, {-3, 6}, {-3, 4}, {-3, 2}, {-1, 2}, {1, 2}, {3, 0}, {3, -2}, {3, -4}, {1, -6}, {-1, -6}, {-3, -4}},
    {{3, 4}, {1, 6}, {-1, 6}, {-3, 4}, {-3, 2}, {-3, 0}, {-3, -2}, {-3, -4}, {-1, -6}, {1, -6}, {3, -4}, {3, -2}, {1, 0}, {-1, 0}},
    {{-3, 6}, {-1, 6}, {1, 6}, {3, 6}, {3, 4}, {2, 2}, {1, 0}, {0, -2}, {-1, -4}, {-1, -6}},
    {{-1, 6}, {1, 6}, {3, 4}, {3, 2}, {1, 0}, {3, -2}, {3, -4}, {1, -6}, {-1, -6}, {-3, -4}, {-3, -2}, {-1, 0}, {-3, 2}, {-3, 4}},
    {{-1, 6}, {1, 6}, {3, 4}, {3, 2}, {3, 0}, {3, -2}, {3, -4}, {1, -6}, {-1, -6}, {-3, -4}, {-1, 0}, {1, 0}, {-3, 2}, {-3, 4}},
};

// Every cell of every digit as a full lattice, relative to the glyph's centre.
// All cells share the template's z (the plane z = 1) and its colours.
struct DigitCellTable {
  LatticeCoordinate x[DigitCount][DigitCellSlots]{};
  LatticeCoordinate y[DigitCount][DigitCellSlots]{};
  LatticeCoordinate z{};
  // Every cell's points in single precision, for drawing.
  LatticePointCopies Points[DigitCount][DigitCellSlots]{};
};
extern DigitCellTable DigitCells;

// Fills CellTemplate: positions by the lattice placement, alpha cos(j * 1.57 / 2) on row j.
void BuildCellTemplate();

// Fills DigitCells from CellTemplate; run after BuildCellTemplate.
void BuildDigits();

// Draws cells 0..last of `digit` with the glyph's centre at
// ClockOffset + (offsetX, offsetY, 0), every corner with its position in the
// glyph's frame as normal. `last` is normally DigitCellCount[digit] - 1; a
// larger one is held to that, and a digit outside 0..9 draws nothing. Needs no
// open glBegin; leaves the model-view matrix as it found it.
void DrawDigit(int digit, int last, Extended offsetX, Extended offsetY);
