// The backdrop curtain: a translucent, staggered triangle sheet the size of
// the view, hung behind everything else. Every vertex keeps a fixed colour
// seed; every frame a slowly turning mixing matrix turns the seeds into
// colours, folds them into 0..1 and lifts the vertices by a third of the
// second mixed channel, so that colour bands drift and the sheet ripples.
#pragma once

#include <cstdint>

#include "base/extended.h"

// The table is dimensioned for the full screen (20 rows of 100 cells); the
// preview's 10 x 50 uses its lower left part.
inline constexpr int CurtainMaxRows = 20;
inline constexpr int CurtainMaxColumns = 100;

struct CurtainVertex {
  Extended x = 0;           // fixed
  Extended RestHeight = 0;  // fixed
  Extended Height = 0;      // rest height, lifted every frame
  Extended Depth = 0;       // z before the sheet's translation; fixed
  Extended EdgeWeight = 0;  // the row's alpha weight, 0..1; fixed
  Extended S = 0, U = 0, V = 0;  // colour seed; fixed
  Extended Red = 0, Green = 0, Blue = 0, Alpha = 0;  // recomputed every frame
};

// Vertex (i, j): row i = 0..R from the bottom, column j = 0..C from the left.
extern CurtainVertex CurtainGrid[CurtainMaxRows + 1][CurtainMaxColumns + 1];

// 1..10: which of the seed patterns the grid was built with.
extern std::int32_t ColourPattern;

// The grid's sizes as SceneParams gives them, kept within the table.
struct CurtainSize {
  int Rows = 0, Columns = 0;  // cells; both 0 when there is nothing to build
};
CurtainSize CurrentCurtainSize();

// Fills CurtainGrid from SceneParams' Aspect and curtain sizes, replaces the
// three wave phases with the curtain's own, gives the waves their speeds and
// draws ColourPattern. The last of the geometry builders.
void BuildCurtain();

// Advances the phases, recolours and lifts every vertex and draws the sheet,
// additively blended by the frame, in one GL_TRIANGLES bracket at depth -5.
// Leaves the model-view matrix as it found it.
void DrawCurtain();

// ---- The steps of the two above, for tests and benchmarks.

struct ColourSeed {
  Extended S = 0, U = 0, V = 0;
};

// The seed of pattern 1..10 at the seed inputs d = x / 10, e = |i / R - 0.5|
// and h = sqrt(d^2 + e^2 + 0.000001) / 1.42.
ColourSeed CurtainSeed(int pattern, Extended d, Extended e, Extended h);

// Gives every vertex of the built grid its seed by `pattern`.
void SeedCurtain(int pattern);

// The triangle wave of period 2 for 0 <= t <= 10 (0 at even, 1 at odd
// numbers); negative above 10.
Extended FoldColour(Extended t);

struct MixingMatrix {
  Extended m[3][3];
};

// The matrix that mixes the seeds, from the three phases.
MixingMatrix CurtainMixing(Extended alpha, Extended beta, Extended gamma);

// The rate guards, then each phase advanced by half its rate and turned back
// at 0 and 2 pi with a fresh random rate.
void AdvanceCurtainPhases();

// Every vertex's colour, alpha and height from its seed, and its position
// and colour in single precision, as the triangles will send them.
void RecolourCurtain(const MixingMatrix& mixing);

// The sheet's triangles as the last RecolourCurtain left them, under the
// caller's matrix.
void EmitCurtain();
