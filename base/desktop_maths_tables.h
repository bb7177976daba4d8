// The tables of desktop_maths (written by tools/maths/desktop_maths_tables.py).
#pragma once

#include <cstdint>

#include "base/double_double.h"

// sin and cos of j / 64, j = 0 ... 50 (up to pi / 4).
struct SineCosine {
    DoubleDouble sine;
    DoubleDouble cosine;
};
constexpr int SINE_TABLE_STEPS = 64;
constexpr int SINE_TABLE_POINTS = 51;
extern const SineCosine SINE_COSINE_TABLE[SINE_TABLE_POINTS];

// atan(j / 64), j = 0 ... 64.
constexpr int ARCTANGENT_TABLE_STEPS = 64;
constexpr int ARCTANGENT_TABLE_POINTS = 65;
extern const DoubleDouble ARCTANGENT_TABLE[ARCTANGENT_TABLE_POINTS];

// For a mantissa m in [i / 128, (i + 1) / 128), i = 90 ... 181: a short
// reciprocal r of its middle (1 itself either side of 1) and -log r.
struct LogPoint {
    double reciprocal;
    DoubleDouble minusLog;
};
constexpr int LOG_TABLE_STEPS = 128;
constexpr int LOG_TABLE_FIRST = 90;
constexpr int LOG_TABLE_POINTS = 92;
extern const LogPoint LOG_TABLE[LOG_TABLE_POINTS];

// 2^(j / 128), j = 0 ... 127.
constexpr int EXP2_TABLE_STEPS = 128;
constexpr int EXP2_TABLE_POINTS = 128;
extern const DoubleDouble EXP2_TABLE[EXP2_TABLE_POINTS];

// The binary digits of 2/pi, most significant first, after one word of
// zeros: word k is floor(2/pi * 2^(64 k)) mod 2^64.
constexpr int TWO_OVER_PI_WORD_COUNT = 21;
extern const uint64_t TWO_OVER_PI_BITS[TWO_OVER_PI_WORD_COUNT];
