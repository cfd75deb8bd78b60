#include "curtain/curtain.h"

#include <algorithm>
#include <cmath>

#include "base/opengl.h"
#include "base/random.h"
#include "base/scene_params.h"
#include "base/gl_vectors.h"
#include "base/triangle_normal.h"

CurtainVertex CurtainGrid[CurtainMaxRows + 1][CurtainMaxColumns + 1];
std::int32_t ColourPattern = 1;

namespace {

constexpr Extended TwoPi = 2 * Pi;

// A rate drawn as Base + Step * r with r random 0..Draws-1.
struct RateRule {
  Extended Base, Step;
  std::int32_t Draws;

  Extended Draw() const { return Base + Step * Extended(Random(Draws)); }
};

// How each wave's phase and rate are drawn: at the build, when the rate is
// found at exactly 0, and when the phase passes 2 pi or falls below 0.
struct WaveRules {
  std::int32_t PhaseDraws;
  Extended PhaseDivisor;
  RateRule Start, Guard, AboveTwoPi, BelowZero;
};

constexpr WaveRules Rules[3] = {
    {6280, 1000, {-0.012_x, -0.0001_x, 105}, {-0.011_x, -0.00013_x, 120}, {-0.012_x, -0.0001_x, 105}, {0.014_x, 0.00012_x, 110}},
    {12560, 2000, {0.013_x, 0.00013_x, 107}, {0.012_x, 0.00012_x, 112}, {-0.012_x, -0.00015_x, 102}, {0.013_x, 0.00013_x, 107}},
    {18840, 3000, {0.014_x, 0.00014_x, 108}, {0.013_x, 0.00011_x, 123}, {-0.012_x, -0.00017_x, 103}, {0.014_x, 0.00014_x, 108}},
};

// sin(i pi / (2R)): 0 on the bottom row, rising towards the top; the bottom
// and top rows themselves are transparent.
Extended EdgeWeight(int i, int rows) {
  if (i == 0 || i == rows) return 0;
  return std::fabs(std::sin(Extended(i) * (Pi / 2) / Extended(rows) + Pi));
}

void BuildGrid(CurtainSize size) {
  const Extended aspect = SceneParams.Aspect;
  const Extended rows = size.Rows, columns = size.Columns;
  for (int i = 0; i <= size.Rows; ++i) {
    // +1 on even rows, -1 on odd ones: neighbouring rows sit half a cell apart.
    const Extended stagger = std::cos(Extended(i) * Pi) / (4 * columns);
    const Extended rest = (Extended(i) / rows - 0.5_x) * 4.2_x;
    const Extended weight = EdgeWeight(i, size.Rows);
    for (int j = 0; j <= size.Columns; ++j) {
      CurtainVertex& v = CurtainGrid[i][j];
      v.x = (stagger + Extended(j) / columns - 0.5_x) * 4.2_x * aspect;
      v.RestHeight = v.Height = rest;
      v.Depth = 1;
      v.EdgeWeight = weight;
    }
  }
}

void DrawStartValues() {
  Wave* waves = SceneParams.Waves;
  for (int w = 0; w < 3; ++w) waves[w].Phase = Extended(Random(Rules[w].PhaseDraws)) / Rules[w].PhaseDivisor;
  for (int w = 0; w < 3; ++w) waves[w].Speed = Rules[w].Start.Draw();
  ColourPattern = 1 + Random(10);
}

// Pattern 8's channel.
Extended Ridge(Extended t) {
  const Extended s = std::sin(Pi * t), c = std::cos(2 * Pi * t);
  return (s + std::fabs(t)) / (c * c + std::fabs(s) + 0.0001_x);
}

// 2 -> 2 - t, and so on: folds the part above 1 (up to 5) back into 0..1.
Extended FoldAbove(Extended t, int from) {
  for (int k = from; k >= 1; --k)
    if (t > k) t = 2 * k - t;
  return t;
}

// The distance from t to the nearest even number. For 0 <= t <= 9 this is
// what the folds above give, 0 at the even and 1 at the odd numbers; it is
// worked out without their data-dependent branches, and every step is exact
// (t / 2, the rounding, the doubling, and a difference of at most 1), so the
// value is the very one the folds produce. std::rint rounds to nearest under
// the scene's control word; how it breaks a tie does not matter here.
Extended DistanceToEven(Extended t) { return std::fabs(t - 2 * std::rint(t / 2)); }

}  // namespace

CurtainSize CurrentCurtainSize() {
  const int rows = std::min<int>(SceneParams.CurtainRows, CurtainMaxRows);
  const int columns = std::min<int>(SceneParams.CurtainColumns, CurtainMaxColumns);
  if (rows < 1 || columns < 1) return {};
  return {rows, columns};
}

ColourSeed CurtainSeed(int pattern, Extended d, Extended e, Extended h) {
  using std::cos, std::sin, std::sqrt, std::fabs;
  const Extended p = Pi;
  switch (pattern) {
    case 1: {
      const Extended a = sin(p * d), b = sin(p * e), c = sin(p * h);
      return {a + (cos(3 * p * c) + sin(b)) / 3, b + (cos(3 * p * a) + sin(c)) / 3,
              c + (cos(3 * p * b) + sin(a)) / 3};
    }
    case 2:
      return {cos(p * d) * sin(2 * p * e) + sin(4 * p * h) / 2, sin(p * e) * sin(2 * p * d) + sin(4 * p * d) / 2,
              cos(p * e) + sin(4 * p * e) / 2};
    case 3:
      return {cos(2 * p * d) * sin(2 * p * e) + sin(6 * p * d) / 4,
              sin(2 * p * e) * sin(2 * p * d) + sin(8 * p * e) / 4, cos(p * e) + sin(10 * p * h) / 4};
    case 4:
      return {sin(cos(p * d) + sin(8 * p * e) / 5), sin(sin(p * d) + sin(6 * p * e) / 5),
              sin(cos(2 * p * e) + sin(5 * p * d) / 5)};
    case 5:
      return {cos(p * d) * sin(p * e), sin(p * d) * sin(p * e), cos(p * h)};
    case 6:
      return {sin(2 * p * d) + sin(5 * p * h) / 3, sin(2 * p * e) + sin(5 * p * d) / 3,
              sin(2 * p * h) + sin(5 * p * e) / 3};
    case 7:
      return {cos(p * d) * sin(2 * p * e), sin(3 * p * d) * sin(4 * p * e), cos(5 * p * h)};
    case 8:
      return {Ridge(d), Ridge(e), Ridge(h)};
    case 9:
      return {cos(4 * p * d) / sqrt(fabs(2 * h) + 0.2_x), cos(p * e) / sqrt(fabs(2 * d) + 0.2_x),
              cos(4 * p * h) / sqrt(fabs(2 * e) + 0.2_x)};
    case 10: {
      const Extended a = 5 * p * fabs(d), b = 5 * p * fabs(e), c = 5 * p * fabs(h);
      const Extended pp = a + 1.8_x - fabs(sin(c));
      const Extended q = b + 1.8_x + fabs(sin(pp));
      const Extended t = c + 1.8_x - fabs(sin(q));
      return {sqrt(fabs(pp) + 0.0000001_x), sqrt(fabs(q) + 0.0000001_x), sqrt(fabs(t) + 0.0000001_x)};
    }
    default:
      return {};
  }
}

void SeedCurtain(int pattern) {
  const CurtainSize size = CurrentCurtainSize();
  if (size.Rows == 0) return;
  for (int i = 0; i <= size.Rows; ++i) {
    const Extended e = std::fabs(Extended(i) / Extended(size.Rows) - 0.5_x);
    for (int j = 0; j <= size.Columns; ++j) {
      CurtainVertex& v = CurtainGrid[i][j];
      const Extended d = v.x / 10;
      const Extended h = std::sqrt(d * d + e * e + 0.000001_x) / 1.42_x;
      const ColourSeed seed = CurtainSeed(pattern, d, e, h);
      v.S = seed.S;
      v.U = seed.U;
      v.V = seed.V;
    }
  }
}

void BuildCurtain() {
  const CurtainSize size = CurrentCurtainSize();
  if (size.Rows > 0) BuildGrid(size);
  DrawStartValues();
  SeedCurtain(ColourPattern);
}

Extended FoldColour(Extended t) {
  if (t >= 0 && t <= 10) return DistanceToEven(t);
  // Outside: reflected at 5 above 10, which leaves it negative, where no
  // fold applies; left as it is below 0.
  return t > 10 ? 10 - t : t;
}

MixingMatrix CurtainMixing(Extended alpha, Extended beta, Extended gamma) {
  const Extended ca = std::cos(alpha), sa = std::sin(alpha);
  const Extended cb = std::cos(beta), sb = std::sin(beta);
  const Extended cg = std::cos(gamma), sg = std::sin(gamma);
  // The first row's second entry ends in cos gamma where a rotation would
  // have sin gamma; that is the curtain's own mix.
  return {{{ca * cg - cb * sa * sg, sa * cg + cb * ca * cg, sb * sg},
           {-ca * sg - cb * sa * cg, -sa * sg + cb * ca * cg, sb * cg},
           {sb * sa, -sb * ca, cb}}};
}

void AdvanceCurtainPhases() {
  Wave* waves = SceneParams.Waves;
  for (int w = 0; w < 3; ++w)
    if (waves[w].Speed == 0) waves[w].Speed = Rules[w].Guard.Draw();
  for (int w = 0; w < 3; ++w) {
    Wave& wave = waves[w];
    wave.Phase += wave.Speed / 2;
    if (wave.Phase > TwoPi)
      wave.Speed = Rules[w].AboveTwoPi.Draw();
    else if (wave.Phase < 0)
      wave.Speed = Rules[w].BelowZero.Draw();
  }
}

namespace {

// Each vertex as it goes to OpenGL: rounded to single precision once a frame,
// as it is recoloured, and read by its six triangles.
struct CurtainCorner {
  Vector3f Position;
  Colour4f Colour;
};
CurtainCorner CurtainCorners[CurtainMaxRows + 1][CurtainMaxColumns + 1];

void SendTriangle(const CurtainCorner& a, const CurtainCorner& b, const CurtainCorner& c) {
  SendFaceNormalTriangle(a.Position, a.Colour, b.Position, b.Colour, c.Position, c.Colour);
}

}  // namespace

void RecolourCurtain(const MixingMatrix& mixing) {
  const CurtainSize size = CurrentCurtainSize();
  const auto& m = mixing.m;
  for (int i = 0; i <= size.Rows; ++i) {
    const bool edgeRow = i == 0 || i == size.Rows;
    for (int j = 0; j <= size.Columns; ++j) {
      CurtainVertex& v = CurtainGrid[i][j];
      const Extended v1 = std::fabs(m[0][0] * v.S + m[0][1] * v.U + m[0][2] * v.V);
      const Extended v2 = std::fabs(m[1][0] * v.S + m[1][1] * v.U + m[1][2] * v.V);
      const Extended v3 = std::fabs(m[2][0] * v.S + m[2][1] * v.U + m[2][2] * v.V);
      v.Red = FoldColour(v1);
      v.Green = FoldColour(v2);
      v.Blue = FoldColour(v3);
      v.Height = edgeRow ? v.RestHeight : v.RestHeight + v2 / 3;
      const Extended opacity = (v.Red + v.Green + v.Blue) / 1.6_x * v.EdgeWeight;
      v.Alpha = opacity >= 0 && opacity <= 9 ? DistanceToEven(opacity) : std::fabs(FoldAbove(opacity, 4));
      CurtainCorners[i][j] = {ToVector3f(v.x, v.Height, v.Depth), ToColour4f(v.Red, v.Green, v.Blue, v.Alpha)};
    }
  }
}

void EmitCurtain() {
  const CurtainSize size = CurrentCurtainSize();
  glBegin(GL_TRIANGLES);
  for (int i = 0; i < size.Rows; ++i) {
    const CurtainCorner* lower = CurtainCorners[i];
    const CurtainCorner* upper = CurtainCorners[i + 1];
    for (int j = 0; j < size.Columns; ++j) {
      const CurtainCorner &p00 = lower[j], &p01 = lower[j + 1], &p11 = upper[j + 1], &p10 = upper[j];
      // The short diagonal of the staggered rows: even rows lean right, odd
      // rows left.
      if (i % 2 == 0) {
        SendTriangle(p00, p01, p11);
        SendTriangle(p11, p10, p00);
      } else {
        SendTriangle(p00, p01, p10);
        SendTriangle(p10, p01, p11);
      }
    }
  }
  glEnd();
}

void DrawCurtain() {
  AdvanceCurtainPhases();
  const Wave* waves = SceneParams.Waves;
  RecolourCurtain(CurtainMixing(waves[0].Phase, waves[1].Phase, waves[2].Phase));

  glPushMatrix();
  glTranslatef(0.0f, 0.0f, -6.0f);
  EmitCurtain();
  glPopMatrix();
}
