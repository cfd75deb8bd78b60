#include "gl11/gl11_context.h"

#include <algorithm>
#include <cstring>

namespace {

// More than this many bytes of kept brackets (drawn outside lists) and those
// not drawn in the current frame give up their place at once, for a host
// that never clears.
constexpr std::size_t MaxKeptBytes = std::size_t(256) << 20;
// A buffer of more than this many bytes gives up its storage when it goes
// into the pool.
constexpr std::size_t PooledBytes = std::size_t(64) << 10;

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

// Colours or normals inherited by some of a list bracket's vertices but not
// all: the bracket is then held resolved for the values it last ran with.
// Inherited by all, they come in as the attribute's constant value.
bool PartlyInherited(const ListBracket& b) {
  const std::size_t n = b.Vertices.size();
  return (b.InheritedColours > 0 && b.InheritedColours < n) || (b.InheritedNormals > 0 && b.InheritedNormals < n);
}

// A quad strip's vertices that make whole quads: an odd last one makes none.
std::size_t QuadStripCount(std::size_t vertices) { return vertices < 4 ? 0 : vertices & ~std::size_t(1); }

// The attributes a list bracket's vertex array points at: those its
// vertices do not all inherit (all of them when it is held resolved).
std::pair<bool, bool> ListAttributes(const ListBracket& b) {
  const std::size_t n = b.Vertices.size();
  const bool partly = PartlyInherited(b);
  return {partly || b.InheritedNormals < n, partly || b.InheritedColours < n};
}

std::size_t DrawnCount(GLenum mode, std::size_t vertices) {
  return mode == GL_QUADS ? vertices / 4 * 6 : mode == GL_QUAD_STRIP ? QuadStripCount(vertices) : vertices;
}

// A bracket's print: its mode, its length and eight of its vertices spread
// over it. Brackets with the same print are compared in full.
std::uint64_t PrintOf(GLenum mode, const std::vector<Vertex>& v) {
  std::uint64_t h = 1469598103934665603ull;
  const auto mix = [&h](const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) h = (h ^ bytes[i]) * 1099511628211ull;
  };
  const std::uint64_t head[2] = {mode, v.size()};
  mix(head, sizeof head);
  if (v.empty()) return h;
  for (std::size_t k = 0; k < 8; ++k) mix(&v[k * (v.size() - 1) / 7], sizeof(Vertex));
  return h;
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
  CloseExpectation();
  programs_.clear();
  program_ = nullptr;
  keyVersion_ = 0;
  live_ = false;
  failure_ = "";
  boundArray_ = 0;
  pool_.clear();
  appliedValid_ = false;
  kept_.clear();
  byPrint_.clear();
  free_.clear();
  keptBytes_ = 0;
  drewInFrame_ = false;
  ForgetOrder();
  key_ = 0;
  program_ = ProgramFor(key_);
  live_ = program_->Built();
  if (live_) glUseProgram(program_->Name());
  return live_;
}

FixedFunctionProgram* EsBackend::ProgramFor(ProgramKey key) {
  for (const auto& p : programs_)
    if (p->Key() == key) return p.get();
  // Built once per context, also when it fails (its log is printed once).
  programs_.push_back(std::make_unique<FixedFunctionProgram>(key));
  FixedFunctionProgram& p = *programs_.back();
  if (p.Build())
    ++Counts.Programs;
  else
    failure_ = p.Failure();
  return &p;
}

std::vector<ProgramKey> EsBackend::ProgramKeys() const {
  std::vector<ProgramKey> keys;
  for (const auto& p : programs_)
    if (p->Built()) keys.push_back(p->Key());
  return keys;
}

void EsBackend::DeleteAll() {
  CloseExpectation();
  // A program in use would only be flagged for deletion.
  glUseProgram(0);
  for (const auto& p : programs_) p->Delete();
  programs_.clear();
  program_ = nullptr;
  keyVersion_ = 0;
  live_ = false;
  for (Kept& k : kept_) DeleteArrays(k.Buffer, k.VertexArray);
  for (PooledArrays& p : pool_) DeleteArrays(p.Buffer, p.VertexArray);
  pool_.clear();
  kept_.clear();
  byPrint_.clear();
  free_.clear();
  keptBytes_ = 0;
  boundArray_ = 0;
  ForgetOrder();
}

void EsBackend::ApplyState(const AttribState& s) {
  const AttribState& a = applied_;
  const bool all = !appliedValid_;
  const auto cap = [all](GLenum cap, bool now, bool before) {
    if (all || now != before) now ? glEnable(cap) : glDisable(cap);
  };
  cap(GL_BLEND, s.Blend, a.Blend);
  cap(GL_DITHER, s.Dither, a.Dither);
  cap(GL_DEPTH_TEST, s.DepthTest, a.DepthTest);
  cap(GL_CULL_FACE, s.CullFace, a.CullFace);
  cap(GL_SCISSOR_TEST, s.ScissorTest, a.ScissorTest);
  if (all || s.BlendSource != a.BlendSource || s.BlendDestination != a.BlendDestination)
    glBlendFunc(s.BlendSource, s.BlendDestination);
  if (all || s.CullFaceMode != a.CullFaceMode) glCullFace(s.CullFaceMode);
  if (all || s.ClearColour != a.ClearColour)
    glClearColor(s.ClearColour[0], s.ClearColour[1], s.ClearColour[2], s.ClearColour[3]);
  if (all || !std::equal(s.Scissor, s.Scissor + 4, a.Scissor))
    glScissor(s.Scissor[0], s.Scissor[1], s.Scissor[2], s.Scissor[3]);
  if (all || !std::equal(s.Viewport, s.Viewport + 4, a.Viewport))
    glViewport(s.Viewport[0], s.Viewport[1], s.Viewport[2], s.Viewport[3]);
  // Only the groups above are the context's; the rest is the program's.
  applied_.Blend = s.Blend;
  applied_.Dither = s.Dither;
  applied_.DepthTest = s.DepthTest;
  applied_.CullFace = s.CullFace;
  applied_.ScissorTest = s.ScissorTest;
  applied_.BlendSource = s.BlendSource;
  applied_.BlendDestination = s.BlendDestination;
  applied_.CullFaceMode = s.CullFaceMode;
  applied_.ClearColour = s.ClearColour;
  std::copy_n(s.Scissor, 4, applied_.Scissor);
  std::copy_n(s.Viewport, 4, applied_.Viewport);
  appliedValid_ = true;
}

void EsBackend::BindArray(GLuint vertexArray) {
  if (vertexArray == boundArray_) return;
  glBindVertexArray(vertexArray);
  boundArray_ = vertexArray;
}

void EsBackend::Fill(GLuint buffer, const std::vector<Vertex>& vertices, GLenum usage) {
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)), vertices.data(), usage);
  ++Counts.Uploads;
}

void EsBackend::Upload(ListBracket& b) {
  b.Buffer = b.VertexArray = 0;
  b.Resolved = false;
  if (!live_ || b.Vertices.empty()) return;
  const bool partly = PartlyInherited(b);
  const auto [normals, colours] = ListAttributes(b);
  TakeArrays(b.Buffer, b.VertexArray, normals, colours);
  if (partly) return;  // filled when it first runs
  if (b.Mode == GL_QUADS) {
    std::vector<Vertex> v = b.Vertices;
    SplitQuads(v);
    Fill(b.Buffer, v, GL_STATIC_DRAW);
  } else {
    Fill(b.Buffer, b.Vertices, GL_STATIC_DRAW);
  }
}

void EsBackend::Release(ListBracket& b) {
  const auto [normals, colours] = ListAttributes(b);
  GiveBackArrays(b.Buffer, b.VertexArray, normals, colours, b.Vertices.size() * sizeof(Vertex));
  b.Resolved = false;
}

void EsBackend::TakeArrays(GLuint& buffer, GLuint& vertexArray, bool normals, bool colours) {
  if (pool_.empty()) {
    glGenVertexArrays(1, &vertexArray);
    glGenBuffers(1, &buffer);
    ++Counts.BuffersMade;
    BindArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    PointAttributes(normals, colours);
    return;
  }
  // Taken from the pool, one pointing the same attributes if there is one.
  std::size_t pick = pool_.size() - 1;
  for (std::size_t i = pool_.size(); i-- > 0;)
    if (pool_[i].Normals == normals && pool_[i].Colours == colours) {
      pick = i;
      break;
    }
  const PooledArrays p = pool_[pick];
  pool_[pick] = pool_.back();
  pool_.pop_back();
  buffer = p.Buffer;
  vertexArray = p.VertexArray;
  BindArray(vertexArray);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  if (p.Normals != normals || p.Colours != colours) {
    PointAttributes(normals, colours);
    if (!normals) glDisableVertexAttribArray(NormalAttribute);
    if (!colours) glDisableVertexAttribArray(ColourAttribute);
  }
}

void EsBackend::GiveBackArrays(GLuint& buffer, GLuint& vertexArray, bool normals, bool colours, std::size_t bytes) {
  if (buffer == 0) return;
  // Names of a context that went are forgotten.
  if (live_) {
    // A large buffer gives up its storage while it waits.
    if (bytes > PooledBytes) {
      glBindBuffer(GL_ARRAY_BUFFER, buffer);
      glBufferData(GL_ARRAY_BUFFER, 0, nullptr, GL_DYNAMIC_DRAW);
    }
    pool_.push_back({buffer, vertexArray, normals, colours});
  }
  buffer = vertexArray = 0;
}

void EsBackend::DeleteArrays(GLuint& buffer, GLuint& vertexArray) {
  if (buffer == 0) return;
  if (vertexArray == boundArray_) boundArray_ = 0;
  glDeleteBuffers(1, &buffer);
  glDeleteVertexArrays(1, &vertexArray);
  ++Counts.BuffersDeleted;
  buffer = vertexArray = 0;
}

bool EsBackend::Prepare(const DrawInputs& in) {
  if (!live_) return false;
  if (keyVersion_ != in.LightingVersion || program_ == nullptr) {
    keyVersion_ = in.LightingVersion;
    const ProgramKey key = KeyOf(in.Lighting, in.Normalize);
    if (program_ == nullptr || key != key_) {
      key_ = key;
      program_ = ProgramFor(key);
      if (program_->Built()) glUseProgram(program_->Name());
    }
  }
  FixedFunctionProgram& p = *program_;
  if (!p.Built()) return false;
  if (p.MatrixVersion != in.MatrixVersion) {
    p.SetMatrices(MultiplyMatrices(in.Projection, in.ModelView), in.ModelView, NormalMatrix(in.ModelView));
    p.MatrixVersion = in.MatrixVersion;
  }
  if (p.LightingVersion != in.LightingVersion) {
    p.SetLighting(in.Lighting);
    p.LightingVersion = in.LightingVersion;
  }
  return true;
}

void EsBackend::Unlist(std::size_t slot) {
  Kept& k = kept_[slot];
  if (!k.Listed) return;
  const auto range = byPrint_.equal_range(k.Print);
  for (auto it = range.first; it != range.second; ++it)
    if (it->second == slot) {
      byPrint_.erase(it);
      break;
    }
  k.Listed = false;
}

void EsBackend::NewFrame() {
  if (!drewInFrame_) return;  // a second clear before anything was drawn
  CloseExpectation();
  drewInFrame_ = false;
  free_.clear();
  for (std::size_t i = 0; i < kept_.size(); ++i) {
    Kept& k = kept_[i];
    if (k.LastFrame < frame_) {
      if (!k.Listed && k.Buffer) {
        // Unused for two frames: its objects wait in the pool.
        GiveBackArrays(k.Buffer, k.VertexArray, true, true, k.Vertices.size() * sizeof(Vertex));
        keptBytes_ -= k.Vertices.size() * sizeof(Vertex);
        std::vector<Vertex>().swap(k.Vertices);
        ++k.Generation;
      }
      Unlist(i);
    }
    if (!k.Listed) free_.push_back(i);
  }
  ++frame_;
  previous_.swap(order_);
  order_.clear();
  place_ = 0;
}

void EsBackend::ForgetOrder() {
  order_.clear();
  previous_.clear();
  place_ = 0;
}

// The brackets of a frame mostly come in the order of the frame before, the
// same bracket maybe several times (flakes alike). The place in that order
// moves past the bracket drawn; one drawn out of its place is looked for a
// few places either side (brackets left out or come in since), and one not
// there is taken to stand in for the one at the place.
void EsBackend::FollowOrder(std::size_t slot) {
  order_.push_back(slot);
  const std::size_t count = previous_.size();
  if (place_ < count && previous_[place_] == slot) {
    ++place_;
    return;
  }
  constexpr std::size_t Reach = 8;
  for (std::size_t step = 1; step <= Reach; ++step) {
    if (place_ + step < count && previous_[place_ + step] == slot) {
      place_ += step + 1;
      return;
    }
    if (step <= place_ && place_ - step < count && previous_[place_ - step] == slot) {
      place_ -= step - 1;
      return;
    }
  }
  ++place_;
}

std::size_t EsBackend::FreeSlot() {
  CloseExpectation();
  if (free_.empty()) {
    kept_.emplace_back();
    return kept_.size() - 1;
  }
  const std::size_t slot = free_.back();
  free_.pop_back();
  return slot;
}

void EsBackend::DrawKept(std::size_t slot) {
  Kept& k = kept_[slot];
  k.LastFrame = frame_;
  BindArray(k.VertexArray);
  glDrawArrays(k.Mode, 0, static_cast<GLsizei>(k.Vertices.size()));
  ++Counts.Draws;
  FollowOrder(slot);
}

void EsBackend::OpenExpectation(GLenum source) {
  const std::size_t slot = place_ < previous_.size() ? previous_[place_] : NoSlot;
  if (slot >= kept_.size() || !kept_[slot].Listed || kept_[slot].Source != source) return;
  const Kept& k = kept_[slot];
  expected_ = slot;
  expectedGeneration_ = k.Generation;
  qm_immediate.Next = k.Vertices.data();
  qm_immediate.End = k.Vertices.data() + k.Vertices.size();
}

void EsBackend::CloseExpectation() {
  if (expected_ == NoSlot) return;
  const Kept& k = kept_[expected_];
  // Every change to a kept bracket closes the expectation first, so the
  // slot still holds the vertices the cursor walks.
  if (k.Generation == expectedGeneration_ && qm_immediate.Next)
    gathered_.assign(k.Vertices.data(), qm_immediate.Next);
  expected_ = NoSlot;
  qm_immediate.Next = qm_immediate.End = nullptr;
}

void EsBackend::BeginBracket(GLenum mode, bool follow) {
  DropBracket();
  bracketMode_ = mode;
  // Quads are split at the end: never expected.
  if (follow && mode != GL_QUADS) OpenExpectation(mode);
}

void EsBackend::AddVertex(const Vertex& vertex) {
  CloseExpectation();
  gathered_.push_back(vertex);
}

void EsBackend::DropBracket() {
  expected_ = NoSlot;
  qm_immediate.Next = qm_immediate.End = nullptr;
  gathered_.clear();
}

void EsBackend::EndBracket(const DrawInputs& in) {
  if (expected_ != NoSlot && qm_immediate.Next == qm_immediate.End) {
    const std::size_t slot = expected_;
    DropBracket();
    if (!Prepare(in)) return;
    drewInFrame_ = true;
    ++Counts.Followed;
    DrawKept(slot);
    return;
  }
  CloseExpectation();
  GLenum drawn = GL_TRIANGLES;
  DrawableMode(bracketMode_, drawn);
  if (bracketMode_ == GL_QUADS) SplitQuads(gathered_);
  if (bracketMode_ == GL_QUAD_STRIP) gathered_.resize(QuadStripCount(gathered_.size()));
  DrawImmediate(bracketMode_, drawn, gathered_, in);
  gathered_.clear();
}

void EsBackend::DrawImmediate(GLenum source, GLenum mode, const std::vector<Vertex>& vertices, const DrawInputs& in) {
  if (vertices.empty() || !Prepare(in)) return;
  drewInFrame_ = true;
  const std::uint64_t print = PrintOf(mode, vertices);
  const std::size_t bytes = vertices.size() * sizeof(Vertex);
  const auto range = byPrint_.equal_range(print);
  for (auto it = range.first; it != range.second; ++it) {
    Kept& k = kept_[it->second];
    if (k.Mode != mode || k.Vertices.size() != vertices.size() || std::memcmp(k.Vertices.data(), vertices.data(), bytes) != 0)
      continue;
    DrawKept(it->second);
    return;
  }
  if (keptBytes_ + bytes > MaxKeptBytes) {
    NewFrame();
    drewInFrame_ = true;
  }
  const std::size_t slot = FreeSlot();
  Kept& k = kept_[slot];
  if (k.Buffer == 0) TakeArrays(k.Buffer, k.VertexArray, true, true);
  keptBytes_ += bytes;
  keptBytes_ -= k.Vertices.size() * sizeof(Vertex);
  k.Mode = mode;
  k.Source = source;
  ++k.Generation;
  k.Print = print;
  k.Vertices.assign(vertices.begin(), vertices.end());
  k.Listed = true;
  byPrint_.emplace(print, slot);
  Fill(k.Buffer, k.Vertices, GL_DYNAMIC_DRAW);
  DrawKept(slot);
}

void EsBackend::DrawBracket(ListBracket& b, const Vec4& colour, const std::array<float, 3>& normal,
                            const DrawInputs& in) {
  if (b.Vertices.empty() || !Prepare(in)) return;
  if (b.Buffer == 0) Upload(b);
  const std::size_t n = b.Vertices.size();
  if (PartlyInherited(b) && (!b.Resolved || b.ResolvedColour != colour || b.ResolvedNormal != normal)) {
    std::vector<Vertex> v = b.Vertices;
    for (std::size_t i = 0; i < b.InheritedColours; ++i) std::copy_n(colour.data(), 4, v[i].Colour);
    for (std::size_t i = 0; i < b.InheritedNormals; ++i) std::copy_n(normal.data(), 3, v[i].Normal);
    if (b.Mode == GL_QUADS) SplitQuads(v);
    Fill(b.Buffer, v, GL_DYNAMIC_DRAW);
    b.Resolved = true;
    b.ResolvedColour = colour;
    b.ResolvedNormal = normal;
  }
  GLenum drawn = GL_TRIANGLES;
  DrawableMode(b.Mode, drawn);
  BindArray(b.VertexArray);
  if (b.InheritedNormals == n) glVertexAttrib4f(NormalAttribute, normal[0], normal[1], normal[2], 1);
  if (b.InheritedColours == n) glVertexAttrib4fv(ColourAttribute, colour.data());
  glDrawArrays(drawn, 0, static_cast<GLsizei>(DrawnCount(b.Mode, n)));
  ++Counts.Draws;
}
