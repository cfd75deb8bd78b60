// The single-precision forms in which positions, normals and colours are handed
// to OpenGL. Scene geometry is stored in Extended and converted corner by
// corner, just before each call.
#pragma once

#include "base/extended.h"
#include "base/opengl.h"

struct Vector3f {
  float x = 0, y = 0, z = 0;
};

struct Colour4f {
  float r = 0, g = 0, b = 0, a = 0;
};

inline Vector3f ToVector3f(Extended x, Extended y, Extended z) {
  return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

inline Colour4f ToColour4f(Extended r, Extended g, Extended b, Extended a) {
  return {static_cast<float>(r), static_cast<float>(g), static_cast<float>(b), static_cast<float>(a)};
}

// The vector forms of the immediate-mode calls, fed from a local array so that
// OpenGL reads exactly three (or four) consecutive floats.
inline void SendNormal(const Vector3f& n) {
  const GLfloat v[3] = {n.x, n.y, n.z};
  glNormal3fv(v);
}

inline void SendColour(const Colour4f& c) {
  const GLfloat v[4] = {c.r, c.g, c.b, c.a};
  glColor4fv(v);
}

inline void SendVertex(const Vector3f& p) {
  const GLfloat v[3] = {p.x, p.y, p.z};
  glVertex3fv(v);
}

// One corner whose normal is its own position (in the frame it is given in).
inline void SendCornerWithPositionNormal(const Vector3f& position, const Colour4f& colour) {
  SendNormal(position);
  SendColour(colour);
  SendVertex(position);
}

// One corner under a normal already sent for its whole triangle.
inline void SendCorner(const Vector3f& position, const Colour4f& colour) {
  SendColour(colour);
  SendVertex(position);
}
