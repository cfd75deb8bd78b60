// The layer's shader programs: OpenGL 1.1's transform and per-vertex lighting
// in the vertex shader (GLSL ES 3.00, for WebGL 2 and OpenGL ES 3 alike), the
// interpolated colour in the fragment shader. As drivers do for their own
// fixed function, each program is generated for one fixed-function state, its
// key: only the lights that are on, each with the work of its kind unrolled
// (no loop, no branch on state at run time), two-sided lighting, the local
// viewer, the highlight and normalisation only where the state asks for them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gl11/gl11_matrix.h"
#include "gl11/gl11_state.h"

// Vertex attribute locations.
inline constexpr GLuint PositionAttribute = 0;
inline constexpr GLuint NormalAttribute = 1;
inline constexpr GLuint ColourAttribute = 2;

// What of the fixed-function state changes a program's work, in bits:
// lighting; and with lighting on, normalisation, colour material, local
// viewer, two-sided lighting, a highlight (a light with a specular colour
// on a face with a specular material), and four bits per light: on,
// positional, a spot cone, attenuation (the last two for positional lights
// only). With lighting off the key is 0, whatever the rest.
using ProgramKey = std::uint64_t;
namespace key {
inline constexpr ProgramKey Lighting = 1, Normalize = 2, ColourMaterial = 4, LocalViewer = 8, TwoSide = 16,
                            Highlight = 32;
inline constexpr int LightShift = 8;
inline constexpr ProgramKey LightOn = 1, Positional = 2, Spot = 4, Attenuation = 8;
inline constexpr ProgramKey LightBits(int light, ProgramKey bits) { return bits << (LightShift + 4 * light); }
}  // namespace key

ProgramKey KeyOf(const LightingState& lighting, bool normalize);
// The key written out, e.g. "lit normalize colour-material local-viewer
// highlight light0:positional", or "unlit".
std::string DescribeKey(ProgramKey key);
// The vertex shader's source for a key.
std::string VertexShaderSource(ProgramKey key);

// Whether the key's programs light their vertices (and so are worth
// shading once for brackets drawn again unchanged).
inline bool Lit(ProgramKey key) { return (key & key::Lighting) != 0; }
// What a program of the key writes for each vertex, shaded once: the clip
// position and the front colour, and the back colour with two-sided
// lighting; in floats.
int ShadedFloats(ProgramKey key);
// The program that draws vertices shaded once: the clip position and
// colours come from the attributes as the key's program wrote them. Built in
// the current context; 0 when that fails (its log on the standard error).
GLuint BuildShadedProgram(ProgramKey key);

class FixedFunctionProgram {
 public:
  // `writesShaded`: the program also writes what it computes for each vertex
  // into transform feedback buffers (ShadedFloats, interleaved), for the
  // layer to shade a bracket once.
  explicit FixedFunctionProgram(ProgramKey key, bool writesShaded = false) : key_(key), writesShaded_(writesShaded) {}
  // Compiles and links in the current context; false (and no program) when
  // that fails, the info log then on the standard error (the browser's
  // console on the web).
  bool Build();
  bool Built() const { return program_ != 0; }
  ProgramKey Key() const { return key_; }
  bool WritesShaded() const { return writesShaded_; }
  // Every uniform value the program holds, appended to `out` (each one's
  // length first): equal for two draws exactly when the program shades a
  // vertex the same way for both.
  void HeldValues(std::vector<float>& out) const;
  GLuint Name() const { return program_; }
  // The stage that failed the last Build ("vertex shader", "fragment
  // shader" or "program link"); empty when it did not fail.
  const char* Failure() const { return failure_; }
  void Delete();
  // Each uniform is sent only when its value differs from the one this
  // program holds.
  void SetMatrices(const Matrix4& modelViewProjection, const Matrix4& modelView, const std::array<float, 9>& normal);
  void SetLighting(const LightingState& lighting);

  // The layer's matrix and lighting versions this program's uniforms were
  // last brought up to.
  unsigned MatrixVersion = 0, LightingVersion = 0;

 private:
  struct Uniform {
    GLint Location = -1;
    std::vector<float> Sent;  // the value the program holds; empty: none yet
  };
  // Whether `value` differs from what `u` holds; it is kept as held.
  static bool Differs(Uniform& u, const float* value, std::size_t count);
  void Vector(Uniform& u, const float* v, int count);

  ProgramKey key_;
  bool writesShaded_;
  GLuint program_ = 0;
  const char* failure_ = "";
  Uniform mvp_, modelView_, normalMatrix_, modelAmbient_, emission_, ambient_, diffuse_, specular_, shininess_;
  struct LightUniforms {
    Uniform Ambient, Diffuse, Specular, Position, Spot, Range;
  };
  std::array<LightUniforms, MaxLights> lights_;
};
