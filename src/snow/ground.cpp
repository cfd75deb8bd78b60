#include "snow/ground.h"

#include <algorithm>
#include <cmath>

#include "base/opengl.h"
#include "base/random.h"
#include "base/scene_params.h"
#include "base/triangle_normal.h"

GroundGrid Ground;

namespace {

struct GridPoint {
  int Row, Column;
};

// Calls visit(t, p, q, r) for the two triangles t = 0, 1 of cell (i, j),
// corners in emission order. With A = (i, j), B = (i+1, j+1), C = (i+1, j)
// and D = (i, j+1), the diagonal follows the rows' shifts: A-B on even rows
// (ABC, ADB), D-C on odd rows (DBC, ADC).
template <class Visit>
inline void VisitCell(int i, int j, Visit&& visit) {
  const GridPoint a{i, j}, b{i + 1, j + 1}, c{i + 1, j}, d{i, j + 1};
  if (i % 2 == 0) {
    visit(0, a, b, c);
    visit(1, a, d, b);
  } else {
    visit(0, d, b, c);
    visit(1, a, d, c);
  }
}

const Vector3f& PositionAt(GridPoint p) { return Ground.Position[p.Row][p.Column]; }

// The terms of a point that depend on its row only through the row's shift:
// x, u and s1. Rows of equal shift share them, so they are worked out once
// per shift and then read.
struct ShiftedColumns {
  bool Valid = false;
  Extended Shift = 0;
  Extended x[GroundPointColumns], u[GroundPointColumns], s1[GroundPointColumns];
};

}  // namespace

void BuildGround() {
  // The window's sizes, kept within the storage.
  const int n1 = std::clamp<int>(SceneParams.MeshColumns, 0, GroundMaxColumns);
  const int n2 = std::clamp<int>(SceneParams.MeshRows, 0, GroundMaxRows);
  Ground.Columns = n1;
  Ground.Rows = n2;

  const Extended p1 = SceneParams.Waves[0].Phase, p2 = SceneParams.Waves[1].Phase, p3 = SceneParams.Waves[2].Phase;
  const Extended aspect = SceneParams.Aspect;
  const Extended sinP1 = std::sin(p1), sinP3 = std::sin(p3), cosP2 = std::cos(p2);

  ShiftedColumns byParity[2];
  for (int i = 0; i <= n2; ++i) {
    // (-1)^i as cos(i pi): even rows a quarter column right, odd rows left.
    const Extended shift = std::cos(i * Pi) / (4 * Extended(n1));
    ShiftedColumns& columns = byParity[i % 2];
    if (!columns.Valid || !(columns.Shift == shift)) {
      for (int j = 0; j <= n1; ++j) {
        const Extended x = (shift + Extended(j) / n1 - 0.5_x) * aspect / 1.2_x;
        const Extended u = std::sin(2 * Pi * x) + 0.5_x * sinP1;
        columns.x[j] = x;
        columns.u[j] = u;
        columns.s1[j] = std::sin((p1 + 2) * u + p2) + sinP3;
      }
      columns.Valid = true;
      columns.Shift = shift;
    }

    const Extended depth = 0.9_x - (Extended(i) / n2) / 2;
    const Extended v = std::sin(Pi * i / n2);
    const Extended s2 = std::cos((p2 + 2) * v + p1) + cosP2;
    // The relief flattens towards the front: 0.1 at the front row, sqrt(0.91) at the back.
    const Extended rise = std::sqrt(0.9_x * i / n2 + 0.01_x);

    for (int j = 0; j <= n1; ++j) {
      const Extended x = columns.x[j], u = columns.u[j];
      const Extended w = u * u + v * v + 0.001_x;
      const Extended p = u * u - v * v - w * w + columns.s1[j] / 2;
      const Extended q = u * v + w + s2 / 20;
      const Extended l = std::log(std::fabs(p) * std::fabs(q) + 0.1_x);
      Extended y = (Extended(Random(100)) / 200000 + std::fabs(l / 50)) * rise;
      if (i == 0) y = 0;  // the front row lies flat; its draw is still made

      Ground.x[i][j] = x;
      Ground.y[i][j] = y;
      Ground.z[i][j] = depth;
      Ground.r[i][j] = Ground.g[i][j] = Ground.b[i][j] = Ground.a[i][j] = 1;
      Ground.Position[i][j] = ToVector3f(x, y, depth);
      Ground.Colour[i][j] = ToColour4f(Ground.r[i][j], Ground.g[i][j], Ground.b[i][j], Ground.a[i][j]);
    }
  }

  for (int i = 0; i < n2; ++i)
    for (int j = 0; j < n1; ++j)
      VisitCell(i, j, [&](int t, GridPoint p, GridPoint q, GridPoint r) {
        Ground.Normal[i][j][t] = TriangleNormal(PositionAt(p), PositionAt(q), PositionAt(r));
      });
}

void DrawGround() {
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glEnable(GL_DEPTH_TEST);
  glPushMatrix();
  glTranslatef(0, GroundOffsetY, GroundOffsetZ);
  glBegin(GL_TRIANGLES);
  for (int i = 0; i < Ground.Rows; ++i)
    for (int j = 0; j < Ground.Columns; ++j)
      VisitCell(i, j, [&](int t, GridPoint p, GridPoint q, GridPoint r) {
        SendNormal(Ground.Normal[i][j][t]);
        SendCorner(PositionAt(p), Ground.Colour[p.Row][p.Column]);
        SendCorner(PositionAt(q), Ground.Colour[q.Row][q.Column]);
        SendCorner(PositionAt(r), Ground.Colour[r.Row][r.Column]);
      });
  glEnd();
  glPopMatrix();
  glDisable(GL_DEPTH_TEST);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}
