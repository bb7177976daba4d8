// atan2 of doubles: the ratio t = min/max of |y| and |x| in double-double,
// then the nearest table point c = j/64 and
//   atan t = atan c + atan((t - c) / (1 + t c)),
// the second angle under 1/128, so a short series; then the quadrant from
// the signs, and one rounding.
#include <cmath>

#include "base/desktop_maths.h"
#include "base/desktop_maths_tables.h"

namespace {

constexpr DoubleDouble PI = {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53};
constexpr DoubleDouble HALF_PI = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};
constexpr DoubleDouble QUARTER_PI = {0x1.921fb54442d18p-1, 0x1.1a62633145c07p-55};
constexpr DoubleDouble MINUS_THIRD = {-0x1.5555555555555p-2, -0x1.5555555555555p-56};
// Below this ratio atan t rounds to t.
constexpr double ARCTANGENT_IS_RATIO = 0x1p-60;

// atan t for t in [0, 1].
DoubleDouble arctangent(DoubleDouble t) {
    const int j = static_cast<int>(std::nearbyint(t.hi * ARCTANGENT_TABLE_STEPS));
    const double c = static_cast<double>(j) / ARCTANGENT_TABLE_STEPS;
    const DoubleDouble numerator = add(t, -c);
    const DoubleDouble denominator = add(multiply(t, c), 1.0);
    const DoubleDouble d = divide(numerator, denominator);
    // atan d = d - d^3/3 + d^5 (1/5 - d^2/7 + d^4/9 - d^6/11)
    const DoubleDouble d2 = multiply(d, d);
    const DoubleDouble d3 = multiply(d2, d);
    const double s = d2.hi;
    const double tail = d3.hi * s * (1.0 / 5 + s * (-1.0 / 7 + s * (1.0 / 9 + s * (-1.0 / 11))));
    const DoubleDouble near = add(add(d, multiply(d3, MINUS_THIRD)), tail);
    return add(ARCTANGENT_TABLE[j], near);
}

// atan2 for finite, nonzero y and x.
double finiteArctangent(double y, double x) {
    double ay = std::fabs(y);
    double ax = std::fabs(x);
    const bool steep = ay > ax;
    double top = steep ? ax : ay;
    double bottom = steep ? ay : ax;
    const double q = top / bottom;
    DoubleDouble angle;
    if (q < ARCTANGENT_IS_RATIO) {
        angle = {q, 0.0};
    } else {
        // Scaled so that the exact remainder top - q bottom cannot overflow.
        const int e = std::ilogb(bottom);
        top = std::scalbn(top, -e);
        bottom = std::scalbn(bottom, -e);
        const DoubleDouble qb = twoProduct(q, bottom);
        const double remainder = (top - qb.hi) - qb.lo;
        angle = arctangent(quickTwoSum(q, remainder / bottom));
    }
    // Fold the angle of the first octant out to the point's quadrant.
    if (steep)
        angle = add(HALF_PI, negate(angle));
    if (x < 0.0)
        angle = add(PI, negate(angle));
    const double result = rounded(angle);
    return y < 0.0 ? -result : result;
}

}  // namespace

double desktopAtan2(double y, double x) {
    if (std::isnan(x) || std::isnan(y))
        return x + y;
    const double sign = std::copysign(1.0, y);
    if (y == 0.0)
        return std::signbit(x) ? sign * rounded(PI) : y;
    if (std::isinf(x)) {
        if (std::isinf(y))
            return sign * rounded(x > 0.0 ? QUARTER_PI : add(PI, negate(QUARTER_PI)));
        return x > 0.0 ? sign * 0.0 : sign * rounded(PI);
    }
    if (x == 0.0 || std::isinf(y))
        return sign * rounded(HALF_PI);
    return finiteArctangent(y, x);
}
