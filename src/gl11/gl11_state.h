// The OpenGL 1.1 state the layer keeps on the CPU, grouped as glPushAttrib
// saves it, with OpenGL's initial values.
#pragma once

#include <array>

#define QUILLMOOR_GL11_IMPLEMENTATION
#include "gl11/gl11.h"

using Vec4 = std::array<float, 4>;

inline constexpr int MaxLights = 8;

struct Light {
  bool Enabled = false;
  Vec4 Ambient{0, 0, 0, 1};
  Vec4 Diffuse{0, 0, 0, 1};   // light 0: white
  Vec4 Specular{0, 0, 0, 1};  // light 0: white
  Vec4 Position{0, 0, 1, 0};  // in eye coordinates, as given under the model-view matrix of its time
  std::array<float, 3> SpotDirection{0, 0, -1};  // likewise (upper 3x3 only)
  float SpotExponent = 0;
  float SpotCutoff = 180;
  float Attenuation[3] = {1, 0, 0};  // constant, linear, quadratic
};

struct Material {
  Vec4 Ambient{0.2f, 0.2f, 0.2f, 1};
  Vec4 Diffuse{0.8f, 0.8f, 0.8f, 1};
  Vec4 Specular{0, 0, 0, 1};
  Vec4 Emission{0, 0, 0, 1};
  float Shininess = 0;
};

// GL_LIGHTING_BIT
struct LightingState {
  bool Lighting = false;
  bool ColourMaterial = false;  // ambient and diffuse, front and back (OpenGL's default mode)
  Light Lights[MaxLights];
  Material Materials[2];  // front, back
  Vec4 ModelAmbient{0.2f, 0.2f, 0.2f, 1};
  bool LocalViewer = false;
  bool TwoSide = false;

  LightingState() {
    Lights[0].Diffuse = {1, 1, 1, 1};
    Lights[0].Specular = {1, 1, 1, 1};
  }
};

// Every group glPushAttrib can save.
struct AttribState {
  // GL_CURRENT_BIT: the colour and normal, kept in qm_immediate (gl11.h)
  // GL_COLOR_BUFFER_BIT
  bool Blend = false, Dither = true;
  GLenum BlendSource = GL_ONE, BlendDestination = GL_ZERO;
  Vec4 ClearColour{0, 0, 0, 0};
  // GL_DEPTH_BUFFER_BIT
  bool DepthTest = false;
  // GL_POLYGON_BIT
  bool CullFace = false;
  GLenum CullFaceMode = GL_BACK;
  // GL_SCISSOR_BIT
  bool ScissorTest = false;
  GLint Scissor[4] = {0, 0, 0, 0};
  // GL_VIEWPORT_BIT
  GLint Viewport[4] = {0, 0, 0, 0};
  // GL_TRANSFORM_BIT
  GLenum MatrixMode = GL_MODELVIEW;
  bool Normalize = false;
  // GL_LIST_BIT
  GLuint ListBase = 0;
  // GL_LIGHTING_BIT
  LightingState Lighting;
};
