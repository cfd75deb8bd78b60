// The sixty dial marks: one order-3 snowflake cell per minute on a ring of
// radius 0.4 about the clock's origin, mark 0 at the top and the marks running
// clockwise.
#pragma once

#include "base/cell_lattice.h"

inline constexpr int DialMarkCount = 60;
inline constexpr Extended DialRadius = 0.4_x;
inline constexpr int DialMarkOrder = 3;
inline constexpr Extended DialMarkRimRadius = 0.015_x;
inline constexpr Extended DialMarkStepGuard = 0.000001_x;
inline constexpr Extended DialPlaneZ = 1;

struct DialMarkSet {
  CellLattice Marks[DialMarkCount];  // positions relative to the clock's origin
  RowColours Colours;                // shared by all marks and sectors
  // Both in single precision, for drawing.
  LatticePointCopies Points[DialMarkCount]{};
  RowColourCopies ColourCopies{};
};
extern DialMarkSet DialMarks;

struct ExtendedPoint2 {
  Extended x = 0, y = 0;
};

// (0.4 cos t, -0.4 sin t) with t = 2m * pi / 60 - pi/2.
ExtendedPoint2 DialMarkCentre(int mark);

// Fills DialMarks: the sixty lattices with one angle accumulator for all of
// them, and alpha cos(j / 3 + 0.57) on row j (0.84 at the centre, 0.0008 at
// the rim).
void BuildDialMarks();

// All sixty marks in one glBegin(GL_TRIANGLES) bracket, 54 triangles each,
// every corner with its position relative to the clock's origin as normal.
// The caller has translated the model-view matrix to ClockOffset; no matrix,
// blend or enable state is touched.
void DrawDialMarks();
