#include "gl11/gl11_context.h"

#include <algorithm>

namespace {

void PointAttributes(bool normals, bool colours) {
  const GLsizei stride = sizeof(Vertex);
  const auto at = [](std::size_t offset) { return reinterpret_cast<const void*>(offset); };
  glEnableVertexAttribArray(PositionAttribute);
  glVertexAttribPointer(PositionAttribute, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(Vertex, Position)));
  if (normals) {
    glEnableVertexAttribArray(NormalAttribute);
    glVertexAttribPointer(NormalAttribute, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(Vertex, Normal)));
  }
  if (colours) {
    glEnableVertexAttribArray(ColourAttribute);
    glVertexAttribPointer(ColourAttribute, 4, GL_FLOAT, GL_FALSE, stride, at(offsetof(Vertex, Colour)));
  }
}

// A list bracket whose colours (and normals) are either all its own or all
// inherited is drawn from a buffer of its own; inherited values then come in
// as the attribute's constant value.
bool DrawsFromOwnBuffer(const ListBracket& b) {
  const std::size_t n = b.Vertices.size();
  return b.Mode != GL_QUADS && (b.InheritedColours == 0 || b.InheritedColours == n) &&
         (b.InheritedNormals == 0 || b.InheritedNormals == n);
}

}  // namespace

bool DrawableMode(GLenum mode, GLenum& drawn) {
  switch (mode) {
    case GL_POINTS: case GL_LINES: case GL_LINE_LOOP: case GL_LINE_STRIP:
    case GL_TRIANGLES: case GL_TRIANGLE_STRIP: case GL_TRIANGLE_FAN:
      drawn = mode;
      return true;
    case GL_QUADS: drawn = GL_TRIANGLES; return true;
    case GL_QUAD_STRIP: drawn = GL_TRIANGLE_STRIP; return true;
    case GL_POLYGON: drawn = GL_TRIANGLE_FAN; return true;
    default: return false;
  }
}

void SplitQuads(std::vector<Vertex>& v) {
  std::vector<Vertex> t;
  t.reserve(v.size() / 4 * 6);
  for (std::size_t q = 0; q + 4 <= v.size(); q += 4)
    for (std::size_t k : {0, 1, 2, 0, 2, 3}) t.push_back(v[q + k]);
  v.swap(t);
}

bool EsBackend::Build() {
  streamBuffer_ = streamArray_ = 0;
  uploadedMatrices_ = uploadedLighting_ = 0;
  if (!program_.Build()) return false;
  glGenVertexArrays(1, &streamArray_);
  glGenBuffers(1, &streamBuffer_);
  glBindVertexArray(streamArray_);
  glBindBuffer(GL_ARRAY_BUFFER, streamBuffer_);
  PointAttributes(true, true);
  glBindVertexArray(0);
  return true;
}

void EsBackend::SetCap(GLenum cap, bool on) { on ? glEnable(cap) : glDisable(cap); }

void EsBackend::ApplyState(const AttribState& s) const {
  SetCap(GL_BLEND, s.Blend);
  SetCap(GL_DITHER, s.Dither);
  SetCap(GL_DEPTH_TEST, s.DepthTest);
  SetCap(GL_CULL_FACE, s.CullFace);
  SetCap(GL_SCISSOR_TEST, s.ScissorTest);
  glBlendFunc(s.BlendSource, s.BlendDestination);
  glCullFace(s.CullFaceMode);
  glClearColor(s.ClearColour[0], s.ClearColour[1], s.ClearColour[2], s.ClearColour[3]);
  glScissor(s.Scissor[0], s.Scissor[1], s.Scissor[2], s.Scissor[3]);
  glViewport(s.Viewport[0], s.Viewport[1], s.Viewport[2], s.Viewport[3]);
}

void EsBackend::Upload(ListBracket& b) {
  b.Buffer = b.VertexArray = 0;
  if (!program_.Built() || b.Vertices.empty() || !DrawsFromOwnBuffer(b)) return;
  glGenVertexArrays(1, &b.VertexArray);
  glGenBuffers(1, &b.Buffer);
  glBindVertexArray(b.VertexArray);
  glBindBuffer(GL_ARRAY_BUFFER, b.Buffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(b.Vertices.size() * sizeof(Vertex)), b.Vertices.data(),
               GL_STATIC_DRAW);
  ++Counts.Uploads;
  PointAttributes(b.InheritedNormals == 0, b.InheritedColours == 0);
  glBindVertexArray(0);
}

void EsBackend::Release(ListBracket& b) {
  if (b.Buffer) glDeleteBuffers(1, &b.Buffer);
  if (b.VertexArray) glDeleteVertexArrays(1, &b.VertexArray);
  b.Buffer = b.VertexArray = 0;
}

bool EsBackend::Prepare(const DrawInputs& in) {
  if (!program_.Built()) return false;
  program_.Use();
  if (uploadedMatrices_ != in.MatrixVersion) {
    program_.SetMatrices(MultiplyMatrices(in.Projection, in.ModelView), in.ModelView, NormalMatrix(in.ModelView));
    uploadedMatrices_ = in.MatrixVersion;
  }
  if (uploadedLighting_ != in.LightingVersion) {
    program_.SetLighting(in.Lighting, in.Normalize);
    uploadedLighting_ = in.LightingVersion;
  }
  return true;
}

void EsBackend::DrawStreamed(GLenum mode, const std::vector<Vertex>& vertices, const DrawInputs& in) {
  if (vertices.empty() || !Prepare(in)) return;
  glBindVertexArray(streamArray_);
  glBindBuffer(GL_ARRAY_BUFFER, streamBuffer_);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)), vertices.data(),
               GL_STREAM_DRAW);
  ++Counts.Uploads;
  glDrawArrays(mode, 0, static_cast<GLsizei>(vertices.size()));
  ++Counts.Draws;
  glBindVertexArray(0);
}

void EsBackend::DrawBracket(const ListBracket& b, const Vec4& colour, const std::array<float, 3>& normal,
                              const DrawInputs& in) {
  if (b.Vertices.empty()) return;
  GLenum drawn = GL_TRIANGLES;
  DrawableMode(b.Mode, drawn);
  if (b.Buffer == 0) {
    std::vector<Vertex> v = b.Vertices;
    for (std::size_t i = 0; i < b.InheritedColours; ++i) std::copy_n(colour.data(), 4, v[i].Colour);
    for (std::size_t i = 0; i < b.InheritedNormals; ++i) std::copy_n(normal.data(), 3, v[i].Normal);
    if (b.Mode == GL_QUADS) SplitQuads(v);
    DrawStreamed(drawn, v, in);
    return;
  }
  if (!Prepare(in)) return;
  glBindVertexArray(b.VertexArray);
  if (b.InheritedNormals) glVertexAttrib4f(NormalAttribute, normal[0], normal[1], normal[2], 1);
  if (b.InheritedColours) glVertexAttrib4fv(ColourAttribute, colour.data());
  glDrawArrays(drawn, 0, static_cast<GLsizei>(b.Vertices.size()));
  ++Counts.Draws;
  glBindVertexArray(0);
}
