// libm functions with the error rules of the interpreter's math module.
//
// math.sin(inf), math.asin(2.0), math.sqrt(-1.0) and the like raise
// ValueError there instead of giving NaN, and math.pow raises OverflowError
// on overflow.  The astronomy formulas must fail where the interpreter's
// would, so their cores call these wrappers, which throw MathError; the
// Python layer turns it into the one exception (astronomy/sky.h, guarded).
#pragma once

#include <cmath>

namespace astro {

// A math-module failure: "math domain error" (ValueError) or "math range
// error" (OverflowError).
struct MathError {
    bool range;
};

namespace checked {

// One-argument functions: NaN out of a non-NaN argument is a domain error.
inline double domain(double r, double x) {
    if (std::isnan(r) && !std::isnan(x)) throw MathError{false};
    return r;
}

inline double sin(double x) { return domain(std::sin(x), x); }
inline double cos(double x) { return domain(std::cos(x), x); }
inline double tan(double x) { return domain(std::tan(x), x); }
inline double asin(double x) { return domain(std::asin(x), x); }
inline double acos(double x) { return domain(std::acos(x), x); }
inline double sqrt(double x) { return domain(std::sqrt(x), x); }
// atan2 never raises in the math module.
inline double atan2(double y, double x) { return std::atan2(y, x); }

// libm's pow reached through a pointer the compiler cannot see through:
// left to itself it rewrites pow(x, 2) as x * x and folds pow of constants
// at build time, both of which can differ in the last bit from the libm
// call that math.pow makes.
inline double (*volatile const libm_pow)(double, double) = ::pow;

// math.pow for the finite arguments the formulas use: an infinite result
// is a domain error for a zero base (0 ** -n) and an overflow otherwise.
inline double pow(double x, double y) {
    double r = libm_pow(x, y);
    if (std::isfinite(x) && std::isfinite(y) && !std::isfinite(r)) {
        if (std::isnan(r) || x == 0.0) throw MathError{false};
        throw MathError{true};
    }
    return r;
}

}  // namespace checked
}  // namespace astro
