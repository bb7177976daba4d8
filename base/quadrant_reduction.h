// Angles less their nearest multiple of pi/2, from the binary digits of
// 2/pi in base/desktop_maths_tables.cpp, for desktop_maths.
#pragma once

#include <cstdint>

#include "base/double_double.h"

// The 64 bits of 2/pi's digit stream from bit `first` on (bit 0 is the
// most significant of the zero word before the digits).
uint64_t twoOverPiBits(int first);

// x less n pi/2 for the nearest n, to about 2^-120 of a quadrant, for finite
// |x| >= 1/2; n is returned modulo 4.
DoubleDouble reduceByQuadrants(double x, int& quadrant);
