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
// A lit bracket drawn again as it was is drawn from its vertices shaded
// once when it has at least this many: below, the vertex work a draw saves
// is small beside what a draw costs anyway, and a frame's many small
// brackets that move (flakes, letters) are not compared at all.
constexpr std::size_t MinShadedVertices = 2048;
// At most this many bytes of shaded vertices are kept.
constexpr std::size_t MaxShadedBytes = std::size_t(64) << 20;

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
  stores_ = {};
  appliedValid_ = false;
  kept_.clear();
  byPrint_.clear();
  free_.clear();
  keptBytes_ = 0;
  shadingPrograms_.clear();
  shadedPrograms_.clear();
  shadedBytes_ = 0;
  usedProgram_ = 0;
  drewInFrame_ = false;
  ForgetOrder();
  key_ = 0;
  program_ = ProgramFor(key_);
  live_ = program_->Built();
  if (live_) UseProgram(program_->Name());
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
  UseProgram(0);
  for (const auto& p : programs_) p->Delete();
  programs_.clear();
  program_ = nullptr;
  for (const auto& p : shadingPrograms_) p->Delete();
  shadingPrograms_.clear();
  for (const auto& [key, name] : shadedPrograms_)
    if (name) glDeleteProgram(name);
  shadedPrograms_.clear();
  shadedBytes_ = 0;
  keyVersion_ = 0;
  live_ = false;
  for (Kept& k : kept_) {
    DeleteArrays(k.Buffer, k.VertexArray);
    DeleteArrays(k.ShadedBuffer, k.ShadedArray);
  }
  for (PooledArrays& p : pool_) DeleteArrays(p.Buffer, p.VertexArray);
  pool_.clear();
  for (ListStore& store : stores_) DeleteArrays(store.Buffer, store.VertexArray);
  stores_ = {};
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
  b.Stored = false;
  b.Resolved = false;
  if (!live_ || b.Vertices.empty()) return;
  const auto [normals, colours] = ListAttributes(b);
  const std::size_t count = b.Mode == GL_QUADS ? b.Vertices.size() / 4 * 6 : b.Vertices.size();
  if (count == 0) return;
  Place(b, normals * 2 + colours, count);
  if (PartlyInherited(b)) return;  // filled when it first runs
  if (b.Mode == GL_QUADS) {
    std::vector<Vertex> v = b.Vertices;
    SplitQuads(v);
    FillStored(b, v);
  } else {
    FillStored(b, b.Vertices);
  }
}

void EsBackend::Release(ListBracket& b) {
  // Places of a context that went are forgotten with their store.
  if (b.Stored && live_) stores_[static_cast<std::size_t>(b.Store)].Free.emplace_back(b.First, b.Count);
  b.Stored = false;
  b.Resolved = false;
}

void EsBackend::Place(ListBracket& b, int index, std::size_t count) {
  ListStore& store = stores_[static_cast<std::size_t>(index)];
  b.Stored = true;
  b.Store = index;
  b.Count = count;
  for (auto it = store.Free.begin(); it != store.Free.end(); ++it) {
    if (it->second < count) continue;
    b.First = it->first;
    it->first += count;
    it->second -= count;
    if (it->second == 0) store.Free.erase(it);
    return;
  }
  if (store.Used + count > store.Capacity) {
    const std::size_t capacity = std::max({store.Capacity * 2, store.Used + count, std::size_t(1024)});
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    ++Counts.BuffersMade;
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(capacity * sizeof(Vertex)), nullptr, GL_DYNAMIC_DRAW);
    if (store.Buffer) {
      glBindBuffer(GL_COPY_READ_BUFFER, store.Buffer);
      glCopyBufferSubData(GL_COPY_READ_BUFFER, GL_ARRAY_BUFFER, 0, 0,
                          static_cast<GLsizeiptr>(store.Used * sizeof(Vertex)));
      glDeleteBuffers(1, &store.Buffer);
      ++Counts.BuffersDeleted;
    }
    if (store.VertexArray == 0) glGenVertexArrays(1, &store.VertexArray);
    store.Buffer = buffer;
    store.Capacity = capacity;
    BindArray(store.VertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    PointAttributes(index & 2, index & 1);
  }
  b.First = store.Used;
  store.Used += count;
}

void EsBackend::FillStored(const ListBracket& b, const std::vector<Vertex>& vertices) {
  glBindBuffer(GL_ARRAY_BUFFER, stores_[static_cast<std::size_t>(b.Store)].Buffer);
  glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(b.First * sizeof(Vertex)),
                  static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)), vertices.data());
  ++Counts.Uploads;
}

void EsBackend::TakeArrays(GLuint& buffer, GLuint& vertexArray) {
  if (pool_.empty()) {
    glGenVertexArrays(1, &vertexArray);
    glGenBuffers(1, &buffer);
    ++Counts.BuffersMade;
    BindArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    PointAttributes(true, true);
    return;
  }
  buffer = pool_.back().Buffer;
  vertexArray = pool_.back().VertexArray;
  pool_.pop_back();
}

void EsBackend::GiveBackArrays(GLuint& buffer, GLuint& vertexArray, std::size_t bytes) {
  if (buffer == 0) return;
  // Names of a context that went are forgotten.
  if (live_) {
    // A large buffer gives up its storage while it waits.
    if (bytes > PooledBytes) {
      glBindBuffer(GL_ARRAY_BUFFER, buffer);
      glBufferData(GL_ARRAY_BUFFER, 0, nullptr, GL_DYNAMIC_DRAW);
    }
    pool_.push_back({buffer, vertexArray});
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

void EsBackend::UseProgram(GLuint program) {
  if (program == usedProgram_) return;
  glUseProgram(program);
  usedProgram_ = program;
}

void EsBackend::BringUp(FixedFunctionProgram& p, const DrawInputs& in) {
  if (p.MatrixVersion != in.MatrixVersion) {
    p.SetMatrices(MultiplyMatrices(in.Projection, in.ModelView), in.ModelView, NormalMatrix(in.ModelView));
    p.MatrixVersion = in.MatrixVersion;
  }
  if (p.LightingVersion != in.LightingVersion) {
    p.SetLighting(in.Lighting);
    p.LightingVersion = in.LightingVersion;
  }
}

bool EsBackend::Prepare(const DrawInputs& in) {
  if (!live_) return false;
  if (keyVersion_ != in.LightingVersion || program_ == nullptr) {
    keyVersion_ = in.LightingVersion;
    const ProgramKey key = KeyOf(in.Lighting, in.Normalize);
    if (program_ == nullptr || key != key_) {
      key_ = key;
      program_ = ProgramFor(key);
    }
  }
  FixedFunctionProgram& p = *program_;
  if (!p.Built()) return false;
  UseProgram(p.Name());
  BringUp(p, in);
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
        GiveBackArrays(k.Buffer, k.VertexArray, k.Vertices.size() * sizeof(Vertex));
        Unshade(k);
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

void EsBackend::DrawKept(std::size_t slot, const DrawInputs& in) {
  Kept& k = kept_[slot];
  k.LastFrame = frame_;
  if (!DrawShaded(k, in)) {
    BindArray(k.VertexArray);
    glDrawArrays(k.Mode, 0, static_cast<GLsizei>(k.Vertices.size()));
  }
  ++Counts.Draws;
  FollowOrder(slot);
}

// A software renderer (SwiftShader in the browser, llvmpipe) runs the
// lighting for every vertex of every draw; a bracket that stays where it is
// under the same light (the ground) would be lit the same way every frame.
// Such a bracket is shaded once, by the same vertex shader writing what it
// computes into a buffer (transform feedback, one point per vertex, nothing
// rasterised), and then drawn from that buffer by a program that only
// passes the values on: the same positions and colours reach the
// rasteriser, so the pixels are the same.
bool EsBackend::DrawShaded(Kept& k, const DrawInputs& in) {
  const std::size_t n = k.Vertices.size();
  if (!Lit(key_) || n < MinShadedVertices) return false;
  values_.clear();
  program_->HeldValues(values_);
  if (k.DrawnKey != key_ || k.DrawnGeneration != k.Generation || k.DrawnValues != values_) {
    k.DrawnKey = key_;
    k.DrawnGeneration = k.Generation;
    k.DrawnValues.swap(values_);
    k.Shaded = false;
    return false;
  }
  const auto drawing = std::find_if(shadedPrograms_.begin(), shadedPrograms_.end(),
                                    [this](const auto& p) { return p.first == key_; });
  GLuint program = drawing != shadedPrograms_.end() ? drawing->second : 0;
  if (drawing == shadedPrograms_.end()) {
    // Built once per context, also when it fails (its log is printed once).
    program = BuildShadedProgram(key_);
    shadedPrograms_.emplace_back(key_, program);
  }
  if (program == 0 || (!k.Shaded && !Shade(k, in))) return false;
  UseProgram(program);
  BindArray(k.ShadedArray);
  glDrawArrays(k.Mode, 0, static_cast<GLsizei>(n));
  ++Counts.ShadedDraws;
  return true;
}

bool EsBackend::Shade(Kept& k, const DrawInputs& in) {
  auto shading = std::find_if(shadingPrograms_.begin(), shadingPrograms_.end(),
                              [this](const auto& p) { return p->Key() == key_; });
  if (shading == shadingPrograms_.end()) {
    shadingPrograms_.push_back(std::make_unique<FixedFunctionProgram>(key_, true));
    shadingPrograms_.back()->Build();
    shading = shadingPrograms_.end() - 1;
  }
  FixedFunctionProgram& p = **shading;
  if (!p.Built()) return false;
  const std::size_t n = k.Vertices.size();
  const GLsizei floats = ShadedFloats(key_);
  const std::size_t bytes = n * static_cast<std::size_t>(floats) * sizeof(float);
  if (shadedBytes_ - k.ShadedBytes + bytes > MaxShadedBytes) return false;
  if (k.ShadedBuffer == 0) {
    glGenBuffers(1, &k.ShadedBuffer);
    glGenVertexArrays(1, &k.ShadedArray);
    ++Counts.BuffersMade;
  }
  UseProgram(p.Name());
  BringUp(p, in);
  // The buffer is bound for transform feedback alone while it is written
  // (WebGL refuses a draw that could read what it writes).
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, k.ShadedBuffer);
  if (bytes != k.ShadedBytes) {
    glBufferData(GL_TRANSFORM_FEEDBACK_BUFFER, static_cast<GLsizeiptr>(bytes), nullptr, GL_STATIC_DRAW);
    shadedBytes_ = shadedBytes_ - k.ShadedBytes + bytes;
    k.ShadedBytes = bytes;
  }
  BindArray(k.VertexArray);
  glEnable(GL_RASTERIZER_DISCARD);
  glBeginTransformFeedback(GL_POINTS);
  glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(n));
  glEndTransformFeedback();
  glDisable(GL_RASTERIZER_DISCARD);
  glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, 0);
  // What the shader wrote, per vertex: the clip position, the front colour
  // and (two-sided) the back colour.
  BindArray(k.ShadedArray);
  glBindBuffer(GL_ARRAY_BUFFER, k.ShadedBuffer);
  const GLsizei stride = floats * static_cast<GLsizei>(sizeof(float));
  for (GLuint a = 0; a < 3; ++a) {
    if (a * 4 >= static_cast<GLuint>(floats)) {
      glDisableVertexAttribArray(a);
      continue;
    }
    glEnableVertexAttribArray(a);
    glVertexAttribPointer(a, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(a * 4 * sizeof(float)));
  }
  k.Shaded = true;
  ++Counts.Shaded;
  return true;
}

void EsBackend::Unshade(Kept& k) {
  if (k.ShadedBytes > 0 && live_) {
    glBindBuffer(GL_ARRAY_BUFFER, k.ShadedBuffer);
    glBufferData(GL_ARRAY_BUFFER, 0, nullptr, GL_STATIC_DRAW);
  }
  shadedBytes_ -= k.ShadedBytes;
  k.ShadedBytes = 0;
  k.Shaded = false;
  k.DrawnKey = 0;
  std::vector<float>().swap(k.DrawnValues);
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
    DrawKept(slot, in);
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
    DrawKept(it->second, in);
    return;
  }
  if (keptBytes_ + bytes > MaxKeptBytes) {
    NewFrame();
    drewInFrame_ = true;
  }
  const std::size_t slot = FreeSlot();
  Kept& k = kept_[slot];
  if (k.Buffer == 0) TakeArrays(k.Buffer, k.VertexArray);
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
  DrawKept(slot, in);
}

void EsBackend::DrawBracket(ListBracket& b, const Vec4& colour, const std::array<float, 3>& normal,
                            const DrawInputs& in) {
  if (b.Vertices.empty() || !Prepare(in)) return;
  if (!b.Stored) Upload(b);
  if (!b.Stored) return;
  const std::size_t n = b.Vertices.size();
  if (PartlyInherited(b) && (!b.Resolved || b.ResolvedColour != colour || b.ResolvedNormal != normal)) {
    std::vector<Vertex> v = b.Vertices;
    for (std::size_t i = 0; i < b.InheritedColours; ++i) std::copy_n(colour.data(), 4, v[i].Colour);
    for (std::size_t i = 0; i < b.InheritedNormals; ++i) std::copy_n(normal.data(), 3, v[i].Normal);
    if (b.Mode == GL_QUADS) SplitQuads(v);
    FillStored(b, v);
    b.Resolved = true;
    b.ResolvedColour = colour;
    b.ResolvedNormal = normal;
  }
  GLenum drawn = GL_TRIANGLES;
  DrawableMode(b.Mode, drawn);
  BindArray(stores_[static_cast<std::size_t>(b.Store)].VertexArray);
  if (b.InheritedNormals == n) glVertexAttrib4f(NormalAttribute, normal[0], normal[1], normal[2], 1);
  if (b.InheritedColours == n) glVertexAttrib4fv(ColourAttribute, colour.data());
  glDrawArrays(drawn, static_cast<GLint>(b.First), static_cast<GLsizei>(DrawnCount(b.Mode, n)));
  ++Counts.Draws;
}
