// sin and cos of a double: the angle less its nearest multiple of pi/2, then
// the nearest table point a = j/64 and the short remainder t:
//   sin(a + t) = sin a cos t + cos a sin t,  cos(a + t) = cos a cos t - sin a sin t,
// in double-double arithmetic to about 2^-85 relative, then rounded once.
#include <cmath>

#include "base/desktop_maths.h"
#include "base/desktop_maths_tables.h"
#include "base/quadrant_reduction.h"

namespace {

constexpr double QUARTER_PI = 0x1.921fb54442d18p-1;
// Below these, sin x rounds to x and cos x to 1.
constexpr double SINE_IS_ANGLE = 0x1p-26;
constexpr double COSINE_IS_ONE = 0x1p-27;

constexpr DoubleDouble MINUS_SIXTH = {-0x1.5555555555555p-3, -0x1.5555555555555p-57};

struct SineAndCosine {
    DoubleDouble sine;
    DoubleDouble cosine;
};

// sin t and cos t - 1 for |t| <= 1/128: the first terms in double-double,
// the rest (below 2^-30 of the result) in double.
SineAndCosine remainderTerms(DoubleDouble t) {
    const DoubleDouble t2 = add(twoProduct(t.hi, t.hi), 2.0 * t.hi * t.lo);
    const double s = t2.hi;
    // sin t = t - t^3/6 + t^5 (1/120 - t^2/5040 + t^4/362880)
    const DoubleDouble t3 = multiply(t2, t);
    const double sineTail = t3.hi * s * (1.0 / 120 + s * (-1.0 / 5040 + s * (1.0 / 362880)));
    const DoubleDouble sine = add(add(t, multiply(t3, MINUS_SIXTH)), sineTail);
    // cos t - 1 = -t^2/2 + t^4 (1/24 - t^2/720 + t^4/40320)
    const double cosineTail = s * s * (1.0 / 24 + s * (-1.0 / 720 + s * (1.0 / 40320)));
    const DoubleDouble cosineLessOne = add(DoubleDouble{-0.5 * t2.hi, -0.5 * t2.lo}, cosineTail);
    return {sine, cosineLessOne};
}

// sin r and cos r for |r| <= pi/4 (a little over, after rounding).
SineAndCosine sineAndCosine(DoubleDouble r) {
    const bool negative = r.hi < 0.0;
    const DoubleDouble a = negative ? negate(r) : r;
    const int j = static_cast<int>(std::nearbyint(a.hi * SINE_TABLE_STEPS));
    const SineCosine& point = SINE_COSINE_TABLE[j];
    const DoubleDouble t = add(a, -static_cast<double>(j) / SINE_TABLE_STEPS);
    const SineAndCosine near = remainderTerms(t);
    // sin a (1 + (cos t - 1)) + cos a sin t, cos a (1 + (cos t - 1)) - sin a sin t
    const DoubleDouble sine =
        add(point.sine, add(multiply(point.sine, near.cosine), multiply(point.cosine, near.sine)));
    const DoubleDouble cosine =
        add(point.cosine, add(multiply(point.cosine, near.cosine), negate(multiply(point.sine, near.sine))));
    return {negative ? negate(sine) : sine, cosine};
}

// The sine (shift 0) or cosine (shift 1) of a finite x with |x| >= the floor.
double reducedSineOrCosine(double x, int shift) {
    const double magnitude = std::fabs(x);
    int quadrant = 0;
    DoubleDouble r = {magnitude, 0.0};
    if (magnitude > QUARTER_PI)
        r = reduceByQuadrants(magnitude, quadrant);
    const SineAndCosine sc = sineAndCosine(r);
    // sin(x + n pi/2) cycles sin, cos, -sin, -cos; cos(x) = sin(x + pi/2).
    const int turn = (quadrant + shift) & 3;
    DoubleDouble v = (turn & 1) ? sc.cosine : sc.sine;
    if (turn & 2)
        v = negate(v);
    // sin is odd, cos even.
    if (x < 0.0 && shift == 0)
        v = negate(v);
    return rounded(v);
}

}  // namespace

double desktopSin(double x) {
    if (std::fabs(x) < SINE_IS_ANGLE)
        return x;
    if (!std::isfinite(x))
        return x - x;
    return reducedSineOrCosine(x, 0);
}

double desktopCos(double x) {
    if (std::fabs(x) < COSINE_IS_ONE)
        return 1.0;
    if (!std::isfinite(x))
        return x - x;
    return reducedSineOrCosine(x, 1);
}
