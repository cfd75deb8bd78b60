// Helpers shared by the clock's unit tests: what the recording OpenGL saw,
// corner by corner.
#pragma once

#include <vector>

#include "clock/gl_vectors.h"
#include "recording_gl.h"

namespace clocktest {

inline Vector3f AsVector(const rgl::Call& c) {
  return {static_cast<float>(c[0]), static_cast<float>(c[1]), static_cast<float>(c[2])};
}

inline bool Same(const Vector3f& a, const Vector3f& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// One vertex with the normal and colour in force when it came.
struct Corner {
  Vector3f Normal, Position;
  Colour4f Colour;
  bool FreshNormal = false;  // a glNormal3fv came since the previous vertex
  bool OnlyCornerCalls = true;
};

inline std::vector<Corner> CornersOf(const std::vector<rgl::Call>& bracket) {
  std::vector<Corner> corners;
  Corner current;
  for (const rgl::Call& call : bracket) {
    if (call.name == "glNormal3fv") {
      current.Normal = AsVector(call);
      current.FreshNormal = true;
    } else if (call.name == "glColor4fv") {
      current.Colour = {float(call[0]), float(call[1]), float(call[2]), float(call[3])};
    } else if (call.name == "glVertex3fv") {
      current.Position = AsVector(call);
      corners.push_back(current);
      current.FreshNormal = false;
    } else {
      current.OnlyCornerCalls = false;
    }
  }
  return corners;
}

}  // namespace clocktest
