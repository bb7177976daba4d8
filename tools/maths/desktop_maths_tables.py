#!/usr/bin/env python3
"""Writes base/desktop_maths_tables.cpp, the constants of base/desktop_maths:
values of sin, cos, atan, log and 2^x at table points as pairs of doubles
(a double and the double nearest what it leaves), and the bits of 2/pi.

Run from the project root (needs python3-mpmath):
    python3 tools/maths/desktop_maths_tables.py > base/desktop_maths_tables.cpp
"""
import mpmath

mpmath.mp.prec = 2000  # the digits of 2/pi run to 1344 bits

SINE_STEPS = 64          # table points j / 64 up to pi / 4
SINE_POINTS = 51
ARCTANGENT_STEPS = 64    # j / 64 for j = 0 ... 64
LOG_STEPS = 128          # m in [i / 128, (i + 1) / 128), i = 90 ... 181
LOG_FIRST = 90
LOG_POINTS = 92
RECIPROCAL_BITS = 12     # significant bits of each 1 / c
EXP_STEPS = 128          # 2^(j / 128), j = 0 ... 127
TWO_OVER_PI_WORDS = 21   # one word of leading zeros, then 1280 bits of 2/pi


def nearest(value):
    return float(mpmath.mpf(value))


def pair(value):
    value = mpmath.mpf(value)
    hi = nearest(value)
    lo = nearest(value - mpmath.mpf(hi))
    return hi, lo


def hex_double(x):
    return x.hex() if x != 0 else '0x0p+0'


def pair_text(value):
    hi, lo = pair(value)
    return f'{{{hex_double(hi)}, {hex_double(lo)}}}'


def rounded_to_bits(value, bits):
    mantissa, exponent = mpmath.frexp(mpmath.mpf(value))
    scaled = mpmath.nint(mantissa * 2**bits)
    return float(mpmath.ldexp(scaled, exponent - bits))


def reciprocal(i):
    # The intervals either side of 1 keep 1 itself, so that log x near 1 has
    # no table term to cancel.
    if i in (LOG_STEPS - 1, LOG_STEPS):
        return 1.0
    centre = (mpmath.mpf(i) + 0.5) / LOG_STEPS
    return rounded_to_bits(1 / centre, RECIPROCAL_BITS)


def main():
    out = []
    out.append('// Written by tools/maths/desktop_maths_tables.py: do not edit.')
    out.append('#include "base/desktop_maths_tables.h"')
    out.append('')
    out.append('const SineCosine SINE_COSINE_TABLE[SINE_TABLE_POINTS] = {')
    for j in range(SINE_POINTS):
        a = mpmath.mpf(j) / SINE_STEPS
        out.append(f'    {{{pair_text(mpmath.sin(a))}, {pair_text(mpmath.cos(a))}}},')
    out.append('};')
    out.append('')
    out.append('const DoubleDouble ARCTANGENT_TABLE[ARCTANGENT_TABLE_POINTS] = {')
    for j in range(ARCTANGENT_STEPS + 1):
        out.append(f'    {pair_text(mpmath.atan(mpmath.mpf(j) / ARCTANGENT_STEPS))},')
    out.append('};')
    out.append('')
    out.append('const LogPoint LOG_TABLE[LOG_TABLE_POINTS] = {')
    for i in range(LOG_FIRST, LOG_FIRST + LOG_POINTS):
        r = reciprocal(i)
        out.append(f'    {{{hex_double(r)}, {pair_text(-mpmath.log(mpmath.mpf(r)))}}},')
    out.append('};')
    out.append('')
    out.append('const DoubleDouble EXP2_TABLE[EXP2_TABLE_POINTS] = {')
    for j in range(EXP_STEPS):
        out.append(f'    {pair_text(mpmath.power(2, mpmath.mpf(j) / EXP_STEPS))},')
    out.append('};')
    out.append('')
    out.append('const uint64_t TWO_OVER_PI_BITS[TWO_OVER_PI_WORD_COUNT] = {')
    two_over_pi = 2 / mpmath.pi
    for k in range(TWO_OVER_PI_WORDS):
        word = int(mpmath.floor(two_over_pi * mpmath.mpf(2) ** (64 * k))) % 2**64
        out.append(f'    0x{word:016x},')
    out.append('};')
    print('\n'.join(out))


main()
