#include "tests/maths/maths_arguments.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr uint64_t SEED = 15;

double bitsToDouble(uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// Uniform in [lo, hi), from the top 53 bits.
double uniform(std::mt19937_64& random, double lo, double hi) {
    return lo + (hi - lo) * std::ldexp(static_cast<double>(random() >> 11), -53);
}

// Any finite double, each bit pattern alike.
double anyFinite(std::mt19937_64& random) {
    for (;;) {
        const double d = bitsToDouble(random());
        if (std::isfinite(d))
            return d;
    }
}

// The values every function must get right besides the ordinary ones.
const double SPECIAL[] = {0.0, -0.0, 1.0, -1.0, 0.5, -0.5, 2.0, -2.0, 3.0, -3.0,
                          std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::denorm_min(),
                          std::numeric_limits<double>::min(), std::numeric_limits<double>::max()};

}  // namespace

MathsArguments makeMathsArguments(int count, uint32_t floatStride) {
    MathsArguments a;
    for (uint64_t bits = 0; bits <= UINT32_MAX; bits += floatStride) {
        float f;
        const uint32_t b = static_cast<uint32_t>(bits);
        std::memcpy(&f, &b, sizeof f);
        a.floats.push_back(f);
    }
    std::mt19937_64 random(SEED);
    for (const double s : SPECIAL) {
        a.angles.push_back(s);
        for (const double t : SPECIAL) {
            a.ratios[0].push_back(s);
            a.ratios[1].push_back(t);
            a.powers[0].push_back(s);
            a.powers[1].push_back(t);
        }
    }
    for (int i = 0; i < count; ++i) {
        // Half over the angles the show turns through, half anywhere.
        a.angles.push_back(i % 2 ? uniform(random, -64.0, 64.0) : anyFinite(random));
        a.ratios[0].push_back(uniform(random, -4.0, 4.0));
        a.ratios[1].push_back(i % 4 ? uniform(random, -4.0, 4.0) : anyFinite(random));
        // Bases over [0, 4) with moderate exponents, whole exponents of
        // negative bases, and the show's own: |2u - 1|^32 and d^0.08.
        switch (i % 4) {
        case 0:
            a.powers[0].push_back(uniform(random, 0.0, 4.0));
            a.powers[1].push_back(uniform(random, -40.0, 40.0));
            break;
        case 1:
            a.powers[0].push_back(uniform(random, -8.0, 8.0));
            a.powers[1].push_back(std::floor(uniform(random, -30.0, 30.0)));
            break;
        case 2:
            a.powers[0].push_back(std::fabs(2.0 * static_cast<float>(uniform(random, 0.0, 1.0)) - 1.0));
            a.powers[1].push_back(32.0);
            break;
        default:
            a.powers[0].push_back(uniform(random, 0.0, 1.0));
            a.powers[1].push_back(static_cast<double>(0.08f));
            break;
        }
    }
    return a;
}
