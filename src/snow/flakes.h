// The falling flakes: 201 small order-4 snowflake lattices that fall, circle
// the vertical axis through (0, 0, -2) and are reborn above the view with a
// new pattern once they have fallen below -0.5.
//
// A flake's pattern comes from a short iteration driven by one random
// constant per generation: every point's value depends on its row and its
// place in the row only, so each flake has six equal, mirror-symmetric
// sectors. The tables are dimensioned for FlakeCapacity flakes; FlakeCount
// of them are used.
#pragma once

#include "base/cell_lattice.h"

inline constexpr int FlakeCount = 201;
inline constexpr int FlakeCapacity = 501;

inline constexpr int FlakeOrder = 4;
inline constexpr Extended FlakeRimRadius = 0.015_x;
inline constexpr Extended FlakePlaneZ = 0;
inline constexpr Extended FlakeStepGuard = 0.00001_x;

inline constexpr Extended FlakeFallStep = 0.002_x;    // per tick
inline constexpr Extended FlakeSpinStep = 0.2_x;      // degrees per tick
inline constexpr Extended FlakeFullTurn = 360;       // spin at or past this starts again at 0
inline constexpr Extended FlakeRebirthHeight = -0.5_x;  // reborn when below it
inline constexpr Extended FlakeBirthHeight = 1.5_x;
inline constexpr Extended FlakeOrbitDepth = -2;      // the axis runs through (0, 0, FlakeOrbitDepth)

// The faint rim: the opacity that the halo marking both looks for and gives.
inline constexpr Extended FlakeHaloOpacity = 0.1_x;
inline constexpr int FlakePatternSteps = 50;  // at most, per point

inline constexpr int FlakeTriangleCount = LatticeTriangleCount(FlakeOrder);  // 96

struct Flake {
  Extended x = 0, y = 0, z = 0;  // offsets from the axis, and height
  Extended spin = 0;             // degrees, 0 <= spin < 360
  CellLattice Lattice;
  SectorColours Colours;
  // The pattern value of each point; row 5 is never generated and stays 0,
  // serving only as the outer neighbour of row 4 in the halo marking.
  LatticeCoordinate Pattern{};
  // Single-precision copies of the points and their colours, made when the
  // flake is generated so that a tick only reads them: the very values that
  // converting at each call would give.
  LatticePointCopies Points{};
  Colour4f PointColours[LatticeSlots]{};  // by LatticeSlot, like Points
  // The face normal of every lattice triangle, in emission order, from the
  // copies above, and whether the triangle is drawn at all (it is left out
  // when a corner has no opacity): made at generation too, since points and
  // opacities stay put until the flake is generated anew.
  Vector3f Normals[FlakeTriangleCount]{};
  bool Shown[FlakeTriangleCount]{};
};

struct FlakeTable {
  Flake Flakes[FlakeCapacity];
};
extern FlakeTable Snowfall;

// The horizontal offsets of flake `index`, one draw of the sign and one of
// the size each, in that order: x = +-Random(2i + 1000) / (2i + 1000),
// negative when Random(10) <= 5; z = +-Random(i + 1000) / (i + 1000),
// negative when Random(20) <= 10.
Extended DrawFlakeX(int index);
Extended DrawFlakeZ(int index);

// The pattern value of point k of row j for the constant (0.35, ci): the
// iteration's first m of at least 0.1, or its 50th m.
Extended FlakePatternValue(int j, int k, Extended ci);

// The faint rim around a pattern: visits sectors 0..5, rows 0..4, points
// 0..j, each with its triangle (j, k) (j+1, k) (j+1, k+1). Where one of the
// three values exceeds 0.1, zero opacities become 0.1, and then all three
// become 0.1 if any of them is 0.1. Each visit sees the earlier ones' changes.
void MarkFlakeHalo(const LatticeCoordinate& pattern, LatticeCoordinate& opacity);

// Generates flake `index` anew: x and z drawn, y = 1.5, ci = -0.01 -
// Random(200) / 100, then its lattice, its pattern and its opacities. Its spin
// is left alone. An index outside the table does nothing.
void InitFlake(int index);

// One tick for every flake in turn: fall, turn, rebirth below -0.5, and the
// flake drawn at once in its own glBegin(GL_TRIANGLES) bracket and matrix
// push. Expects the identity model-view, the depth test off and alpha
// blending; changes neither.
void UpdateAndDrawFlakes();

// Makes what a flake draws from its lattice and colours: the single-precision
// points and colours, each triangle's face normal and whether it is shown.
// Generation ends with it; whoever changes a flake's lattice or colours
// afterwards calls it again.
void MakeFlakeDrawingCopies(Flake& flake);

// One flake's triangles into an open glBegin(GL_TRIANGLES) bracket: a face
// normal each, and those with a corner of zero opacity left out, both as
// made at generation. Colours are looked up by sector, row and point.
void EmitFlake(const Flake& flake);
