// The one shader pair behind every draw of the layer: OpenGL 1.1's transform
// and per-vertex lighting in the vertex shader (GLSL ES 3.00, for WebGL 2 and
// OpenGL ES 3 alike), the interpolated colour in the fragment shader.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "gl11/gl11_matrix.h"
#include "gl11/gl11_state.h"

// Vertex attribute locations.
inline constexpr GLuint PositionAttribute = 0;
inline constexpr GLuint NormalAttribute = 1;
inline constexpr GLuint ColourAttribute = 2;

class FixedFunctionProgram {
 public:
  // Compiles and links in the current context; false (and no program) when
  // that fails, the info log then on the standard error (the browser's
  // console on the web). Forgets any program of an earlier context without
  // deleting it.
  bool Build();
  bool Built() const { return program_ != 0; }
  // The stage that failed the last Build ("vertex shader", "fragment
  // shader" or "program link"); empty when it did not fail.
  const char* Failure() const { return failure_; }
  void Delete();
  void Use() const;
  // Each uniform is sent only when its value differs from the one it has.
  void SetMatrices(const Matrix4& modelViewProjection, const Matrix4& modelView, const std::array<float, 9>& normal);
  void SetLighting(const LightingState& lighting, bool normalize);

 private:
  enum Uniform { Mvp, ModelView, NormalMatrix3, Lighting, Normalize, ColourMaterial, LocalViewer, TwoSide,
                 ModelAmbient, Emission, Ambient, Diffuse, Specular, Shininess, LightCount, LightAmbient,
                 LightDiffuse, LightSpecular, LightPosition, Spot, LightRange, UniformCount };
  // Whether `value` differs from what uniform `u` holds; it is kept as held.
  bool Differs(Uniform u, const float* value, std::size_t count);

  GLuint program_ = 0;
  const char* failure_ = "";
  std::array<std::vector<float>, UniformCount> sent_;
  GLint mvp_ = -1, modelView_ = -1, normalMatrix_ = -1;
  GLint lighting_ = -1, normalize_ = -1, colourMaterial_ = -1, localViewer_ = -1, twoSide_ = -1;
  GLint modelAmbient_ = -1, emission_ = -1, ambient_ = -1, diffuse_ = -1, specular_ = -1, shininess_ = -1;
  GLint lightCount_ = -1, lightAmbient_ = -1, lightDiffuse_ = -1, lightSpecular_ = -1, lightPosition_ = -1;
  GLint spot_ = -1, lightRange_ = -1;
};
