// 4x4 single-precision matrices as OpenGL keeps them (column-major), with the
// operations of the matrix commands worked out the way Mesa's fixed function
// does, in float and in the same order, so that positions land on the same
// pixels as on the desktop.
#pragma once

#include <array>

using Matrix4 = std::array<float, 16>;  // element (row r, column c) at [c * 4 + r]

Matrix4 IdentityMatrix();
// a * b
Matrix4 MultiplyMatrices(const Matrix4& a, const Matrix4& b);
void TranslateMatrix(Matrix4& m, float x, float y, float z);
void ScaleMatrix(Matrix4& m, float x, float y, float z);
// m * R, R the rotation by `degrees` about (x, y, z); no change for an axis
// shorter than 1e-4.
void RotateMatrix(Matrix4& m, float degrees, float x, float y, float z);
// m * O for glOrtho's box; false (m unchanged) for an empty box.
bool OrthoMatrix(Matrix4& m, double left, double right, double bottom, double top, double zNear, double zFar);
// The projection gluPerspective multiplies in, in double precision as GLU
// works it out; false when it would be undefined (GLU then does nothing).
bool PerspectiveMatrix(double fovy, double aspect, double zNear, double zFar, double out[16]);
// The inverse transpose of m's upper-left 3x3 (column-major 3x3), which takes
// normals to eye space; the zero matrix for a singular m.
std::array<float, 9> NormalMatrix(const Matrix4& m);
// m * (x, y, z, w)
std::array<float, 4> TransformPoint(const Matrix4& m, const float v[4]);
