// The interpreter's float arithmetic where it differs from C's: floor
// division and modulo take the divisor's sign, round() rounds half to even.
// Plain functions on doubles, so numeric cores can use them directly; a
// zero divisor is the caller's to refuse (the interpreter raises there).
#pragma once

#include <cmath>

namespace orb::py {

// x % y for floats (y != 0), as float_rem in the interpreter.
inline double mod(double x, double y) {
    double m = std::fmod(x, y);
    if (m != 0.0) {
        if ((y < 0) != (m < 0)) m += y;
    } else {
        m = std::copysign(0.0, y);
    }
    return m;
}

// x // y for floats (y != 0), as float_divmod in the interpreter.
inline double floordiv(double x, double y) {
    double m = std::fmod(x, y);
    double div = (x - m) / y;
    if (m != 0.0 && (y < 0) != (m < 0)) div -= 1.0;
    if (div != 0.0) {
        double f = std::floor(div);
        if (div - f > 0.5) f += 1.0;  // snap to the nearest integral value
        return f;
    }
    return std::copysign(0.0, x / y);
}

// round(x) for a finite float: the nearest integral value, halves to even.
inline double round_half_even(double x) {
    double r = std::round(x);
    if (std::fabs(x - r) == 0.5) r = 2.0 * std::round(x / 2.0);
    return r;
}

}  // namespace orb::py
