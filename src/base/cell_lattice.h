// The hexagonal cell lattice behind every snowflake shape: the numeral cells,
// the dial marks and the falling flakes. A lattice of order R is a disc cut
// into six sectors; in each sector row j (0..R) holds j + 1 points on an arc
// of radius Radius * j / R, so row 0 is the centre and row R the rim. The
// points are cut into triangles in one fixed order and handed to OpenGL in
// one of two styles: each corner's position used as its normal (the clock's
// cells and marks, here), or one face normal per triangle (the flakes).
//
// Storage is fixed-size (6 sectors x 6 rows x 6 points per coordinate, enough
// for order 5); positions and colours are Extended, with single-precision
// copies made once for drawing. Building and emission never allocate.
#pragma once

#include <array>
#include <cstdint>

#include "base/extended.h"
#include "base/gl_vectors.h"
#include "base/triangle_normal.h"

inline constexpr int LatticeSectors = 6;
inline constexpr int LatticeRows = 6;       // storage rows, 0..5
inline constexpr int LatticeRowPoints = 6;  // storage points per row, 0..5
inline constexpr int MaxLatticeOrder = LatticeRows - 1;

// One coordinate of every point, indexed [sector][row][point]; only point
// 0..row of rows 0..order is used.
using LatticeCoordinate = Extended[LatticeSectors][LatticeRows][LatticeRowPoints];

struct CellLattice {
  LatticeCoordinate x{}, y{}, z{};
};

// Where and how large a lattice is.
struct LatticeShape {
  int Order = 1;            // 1..MaxLatticeOrder
  Extended Radius = 0;      // of the rim row
  Extended CentreX = 0, CentreY = 0;
  Extended PlaneZ = 0;      // every point lies in z = PlaneZ
  Extended StepGuard = 0;   // added to 3j in the angle step so that row 0's step stays finite
};

// The angle accumulator of one builder. It starts at -pi/6, moves on by
// pi / (3j + StepGuard) after each point of row j and is set to
// s * pi/3 - pi/6 after the last point of every row of sector s. A builder
// that places several lattices keeps one accumulator for all of them.
struct LatticeAngle {
  Extended Value = -Pi / 6;
};

// Places the points of one lattice, sector by sector, row by row, point by
// point, advancing `angle` as it goes. Row 0 is the centre itself whatever the
// accumulator holds. An order outside 1..MaxLatticeOrder places nothing and
// returns false.
bool PlaceLattice(const LatticeShape& shape, LatticeAngle& angle, CellLattice& lattice);

struct LatticeIndex {
  int Sector = 0, Row = 0, Point = 0;
};

// The points of one lattice as emission reads them. The three coordinates
// may live apart (the numerals share one z for all their cells).
struct LatticeView {
  const LatticeCoordinate& x;
  const LatticeCoordinate& y;
  const LatticeCoordinate& z;
  int Order;

  Vector3f At(LatticeIndex i) const {
    return ToVector3f(x[i.Sector][i.Row][i.Point], y[i.Sector][i.Row][i.Point], z[i.Sector][i.Row][i.Point]);
  }
};

inline LatticeView ViewOf(const CellLattice& lattice, int order) { return {lattice.x, lattice.y, lattice.z, order}; }

// Colours by (row, point), shared by all six sectors and by every copy of the
// lattice: the clock's numeral cells and dial marks.
struct RowColours {
  Extended r[LatticeRows][LatticeRowPoints]{};
  Extended g[LatticeRows][LatticeRowPoints]{};
  Extended b[LatticeRows][LatticeRowPoints]{};
  Extended a[LatticeRows][LatticeRowPoints]{};

  Colour4f At(LatticeIndex i) const {
    return ToColour4f(r[i.Row][i.Point], g[i.Row][i.Point], b[i.Row][i.Point], a[i.Row][i.Point]);
  }
};

// Colours by (sector, row, point): one set per lattice (the flakes).
struct SectorColours {
  LatticeCoordinate r{}, g{}, b{}, a{};

  Colour4f At(LatticeIndex i) const {
    return ToColour4f(r[i.Sector][i.Row][i.Point], g[i.Sector][i.Row][i.Point], b[i.Sector][i.Row][i.Point],
                      a[i.Sector][i.Row][i.Point]);
  }
};

// Calls visit(a, b, c) for every triangle of a lattice of the given order, in
// emission order: sector 0..5, row j = 0..order-1, point k = 0..j, first
// (j,k) (j+1,k) (j+1,k+1), then, unless k is the row's last point,
// (j,k) (j+1,k+1) (j,k+1). Both are counter-clockwise seen from +z. A sector
// has order^2 triangles.
template <class Visit>
constexpr void ForEachLatticeTriangle(int order, Visit&& visit) {
  if (order < 1 || order > MaxLatticeOrder) return;
  for (int s = 0; s < LatticeSectors; ++s)
    for (int j = 0; j < order; ++j)
      for (int k = 0; k <= j; ++k) {
        visit(LatticeIndex{s, j, k}, LatticeIndex{s, j + 1, k}, LatticeIndex{s, j + 1, k + 1});
        if (k < j) visit(LatticeIndex{s, j, k}, LatticeIndex{s, j + 1, k + 1}, LatticeIndex{s, j, k + 1});
      }
}

inline constexpr int LatticeTriangleCount(int order) { return LatticeSectors * order * order; }

// Single-precision copies of a lattice's points and of colours by (row,
// point), for lattices that never change once built (the numerals' cells,
// the dial marks, a generated flake): made at build time, so that a frame
// only reads them. They hold the very values that converting at each call
// would give. They are laid out flat, a slot per (sector, row, point) or per
// (row, point), so that drawing walks a list of triangles made once per
// order rather than the lattice's loops.
inline constexpr int LatticeSlots = LatticeSectors * LatticeRows * LatticeRowPoints;
inline constexpr int LatticeRowSlots = LatticeRows * LatticeRowPoints;

constexpr int LatticeSlot(LatticeIndex i) { return (i.Sector * LatticeRows + i.Row) * LatticeRowPoints + i.Point; }
constexpr int LatticeRowSlot(LatticeIndex i) { return i.Row * LatticeRowPoints + i.Point; }

using LatticePointCopies = Vector3f[LatticeSlots];
using RowColourCopies = Colour4f[LatticeRowSlots];

inline void CopyLatticePoints(const LatticeView& lattice, LatticePointCopies& copies) {
  for (int s = 0; s < LatticeSectors; ++s)
    for (int j = 0; j <= lattice.Order; ++j)
      for (int k = 0; k <= j; ++k) copies[LatticeSlot({s, j, k})] = lattice.At({s, j, k});
}

inline void CopyRowColours(const RowColours& colours, int order, RowColourCopies& copies) {
  for (int j = 0; j <= order; ++j)
    for (int k = 0; k <= j; ++k) copies[LatticeRowSlot({0, j, k})] = colours.At({0, j, k});
}

// One corner of a listed triangle: where its point and its (row, point)
// colour sit in the copies.
struct LatticeCorner {
  std::uint8_t Slot = 0, RowSlot = 0;
};

// The triangles of a lattice of one order, corners in emission order, as
// ForEachLatticeTriangle visits them.
struct LatticeTriangleList {
  int Count = 0;
  LatticeCorner Corners[LatticeTriangleCount(MaxLatticeOrder)][3]{};
};

constexpr LatticeTriangleList ListLatticeTriangles(int order) {
  LatticeTriangleList list;
  const auto corner = [](LatticeIndex i) {
    return LatticeCorner{static_cast<std::uint8_t>(LatticeSlot(i)), static_cast<std::uint8_t>(LatticeRowSlot(i))};
  };
  ForEachLatticeTriangle(order, [&](LatticeIndex a, LatticeIndex b, LatticeIndex c) {
    LatticeCorner* corners = list.Corners[list.Count++];
    corners[0] = corner(a);
    corners[1] = corner(b);
    corners[2] = corner(c);
  });
  return list;
}

inline constexpr auto LatticeTriangleLists = [] {
  std::array<LatticeTriangleList, MaxLatticeOrder + 2> lists{};
  for (int order = 1; order <= MaxLatticeOrder; ++order) lists[order] = ListLatticeTriangles(order);
  return lists;
}();

// The list of an order; empty outside 1..MaxLatticeOrder.
inline const LatticeTriangleList& LatticeTriangles(int order) {
  return LatticeTriangleLists[order >= 1 && order <= MaxLatticeOrder ? order : 0];
}

// Emission into an open glBegin(GL_TRIANGLES) bracket; only glNormal3fv,
// glColor4fv and glVertex3fv are issued.

// Each corner of a lattice of the given order, from its single-precision
// copies: its position as normal, its colour, its position.
inline void EmitLatticeWithPositionNormals(int order, const LatticePointCopies& points,
                                           const RowColourCopies& colours) {
  const auto send = [&](LatticeCorner corner) {
    SendCornerWithPositionNormal(points[corner.Slot], colours[corner.RowSlot]);
  };
  // The three corners written out: calls in a straight line run faster than
  // calls in a loop.
  const LatticeTriangleList& triangles = LatticeTriangles(order);
  for (int t = 0; t < triangles.Count; ++t) {
    const LatticeCorner* corners = triangles.Corners[t];
    send(corners[0]);
    send(corners[1]);
    send(corners[2]);
  }
}
