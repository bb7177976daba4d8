// 4 x 4 matrices in single precision, column-major as OpenGL keeps them,
// computed the way the desktop driver the show is recorded on (Mesa) and
// its GLU compute them, operation for operation: the scenes read matrices
// back and build their meshes from them, so an ulp here moves geometry.
#pragma once

constexpr int MATRIX_FLOATS = 16;

void setIdentity(float m[MATRIX_FLOATS]);
// m = m x b.
void multiplyBy(float m[MATRIX_FLOATS], const float b[MATRIX_FLOATS]);
// glMultMatrixd: each element of b rounded to float, then multiplyBy.
void multiplyByDoubles(float m[MATRIX_FLOATS], const double b[MATRIX_FLOATS]);
// product = a x b.
void multiply(const float a[MATRIX_FLOATS], const float b[MATRIX_FLOATS], float product[MATRIX_FLOATS]);
// glTranslatef and glRotatef (degrees about any axis).
void translate(float m[MATRIX_FLOATS], float x, float y, float z);
void rotate(float m[MATRIX_FLOATS], float degrees, float x, float y, float z);
// gluPerspective and gluLookAt.
void multiplyByPerspective(float m[MATRIX_FLOATS], double fovy, double aspect, double zNear, double zFar);
void multiplyByLookAt(float m[MATRIX_FLOATS], const double eye[3], const double centre[3], const double up[3]);

// out = m x point, as glLightfv places a light.
void transformPoint(const float m[MATRIX_FLOATS], const float point[4], float out[4]);
// The matrix that takes normals to eye space, column-major 3 x 3: the
// inverse transpose of m's upper 3 x 3, which for a rotation is that 3 x 3
// itself (taken as it is, as the driver does, not recomputed).
void normalMatrix(const float m[MATRIX_FLOATS], float out[9]);
