#include "snow/ground.h"

#include <algorithm>
#include <cmath>

#include "clock/triangle_normal.h"
#include "host/opengl.h"
#include "host/random.h"
#include "host/scene_params.h"

GroundGrid Ground;

namespace {

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
        const Extended x = (shift + Extended(j) / n1 - 0.5L) * aspect / 1.2L;
        const Extended u = std::sin(2 * Pi * x) + 0.5L * sinP1;
        columns.x[j] = x;
        columns.u[j] = u;
        columns.s1[j] = std::sin((p1 + 2) * u + p2) + sinP3;
      }
      columns.Valid = true;
      columns.Shift = shift;
    }

    const Extended depth = 0.9L - (Extended(i) / n2) / 2;
    const Extended v = std::sin(Pi * i / n2);
    const Extended s2 = std::cos((p2 + 2) * v + p1) + cosP2;
    // The relief flattens towards the front: 0.1 at the front row, sqrt(0.91) at the back.
    const Extended rise = std::sqrt(0.9L * i / n2 + 0.01L);

    for (int j = 0; j <= n1; ++j) {
      const Extended x = columns.x[j], u = columns.u[j];
      const Extended w = u * u + v * v + 0.001L;
      const Extended p = u * u - v * v - w * w + columns.s1[j] / 2;
      const Extended q = u * v + w + s2 / 20;
      const Extended l = std::log(std::fabs(p) * std::fabs(q) + 0.1L);
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
}

namespace {

struct GroundCorner {
  const Vector3f& Position;
  const Colour4f& Colour;
};

void EmitTriangle(const GroundCorner& a, const GroundCorner& b, const GroundCorner& c) {
  SendFaceNormalTriangle(a.Position, a.Colour, b.Position, b.Colour, c.Position, c.Colour);
}

}  // namespace

void DrawGround() {
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glEnable(GL_DEPTH_TEST);
  glPushMatrix();
  glTranslatef(0, GroundOffsetY, GroundOffsetZ);
  glBegin(GL_TRIANGLES);
  for (int i = 0; i < Ground.Rows; ++i) {
    const Vector3f* front = Ground.Position[i];
    const Vector3f* back = Ground.Position[i + 1];
    const Colour4f* frontColour = Ground.Colour[i];
    const Colour4f* backColour = Ground.Colour[i + 1];
    const bool even = i % 2 == 0;
    for (int j = 0; j < Ground.Columns; ++j) {
      const GroundCorner a{front[j], frontColour[j]};
      const GroundCorner b{back[j + 1], backColour[j + 1]};
      const GroundCorner c{back[j], backColour[j]};
      const GroundCorner d{front[j + 1], frontColour[j + 1]};
      // The diagonal follows the rows' shifts: A-B on even rows, D-C on odd.
      if (even) {
        EmitTriangle(a, b, c);
        EmitTriangle(a, d, b);
      } else {
        EmitTriangle(d, b, c);
        EmitTriangle(a, d, c);
      }
    }
  }
  glEnd();
  glPopMatrix();
  glDisable(GL_DEPTH_TEST);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}
