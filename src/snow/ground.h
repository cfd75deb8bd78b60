// The ground: a white, lit heightfield of low ridges across the lower part of
// the view, built once from the window's aspect and the three wave phases and
// drawn every frame with the depth test on and additive blending.
//
// Row i runs from the front (0) to the back (MeshRows), column j from left (0)
// to right (MeshColumns). Alternate rows are shifted a quarter column either
// way and cut along opposite diagonals, so the triangles form a triangular
// lattice.
#pragma once

#include "base/extended.h"
#include "base/gl_vectors.h"

inline constexpr int GroundMaxColumns = 300;
inline constexpr int GroundMaxRows = 100;
inline constexpr int GroundPointColumns = GroundMaxColumns + 1;
inline constexpr int GroundPointRows = GroundMaxRows + 1;

// Where the grid sits in the camera frame.
inline constexpr float GroundOffsetY = -0.21f;
inline constexpr float GroundOffsetZ = -1.4f;

using GroundPlane = Extended[GroundPointRows][GroundPointColumns];

struct GroundGrid {
  // The sizes the grid was built with (cells, not points).
  int Columns = 0, Rows = 0;
  GroundPlane x{}, y{}, z{};
  GroundPlane r{}, g{}, b{}, a{};
  // Single-precision copies of the above, made at build time so that a frame
  // only reads them; the same values the conversion at each call would give.
  Vector3f Position[GroundPointRows][GroundPointColumns]{};
  Colour4f Colour[GroundPointRows][GroundPointColumns]{};
  // The face normal of each cell's two triangles, in emission order, worked
  // out at build time from the single-precision corners: the grid never
  // changes afterwards, so every frame would compute the same values.
  Vector3f Normal[GroundMaxRows][GroundMaxColumns][2]{};
};
extern GroundGrid Ground;

// Fills the grid from SceneParams: MeshColumns x MeshRows cells (limited to
// the storage), the phases of waves 0..2 and the aspect. Draws Random(100)
// once per point, rows front to back, columns left to right.
void BuildGround();

// The whole grid in one glBegin(GL_TRIANGLES) bracket: additive blending and
// the depth test while it draws, translated to (0, -0.21, -1.4); a face
// normal per triangle, from the build. Leaves the depth test off, alpha
// blending on and the model-view matrix as it found it.
void DrawGround();

// Triangles of one DrawGround: two per cell.
inline int GroundTriangleCount() { return 2 * Ground.Columns * Ground.Rows; }
