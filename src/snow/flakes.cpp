#include "snow/flakes.h"

#include <cmath>

#include "base/opengl.h"
#include "base/random.h"

FlakeTable Snowfall;

namespace {

// +-Random(divisor) / divisor, negative when the sign draw from
// Random(signRange) is at most lastNegative.
Extended DrawOffset(std::int32_t signRange, std::int32_t lastNegative, std::int32_t divisor) {
  const std::int32_t sign = Random(signRange);
  const Extended size = Extended(Random(divisor)) / divisor;
  return sign <= lastNegative ? -size : size;
}

// Every generation places the same lattice (its accumulator starts afresh at
// -pi/6 each time), so it is placed once and copied.
const CellLattice& FlakeLattice() {
  static const CellLattice lattice = [] {
    CellLattice placed;
    LatticeAngle angle;
    PlaceLattice({FlakeOrder, FlakeRimRadius, 0, 0, FlakePlaneZ, FlakeStepGuard}, angle, placed);
    return placed;
  }();
  return lattice;
}

}  // namespace

Extended DrawFlakeX(int index) { return DrawOffset(10, 5, 2 * index + 1000); }

Extended DrawFlakeZ(int index) { return DrawOffset(20, 10, index + 1000); }

Extended FlakePatternValue(int j, int k, Extended ci) {
  Extended x = std::fabs(1 - 2 * Extended(k) / (j + 0.000001_x));
  Extended y = Extended(j) / 4;
  Extended m = 0;
  for (int step = 0; step < FlakePatternSteps; ++step) {
    const Extended nextX = x * x - y * y + 0.35_x;
    const Extended nextY = 2 * x * y + ci;
    x = nextX;
    y = nextY;
    // The product of the squares, not their sum.
    m = std::sqrt(x * x * (y * y) + 0.00001_x);
    if (m >= FlakeHaloOpacity) break;
  }
  return m;
}

void MarkFlakeHalo(const LatticeCoordinate& pattern, LatticeCoordinate& opacity) {
  for (int s = 0; s < LatticeSectors; ++s)
    for (int j = 0; j <= FlakeOrder; ++j)
      for (int k = 0; k <= j; ++k) {
        const LatticeIndex corners[3] = {{s, j, k}, {s, j + 1, k}, {s, j + 1, k + 1}};
        bool marks = false;
        for (const LatticeIndex& c : corners) marks = marks || pattern[c.Sector][c.Row][c.Point] > FlakeHaloOpacity;
        if (!marks) continue;

        bool faint = false;
        for (const LatticeIndex& c : corners) {
          Extended& a = opacity[c.Sector][c.Row][c.Point];
          if (a == 0) a = FlakeHaloOpacity;
          faint = faint || a == FlakeHaloOpacity;
        }
        if (faint)
          for (const LatticeIndex& c : corners) opacity[c.Sector][c.Row][c.Point] = FlakeHaloOpacity;
      }
}

void InitFlake(int index) {
  if (index < 0 || index >= FlakeCapacity) return;
  Flake& flake = Snowfall.Flakes[index];

  flake.x = DrawFlakeX(index);
  flake.z = DrawFlakeZ(index);
  flake.y = FlakeBirthHeight;
  const Extended ci = -0.01_x - Extended(Random(200)) / 100;

  flake.Lattice = FlakeLattice();

  // The value depends on the row and the place in it only: one per (j, k),
  // the same in all six sectors.
  Extended values[FlakeOrder + 1][FlakeOrder + 1];
  for (int j = 0; j <= FlakeOrder; ++j)
    for (int k = 0; k <= j; ++k) values[j][k] = FlakePatternValue(j, k, ci);

  SectorColours& colours = flake.Colours;
  for (int s = 0; s < LatticeSectors; ++s)
    for (int j = 0; j <= FlakeOrder; ++j)
      for (int k = 0; k <= j; ++k) {
        const Extended v = values[j][k];
        colours.r[s][j][k] = colours.g[s][j][k] = colours.b[s][j][k] = 1;
        flake.Pattern[s][j][k] = v;
        colours.a[s][j][k] = v >= FlakeHaloOpacity ? v : 0;
      }

  MarkFlakeHalo(flake.Pattern, colours.a);

  MakeFlakeDrawingCopies(flake);
}

void MakeFlakeDrawingCopies(Flake& flake) {
  const LatticeView lattice = ViewOf(flake.Lattice, FlakeOrder);
  for (int s = 0; s < LatticeSectors; ++s)
    for (int j = 0; j <= FlakeOrder; ++j)
      for (int k = 0; k <= j; ++k) {
        flake.Points[LatticeSlot({s, j, k})] = lattice.At({s, j, k});
        flake.PointColours[LatticeSlot({s, j, k})] = flake.Colours.At({s, j, k});
      }

  const auto point = [&](LatticeIndex i) { return flake.Points[LatticeSlot(i)]; };
  const auto opaque = [&](LatticeIndex i) { return flake.Colours.a[i.Sector][i.Row][i.Point] != 0; };
  int t = 0;
  ForEachLatticeTriangle(FlakeOrder, [&](LatticeIndex a, LatticeIndex b, LatticeIndex c) {
    flake.Normals[t] = TriangleNormal(point(a), point(b), point(c));
    flake.Shown[t] = opaque(a) && opaque(b) && opaque(c);
    ++t;
  });
}

void EmitFlake(const Flake& flake) {
  const auto send = [&](LatticeCorner corner) { SendCorner(flake.Points[corner.Slot], flake.PointColours[corner.Slot]); };
  const LatticeTriangleList& triangles = LatticeTriangles(FlakeOrder);
  for (int t = 0; t < triangles.Count; ++t) {
    if (!flake.Shown[t]) continue;
    SendNormal(flake.Normals[t]);
    const LatticeCorner* corners = triangles.Corners[t];
    send(corners[0]);
    send(corners[1]);
    send(corners[2]);
  }
}

void UpdateAndDrawFlakes() {
  for (int f = 0; f < FlakeCount; ++f) {
    Flake& flake = Snowfall.Flakes[f];
    flake.y -= FlakeFallStep;
    flake.spin += FlakeSpinStep;
    if (flake.spin >= FlakeFullTurn) flake.spin = 0;
    if (flake.y < FlakeRebirthHeight) InitFlake(f);  // and drawn at its new place below

    // Round the axis by -spin, then turned back by +spin: the flake circles
    // while its face stays towards the viewer.
    const float spin = static_cast<float>(flake.spin);
    glPushMatrix();
    glTranslatef(0, 0, static_cast<float>(FlakeOrbitDepth));
    glRotatef(-spin, 0, 1, 0);
    glTranslatef(static_cast<float>(flake.x), static_cast<float>(flake.y), static_cast<float>(flake.z));
    glRotatef(spin, 0, 1, 0);
    glBegin(GL_TRIANGLES);
    EmitFlake(flake);
    glEnd();
    glPopMatrix();
  }
}
