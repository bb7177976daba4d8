// Sine, cosine, arctangent and power with the desktop's results to the last
// bit, on every platform the show is built for.
//
// Two C libraries answer these differently in the last bit for some
// arguments (one sinf in a hundred, a few doubles in a thousand), and a
// mesh's silhouette moves with that bit: a handful of edge pixels then change
// by tens of levels. The core computes with these instead of <cmath>'s, so
// every build draws the desktop's frames. The desktop is the GNU C library on
// an x86-64 processor with fused multiply-add.
//
// What the rest of the program may rely on:
//   - desktopSinf and desktopCosf give that library's sinf and cosf for every
//     float: they follow its algorithm step for step.
//   - desktopSin, desktopCos, desktopAtan2 and desktopPow are correctly
//     rounded for all but a vanishing share of arguments (their error is
//     below a millionth of a unit in the last place). That library's are for
//     all but about one argument in a thousand, where it is one unit off and
//     these give the nearest double instead; the show's float roundings of
//     them agree. The special values (zeros, infinities, NaN, negative
//     bases) follow C's Annex F.
//   - No global state, no allocation: safe on any thread.
// sqrt and fmod are exact everywhere and stay <cmath>'s.
#pragma once

float desktopSinf(float x);
float desktopCosf(float x);

double desktopSin(double x);
double desktopCos(double x);
double desktopAtan2(double y, double x);
double desktopPow(double x, double y);
