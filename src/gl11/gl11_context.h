// The OpenGL 1.1 layer's side in the OpenGL ES 3 / WebGL 2 context: the
// fixed-function program, the stream buffer every immediate bracket goes
// through in one upload and one draw, the buffers of the brackets kept in
// display lists, and the context state OpenGL 1.1 shares with ES.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "gl11/gl11_matrix.h"
#include "gl11/gl11_shaders.h"
#include "gl11/gl11_state.h"

struct Vertex {
  float Position[3];
  float Normal[3];
  float Colour[4];
};

// One glBegin/glEnd bracket compiled into a list. The first
// InheritedColours vertices take the colour current when the list runs (no
// colour was given in the bracket before them); the same for normals.
struct ListBracket {
  GLenum Mode = GL_TRIANGLES;
  std::vector<Vertex> Vertices;
  std::size_t InheritedColours = 0, InheritedNormals = 0;
  bool SetsColour = false, SetsNormal = false;  // the current values after the bracket
  Vec4 LastColour{};
  std::array<float, 3> LastNormal{};
  GLuint Buffer = 0, VertexArray = 0;  // in the current context, 0 when not uploaded
};

// What a draw reads of the OpenGL 1.1 state. The versions move whenever the
// matrices, or the lighting and normalisation, change.
struct DrawInputs {
  const Matrix4& ModelView;
  const Matrix4& Projection;
  const LightingState& Lighting;
  bool Normalize;
  unsigned MatrixVersion, LightingVersion;
};

// The ES mode a bracket of OpenGL 1.1 mode `mode` is drawn with (quads as
// triangles, once split); false for no such mode.
bool DrawableMode(GLenum mode, GLenum& drawn);
// Each quad a, b, c, d as the triangles a, b, c and a, c, d.
void SplitQuads(std::vector<Vertex>& vertices);

class EsBackend {
 public:
  // Builds the program and the stream buffer in the current context; the
  // objects of an earlier context are forgotten, not deleted. False when the
  // program cannot be built: nothing is drawn then.
  bool Build();
  // Sets the context to the kept state of every group the context holds.
  void ApplyState(const AttribState& state) const;
  static void SetCap(GLenum cap, bool on);
  // A buffer of its own for a list bracket (left without one when its
  // colours or normals are partly inherited, or it has quads: it is then
  // streamed each time it runs).
  void Upload(ListBracket& bracket);
  static void Release(ListBracket& bracket);
  // One upload and one draw.
  void DrawStreamed(GLenum mode, const std::vector<Vertex>& vertices, const DrawInputs& in);
  // A list bracket, its inherited values from the current colour and normal.
  void DrawBracket(const ListBracket& bracket, const Vec4& colour, const std::array<float, 3>& normal,
                   const DrawInputs& in);

  Gl11Counters Counts;

 private:
  // Brings the program's uniforms up to the kept state.
  bool Prepare(const DrawInputs& in);

  FixedFunctionProgram program_;
  GLuint streamBuffer_ = 0, streamArray_ = 0;
  unsigned uploadedMatrices_ = 0, uploadedLighting_ = 0;
};
