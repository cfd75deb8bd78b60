// The face normal shared by everything drawn with one normal per triangle:
// the hour hand, the flakes, the ground and the curtain.
#pragma once

#include "base/gl_vectors.h"

// (p2 - p1) x (p3 - p1), not normalised: its length is twice the triangle's
// area, and it points toward +z for a triangle that is counter-clockwise seen
// from +z. The edge differences are rounded to single precision; each
// component's two products are formed and subtracted in Extended and the
// result rounded to single precision.
namespace triangle_normal_detail {

inline float Difference(float a, float b) { return static_cast<float>(Extended(a) - Extended(b)); }

// a * b - c * d with both products exact in Extended (a float product needs
// at most 48 bits) and one rounding to single at the end.
inline float CrossTerm(float a, float b, float c, float d) {
  return static_cast<float>(Extended(a) * Extended(b) - Extended(c) * Extended(d));
}

}  // namespace triangle_normal_detail

inline Vector3f TriangleNormal(Vector3f p1, Vector3f p2, Vector3f p3) {
  using namespace triangle_normal_detail;
  const Vector3f u{Difference(p2.x, p1.x), Difference(p2.y, p1.y), Difference(p2.z, p1.z)};
  const Vector3f v{Difference(p3.x, p1.x), Difference(p3.y, p1.y), Difference(p3.z, p1.z)};
  return {CrossTerm(u.y, v.z, u.z, v.y), CrossTerm(u.z, v.x, u.x, v.z), CrossTerm(u.x, v.y, u.y, v.x)};
}

// One triangle in the face-normal style: its normal once, then each corner's
// colour and position, in the order given.
inline void SendFaceNormalTriangle(const Vector3f& pa, const Colour4f& ca, const Vector3f& pb, const Colour4f& cb,
                                   const Vector3f& pc, const Colour4f& cc) {
  SendNormal(TriangleNormal(pa, pb, pc));
  SendCorner(pa, ca);
  SendCorner(pb, cb);
  SendCorner(pc, cc);
}
