#include "gfx/es/float_matrix.h"

#include <cmath>
#include <cstring>

#include "base/desktop_maths.h"

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double DEGREES_PER_HALF_TURN = 180.0;

// Below this length an axis gives no rotation at all.
constexpr float SHORTEST_AXIS = 1.0e-4f;
// How far from orthonormal a 3 x 3 may be and still count as a rotation.
constexpr float ROTATION_TOLERANCE = 1.0e-6f;

constexpr float IDENTITY[MATRIX_FLOATS] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

float& at(float m[MATRIX_FLOATS], int row, int column) { return m[column * 4 + row]; }
float at(const float m[MATRIX_FLOATS], int row, int column) { return m[column * 4 + row]; }

float dot3(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// GLU's own helpers, in float.
void normalizeInPlace(float v[3]) {
    const float length = static_cast<float>(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
    if (length == 0.0f)
        return;
    for (int i = 0; i < 3; ++i)
        v[i] /= length;
}

void cross(const float a[3], const float b[3], float out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// Whether the upper 3 x 3 is a rotation: unit columns, the first two at
// right angles, the third their cross product.
bool isRotation(const float m[MATRIX_FLOATS]) {
    const float tolerance = ROTATION_TOLERANCE * ROTATION_TOLERANCE;
    const float c1 = dot3(m, m);
    const float c2 = dot3(m + 4, m + 4);
    const float c3 = dot3(m + 8, m + 8);
    const float d1 = dot3(m, m + 4);
    const auto square = [](float v) { return v * v; };
    if (square(c1 - c2) >= tolerance || square(c1 - c3) >= tolerance || square(c1 - 1.0f) > tolerance)
        return false;
    if (square(d1) >= tolerance)
        return false;
    float third[3];
    cross(m, m + 4, third);
    for (int i = 0; i < 3; ++i)
        third[i] -= m[8 + i];
    return dot3(third, third) < tolerance;
}

}  // namespace

void setIdentity(float m[MATRIX_FLOATS]) { std::memcpy(m, IDENTITY, sizeof IDENTITY); }

void multiply(const float a[MATRIX_FLOATS], const float b[MATRIX_FLOATS], float product[MATRIX_FLOATS]) {
    float p[MATRIX_FLOATS];
    for (int i = 0; i < 4; ++i) {
        const float ai0 = at(a, i, 0), ai1 = at(a, i, 1), ai2 = at(a, i, 2), ai3 = at(a, i, 3);
        for (int j = 0; j < 4; ++j)
            at(p, i, j) = ai0 * at(b, 0, j) + ai1 * at(b, 1, j) + ai2 * at(b, 2, j) + ai3 * at(b, 3, j);
    }
    std::memcpy(product, p, sizeof p);
}

void multiplyBy(float m[MATRIX_FLOATS], const float b[MATRIX_FLOATS]) { multiply(m, b, m); }

void multiplyByDoubles(float m[MATRIX_FLOATS], const double b[MATRIX_FLOATS]) {
    float rounded[MATRIX_FLOATS];
    for (int i = 0; i < MATRIX_FLOATS; ++i)
        rounded[i] = static_cast<float>(b[i]);
    multiplyBy(m, rounded);
}

void translate(float m[MATRIX_FLOATS], float x, float y, float z) {
    for (int i = 0; i < 4; ++i)
        m[12 + i] = m[i] * x + m[4 + i] * y + m[8 + i] * z + m[12 + i];
}

// The angle goes to radians in double and is rounded to float before its
// sine and cosine are taken in float; an axis along x, y or z is not
// normalised, any other is.
void rotate(float m[MATRIX_FLOATS], float degrees, float x, float y, float z) {
    const float radians = static_cast<float>(degrees * PI / DEGREES_PER_HALF_TURN);
    const float s = desktopSinf(radians);
    const float c = desktopCosf(radians);
    float r[MATRIX_FLOATS];
    setIdentity(r);
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        at(r, 0, 0) = c;
        at(r, 1, 1) = c;
        at(r, 0, 1) = z < 0.0f ? s : -s;
        at(r, 1, 0) = z < 0.0f ? -s : s;
    } else if (x == 0.0f && y != 0.0f && z == 0.0f) {
        at(r, 0, 0) = c;
        at(r, 2, 2) = c;
        at(r, 0, 2) = y < 0.0f ? -s : s;
        at(r, 2, 0) = y < 0.0f ? s : -s;
    } else if (x != 0.0f && y == 0.0f && z == 0.0f) {
        at(r, 1, 1) = c;
        at(r, 2, 2) = c;
        at(r, 1, 2) = x < 0.0f ? s : -s;
        at(r, 2, 1) = x < 0.0f ? -s : s;
    } else {
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length <= SHORTEST_AXIS)
            return;
        x /= length;
        y /= length;
        z /= length;
        const float xx = x * x, yy = y * y, zz = z * z;
        const float xy = x * y, yz = y * z, zx = z * x;
        const float xs = x * s, ys = y * s, zs = z * s;
        const float oneMinusC = 1.0f - c;
        at(r, 0, 0) = (oneMinusC * xx) + c;
        at(r, 0, 1) = (oneMinusC * xy) - zs;
        at(r, 0, 2) = (oneMinusC * zx) + ys;
        at(r, 1, 0) = (oneMinusC * xy) + zs;
        at(r, 1, 1) = (oneMinusC * yy) + c;
        at(r, 1, 2) = (oneMinusC * yz) - xs;
        at(r, 2, 0) = (oneMinusC * zx) - ys;
        at(r, 2, 1) = (oneMinusC * yz) + xs;
        at(r, 2, 2) = (oneMinusC * zz) + c;
    }
    multiplyBy(m, r);
}

// Built in double, multiplied in as glMultMatrixd.
void multiplyByPerspective(float m[MATRIX_FLOATS], double fovy, double aspect, double zNear, double zFar) {
    const double radians = fovy / 2 * PI / DEGREES_PER_HALF_TURN;
    const double depth = zFar - zNear;
    const double sine = desktopSin(radians);
    if (depth == 0.0 || sine == 0.0 || aspect == 0.0)
        return;
    const double cotangent = desktopCos(radians) / sine;
    double p[MATRIX_FLOATS] = {};
    p[0] = cotangent / aspect;
    p[5] = cotangent;
    p[10] = -(zFar + zNear) / depth;
    p[11] = -1.0;
    p[14] = -2 * zNear * zFar / depth;
    multiplyByDoubles(m, p);
}

// Worked in float, multiplied in as glMultMatrixf, then moved by the eye
// rounded to float, as glTranslated does.
void multiplyByLookAt(float m[MATRIX_FLOATS], const double eye[3], const double centre[3], const double up[3]) {
    float forward[3], upward[3], side[3];
    for (int i = 0; i < 3; ++i) {
        forward[i] = static_cast<float>(centre[i] - eye[i]);
        upward[i] = static_cast<float>(up[i]);
    }
    normalizeInPlace(forward);
    cross(forward, upward, side);
    normalizeInPlace(side);
    cross(side, forward, upward);
    float view[MATRIX_FLOATS];
    setIdentity(view);
    for (int i = 0; i < 3; ++i) {
        at(view, 0, i) = side[i];
        at(view, 1, i) = upward[i];
        at(view, 2, i) = -forward[i];
    }
    multiplyBy(m, view);
    translate(m, static_cast<float>(-eye[0]), static_cast<float>(-eye[1]), static_cast<float>(-eye[2]));
}

void transformPoint(const float m[MATRIX_FLOATS], const float point[4], float out[4]) {
    float q[4];
    for (int i = 0; i < 4; ++i)
        q[i] = m[i] * point[0] + m[4 + i] * point[1] + m[8 + i] * point[2] + m[12 + i] * point[3];
    std::memcpy(out, q, sizeof q);
}

void normalMatrix(const float m[MATRIX_FLOATS], float out[9]) {
    if (isRotation(m)) {
        for (int column = 0; column < 3; ++column)
            for (int row = 0; row < 3; ++row)
                out[column * 3 + row] = at(m, row, column);
        return;
    }
    // The inverse transpose is the cofactor matrix over the determinant.
    float cofactor[3][3];
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const int r0 = (row + 1) % 3, r1 = (row + 2) % 3;
            const int c0 = (column + 1) % 3, c1 = (column + 2) % 3;
            cofactor[row][column] = at(m, r0, c0) * at(m, r1, c1) - at(m, r0, c1) * at(m, r1, c0);
        }
    }
    const float determinant =
        at(m, 0, 0) * cofactor[0][0] + at(m, 0, 1) * cofactor[0][1] + at(m, 0, 2) * cofactor[0][2];
    const float scale = determinant != 0.0f ? 1.0f / determinant : 0.0f;
    for (int column = 0; column < 3; ++column)
        for (int row = 0; row < 3; ++row)
            out[column * 3 + row] = cofactor[row][column] * scale;
}
