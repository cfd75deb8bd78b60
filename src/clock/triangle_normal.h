// The face normal shared by everything drawn with one normal per triangle:
// the hour hand, the flakes, the ground and the curtain.
#pragma once

#include "clock/gl_vectors.h"

// (p2 - p1) x (p3 - p1), not normalised: its length is twice the triangle's
// area, and it points toward +z for a triangle that is counter-clockwise seen
// from +z. The edge differences are rounded to single precision; each
// component's two products are formed and subtracted in Extended and the
// result rounded to single precision.
Vector3f TriangleNormal(Vector3f p1, Vector3f p2, Vector3f p3);

// One triangle in the face-normal style: its normal once, then each corner's
// colour and position, in the order given.
inline void SendFaceNormalTriangle(const Vector3f& pa, const Colour4f& ca, const Vector3f& pb, const Colour4f& cb,
                                   const Vector3f& pc, const Colour4f& cc) {
  SendNormal(TriangleNormal(pa, pb, pc));
  SendCorner(pa, ca);
  SendCorner(pb, cb);
  SendCorner(pc, cc);
}
