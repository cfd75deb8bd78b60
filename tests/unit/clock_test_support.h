// Helpers shared by the clock's unit tests: reading what the recording OpenGL
// saw as vertices, normals and colours.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clock/gl_vectors.h"
#include "recording_gl.h"

namespace clocktest {

inline Vector3f AsVector(const rgl::Call& call) {
  return {static_cast<float>(call[0]), static_cast<float>(call[1]), static_cast<float>(call[2])};
}

inline Colour4f AsColour(const rgl::Call& call) {
  return {static_cast<float>(call[0]), static_cast<float>(call[1]), static_cast<float>(call[2]),
          static_cast<float>(call[3])};
}

inline bool Same(const Vector3f& a, const Vector3f& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

inline std::size_t Count(const std::vector<rgl::Call>& calls, const std::string& name) {
  std::size_t n = 0;
  for (const rgl::Call& call : calls) n += call.name == name;
  return n;
}

// One emitted corner: the normal and colour in force when its vertex came.
struct Corner {
  Vector3f Normal;
  Colour4f Colour;
  Vector3f Position;
  bool NormalSentForIt = false;  // a glNormal3fv came since the previous vertex
};

inline std::vector<Corner> CornersOf(const std::vector<rgl::Call>& bracket) {
  std::vector<Corner> corners;
  Corner current;
  for (const rgl::Call& call : bracket) {
    if (call.name == "glNormal3fv") {
      current.Normal = AsVector(call);
      current.NormalSentForIt = true;
    } else if (call.name == "glColor4fv") {
      current.Colour = AsColour(call);
    } else if (call.name == "glVertex3fv") {
      current.Position = AsVector(call);
      corners.push_back(current);
      current.NormalSentForIt = false;
    }
  }
  return corners;
}

// The call sequence holds only the three per-corner entry points.
inline void ExpectOnlyCornerCalls(const std::vector<rgl::Call>& bracket) {
  for (const rgl::Call& call : bracket)
    EXPECT_TRUE(call.name == "glNormal3fv" || call.name == "glColor4fv" || call.name == "glVertex3fv") << call.name;
}

}  // namespace clocktest
