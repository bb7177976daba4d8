#include "base/quadrant_reduction.h"

#include <cmath>
#include <cstring>

#include "base/desktop_maths_tables.h"

namespace {

constexpr DoubleDouble HALF_PI = {0x1.921fb54442d18p0, 0x1.1a62633145c07p-54};

// x = m 2^s with m a 53-bit integer. The digits of x * 2/pi worth 4 or
// more drop out modulo four quadrants; the window keeps 192 digits from
// the one worth 2^s * 2^(1-s) = 2, enough that the ones left off change
// the quadrant count by under 2^-137.
constexpr int WINDOW_WORDS = 3;
constexpr int MANTISSA_BITS = 52;
constexpr int EXPONENT_BIAS = 1023;
constexpr int WINDOW_BIT_OFFSET = 62;  // stream bit of digit i is i + 63

struct Product128 {
    uint64_t hi;
    uint64_t lo;
};

// a * b in full, from 32-bit halves (portable C++).
Product128 multiplyWide(uint64_t a, uint64_t b) {
    const uint64_t aLo = a & 0xffffffffu, aHi = a >> 32;
    const uint64_t bLo = b & 0xffffffffu, bHi = b >> 32;
    const uint64_t ll = aLo * bLo, lh = aLo * bHi, hl = aHi * bLo, hh = aHi * bHi;
    const uint64_t middle = (ll >> 32) + (lh & 0xffffffffu) + (hl & 0xffffffffu);
    return {hh + (lh >> 32) + (hl >> 32) + (middle >> 32), (middle << 32) | (ll & 0xffffffffu)};
}

}  // namespace

uint64_t twoOverPiBits(int first) {
    const int word = first / 64;
    const int shift = first % 64;
    if (shift == 0)
        return TWO_OVER_PI_BITS[word];
    return (TWO_OVER_PI_BITS[word] << shift) | (TWO_OVER_PI_BITS[word + 1] >> (64 - shift));
}

DoubleDouble reduceByQuadrants(double x, int& quadrant) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int biased = static_cast<int>((bits >> MANTISSA_BITS) & 0x7ff);
    const uint64_t m = (bits & ((uint64_t{1} << MANTISSA_BITS) - 1)) | (uint64_t{1} << MANTISSA_BITS);
    const int s = biased - EXPONENT_BIAS - MANTISSA_BITS;

    // The window w2:w1:w0 times m, modulo 2^192: a fixed-point count of
    // quadrants with 2 whole and 190 fractional bits.
    const int first = s + WINDOW_BIT_OFFSET;
    const uint64_t w2 = twoOverPiBits(first);
    const uint64_t w1 = twoOverPiBits(first + 64);
    const uint64_t w0 = twoOverPiBits(first + 128);
    const Product128 p0 = multiplyWide(m, w0);
    const Product128 p1 = multiplyWide(m, w1);
    uint64_t r0 = p0.lo;
    uint64_t r1 = p0.hi + p1.lo;
    uint64_t r2 = p1.hi + m * w2 + (r1 < p1.lo);

    // Round to the nearest quadrant; what is left lies in [-1/2, 1/2).
    const uint64_t n = (r2 + (uint64_t{1} << 61)) >> 62;
    quadrant = static_cast<int>(n & 3);
    r2 -= n << 62;
    const bool negative = (r2 >> 63) != 0;
    if (negative) {
        r0 = ~r0 + 1;
        r1 = ~r1 + (r0 == 0);
        r2 = ~r2 + (r0 == 0 && r1 == 0);
    }
    // Six exact 32-bit pieces, summed from the largest, no cancellation.
    const uint64_t words[WINDOW_WORDS] = {r2, r1, r0};
    DoubleDouble f = {0.0, 0.0};
    for (int i = 0; i < WINDOW_WORDS; ++i) {
        const int weight = -62 - 64 * i;
        f = add(f, std::ldexp(static_cast<double>(words[i] >> 32), weight + 32));
        f = add(f, std::ldexp(static_cast<double>(words[i] & 0xffffffffu), weight));
    }
    const DoubleDouble r = multiply(f, HALF_PI);
    return negative ? negate(r) : r;
}
