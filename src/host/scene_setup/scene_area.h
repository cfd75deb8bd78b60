// Where in a drawing area the scene is drawn. The scene's layout (the clock at
// 0.28 x the aspect to the right of the centre, its size a share of the
// height, a 45-degree vertical field of view) fits areas at least as wide as
// 4:3. A narrower area, such as a portrait monitor or a square window, gets
// the scene exactly as an area of its full width and three quarters of that
// width in height would show it: in a band of that size, centred vertically,
// with the rows above and below cleared to black on every frame.
#pragma once

#include "frame/frame.h"

struct SceneArea {
  // The band in OpenGL's window coordinates (origin at the lower left): the
  // viewport, and the size whose aspect the scene is laid out for.
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  // Whether the area is narrower than 4:3, so that the band leaves rows of
  // the area outside it.
  bool Banded = false;
};

// The band for a drawing area of width x height pixels: the whole area when
// it is at least as wide as 4:3 (or has no width); otherwise the full width,
// three quarters of it in height (rounded to the nearest pixel, halves up,
// at least one), centred with any odd pixel left at the top.
SceneArea SceneAreaFor(int width, int height);

// The projection for a drawing area of width x height, the first steps of
// InitGL and what a resize repeats: the projection matrix selected and reset,
// the viewport on the band (full screen always; the preview, which otherwise
// keeps the context's own viewport, only when banded), a 45-degree
// perspective for the band's aspect, the model-view matrix selected and
// reset. A banded area also clips drawing, the scene's clear included, to the
// band. Remembers the band in CurrentSceneArea.
void ApplySceneArea(SceneKind kind, int width, int height);

// The band the projection was last set up for.
extern SceneArea CurrentSceneArea;

// Before each frame of a banded area: clears the rows outside the band to
// black and leaves the scene's clear colour and its clipping to the band as
// they were. Nothing for an area drawn whole.
void ClearAroundScene();
