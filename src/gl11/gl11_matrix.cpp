#include "gl11/gl11_matrix.h"

#include <cmath>

namespace {

constexpr double DegreesToRadians = 3.14159265358979323846 / 180.0;

float& At(Matrix4& m, int row, int column) { return m[column * 4 + row]; }
float At(const Matrix4& m, int row, int column) { return m[column * 4 + row]; }

}  // namespace

Matrix4 IdentityMatrix() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Matrix4 MultiplyMatrices(const Matrix4& a, const Matrix4& b) {
  Matrix4 p;
  for (int i = 0; i < 4; ++i) {
    const float ai0 = At(a, i, 0), ai1 = At(a, i, 1), ai2 = At(a, i, 2), ai3 = At(a, i, 3);
    for (int j = 0; j < 4; ++j) At(p, i, j) = ai0 * At(b, 0, j) + ai1 * At(b, 1, j) + ai2 * At(b, 2, j) + ai3 * At(b, 3, j);
  }
  return p;
}

void TranslateMatrix(Matrix4& m, float x, float y, float z) {
  for (int r = 0; r < 4; ++r) m[12 + r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
}

void ScaleMatrix(Matrix4& m, float x, float y, float z) {
  for (int r = 0; r < 4; ++r) {
    m[r] *= x;
    m[4 + r] *= y;
    m[8 + r] *= z;
  }
}

void RotateMatrix(Matrix4& m, float degrees, float x, float y, float z) {
  const float angle = static_cast<float>(degrees * DegreesToRadians);
  const float s = std::sin(angle), c = std::cos(angle);
  Matrix4 r = IdentityMatrix();
  // Rotations about a coordinate axis are written out directly, so that their
  // zeros stay exact zeros.
  if (x == 0 && y == 0 && z != 0) {
    At(r, 0, 0) = c;
    At(r, 1, 1) = c;
    At(r, 0, 1) = z < 0 ? s : -s;
    At(r, 1, 0) = z < 0 ? -s : s;
  } else if (x == 0 && z == 0 && y != 0) {
    At(r, 0, 0) = c;
    At(r, 2, 2) = c;
    At(r, 0, 2) = y < 0 ? -s : s;
    At(r, 2, 0) = y < 0 ? s : -s;
  } else if (y == 0 && z == 0 && x != 0) {
    At(r, 1, 1) = c;
    At(r, 2, 2) = c;
    At(r, 1, 2) = x < 0 ? s : -s;
    At(r, 2, 1) = x < 0 ? -s : s;
  } else {
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length <= 1.0e-4f) return;
    x /= length;
    y /= length;
    z /= length;
    const float xx = x * x, yy = y * y, zz = z * z, xy = x * y, yz = y * z, zx = z * x;
    const float xs = x * s, ys = y * s, zs = z * s, oneMinusC = 1.0f - c;
    At(r, 0, 0) = oneMinusC * xx + c;
    At(r, 0, 1) = oneMinusC * xy - zs;
    At(r, 0, 2) = oneMinusC * zx + ys;
    At(r, 1, 0) = oneMinusC * xy + zs;
    At(r, 1, 1) = oneMinusC * yy + c;
    At(r, 1, 2) = oneMinusC * yz - xs;
    At(r, 2, 0) = oneMinusC * zx - ys;
    At(r, 2, 1) = oneMinusC * yz + xs;
    At(r, 2, 2) = oneMinusC * zz + c;
  }
  m = MultiplyMatrices(m, r);
}

bool OrthoMatrix(Matrix4& m, double left, double right, double bottom, double top, double zNear, double zFar) {
  if (left == right || bottom == top || zNear == zFar) return false;
  const float l = static_cast<float>(left), r = static_cast<float>(right);
  const float b = static_cast<float>(bottom), t = static_cast<float>(top);
  const float n = static_cast<float>(zNear), f = static_cast<float>(zFar);
  Matrix4 o = IdentityMatrix();
  At(o, 0, 0) = 2.0f / (r - l);
  At(o, 0, 3) = -(r + l) / (r - l);
  At(o, 1, 1) = 2.0f / (t - b);
  At(o, 1, 3) = -(t + b) / (t - b);
  At(o, 2, 2) = -2.0f / (f - n);
  At(o, 2, 3) = -(f + n) / (f - n);
  m = MultiplyMatrices(m, o);
  return true;
}

bool PerspectiveMatrix(double fovy, double aspect, double zNear, double zFar, double out[16]) {
  const double radians = fovy / 2 * DegreesToRadians;
  const double depth = zFar - zNear;
  const double sine = std::sin(radians);
  if (depth == 0 || sine == 0 || aspect == 0) return false;
  const double cotangent = std::cos(radians) / sine;
  for (int i = 0; i < 16; ++i) out[i] = 0;
  out[0] = cotangent / aspect;
  out[5] = cotangent;
  out[10] = -(zFar + zNear) / depth;
  out[11] = -1;
  out[14] = -2 * zNear * zFar / depth;
  return true;
}

std::array<float, 9> NormalMatrix(const Matrix4& m) {
  double a[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) a[r][c] = At(m, r, c);
  // Cofactors of a: the inverse transpose is cofactor / determinant.
  double cof[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      const int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
      cof[r][c] = a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1];
    }
  const double det = a[0][0] * cof[0][0] + a[0][1] * cof[0][1] + a[0][2] * cof[0][2];
  std::array<float, 9> n{};
  if (det == 0) return n;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) n[c * 3 + r] = static_cast<float>(cof[r][c] / det);
  return n;
}

std::array<float, 4> TransformPoint(const Matrix4& m, const float v[4]) {
  std::array<float, 4> p;
  for (int r = 0; r < 4; ++r) p[r] = At(m, r, 0) * v[0] + At(m, r, 1) * v[1] + At(m, r, 2) * v[2] + At(m, r, 3) * v[3];
  return p;
}
