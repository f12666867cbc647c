// libm functions with the error rules of the interpreter's math module.
//
// math.sin(inf), math.asin(2.0), math.sqrt(-1.0) and the like raise
// ValueError there instead of giving NaN, and math.pow raises OverflowError
// on overflow.  The astronomy formulas must fail where the interpreter's
// would, so their cores call these wrappers, which throw MathError; the
// Python layer turns it into the one exception (astronomy/sky.h, guarded).
#pragma once

#include "frame/pymath.h"

#include <cmath>

namespace astro {

// A math-module failure: "math domain error" (ValueError) or "math range
// error" (OverflowError), as orb::pymath reports it.
struct MathError {
    orb::pymath::MathError error;
};

namespace checked {

// The math-module rules come from orb::pymath; these wrappers only turn its
// status into the exception that the astronomy cores unwind with.
inline double ok(double r, const orb::pymath::MathStatus& st) {
    if (!st.ok()) throw MathError{st.error};
    return r;
}

inline double sin(double x) { orb::pymath::MathStatus st; return ok(orb::pymath::sin(x, st), st); }
inline double cos(double x) { orb::pymath::MathStatus st; return ok(orb::pymath::cos(x, st), st); }
inline double tan(double x) { orb::pymath::MathStatus st; return ok(orb::pymath::tan(x, st), st); }
inline double asin(double x) { orb::pymath::MathStatus st; return ok(orb::pymath::asin(x, st), st); }
inline double acos(double x) { orb::pymath::MathStatus st; return ok(orb::pymath::acos(x, st), st); }
inline double sqrt(double x) { orb::pymath::MathStatus st; return ok(orb::pymath::sqrt(x, st), st); }
// math.atan2 never raises.
inline double atan2(double y, double x) { return std::atan2(y, x); }
// math.pow: the library's pow called at run time (pymath.cpp keeps it out of
// line, so pow(x, 2) is never rewritten as x * x nor folded at build time).
inline double pow(double x, double y) { orb::pymath::MathStatus st; return ok(orb::pymath::pow(x, y, st), st); }

}  // namespace checked
}  // namespace astro
