#include "recording_gl.h"

#include <cmath>
#include <initializer_list>

namespace rgl {
namespace {

State state;
std::vector<Call> calls;
bool recording = true;
const std::vector<Call>* replaying = nullptr;  // set while glCallLists runs a list

Matrix Translation(double x, double y, double z) {
  Matrix m = Identity();
  m[12] = x;
  m[13] = y;
  m[14] = z;
  return m;
}

Matrix Scaling(double x, double y, double z) {
  Matrix m = Identity();
  m[0] = x;
  m[5] = y;
  m[10] = z;
  return m;
}

Matrix Rotation(double degrees, double x, double y, double z) {
  const double length = std::sqrt(x * x + y * y + z * z);
  if (length == 0) return Identity();
  x /= length;
  y /= length;
  z /= length;
  const double a = degrees * 3.14159265358979323846 / 180.0;
  const double c = std::cos(a), s = std::sin(a), t = 1 - c;
  Matrix m = Identity();
  m[0] = x * x * t + c;     m[4] = x * y * t - z * s; m[8] = x * z * t + y * s;
  m[1] = y * x * t + z * s; m[5] = y * y * t + c;     m[9] = y * z * t - x * s;
  m[2] = x * z * t - y * s; m[6] = y * z * t + x * s; m[10] = z * z * t + c;
  return m;
}

std::vector<Matrix>& CurrentStack() {
  return state.matrixMode == GL_PROJECTION ? state.projection : state.modelview;
}

void MultiplyCurrent(const Matrix& m) {
  Matrix& top = CurrentStack().back();
  top = Multiply(top, m);
}

void Execute(const Call& call);

// Logs a call (or, while a list is being compiled, stores it in the list) and
// applies it to the state unless it was only compiled.
void Issue(const char* name, std::initializer_list<double> args, const char* bytes = nullptr,
           int byteCount = 0) {
  // With recording off (benchmarks, allocation counts) a call costs nothing
  // beyond the scene's own work; only vertices are counted, by their entry points.
  if (!recording && state.openList == 0 && replaying == nullptr) return;
  Call call;
  call.name = name;
  int i = 0;
  for (double a : args) {
    if (i < 16) call.args[static_cast<std::size_t>(i++)] = a;
  }
  call.argCount = i;
  if (bytes) call.bytes.assign(bytes, static_cast<std::size_t>(byteCount));

  const bool compiling = state.openList != 0 && call.name != "glEndList" && call.name != "glNewList";
  if (compiling) {
    if (recording) state.lists[static_cast<GLuint>(state.openList)].push_back(call);
    return;
  }
  if (recording && replaying == nullptr) calls.push_back(call);
  Execute(call);
}

void Execute(const Call& c) {
  const std::string& n = c.name;
  if (n == "glMatrixMode") {
    state.matrixMode = static_cast<GLenum>(c[0]);
  } else if (n == "glLoadIdentity") {
    CurrentStack().back() = Identity();
  } else if (n == "glPushMatrix") {
    CurrentStack().push_back(CurrentStack().back());
  } else if (n == "glPopMatrix") {
    if (CurrentStack().size() > 1)
      CurrentStack().pop_back();
    else
      state.errors.push_back("glPopMatrix on an empty stack");
  } else if (n == "glTranslatef") {
    MultiplyCurrent(Translation(c[0], c[1], c[2]));
  } else if (n == "glScalef") {
    MultiplyCurrent(Scaling(c[0], c[1], c[2]));
  } else if (n == "glRotatef") {
    MultiplyCurrent(Rotation(c[0], c[1], c[2], c[3]));
  } else if (n == "gluPerspective") {
    const double f = 1.0 / std::tan(c[0] * 3.14159265358979323846 / 360.0);
    const double zNear = c[2], zFar = c[3];
    Matrix m{};
    m[0] = f / c[1];
    m[5] = f;
    m[10] = (zFar + zNear) / (zNear - zFar);
    m[11] = -1;
    m[14] = 2 * zFar * zNear / (zNear - zFar);
    MultiplyCurrent(m);
  } else if (n == "glEnable") {
    state.enabled.insert(static_cast<GLenum>(c[0]));
  } else if (n == "glDisable") {
    state.enabled.erase(static_cast<GLenum>(c[0]));
  } else if (n == "glBlendFunc") {
    state.blendSource = static_cast<GLenum>(c[0]);
    state.blendDestination = static_cast<GLenum>(c[1]);
  } else if (n == "glCullFace") {
    state.cullFace = static_cast<GLenum>(c[0]);
  } else if (n == "glClearColor") {
    state.clearColour = {float(c[0]), float(c[1]), float(c[2]), float(c[3])};
  } else if (n == "glViewport") {
    state.viewport = {int(c[0]), int(c[1]), int(c[2]), int(c[3])};
  } else if (n == "glLightfv") {
    std::vector<float> values;
    for (int i = 2; i < c.argCount; ++i) values.push_back(float(c[i]));
    const GLenum name = static_cast<GLenum>(c[1]);
    if (name == GL_POSITION || name == GL_SPOT_DIRECTION) {
      const Matrix& m = state.CurrentModelview();
      const double w = name == GL_POSITION ? c[5] : 0;
      for (int row = 0; row < 3 + (name == GL_POSITION); ++row)
        values[static_cast<std::size_t>(row)] =
            float(m[row] * c[2] + m[4 + row] * c[3] + m[8 + row] * c[4] + m[12 + row] * w);
    }
    state.lights[{static_cast<GLenum>(c[0]), name}] = values;
  } else if (n == "glMaterialfv" || n == "glMaterialf") {
    std::vector<float> values;
    for (int i = 2; i < c.argCount; ++i) values.push_back(float(c[i]));
    state.materials[{static_cast<GLenum>(c[0]), static_cast<GLenum>(c[1])}] = values;
  } else if (n == "glLightModeli" || n == "glLightModelf") {
    state.lightModel[static_cast<GLenum>(c[0])] = float(c[1]);
  } else if (n == "glColor4f" || n == "glColor4fv") {
    state.colour = {float(c[0]), float(c[1]), float(c[2]), float(c[3])};
  } else if (n == "glNormal3f" || n == "glNormal3fv") {
    state.normal = {float(c[0]), float(c[1]), float(c[2])};
  } else if (n == "glBegin") {
    if (state.insideBegin) state.errors.push_back("glBegin inside glBegin");
    state.insideBegin = true;
    state.beginMode = static_cast<GLenum>(c[0]);
  } else if (n == "glEnd") {
    if (!state.insideBegin) state.errors.push_back("glEnd without glBegin");
    state.insideBegin = false;
    ++state.brackets;
  } else if (n == "glVertex3f" || n == "glVertex3fv" || n == "glVertex3d" || n == "glVertex3dv") {
    if (!state.insideBegin) state.errors.push_back("vertex outside glBegin/glEnd");
    ++state.vertices;
  } else if (n == "glListBase") {
    state.listBase = static_cast<GLuint>(c[0]);
  } else if (n == "glPushAttrib") {
    ++state.attribDepth;
    state.listBaseStack.push_back(state.listBase);
  } else if (n == "glPopAttrib") {
    if (state.listBaseStack.empty()) {
      state.errors.push_back("glPopAttrib on an empty stack");
    } else {
      state.listBase = state.listBaseStack.back();
      state.listBaseStack.pop_back();
      --state.attribDepth;
    }
  } else if (n == "glNewList") {
    if (state.openList != 0) state.errors.push_back("glNewList inside glNewList");
    state.openList = static_cast<int>(c[0]);
    if (recording) state.lists[static_cast<GLuint>(c[0])].clear();
  } else if (n == "glEndList") {
    state.openList = 0;
  } else if (n == "glDeleteLists") {
    for (GLuint i = 0; i < static_cast<GLuint>(c[1]); ++i) state.lists.erase(static_cast<GLuint>(c[0]) + i);
  } else if (n == "glCallLists") {
    for (unsigned char byte : c.bytes) {
      auto found = state.lists.find(state.listBase + byte);
      if (found == state.lists.end()) continue;
      const std::vector<Call>* outer = replaying;
      replaying = &found->second;
      for (const Call& inner : found->second) Execute(inner);
      replaying = outer;
    }
  }
}

}  // namespace

Matrix Identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Matrix Multiply(const Matrix& a, const Matrix& b) {
  Matrix r{};
  for (int col = 0; col < 4; ++col)
    for (int row = 0; row < 4; ++row) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[col * 4 + k];
      r[col * 4 + row] = sum;
    }
  return r;
}

bool NearlyEqual(const Matrix& a, const Matrix& b, double tolerance) {
  for (std::size_t i = 0; i < 16; ++i)
    if (std::fabs(a[i] - b[i]) > tolerance) return false;
  return true;
}

void Reset() {
  state = State{};
  calls.clear();
  recording = true;
}

void ClearCalls() { calls.clear(); }

void SetRecording(bool on) { recording = on; }

const std::vector<Call>& Calls() { return calls; }

const State& Current() { return state; }

std::vector<Call> CallsNamed(const std::string& name) {
  std::vector<Call> found;
  for (const Call& call : calls)
    if (call.name == name) found.push_back(call);
  return found;
}

std::size_t CountOf(const std::string& name) {
  std::size_t count = 0;
  for (const Call& call : calls) count += call.name == name;
  return count;
}

std::vector<std::vector<Call>> Brackets() {
  std::vector<std::vector<Call>> brackets;
  bool inside = false;
  for (const Call& call : calls) {
    if (call.name == "glBegin") {
      brackets.emplace_back();
      inside = true;
    } else if (call.name == "glEnd") {
      inside = false;
    } else if (inside) {
      brackets.back().push_back(call);
    }
  }
  return brackets;
}

}  // namespace rgl

// ---- The entry points -------------------------------------------------------

using rgl::Issue;

namespace {
// With recording off the per-vertex entry points only count, so a benchmark
// measures the scene's own work rather than the recorder's.
bool FastPath() { return !rgl::recording && rgl::state.openList == 0 && rgl::replaying == nullptr; }
}  // namespace

extern "C" {

void glClear(GLbitfield mask) { Issue("glClear", {double(mask)}); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { Issue("glClearColor", {r, g, b, a}); }
void glBlendFunc(GLenum s, GLenum d) { Issue("glBlendFunc", {double(s), double(d)}); }
void glEnable(GLenum cap) { Issue("glEnable", {double(cap)}); }
void glDisable(GLenum cap) { Issue("glDisable", {double(cap)}); }
void glCullFace(GLenum mode) { Issue("glCullFace", {double(mode)}); }
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) { Issue("glViewport", {double(x), double(y), double(w), double(h)}); }
void glScissor(GLint x, GLint y, GLsizei w, GLsizei h) { Issue("glScissor", {double(x), double(y), double(w), double(h)}); }
void glMatrixMode(GLenum mode) { Issue("glMatrixMode", {double(mode)}); }
void glLoadIdentity(void) { Issue("glLoadIdentity", {}); }
void glPushMatrix(void) { Issue("glPushMatrix", {}); }
void glPopMatrix(void) { Issue("glPopMatrix", {}); }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { Issue("glTranslatef", {x, y, z}); }
void glRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) { Issue("glRotatef", {a, x, y, z}); }
void glScalef(GLfloat x, GLfloat y, GLfloat z) { Issue("glScalef", {x, y, z}); }
void glLightfv(GLenum light, GLenum pname, const GLfloat* p) {
  const int n = pname == GL_SPOT_DIRECTION ? 3 : (pname == GL_SPOT_EXPONENT || pname == GL_SPOT_CUTOFF) ? 1 : 4;
  if (n == 1) Issue("glLightfv", {double(light), double(pname), p[0]});
  else if (n == 3) Issue("glLightfv", {double(light), double(pname), p[0], p[1], p[2]});
  else Issue("glLightfv", {double(light), double(pname), p[0], p[1], p[2], p[3]});
}
void glMaterialfv(GLenum face, GLenum pname, const GLfloat* p) {
  if (pname == GL_SHININESS) Issue("glMaterialfv", {double(face), double(pname), p[0]});
  else Issue("glMaterialfv", {double(face), double(pname), p[0], p[1], p[2], p[3]});
}
void glMaterialf(GLenum face, GLenum pname, GLfloat v) { Issue("glMaterialf", {double(face), double(pname), v}); }
void glLightModeli(GLenum pname, GLint v) { Issue("glLightModeli", {double(pname), double(v)}); }
void glLightModelf(GLenum pname, GLfloat v) { Issue("glLightModelf", {double(pname), v}); }
void glBegin(GLenum mode) { Issue("glBegin", {double(mode)}); }
void glEnd(void) { Issue("glEnd", {}); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { Issue("glVertex3f", {x, y, z}); }
void glVertex3fv(const GLfloat* v) { if (FastPath()) { ++rgl::state.vertices; return; } Issue("glVertex3fv", {v[0], v[1], v[2]}); }
void glVertex3d(GLdouble x, GLdouble y, GLdouble z) { Issue("glVertex3d", {x, y, z}); }
void glVertex3dv(const GLdouble* v) { Issue("glVertex3dv", {v[0], v[1], v[2]}); }
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) { Issue("glNormal3f", {x, y, z}); }
void glNormal3fv(const GLfloat* v) { if (FastPath()) return; Issue("glNormal3fv", {v[0], v[1], v[2]}); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { Issue("glColor4f", {r, g, b, a}); }
void glColor4fv(const GLfloat* v) { if (FastPath()) return; Issue("glColor4fv", {v[0], v[1], v[2], v[3]}); }
GLuint glGenLists(GLsizei range) {
  const GLuint first = rgl::state.nextListName;
  rgl::state.nextListName += static_cast<GLuint>(range);
  Issue("glGenLists", {double(range)});
  return first;
}
void glDeleteLists(GLuint list, GLsizei range) { Issue("glDeleteLists", {double(list), double(range)}); }
void glNewList(GLuint list, GLenum mode) { Issue("glNewList", {double(list), double(mode)}); }
void glEndList(void) { Issue("glEndList", {}); }
void glListBase(GLuint base) { Issue("glListBase", {double(base)}); }
void glCallLists(GLsizei n, GLenum type, const GLvoid* lists) {
  Issue("glCallLists", {double(n), double(type)}, static_cast<const char*>(lists), type == GL_UNSIGNED_BYTE ? n : 0);
}
void glPushAttrib(GLbitfield mask) { Issue("glPushAttrib", {double(mask)}); }
void glPopAttrib(void) { Issue("glPopAttrib", {}); }
void glFlush(void) { Issue("glFlush", {}); }
void glFinish(void) { Issue("glFinish", {}); }

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  Issue("gluPerspective", {fovy, aspect, zNear, zFar});
}

}  // extern "C"
