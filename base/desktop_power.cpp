// pow of doubles as exp(y log|x|) in double-double arithmetic:
//   log x = e log 2 - log r + log1p(m r - 1), with m the mantissa, r a short
//     reciprocal from the table, so |m r - 1| < 2^-7;
//   exp z = 2^(k/128) exp(z - k log2/128), with 2^(j/128) from the table.
// About 2^-80 relative before the one rounding; the signs and special
// values follow C's Annex F.
#include <cmath>
#include <limits>

#include "base/desktop_maths.h"
#include "base/desktop_maths_tables.h"

namespace {

constexpr DoubleDouble LOG_TWO = {0x1.62e42fefa39efp-1, 0x1.abc9e3b39803fp-56};
// log 2 / 128 in three parts, the first with trailing zeros so that k times
// it is exact for any k the exponent range gives.
constexpr double LOG_TWO_STEP_HI = 0x1.62e42fef80000p-8;
constexpr double LOG_TWO_STEP_MID = 0x1.1cf79abc9e3b4p-43;
constexpr double LOG_TWO_STEP_LO = -0x1.9ff0342542fc3p-97;
constexpr double STEPS_PER_LOG_TWO = 0x1.71547652b82fep+7;  // 128 / log 2

constexpr DoubleDouble THIRD = {0x1.5555555555555p-2, 0x1.5555555555555p-56};
constexpr double SQRT_HALF = 0x1.6a09e667f3bcdp-1;
// Beyond these exponents z the result overflows or is zero; |y| beyond the
// limit makes |y log x| larger than both wherever x is not 1.
constexpr double EXPONENT_OVERFLOWS = 709.8;
constexpr double EXPONENT_UNDERFLOWS = -745.2;
constexpr double Y_OVERFLOWS = 0x1p64;
constexpr int SUBNORMAL_SCALE = 1074;
constexpr int LEAST_NORMAL_EXPONENT = -1022;

// log x for finite x > 0.
DoubleDouble logarithm(double x) {
    int e = 0;
    double m = std::frexp(x, &e);
    if (m < SQRT_HALF) {
        m *= 2.0;
        e -= 1;
    }
    const int i = static_cast<int>(m * LOG_TABLE_STEPS) - LOG_TABLE_FIRST;
    const LogPoint& point = LOG_TABLE[i];
    const DoubleDouble product = twoProduct(m, point.reciprocal);
    const DoubleDouble u = quickTwoSum(product.hi - 1.0, product.lo);
    // log1p u = u - u^2/2 + u^3/3 - u^4 (1/4 - u/5 + ... + u^8/12)
    const DoubleDouble u2 = multiply(u, u);
    const DoubleDouble u3 = multiply(u2, u);
    const double v = u.hi;
    const double tail =
        u2.hi * u2.hi *
        (-1.0 / 4 +
         v * (1.0 / 5 +
              v * (-1.0 / 6 + v * (1.0 / 7 + v * (-1.0 / 8 + v * (1.0 / 9 + v * (-1.0 / 10 + v * (1.0 / 11 + v * (-1.0 / 12)))))))));
    DoubleDouble series = add(u, DoubleDouble{-0.5 * u2.hi, -0.5 * u2.lo});
    series = add(series, add(multiply(u3, THIRD), tail));
    return add(add(multiply(LOG_TWO, static_cast<double>(e)), point.minusLog), series);
}

// The double nearest v 2^scale, v in [1/2, 2) (so only a result below the
// least normal needs care: v is rounded once, at its own place there).
double scaled(DoubleDouble v, int scale) {
    int e = 0;
    std::frexp(v.hi, &e);
    if (e + scale > LEAST_NORMAL_EXPONENT)
        return std::ldexp(rounded(v), scale);
    // In units of the least subnormal, rounded to a whole number, ties to even.
    const double hi = std::ldexp(v.hi, scale + SUBNORMAL_SCALE);
    const double lo = std::ldexp(v.lo, scale + SUBNORMAL_SCALE);
    double whole = std::nearbyint(hi);
    const double rest = (hi - whole) + lo;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    else if (rest < -0.5 || (rest == -0.5 && std::fmod(whole, 2.0) != 0.0))
        whole -= 1.0;
    return std::ldexp(whole, -SUBNORMAL_SCALE);
}

// exp z for |z.hi| within the limits.
double exponential(DoubleDouble z) {
    const double k = std::nearbyint(z.hi * STEPS_PER_LOG_TWO);
    // r = z - k log2/128, |r| <= log2/256
    DoubleDouble r = twoSum(z.hi - k * LOG_TWO_STEP_HI, z.lo);
    r = add(r, negate(twoProduct(k, LOG_TWO_STEP_MID)));
    r = add(r, -k * LOG_TWO_STEP_LO);
    // exp r = 1 + r + r^2/2 + r^3 (1/6 + r/24 + ... + r^5/40320)
    const DoubleDouble r2 = multiply(r, r);
    const double s = r.hi;
    const double tail =
        r2.hi * s * (1.0 / 6 + s * (1.0 / 24 + s * (1.0 / 120 + s * (1.0 / 720 + s * (1.0 / 5040 + s * (1.0 / 40320))))));
    const DoubleDouble expLessOne = add(add(r, DoubleDouble{0.5 * r2.hi, 0.5 * r2.lo}), tail);
    const int steps = static_cast<int>(k);
    const int j = ((steps % EXP2_TABLE_STEPS) + EXP2_TABLE_STEPS) % EXP2_TABLE_STEPS;
    const int twos = (steps - j) / EXP2_TABLE_STEPS;
    const DoubleDouble& point = EXP2_TABLE[j];
    return scaled(add(point, multiply(point, expLessOne)), twos);
}

bool isInteger(double y) { return std::isfinite(y) && std::floor(y) == y; }
bool isOddInteger(double y) { return isInteger(y) && std::fabs(std::fmod(y, 2.0)) == 1.0; }

}  // namespace

double desktopPow(double x, double y) {
    constexpr double INF = std::numeric_limits<double>::infinity();
    if (y == 0.0 || x == 1.0)
        return 1.0;
    if (std::isnan(x) || std::isnan(y))
        return x + y;
    const double ax = std::fabs(x);
    // A negative base has a real power only for whole y; odd ones keep its sign.
    const double sign = (std::signbit(x) && isOddInteger(y)) ? -1.0 : 1.0;
    if (x < 0.0 && !isInteger(y) && std::isfinite(y) && std::isfinite(x))
        return std::numeric_limits<double>::quiet_NaN();
    if (std::isinf(y)) {
        if (ax == 1.0)
            return 1.0;
        return (ax > 1.0) == (y > 0.0) ? INF : 0.0;
    }
    if (ax == 1.0)
        return sign;
    if (ax == 0.0 || std::isinf(ax))
        return sign * (((ax == 0.0) == (y < 0.0)) ? INF : 0.0);
    const DoubleDouble logX = logarithm(ax);
    if (std::fabs(y) >= Y_OVERFLOWS)
        return ((logX.hi > 0.0) == (y > 0.0)) ? INF : 0.0;
    const DoubleDouble z = multiply(logX, y);
    if (z.hi > EXPONENT_OVERFLOWS)
        return sign * INF;
    if (z.hi < EXPONENT_UNDERFLOWS)
        return sign * 0.0;
    return sign * exponential(z);
}
