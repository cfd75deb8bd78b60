// Helpers shared by the scene's unit tests: what the recording OpenGL saw,
// corner by corner, and the clock's cells and digits as they should look.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "base/gl_vectors.h"
#include "recording_gl.h"

namespace clocktest {

inline Vector3f AsVector(const rgl::Call& c) {
  return {static_cast<float>(c[0]), static_cast<float>(c[1]), static_cast<float>(c[2])};
}

inline bool Same(const Vector3f& a, const Vector3f& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// One vertex with the normal and colour in force when it came.
struct Corner {
  Vector3f Normal, Position;
  Colour4f Colour;
  bool FreshNormal = false;  // a glNormal3fv came since the previous vertex
  bool OnlyCornerCalls = true;
};

inline std::vector<Corner> CornersOf(const std::vector<rgl::Call>& bracket) {
  std::vector<Corner> corners;
  Corner current;
  for (const rgl::Call& call : bracket) {
    if (call.name == "glNormal3fv") {
      current.Normal = AsVector(call);
      current.FreshNormal = true;
    } else if (call.name == "glColor4fv") {
      current.Colour = {float(call[0]), float(call[1]), float(call[2]), float(call[3])};
    } else if (call.name == "glVertex3fv") {
      current.Position = AsVector(call);
      corners.push_back(current);
      current.FreshNormal = false;
    } else {
      current.OnlyCornerCalls = false;
    }
  }
  return corners;
}

// A corner of a snowflake cell: its row j and its offset from the cell's centre.
struct CellCorner {
  int Row;
  double x, y;
};

// The corners of a cell of the given order and rim radius, in the order they
// are sent: sectors 0..5, rows j = 0..order-1, points k = 0..j, first
// (j,k) (j+1,k) (j+1,k+1), then, for k < j, (j,k) (j+1,k+1) (j,k+1). Point
// (s, j, k) lies at radius rim * j / order, at s * 60 - 30 + k * 60 / j degrees.
inline std::vector<CellCorner> CellCorners(int order, double rim) {
  const auto at = [&](int s, int j, int k) {
    const double r = rim * j / order, pi = 3.14159265358979323846;
    const double a = s * pi / 3 - pi / 6 + (j ? k * pi / (3 * j) : 0);
    return CellCorner{j, r * std::cos(a), r * std::sin(a)};
  };
  std::vector<CellCorner> corners;
  for (int s = 0; s < 6; ++s)
    for (int j = 0; j < order; ++j)
      for (int k = 0; k <= j; ++k) {
        for (const CellCorner& c : {at(s, j, k), at(s, j + 1, k), at(s, j + 1, k + 1)}) corners.push_back(c);
        if (k < j)
          for (const CellCorner& c : {at(s, j, k), at(s, j + 1, k + 1), at(s, j, k + 1)}) corners.push_back(c);
      }
  return corners;
}

// The digits as their cells stand on the glyph grid of 0.004 steps: columns
// x = -3..5 from the left, rows y = 6, 4, .., -6 from the top. Each cell is
// the letter of its place in the drawing order, a first.
inline constexpr const char* DigitPictures[10][7] = {
    {"..a.b....", "n.....c..", "m.....d..", "l.....e..", "k.....f..", "j.....g..", "..i.h...."},
    {"......b..", "....a.c..", "......d..", "......e..", "......f..", "......g..", "......h.."},
    {"..b.c....", "a.....d..", "......e..", "....f....", "..g......", "h........", "i.j.k.l.."},
    {"..b.c....", "a.....d..", "......e..", "....f....", "......g..", "k.....h..", "..j.i...."},
    {"......a..", "....h.b..", "..i...c..", "j.....d..", "k.l.m.e.n", "......f..", "......g.."},
    {"d.c.b.a..", "e........", "f.g.h....", "......i..", "......j..", "n.....k..", "..m.l...."},
    {"..c.b....", "d.....a..", "e........", "f.n.m....", "g.....l..", "h.....k..", "..i.j...."},
    {"a.b.c.d..", "......e..", ".....f...", "....g....", "...h.....", "..i......", "..j......"},
    {"..a.b....", "n.....c..", "m.....d..", "..l.e....", "k.....f..", "j.....g..", "..i.h...."},
    {"..a.b....", "n.....c..", "m.....d..", "..k.l.e..", "......f..", "j.....g..", "..i.h...."},
};

using Cells = std::vector<std::pair<int, int>>;  // (x, y) in grid steps, in drawing order

inline Cells PictureCells(int digit) {
  Cells cells;
  for (char letter = 'a'; letter <= 'z'; ++letter)
    for (int row = 0; row < 7; ++row)
      for (int column = 0; column < 9; ++column)
        if (DigitPictures[digit][row][column] == letter) cells.push_back({column - 3, 6 - 2 * row});
  return cells;
}

// The cells a digit's bracket drew, from each cell's centre, its first
// corner. Every corner must be an order-2 cell's of rim 0.005 about that
// centre in the plane z = 1, lit by its own position and faded by its row as
// cos(1.57 j / 2); a corner that is not gives a failure naming it.
inline Cells CellsDrawn(const std::vector<Corner>& corners) {
  static const std::vector<CellCorner> cell = CellCorners(2, 0.005);
  Cells cells;
  for (std::size_t first = 0; first + cell.size() <= corners.size(); first += cell.size()) {
    const Vector3f centre = corners[first].Position;
    cells.push_back({int(std::lround(centre.x / 0.004)), int(std::lround(centre.y / 0.004))});
    for (std::size_t n = 0; n < cell.size(); ++n) {
      const Corner& c = corners[first + n];
      const bool right = std::fabs(c.Position.x - centre.x - cell[n].x) < 1e-7 &&
                         std::fabs(c.Position.y - centre.y - cell[n].y) < 1e-7 && c.Position.z == 1 &&
                         Same(c.Normal, c.Position) && c.FreshNormal && c.OnlyCornerCalls &&
                         c.Colour.r == 1 && c.Colour.g == 1 && c.Colour.b == 1 &&
                         std::fabs(c.Colour.a - std::cos(1.57 * cell[n].Row / 2)) < 1e-7;
      if (!right) {
        ADD_FAILURE() << "cell " << cells.size() - 1 << ", corner " << n;
        return cells;
      }
    }
  }
  if (corners.size() % cell.size() != 0) ADD_FAILURE() << corners.size() << " corners: no whole cells";
  return cells;
}

// The digit whose picture the drawn cells are, or -1.
inline int DigitDrawn(const std::vector<Corner>& corners) {
  const Cells cells = CellsDrawn(corners);
  for (int d = 0; d < 10; ++d)
    if (PictureCells(d) == cells) return d;
  return -1;
}

}  // namespace clocktest
