// The fixed arguments desktop_maths is checked on, the same on every platform:
// a deterministic sweep of floats and pseudo-random doubles (std::mt19937_64
// is specified to the bit; the mapping to doubles here is our own).
#pragma once

#include <cstdint>
#include <random>
#include <vector>

struct MathsArguments {
    std::vector<float> floats;
    std::vector<double> angles;     // sin, cos
    std::vector<double> ratios[2];  // atan2: y, x
    std::vector<double> powers[2];  // pow: x, y
};

// `count` of each kind of double; floats every `floatStride`-th bit pattern.
MathsArguments makeMathsArguments(int count, uint32_t floatStride);
