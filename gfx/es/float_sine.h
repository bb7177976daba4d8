// Sine and cosine of a float, with the desktop's results to the last bit.
//
// The desktop driver turns glRotatef's angle into a rotation with the C
// library's sinf and cosf. Two C libraries differ in the last bit for about
// one angle in a hundred, and a mesh's silhouette moves with that bit: a
// handful of edge pixels then change by tens of levels. These compute what
// the GNU C library computes on a processor with fused multiply-add (a
// double-precision polynomial after a double-precision reduction by pi/2),
// so the browser's rotations are the desktop's.
//
// Exact for |x| < 120, far past any angle the show turns through (under 16
// radians); beyond it they answer the platform's own sinf and cosf.
#pragma once

float desktopSinf(float x);
float desktopCosf(float x);
