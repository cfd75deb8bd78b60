// The OpenGL 1.1 entry points on OpenGL ES 3 / WebGL 2 (see gl11.h): the state
// on the CPU, display lists recorded as commands; what reaches the context
// goes through gl11_context.h.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "gl11/gl11_context.h"
#include "gl11/gl11_matrix.h"
#include "gl11/gl11_state.h"

namespace {

// Mesa's depths: 32 matrices on each stack, 16 attribute groups, lists
// calling lists 64 deep.
constexpr std::size_t MaxMatrixDepth = 32;
constexpr std::size_t MaxAttribDepth = 16;
constexpr int MaxListNesting = 64;

enum class OpKind : std::uint8_t {
  Bracket, Colour, Normal, MatrixMode, LoadIdentity, PushMatrix, PopMatrix, Translate, Rotate, Scale, MultMatrix,
  Ortho, Viewport, Scissor, Enable, Disable, BlendFunc, CullFace, Clear, ClearColour, Light, LightModel, Material,
  PushAttrib, PopAttrib, ListBase, CallLists,
};

// One recorded command: its enum arguments, its number arguments, the list
// offsets of glCallLists in Names.
struct Op {
  OpKind Kind;
  std::array<GLenum, 2> Enums{};
  std::array<double, 16> Numbers{};
  std::vector<GLuint> Names;
};

struct DisplayList {
  std::vector<Op> Ops;
  std::vector<ListBracket> Brackets;
};

struct SavedAttribs {
  GLbitfield Mask;
  AttribState State;
  Vec4 Colour;
  std::array<float, 3> Normal;
};

struct Layer {
  AttribState Current;  // the attribute groups as they stand
  std::vector<Matrix4> ModelView{IdentityMatrix()}, Projection{IdentityMatrix()};
  std::vector<SavedAttribs> AttribStack;
  std::map<GLuint, DisplayList> Lists;
  GLenum Error = GL_NO_ERROR;

  // Inside a bracket being drawn (its vertices are the backend's).
  bool Inside = false;

  // The list being compiled.
  GLuint Compiling = 0;
  bool AlsoExecute = false;
  DisplayList Compiled;
  bool CompileInside = false;
  bool CompileHasColour = false, CompileHasNormal = false;
  Vec4 CompileColour{};
  std::array<float, 3> CompileNormal{};
  int CallDepth = 0;

  EsBackend Es;
  unsigned MatrixVersion = 1, LightingVersion = 1;
};

Layer layer;

void Fail(GLenum error) {
  if (layer.Error == GL_NO_ERROR) layer.Error = error;
}

Matrix4& CurrentMatrix() { return layer.Current.MatrixMode == GL_PROJECTION ? layer.Projection.back() : layer.ModelView.back(); }
std::vector<Matrix4>& CurrentStack() { return layer.Current.MatrixMode == GL_PROJECTION ? layer.Projection : layer.ModelView; }

void MatrixChanged() { ++layer.MatrixVersion; }
void LightingChanged() { ++layer.LightingVersion; }

DrawInputs Inputs() {
  return {layer.ModelView.back(), layer.Projection.back(), layer.Current.Lighting, layer.Current.Normalize, layer.MatrixVersion, layer.LightingVersion};
}

Vertex MakeVertex(const GLfloat* p, const std::array<float, 3>& n, const Vec4& c) {
  return {{p[0], p[1], p[2]}, {n[0], n[1], n[2]}, {c[0], c[1], c[2], c[3]}};
}

void ExecuteBracket(ListBracket& b) {
  layer.Es.DrawBracket(b, qm_immediate.Colour, qm_immediate.Normal, Inputs());
  if (b.SetsColour) qm_immediate.Colour = b.LastColour;
  if (b.SetsNormal) qm_immediate.Normal = b.LastNormal;
}

// ---- Commands ---------------------------------------------------------------

void DoEnable(GLenum cap, bool on) {
  AttribState& s = layer.Current;
  switch (cap) {
    case GL_BLEND: s.Blend = on; break;
    case GL_DITHER: s.Dither = on; break;
    case GL_DEPTH_TEST: s.DepthTest = on; break;
    case GL_CULL_FACE: s.CullFace = on; break;
    case GL_SCISSOR_TEST: s.ScissorTest = on; break;
    case GL_LIGHTING: s.Lighting.Lighting = on; LightingChanged(); return;
    case GL_NORMALIZE: s.Normalize = on; LightingChanged(); return;
    case GL_COLOR_MATERIAL:
      // The tracked material keeps the last colour once tracking ends.
      if (!on && s.Lighting.ColourMaterial)
        for (Material& m : s.Lighting.Materials) m.Ambient = m.Diffuse = qm_immediate.Colour;
      s.Lighting.ColourMaterial = on;
      LightingChanged();
      return;
    default:
      if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + MaxLights) {
        s.Lighting.Lights[cap - GL_LIGHT0].Enabled = on;
        LightingChanged();
        return;
      }
      Fail(GL_INVALID_ENUM);
      return;
  }
  layer.Es.ApplyState(s);
}

void DoLight(GLenum light, GLenum pname, const double* v) {
  if (light < GL_LIGHT0 || light >= GL_LIGHT0 + MaxLights) return Fail(GL_INVALID_ENUM);
  Light& l = layer.Current.Lighting.Lights[light - GL_LIGHT0];
  const auto four = [v](Vec4& to) {
    for (int k = 0; k < 4; ++k) to[k] = static_cast<float>(v[k]);
  };
  switch (pname) {
    case GL_AMBIENT: four(l.Ambient); break;
    case GL_DIFFUSE: four(l.Diffuse); break;
    case GL_SPECULAR: four(l.Specular); break;
    case GL_POSITION: {
      const float p[4] = {float(v[0]), float(v[1]), float(v[2]), float(v[3])};
      l.Position = TransformPoint(layer.ModelView.back(), p);
      break;
    }
    case GL_SPOT_DIRECTION: {
      const float d[4] = {float(v[0]), float(v[1]), float(v[2]), 0};
      const std::array<float, 4> e = TransformPoint(layer.ModelView.back(), d);
      l.SpotDirection = {e[0], e[1], e[2]};
      break;
    }
    case GL_SPOT_EXPONENT:
      if (v[0] < 0 || v[0] > 128) return Fail(GL_INVALID_VALUE);
      l.SpotExponent = float(v[0]);
      break;
    case GL_SPOT_CUTOFF:
      if ((v[0] < 0 || v[0] > 90) && v[0] != 180) return Fail(GL_INVALID_VALUE);
      l.SpotCutoff = float(v[0]);
      break;
    case GL_CONSTANT_ATTENUATION: case GL_LINEAR_ATTENUATION: case GL_QUADRATIC_ATTENUATION:
      if (v[0] < 0) return Fail(GL_INVALID_VALUE);
      l.Attenuation[pname - GL_CONSTANT_ATTENUATION] = float(v[0]);
      break;
    default: return Fail(GL_INVALID_ENUM);
  }
  LightingChanged();
}

void DoMaterial(GLenum face, GLenum pname, const double* v) {
  if (face != GL_FRONT && face != GL_BACK && face != GL_FRONT_AND_BACK) return Fail(GL_INVALID_ENUM);
  if (pname == GL_SHININESS && (v[0] < 0 || v[0] > 128)) return Fail(GL_INVALID_VALUE);
  if (pname != GL_AMBIENT && pname != GL_DIFFUSE && pname != GL_SPECULAR && pname != GL_EMISSION &&
      pname != GL_SHININESS && pname != GL_AMBIENT_AND_DIFFUSE)
    return Fail(GL_INVALID_ENUM);
  const Vec4 value{float(v[0]), float(v[1]), float(v[2]), float(v[3])};
  for (int side = 0; side < 2; ++side) {
    if ((side == 0 && face == GL_BACK) || (side == 1 && face == GL_FRONT)) continue;
    Material& m = layer.Current.Lighting.Materials[side];
    if (pname == GL_AMBIENT || pname == GL_AMBIENT_AND_DIFFUSE) m.Ambient = value;
    if (pname == GL_DIFFUSE || pname == GL_AMBIENT_AND_DIFFUSE) m.Diffuse = value;
    if (pname == GL_SPECULAR) m.Specular = value;
    if (pname == GL_EMISSION) m.Emission = value;
    if (pname == GL_SHININESS) m.Shininess = value[0];
  }
  LightingChanged();
}

void DoPopAttrib() {
  if (layer.AttribStack.empty()) return Fail(GL_STACK_UNDERFLOW);
  const SavedAttribs saved = layer.AttribStack.back();
  layer.AttribStack.pop_back();
  const GLbitfield m = saved.Mask;
  const AttribState& o = saved.State;
  AttribState& s = layer.Current;
  const bool enables = m & GL_ENABLE_BIT;
  if (m & GL_CURRENT_BIT) {
    qm_immediate.Colour = saved.Colour;
    qm_immediate.Normal = saved.Normal;
  }
  if (m & GL_COLOR_BUFFER_BIT) {
    s.BlendSource = o.BlendSource;
    s.BlendDestination = o.BlendDestination;
    s.ClearColour = o.ClearColour;
  }
  if (m & (GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT)) {
    s.Blend = o.Blend;
    s.Dither = o.Dither;
  }
  if (m & (GL_DEPTH_BUFFER_BIT | GL_ENABLE_BIT)) s.DepthTest = o.DepthTest;
  if (m & (GL_POLYGON_BIT | GL_ENABLE_BIT)) s.CullFace = o.CullFace;
  if (m & GL_POLYGON_BIT) s.CullFaceMode = o.CullFaceMode;
  if (m & (GL_SCISSOR_BIT | GL_ENABLE_BIT)) s.ScissorTest = o.ScissorTest;
  if (m & GL_SCISSOR_BIT) std::copy_n(o.Scissor, 4, s.Scissor);
  if (m & GL_VIEWPORT_BIT) std::copy_n(o.Viewport, 4, s.Viewport);
  if (m & GL_TRANSFORM_BIT) s.MatrixMode = o.MatrixMode;
  if (m & (GL_TRANSFORM_BIT | GL_ENABLE_BIT)) s.Normalize = o.Normalize;
  if (m & GL_LIST_BIT) s.ListBase = o.ListBase;
  if (m & GL_LIGHTING_BIT) {
    s.Lighting = o.Lighting;
  } else if (enables) {
    s.Lighting.Lighting = o.Lighting.Lighting;
    s.Lighting.ColourMaterial = o.Lighting.ColourMaterial;
    for (int i = 0; i < MaxLights; ++i) s.Lighting.Lights[i].Enabled = o.Lighting.Lights[i].Enabled;
  }
  // The program's uniforms and the context's state follow only where the
  // popped groups differ from what they hold.
  if (m & (GL_LIGHTING_BIT | GL_ENABLE_BIT | GL_TRANSFORM_BIT)) LightingChanged();
  layer.Es.ApplyState(s);
}

void CallList(GLuint name);

void Execute(const Op& op, DisplayList* list) {
  const double* v = op.Numbers.data();
  AttribState& s = layer.Current;
  switch (op.Kind) {
    case OpKind::Bracket: ExecuteBracket(list->Brackets[op.Enums[0]]); break;
    case OpKind::Colour: qm_immediate.Colour = {float(v[0]), float(v[1]), float(v[2]), float(v[3])}; break;
    case OpKind::Normal: qm_immediate.Normal = {float(v[0]), float(v[1]), float(v[2])}; break;
    case OpKind::MatrixMode:
      if (op.Enums[0] != GL_MODELVIEW && op.Enums[0] != GL_PROJECTION) return Fail(GL_INVALID_ENUM);
      s.MatrixMode = op.Enums[0];
      break;
    case OpKind::LoadIdentity: CurrentMatrix() = IdentityMatrix(); MatrixChanged(); break;
    case OpKind::PushMatrix: {
      std::vector<Matrix4>& stack = CurrentStack();
      if (stack.size() >= MaxMatrixDepth) return Fail(GL_STACK_OVERFLOW);
      stack.push_back(stack.back());
      break;
    }
    case OpKind::PopMatrix: {
      std::vector<Matrix4>& stack = CurrentStack();
      if (stack.size() <= 1) return Fail(GL_STACK_UNDERFLOW);
      stack.pop_back();
      MatrixChanged();
      break;
    }
    case OpKind::Translate: TranslateMatrix(CurrentMatrix(), float(v[0]), float(v[1]), float(v[2])); MatrixChanged(); break;
    case OpKind::Rotate: RotateMatrix(CurrentMatrix(), float(v[0]), float(v[1]), float(v[2]), float(v[3])); MatrixChanged(); break;
    case OpKind::Scale: ScaleMatrix(CurrentMatrix(), float(v[0]), float(v[1]), float(v[2])); MatrixChanged(); break;
    case OpKind::MultMatrix: {
      Matrix4 m;
      for (int k = 0; k < 16; ++k) m[k] = float(v[k]);
      CurrentMatrix() = MultiplyMatrices(CurrentMatrix(), m);
      MatrixChanged();
      break;
    }
    case OpKind::Ortho:
      if (!OrthoMatrix(CurrentMatrix(), v[0], v[1], v[2], v[3], v[4], v[5])) return Fail(GL_INVALID_VALUE);
      MatrixChanged();
      break;
    case OpKind::Viewport:
    case OpKind::Scissor: {
      if (v[2] < 0 || v[3] < 0) return Fail(GL_INVALID_VALUE);
      GLint* box = op.Kind == OpKind::Viewport ? s.Viewport : s.Scissor;
      for (int k = 0; k < 4; ++k) box[k] = GLint(v[k]);
      layer.Es.ApplyState(s);
      break;
    }
    case OpKind::Enable: DoEnable(op.Enums[0], true); break;
    case OpKind::Disable: DoEnable(op.Enums[0], false); break;
    case OpKind::BlendFunc:
      s.BlendSource = op.Enums[0];
      s.BlendDestination = op.Enums[1];
      layer.Es.ApplyState(s);
      break;
    case OpKind::CullFace:
      if (op.Enums[0] != GL_FRONT && op.Enums[0] != GL_BACK && op.Enums[0] != GL_FRONT_AND_BACK) return Fail(GL_INVALID_ENUM);
      s.CullFaceMode = op.Enums[0];
      layer.Es.ApplyState(s);
      break;
    case OpKind::Clear:
      // A clear of the colour buffer starts a frame.
      if (op.Enums[0] & GL_COLOR_BUFFER_BIT) layer.Es.NewFrame();
      glClear(op.Enums[0]);
      break;
    case OpKind::ClearColour:
      // Clear colours are clamped when they are given.
      for (int k = 0; k < 4; ++k) s.ClearColour[k] = std::clamp(float(v[k]), 0.0f, 1.0f);
      layer.Es.ApplyState(s);
      break;
    case OpKind::Light: DoLight(op.Enums[0], op.Enums[1], v); break;
    case OpKind::LightModel:
      if (op.Enums[0] == GL_LIGHT_MODEL_LOCAL_VIEWER) s.Lighting.LocalViewer = v[0] != 0;
      else if (op.Enums[0] == GL_LIGHT_MODEL_TWO_SIDE) s.Lighting.TwoSide = v[0] != 0;
      else return Fail(GL_INVALID_ENUM);
      LightingChanged();
      break;
    case OpKind::Material: DoMaterial(op.Enums[0], op.Enums[1], v); break;
    case OpKind::PushAttrib:
      if (layer.AttribStack.size() >= MaxAttribDepth) return Fail(GL_STACK_OVERFLOW);
      layer.AttribStack.push_back({op.Enums[0], s, qm_immediate.Colour, qm_immediate.Normal});
      break;
    case OpKind::PopAttrib: DoPopAttrib(); break;
    case OpKind::ListBase: s.ListBase = op.Enums[0]; break;
    case OpKind::CallLists:
      for (const GLuint offset : op.Names) CallList(s.ListBase + offset);
      break;
  }
}

void CallList(GLuint name) {
  if (layer.CallDepth >= MaxListNesting) return;
  const auto found = layer.Lists.find(name);
  if (found == layer.Lists.end()) return;
  ++layer.CallDepth;
  DisplayList& list = found->second;
  for (const Op& op : list.Ops) Execute(op, &list);
  --layer.CallDepth;
}

bool Executing() { return layer.Compiling == 0 || layer.AlsoExecute; }

// Records the command into the list being compiled and/or runs it, as the
// list mode says. Between glBegin and glEnd only materials and list calls are
// allowed (colours, normals and vertices do not come here); a material takes
// effect for the whole bracket, and a list call is not taken into a list's
// bracket.
void Submit(Op op) {
  const bool allowedInside = op.Kind == OpKind::Material || (op.Kind == OpKind::CallLists && !layer.CompileInside);
  if ((layer.Inside || layer.CompileInside) && !allowedInside) return Fail(GL_INVALID_OPERATION);
  if (Executing()) Execute(op, nullptr);
  if (layer.Compiling != 0) layer.Compiled.Ops.push_back(std::move(op));
}

Op MakeOp(OpKind kind, std::initializer_list<double> numbers = {}, GLenum first = 0, GLenum second = 0) {
  Op op{kind, {first, second}, {}, {}};
  std::copy(numbers.begin(), numbers.end(), op.Numbers.begin());
  return op;
}

void ResetState() {
  layer.Es.DropBracket();
  layer.Current = AttribState();
  qm_immediate = Gl11Immediate();
  layer.ModelView.assign(1, IdentityMatrix());
  layer.Projection.assign(1, IdentityMatrix());
  layer.AttribStack.clear();
  // Forgotten, not deleted: the objects belong to whatever context was
  // current before.
  layer.Lists.clear();
  layer.Error = GL_NO_ERROR;
  layer.Es.Counts = {};
  layer.Inside = layer.CompileInside = false;
  layer.Compiling = 0;
  layer.Compiled = {};
  layer.CallDepth = 0;
  MatrixChanged();
  LightingChanged();
}

}  // namespace

Gl11Immediate qm_immediate;

// ---- The host's interface ---------------------------------------------------

bool Gl11Start() {
  ResetState();
  const bool built = layer.Es.Build();
  // The context's own viewport and scissor box: its drawable's size.
  glGetIntegerv(GL_VIEWPORT, layer.Current.Viewport);
  glGetIntegerv(GL_SCISSOR_BOX, layer.Current.Scissor);
  layer.Es.ApplyState(layer.Current);
  return built;
}

void Gl11Lose() {
  // A bracket left open keeps what it has (the backend gathers the vertices
  // that agreed with a kept bracket before those go).
  for (auto& [name, list] : layer.Lists)
    for (ListBracket& b : list.Brackets) layer.Es.Release(b);
  for (ListBracket& b : layer.Compiled.Brackets) layer.Es.Release(b);
  layer.Es.DeleteAll();
}

bool Gl11Restore() {
  // Names still held belong to a context that went away without
  // Gl11Lose: they are forgotten, never deleted, since the new context may
  // use the same names for its own. A bracket left open keeps what it has.
  const bool built = layer.Es.Build();
  for (auto& [name, list] : layer.Lists)
    for (ListBracket& b : list.Brackets) layer.Es.Upload(b);
  for (ListBracket& b : layer.Compiled.Brackets) b.Buffer = b.VertexArray = 0;
  layer.Es.ApplyState(layer.Current);
  return built;
}

const char* Gl11BuildFailure() { return layer.Es.BuildFailure(); }

GLenum Gl11TakeError() {
  const GLenum error = layer.Error;
  layer.Error = GL_NO_ERROR;
  return error;
}

Gl11Counters Gl11Counts() { return layer.Es.Counts; }

std::vector<std::string> Gl11ProgramKeys() {
  std::vector<std::string> keys;
  for (const ProgramKey key : layer.Es.ProgramKeys()) keys.push_back(DescribeKey(key));
  return keys;
}

// ---- Brackets and vertices --------------------------------------------------

void qm_glBegin(GLenum mode) {
  GLenum drawn;
  if (!DrawableMode(mode, drawn)) return Fail(GL_INVALID_ENUM);
  if (layer.Inside || layer.CompileInside) return Fail(GL_INVALID_OPERATION);
  if (layer.Compiling != 0) {
    layer.CompileInside = true;
    layer.CompileHasColour = layer.CompileHasNormal = false;
    layer.Compiled.Brackets.push_back({});
    layer.Compiled.Brackets.back().Mode = mode;
  }
  if (Executing()) {
    layer.Inside = true;
    // A bracket also compiled into a list takes every vertex there: it is
    // not expected.
    layer.Es.BeginBracket(mode, layer.Compiling == 0);
  }
}

namespace {

// A finished compiled bracket: uploaded, and a command for it.
void CloseCompiledBracket() {
  ListBracket& b = layer.Compiled.Brackets.back();
  b.SetsColour = layer.CompileHasColour;
  b.SetsNormal = layer.CompileHasNormal;
  b.LastColour = layer.CompileColour;
  b.LastNormal = layer.CompileNormal;
  layer.Es.Upload(b);
  layer.Compiled.Ops.push_back(MakeOp(OpKind::Bracket, {}, static_cast<GLenum>(layer.Compiled.Brackets.size() - 1)));
  layer.CompileInside = false;
}

}  // namespace

void qm_glEnd() {
  if (!layer.Inside && !layer.CompileInside) return Fail(GL_INVALID_OPERATION);
  if (layer.CompileInside) CloseCompiledBracket();
  if (layer.Inside) {
    layer.Inside = false;
    layer.Es.EndBracket(Inputs());
  }
}

namespace {

// While a list is compiled; kept out of the per-vertex calls' common path.
[[gnu::noinline]] void CompileVertex(const GLfloat* v) {
  if (!layer.CompileInside) return;
  ListBracket& b = layer.Compiled.Brackets.back();
  b.InheritedColours += !layer.CompileHasColour;
  b.InheritedNormals += !layer.CompileHasNormal;
  b.Vertices.push_back(MakeVertex(v, layer.CompileNormal, layer.CompileColour));
}

[[gnu::noinline]] void CompileNormal(const GLfloat* v) {
  if (layer.CompileInside) {
    layer.CompileHasNormal = true;
    layer.CompileNormal = {v[0], v[1], v[2]};
  } else {
    layer.Compiled.Ops.push_back(MakeOp(OpKind::Normal, {v[0], v[1], v[2]}));
  }
}

[[gnu::noinline]] void CompileColour(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
  if (layer.CompileInside) {
    layer.CompileHasColour = true;
    layer.CompileColour = {r, g, b, a};
  } else {
    layer.Compiled.Ops.push_back(MakeOp(OpKind::Colour, {r, g, b, a}));
  }
}

}  // namespace

// A vertex, normal or colour the inline calls in gl11.h do not take.
void qm_glVertexElsewhere(const GLfloat* v) {
  if (layer.Compiling != 0) CompileVertex(v);
  // A vertex outside a bracket does nothing.
  if (!layer.Inside) return;
  // It differs from the one expected, or comes after all of them.
  layer.Es.AddVertex(MakeVertex(v, qm_immediate.Normal, qm_immediate.Colour));
}

void qm_glNormalElsewhere(const GLfloat* v) {
  if (layer.Compiling != 0) CompileNormal(v);
  if (Executing()) qm_immediate.Normal = {v[0], v[1], v[2]};
}

void qm_glColourElsewhere(const GLfloat* v) {
  if (layer.Compiling != 0) CompileColour(v[0], v[1], v[2], v[3]);
  if (Executing()) qm_immediate.Colour = {v[0], v[1], v[2], v[3]};
}

// ---- Matrices ---------------------------------------------------------------

void qm_glMatrixMode(GLenum mode) { Submit(MakeOp(OpKind::MatrixMode, {}, mode)); }
void qm_glLoadIdentity() { Submit(MakeOp(OpKind::LoadIdentity)); }
void qm_glPushMatrix() { Submit(MakeOp(OpKind::PushMatrix)); }
void qm_glPopMatrix() { Submit(MakeOp(OpKind::PopMatrix)); }
void qm_glTranslatef(GLfloat x, GLfloat y, GLfloat z) { Submit(MakeOp(OpKind::Translate, {x, y, z})); }
void qm_glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) { Submit(MakeOp(OpKind::Rotate, {angle, x, y, z})); }
void qm_glScalef(GLfloat x, GLfloat y, GLfloat z) { Submit(MakeOp(OpKind::Scale, {x, y, z})); }

void qm_glMultMatrixd(const GLdouble* m) {
  Op op = MakeOp(OpKind::MultMatrix);
  std::copy_n(m, 16, op.Numbers.begin());
  Submit(std::move(op));
}

void qm_glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar) {
  Submit(MakeOp(OpKind::Ortho, {left, right, bottom, top, zNear, zFar}));
}

void qm_gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  double m[16];
  if (PerspectiveMatrix(fovy, aspect, zNear, zFar, m)) qm_glMultMatrixd(m);
}

// ---- Context state ----------------------------------------------------------

void qm_glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  Submit(MakeOp(OpKind::Viewport, {double(x), double(y), double(width), double(height)}));
}
void qm_glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
  Submit(MakeOp(OpKind::Scissor, {double(x), double(y), double(width), double(height)}));
}
void qm_glEnable(GLenum cap) { Submit(MakeOp(OpKind::Enable, {}, cap)); }
void qm_glDisable(GLenum cap) { Submit(MakeOp(OpKind::Disable, {}, cap)); }
void qm_glBlendFunc(GLenum source, GLenum destination) { Submit(MakeOp(OpKind::BlendFunc, {}, source, destination)); }
void qm_glCullFace(GLenum face) { Submit(MakeOp(OpKind::CullFace, {}, face)); }
void qm_glClear(GLbitfield mask) { Submit(MakeOp(OpKind::Clear, {}, mask)); }
void qm_glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { Submit(MakeOp(OpKind::ClearColour, {r, g, b, a})); }

// ---- Lighting ---------------------------------------------------------------

void qm_glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
  const int count = pname == GL_AMBIENT || pname == GL_DIFFUSE || pname == GL_SPECULAR || pname == GL_POSITION ? 4
                    : pname == GL_SPOT_DIRECTION                                                              ? 3
                                                                                                              : 1;
  Op op = MakeOp(OpKind::Light, {}, light, pname);
  std::copy_n(params, count, op.Numbers.begin());
  Submit(std::move(op));
}

void qm_glLightModeli(GLenum pname, GLint param) {
  // The ambient colour is a vector; one integer cannot give it.
  if (pname == GL_LIGHT_MODEL_AMBIENT) return Fail(GL_INVALID_ENUM);
  Submit(MakeOp(OpKind::LightModel, {double(param)}, pname));
}

void qm_glMaterialfv(GLenum face, GLenum pname, const GLfloat* params) {
  Op op = MakeOp(OpKind::Material, {}, face, pname);
  std::copy_n(params, pname == GL_SHININESS ? 1 : 4, op.Numbers.begin());
  Submit(std::move(op));
}

void qm_glMaterialf(GLenum face, GLenum pname, GLfloat param) {
  if (pname != GL_SHININESS) return Fail(GL_INVALID_ENUM);
  qm_glMaterialfv(face, pname, &param);
}

// ---- Attributes -------------------------------------------------------------

void qm_glPushAttrib(GLbitfield mask) { Submit(MakeOp(OpKind::PushAttrib, {}, mask)); }
void qm_glPopAttrib() { Submit(MakeOp(OpKind::PopAttrib)); }

// ---- Display lists ----------------------------------------------------------

GLuint qm_glGenLists(GLsizei range) {
  if (range < 0) return Fail(GL_INVALID_VALUE), 0;
  if (range == 0) return 0;
  if (layer.Inside) return Fail(GL_INVALID_OPERATION), 0;
  // The first run of `range` names from 1 on that no list holds.
  std::uint64_t first = 1;
  for (const auto& [name, list] : layer.Lists) {
    if (name >= first + static_cast<std::uint64_t>(range)) break;
    if (name >= first) first = std::uint64_t(name) + 1;
  }
  if (first + static_cast<std::uint64_t>(range) - 1 > 0xFFFFFFFFu) return Fail(GL_OUT_OF_MEMORY), 0;
  for (GLsizei k = 0; k < range; ++k) layer.Lists[static_cast<GLuint>(first + k)];
  return static_cast<GLuint>(first);
}

void qm_glNewList(GLuint list, GLenum mode) {
  if (list == 0) return Fail(GL_INVALID_VALUE);
  if (mode != GL_COMPILE && mode != GL_COMPILE_AND_EXECUTE) return Fail(GL_INVALID_ENUM);
  if (layer.Compiling != 0 || layer.Inside) return Fail(GL_INVALID_OPERATION);
  layer.Compiling = list;
  qm_immediate.Direct = false;
  layer.AlsoExecute = mode == GL_COMPILE_AND_EXECUTE;
  layer.Compiled = {};
  layer.CompileInside = false;
}

void qm_glEndList() {
  if (layer.Compiling == 0 || layer.Inside) return Fail(GL_INVALID_OPERATION);
  if (layer.CompileInside) {
    // A bracket must end in the list it began in: the open one is dropped.
    Fail(GL_INVALID_OPERATION);
    layer.Compiled.Brackets.pop_back();
    layer.CompileInside = false;
  }
  DisplayList& target = layer.Lists[layer.Compiling];
  for (ListBracket& b : target.Brackets) layer.Es.Release(b);
  target = std::move(layer.Compiled);
  layer.Compiled = {};
  layer.Compiling = 0;
  qm_immediate.Direct = true;
  layer.AlsoExecute = false;
}

void qm_glListBase(GLuint base) { Submit(MakeOp(OpKind::ListBase, {}, base)); }

void qm_glCallLists(GLsizei n, GLenum type, const void* lists) {
  if (n < 0) return Fail(GL_INVALID_VALUE);
  const auto* bytes = static_cast<const unsigned char*>(lists);
  Op op = MakeOp(OpKind::CallLists);
  op.Names.reserve(static_cast<std::size_t>(n));
  for (GLsizei i = 0; i < n; ++i) {
    GLuint offset = 0;
    switch (type) {
      case GL_BYTE: offset = static_cast<GLuint>(static_cast<const signed char*>(lists)[i]); break;
      case GL_UNSIGNED_BYTE: offset = bytes[i]; break;
      case GL_SHORT: offset = static_cast<GLuint>(static_cast<const GLshort*>(lists)[i]); break;
      case GL_UNSIGNED_SHORT: offset = static_cast<const GLushort*>(lists)[i]; break;
      case GL_INT: offset = static_cast<GLuint>(static_cast<const GLint*>(lists)[i]); break;
      case GL_UNSIGNED_INT: offset = static_cast<const GLuint*>(lists)[i]; break;
      case GL_FLOAT: offset = static_cast<GLuint>(static_cast<const GLfloat*>(lists)[i]); break;
      case GL_2_BYTES: case GL_3_BYTES: case GL_4_BYTES: {
        // Big-endian groups of unsigned bytes.
        const int width = static_cast<int>(type - GL_2_BYTES) + 2;
        for (int k = 0; k < width; ++k) offset = offset << 8 | bytes[i * width + k];
        break;
      }
      default: return Fail(GL_INVALID_ENUM);
    }
    op.Names.push_back(offset);
  }
  Submit(std::move(op));
}

void qm_glDeleteLists(GLuint list, GLsizei range) {
  if (range < 0) return Fail(GL_INVALID_VALUE);
  if (layer.Inside) return Fail(GL_INVALID_OPERATION);
  const std::uint64_t end = std::uint64_t(list) + static_cast<std::uint64_t>(range);
  for (auto it = layer.Lists.lower_bound(list); it != layer.Lists.end() && it->first < end;) {
    for (ListBracket& b : it->second.Brackets) layer.Es.Release(b);
    it = layer.Lists.erase(it);
  }
}

// ---- Queries and the pipeline -----------------------------------------------

void qm_glGetIntegerv(GLenum pname, GLint* params) {
  const AttribState& s = layer.Current;
  switch (pname) {
    case GL_VIEWPORT: std::copy_n(s.Viewport, 4, params); return;
    case GL_SCISSOR_BOX: std::copy_n(s.Scissor, 4, params); return;
    case GL_LIST_BASE: *params = static_cast<GLint>(s.ListBase); return;
    case GL_LIST_INDEX: *params = static_cast<GLint>(layer.Compiling); return;
    case GL_LIST_MODE: *params = layer.Compiling == 0 ? 0 : layer.AlsoExecute ? GL_COMPILE_AND_EXECUTE : GL_COMPILE; return;
    case GL_MATRIX_MODE: *params = static_cast<GLint>(s.MatrixMode); return;
    case GL_MODELVIEW_STACK_DEPTH: *params = static_cast<GLint>(layer.ModelView.size()); return;
    case GL_PROJECTION_STACK_DEPTH: *params = static_cast<GLint>(layer.Projection.size()); return;
    case GL_ATTRIB_STACK_DEPTH: *params = static_cast<GLint>(layer.AttribStack.size()); return;
    case GL_MAX_MODELVIEW_STACK_DEPTH: case GL_MAX_PROJECTION_STACK_DEPTH: *params = static_cast<GLint>(MaxMatrixDepth); return;
    case GL_MAX_ATTRIB_STACK_DEPTH: *params = static_cast<GLint>(MaxAttribDepth); return;
    case GL_MAX_LIST_NESTING: *params = MaxListNesting; return;
    case GL_MAX_LIGHTS: *params = MaxLights; return;
    case GL_BLEND_SRC: *params = static_cast<GLint>(s.BlendSource); return;
    case GL_BLEND_DST: *params = static_cast<GLint>(s.BlendDestination); return;
    case GL_CULL_FACE_MODE: *params = static_cast<GLint>(s.CullFaceMode); return;
    default: glGetIntegerv(pname, params);  // what the context itself knows
  }
}

void qm_glFlush() { glFlush(); }
void qm_glFinish() { glFinish(); }
