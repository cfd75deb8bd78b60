#include "clock/triangle_normal.h"

namespace {

float Difference(float a, float b) { return static_cast<float>(Extended(a) - Extended(b)); }

// a * b - c * d with both products exact in Extended (a float product needs
// at most 48 bits) and one rounding to single at the end.
float CrossTerm(float a, float b, float c, float d) {
  return static_cast<float>(Extended(a) * Extended(b) - Extended(c) * Extended(d));
}

}  // namespace

Vector3f TriangleNormal(Vector3f p1, Vector3f p2, Vector3f p3) {
  const Vector3f u{Difference(p2.x, p1.x), Difference(p2.y, p1.y), Difference(p2.z, p1.z)};
  const Vector3f v{Difference(p3.x, p1.x), Difference(p3.y, p1.y), Difference(p3.z, p1.z)};
  return {CrossTerm(u.y, v.z, u.z, v.y), CrossTerm(u.z, v.x, u.x, v.z), CrossTerm(u.x, v.y, u.y, v.x)};
}
