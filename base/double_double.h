// Numbers carried as the unevaluated sum of two doubles (about 106 bits),
// for desktop_maths. Built from plain double operations alone (Dekker's
// splitting, no fused multiply-add), so every platform rounds them alike;
// the library compiles with contraction off for the same reason.
#pragma once

struct DoubleDouble {
    double hi;
    double lo;
};

// a + b exactly, given |a| >= |b| or a == 0.
inline DoubleDouble quickTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// a + b exactly.
inline DoubleDouble twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// a * b exactly, for |a|, |b| below 2^995 (the split would overflow).
inline DoubleDouble twoProduct(double a, double b) {
    constexpr double SPLITTER = 134217729.0;  // 2^27 + 1
    const double p = a * b;
    const double ca = SPLITTER * a;
    const double aHi = ca - (ca - a);
    const double aLo = a - aHi;
    const double cb = SPLITTER * b;
    const double bHi = cb - (cb - b);
    const double bLo = b - bHi;
    return {p, ((aHi * bHi - p) + aHi * bLo + aLo * bHi) + aLo * bLo};
}

inline DoubleDouble add(DoubleDouble a, DoubleDouble b) {
    const DoubleDouble s = twoSum(a.hi, b.hi);
    const DoubleDouble t = twoSum(a.lo, b.lo);
    const DoubleDouble u = quickTwoSum(s.hi, s.lo + t.hi);
    return quickTwoSum(u.hi, u.lo + t.lo);
}

inline DoubleDouble add(DoubleDouble a, double b) {
    const DoubleDouble s = twoSum(a.hi, b);
    return quickTwoSum(s.hi, s.lo + a.lo);
}

inline DoubleDouble negate(DoubleDouble a) { return {-a.hi, -a.lo}; }

inline DoubleDouble multiply(DoubleDouble a, DoubleDouble b) {
    const DoubleDouble p = twoProduct(a.hi, b.hi);
    return quickTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

inline DoubleDouble multiply(DoubleDouble a, double b) {
    const DoubleDouble p = twoProduct(a.hi, b);
    return quickTwoSum(p.hi, p.lo + a.lo * b);
}

inline DoubleDouble divide(DoubleDouble a, DoubleDouble b) {
    const double q1 = a.hi / b.hi;
    const DoubleDouble r = add(a, negate(multiply(b, q1)));
    const double q2 = r.hi / b.hi;
    const DoubleDouble r2 = add(r, negate(multiply(b, q2)));
    return add(quickTwoSum(q1, q2), r2.hi / b.hi);
}

// The double nearest a's value.
inline double rounded(DoubleDouble a) { return a.hi + a.lo; }
