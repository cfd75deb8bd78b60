// Creating the scene for a window: the scene parameters, the random seed, the
// geometry (built once, in a fixed order), the date; then, once the window has
// a rendering context, the OpenGL state every frame relies on.
#pragma once

#include <cstdint>
#include <optional>

#include "frame/frame.h"

// The window creation's scene work (full screen: after the client size is set
// and before the pointer is recorded; preview: after the window exists), for
// a drawing area of width x height: the scene is laid out for the band of it
// that SceneAreaFor gives. Without a seed the generator is seeded from the
// time of day.
void CreateScene(SceneKind kind, int width, int height, std::optional<std::uint64_t> seed = std::nullopt);

// The window's own random start values, drawn in this order: the three wave
// phases (which the ground reads and the curtain then replaces), then the
// three sway steps.
void DrawPhasesAndSwaySteps(SceneKind kind);

// Every flake generated in turn and then given its start: x and z drawn
// afresh, a height from 1.000 to 2.999, so that the flakes come into view at
// different times, and a spin of 0, so that all of them turn in step. Part of
// CreateScene, right after the geometry.
void PlaceFlakes();

// The context set-up after the context is current: InitGL, then the clear
// colour (0, 0, 0.2, 0).
void SetUpRenderingState(SceneKind kind, int width, int height);

// The fixed-function state: projection (ApplySceneArea), colour material,
// back-face cull mode, normalisation, blending, the light and the material,
// the light model, and the window's outline font.
void InitGL(SceneKind kind, int width, int height);

// Light 0 and front material vectors, filled by InitGL and handed to OpenGL by
// address.
struct LightingVectors {
  float LightAmbient[4];
  float LightDiffuse[4];
  float LightSpecular[4];
  float LightPosition[4];
  float LightSpotDirection[3];
  float MaterialAmbient[4];
  float MaterialDiffuse[4];
  float MaterialSpecular[4];
  float MaterialEmission[4];
  float MaterialShininess;
};
extern LightingVectors Lighting;
