// sinf and cosf as the desktop's C library computes them on a processor
// with fused multiply-add: a double-precision polynomial after a reduction
// by pi/2, in double below 120 and from the bits of 2/pi beyond.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "base/desktop_maths.h"
#include "base/quadrant_reduction.h"

namespace {

// The polynomials: cosine of the reduced angle as c0 + c1 x^2 + ... + c4 x^8,
// sine as x + s1 x^3 + s2 x^5 + s3 x^7.
constexpr double COSINE_C0 = 0x1p0;
constexpr double COSINE_C1 = -0x1.ffffffd0c621cp-2;
constexpr double COSINE_C2 = 0x1.55553e1068f19p-5;
constexpr double COSINE_C3 = -0x1.6c087e89a359dp-10;
constexpr double COSINE_C4 = 0x1.99343027bf8c3p-16;
constexpr double SINE_S1 = -0x1.555545995a603p-3;
constexpr double SINE_S2 = 0x1.1107605230bc4p-7;
constexpr double SINE_S3 = -0x1.994eb3774cf24p-13;

struct Polynomials {
    double c0, c1, c2, c3, c4;
    double s1, s2, s3;
};

// The set with the cosine's coefficients times cosineSign (1 or -1, which
// negates exactly); the sine's are the same in both.
constexpr Polynomials polynomialsWith(double cosineSign) {
    Polynomials p{};
    p.c0 = cosineSign * COSINE_C0;
    p.c1 = cosineSign * COSINE_C1;
    p.c2 = cosineSign * COSINE_C2;
    p.c3 = cosineSign * COSINE_C3;
    p.c4 = cosineSign * COSINE_C4;
    p.s1 = SINE_S1;
    p.s2 = SINE_S2;
    p.s3 = SINE_S3;
    return p;
}

// The second set gives minus the cosine, for the quadrants where it is
// negative.
constexpr Polynomials POSITIVE_COSINE = polynomialsWith(1.0);
constexpr Polynomials NEGATIVE_COSINE = polynomialsWith(-1.0);

// The sign the reduced angle takes in each quadrant.
constexpr double QUADRANT_SIGN[4] = {1.0, -1.0, -1.0, 1.0};

// 2/pi scaled by 2^24, so that the quadrant comes out of an integer
// conversion rounded to nearest; and pi/2.
constexpr double TWO_OVER_PI_SCALED = 0x1.45f306dc9c883p+23;
constexpr double HALF_PI = 0x1.921fb54442d18p0;

// The ranges are told apart by the top 12 bits of the float (exponent and
// three bits of mantissa), as the library does: below 2^-12 the answer is the
// first term; below 0.75 no reduction; below 120 the reduction above; below
// infinity the reduction from the bits of 2/pi.
constexpr uint32_t TOP_BELOW_TINY = 0x398;     // 2^-12
constexpr uint32_t TOP_BELOW_QUARTER = 0x3f4;  // pi/4, as its top bits say
constexpr uint32_t TOP_BELOW_REDUCED = 0x42f;  // 120
constexpr uint32_t TOP_BELOW_INFINITY = 0x7f8;

// pi/2 in units of the 62 fractional bits of the large reduction.
constexpr double HALF_PI_PER_FIXED_UNIT = 0x1.921fb54442d18p-62;
// Each step of the exponent's upper bits moves the window 8 digits on.
constexpr int WINDOW_FIRST_BIT = 40;
constexpr int WINDOW_STEP_BITS = 8;

uint32_t topBits(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return (bits >> 20) & 0x7ff;
}

// Odd quadrant counts evaluate the cosine polynomial, even ones the sine.
// Each multiply-add is fused, as the library's build for processors with
// fused multiply-add (every x86-64 of the last decade) rounds it.
float evaluate(double x, double x2, const Polynomials& p, int quadrant) {
    if ((quadrant & 1) == 0) {
        const double x3 = x * x2;
        const double s1 = std::fma(x2, p.s3, p.s2);
        const double x7 = x3 * x2;
        const double s = std::fma(x3, p.s1, x);
        return static_cast<float>(std::fma(x7, s1, s));
    }
    const double x4 = x2 * x2;
    const double c2 = std::fma(x2, p.c4, p.c3);
    const double c1 = std::fma(x2, p.c1, p.c0);
    const double x6 = x4 * x2;
    const double c = std::fma(x4, p.c2, c1);
    return static_cast<float>(std::fma(x6, c2, c));
}

// x less the nearest multiple of pi/2 (one fused rounding), and that
// multiple's count.
double reduce(double x, int& quadrant) {
    const double scaled = x * TWO_OVER_PI_SCALED;
    quadrant = (static_cast<int32_t>(scaled) + 0x800000) >> 24;
    return std::fma(-static_cast<double>(quadrant), HALF_PI, x);
}

// |x| less its nearest multiple of pi/2 for |x| >= 120, and that count: the
// 24-bit mantissa shifted by the exponent's low 3 bits, times a 96-bit
// window of 2/pi chosen by its next 4, keeping the 2.62-bit fixed-point
// count of quadrants (exact integer arithmetic), then rounded to double.
double reduceLarge(uint32_t bits, int& quadrant) {
    const uint32_t exponent = bits >> 23;
    const uint32_t m = ((bits & 0x7fffff) | 0x800000) << (exponent & 7);
    const int first = WINDOW_FIRST_BIT + WINDOW_STEP_BITS * static_cast<int>((exponent >> 3) & 15);
    const uint64_t window = twoOverPiBits(first);
    const uint32_t w0 = static_cast<uint32_t>(window >> 32);
    const uint32_t w1 = static_cast<uint32_t>(window);
    const uint32_t w2 = static_cast<uint32_t>(twoOverPiBits(first + 64) >> 32);
    const uint64_t top = static_cast<uint32_t>(m * w0);
    const uint64_t middle = uint64_t{m} * w1;
    const uint64_t bottom = uint64_t{m} * w2;
    uint64_t count = ((top << 32) | (bottom >> 32)) + middle;
    const uint64_t n = (count + (uint64_t{1} << 61)) >> 62;
    count -= n << 62;
    quadrant = static_cast<int>(n);
    return static_cast<double>(static_cast<int64_t>(count)) * HALF_PI_PER_FIXED_UNIT;
}

// The cosine is the sine a quadrant on.
float sineOrCosine(float x, int quadrantShift) {
    const double wide = x;
    const uint32_t top = topBits(x);
    if (top < TOP_BELOW_QUARTER)
        return evaluate(wide, wide * wide, POSITIVE_COSINE, quadrantShift);
    int quadrant = 0;
    if (top < TOP_BELOW_REDUCED) {
        const double reduced = reduce(wide, quadrant);
        const Polynomials& p = (quadrant & 2) ? NEGATIVE_COSINE : POSITIVE_COSINE;
        return evaluate(reduced * QUADRANT_SIGN[quadrant & 3], reduced * reduced, p, quadrant + quadrantShift);
    }
    // The reduction saw |x|; the sign comes back as two quadrants more.
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const double reduced = reduceLarge(bits & 0x7fffffff, quadrant);
    const int signedQuadrant = quadrant + static_cast<int>(bits >> 31);
    const Polynomials& p = (signedQuadrant & 2) ? NEGATIVE_COSINE : POSITIVE_COSINE;
    return evaluate(reduced * QUADRANT_SIGN[signedQuadrant & 3], reduced * reduced, p, quadrant + quadrantShift);
}

}  // namespace

float desktopSinf(float x) {
    const uint32_t top = topBits(x);
    if (top < TOP_BELOW_TINY)
        return x;
    if (top >= TOP_BELOW_INFINITY)
        return x - x;
    return sineOrCosine(x, 0);
}

float desktopCosf(float x) {
    const uint32_t top = topBits(x);
    if (top < TOP_BELOW_TINY)
        return 1.0f;
    if (top >= TOP_BELOW_INFINITY)
        return x - x;
    return sineOrCosine(x, 1);
}
