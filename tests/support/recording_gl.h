// A recording OpenGL of the project's own: the GL 1.1 entry points the scene
// uses (and gluPerspective), each logging its name and arguments and tracking
// the state the tests check (matrix stacks, enables, blend function, list
// base, display lists, glBegin/glEnd brackets). Linked instead of libGL.
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/opengl.h"

namespace rgl {

using Matrix = std::array<double, 16>;  // column-major, as OpenGL keeps it

Matrix Identity();
Matrix Multiply(const Matrix& a, const Matrix& b);
bool NearlyEqual(const Matrix& a, const Matrix& b, double tolerance = 1e-9);

struct Call {
  std::string name;             // the entry point, e.g. "glVertex3fv"
  std::array<double, 16> args;  // numeric arguments, vectors flattened
  int argCount = 0;
  std::string bytes;            // glCallLists: the list offsets as bytes

  double operator[](int i) const { return args[static_cast<std::size_t>(i)]; }
};

struct State {
  GLenum matrixMode = GL_MODELVIEW;
  std::vector<Matrix> modelview{Identity()};
  std::vector<Matrix> projection{Identity()};
  std::set<GLenum> enabled;
  GLenum blendSource = GL_ONE;
  GLenum blendDestination = GL_ZERO;
  GLenum cullFace = GL_BACK;
  std::array<float, 4> clearColour{0, 0, 0, 0};
  std::array<float, 4> colour{1, 1, 1, 1};
  std::array<float, 3> normal{0, 0, 1};
  std::array<int, 4> viewport{0, 0, 0, 0};
  // Light parameters by (light, name) as OpenGL keeps them: a position in eye
  // coordinates (by the modelview of its call) and a spot direction turned
  // by it; the material by (face, name); the light model's settings by name.
  std::map<std::pair<GLenum, GLenum>, std::vector<float>> lights;
  std::map<std::pair<GLenum, GLenum>, std::vector<float>> materials;
  std::map<GLenum, float> lightModel;
  GLuint listBase = 0;
  std::vector<GLuint> listBaseStack;  // glPushAttrib(GL_LIST_BIT)
  int attribDepth = 0;
  bool insideBegin = false;
  GLenum beginMode = 0;
  int openList = 0;  // the list being compiled, 0 when none
  GLuint nextListName = 1;
  long long vertices = 0;         // every vertex so far, including those of called lists
  long long brackets = 0;         // completed glBegin/glEnd pairs
  std::map<GLuint, std::vector<Call>> lists;
  std::vector<std::string> errors;  // misuse seen, e.g. glBegin inside glBegin

  const Matrix& CurrentModelview() const { return modelview.back(); }
};

// Clears the log and the state (the next list name starts at 1 again).
void Reset();

// Clears the log only: the state, display lists included, stays.
void ClearCalls();

// With recording off nothing is logged, no display list is kept and no state
// moves but the vertex counter (used by benchmarks and allocation tests).
void SetRecording(bool on);

const std::vector<Call>& Calls();
const State& Current();

// Calls named `name` in the top-level log.
std::vector<Call> CallsNamed(const std::string& name);
std::size_t CountOf(const std::string& name);

// The logged vertex calls between each glBegin and its glEnd, bracket by bracket.
std::vector<std::vector<Call>> Brackets();

}  // namespace rgl
