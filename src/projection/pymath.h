// The interpreter's `math` functions and float division on plain doubles,
// with the interpreter's failures reported as a status instead of an
// exception.
//
// Each function computes what the `math` function (or the `/` operator)
// computes and, where the interpreter would raise, records the failure in a
// `MathStatus`.  Only the first failure is kept: the interpreter stops at the
// first one, and every later value of a failed computation is discarded by
// the caller, which tests the status before each of its own checks and
// before it returns.  The Python layer turns the status into the exception
// (projection_methods.cpp).
#pragma once

#include <cmath>
#include <limits>

namespace orb::pymath {

enum class MathError : unsigned char {
    None,
    Domain,         // ValueError "math domain error"
    Range,          // OverflowError "math range error"
    ZeroDivision,   // ZeroDivisionError "float division by zero"
    FloorInfinity,  // OverflowError of math.floor(inf)
};

struct MathStatus {
    MathError error = MathError::None;
    bool ok() const noexcept { return error == MathError::None; }
    void fail(MathError e) noexcept {
        if (error == MathError::None) error = e;
    }
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// math.pi
constexpr double kPi = 3.141592653589793;

// One-argument functions that cannot overflow: a NaN from a non-NaN
// argument, or an infinity from a finite one, is a domain error.
namespace detail {
inline double checked(double x, double r, MathStatus& st) noexcept {
    if ((std::isnan(r) && !std::isnan(x)) || (std::isinf(r) && std::isfinite(x)))
        st.fail(MathError::Domain);
    return r;
}
}  // namespace detail

inline double sin(double x, MathStatus& st) noexcept { return detail::checked(x, std::sin(x), st); }
inline double cos(double x, MathStatus& st) noexcept { return detail::checked(x, std::cos(x), st); }
inline double tan(double x, MathStatus& st) noexcept { return detail::checked(x, std::tan(x), st); }
inline double asin(double x, MathStatus& st) noexcept { return detail::checked(x, std::asin(x), st); }
inline double atan(double x, MathStatus& st) noexcept { return detail::checked(x, std::atan(x), st); }
inline double sqrt(double x, MathStatus& st) noexcept { return detail::checked(x, std::sqrt(x), st); }
// math.atan2 never fails.
inline double atan2(double y, double x) noexcept { return std::atan2(y, x); }

// math.exp: an infinity from a finite argument is an overflow.
inline double exp(double x, MathStatus& st) noexcept {
    double r = std::exp(x);
    if (std::isinf(r) && std::isfinite(x)) st.fail(MathError::Range);
    return r;
}

// math.log with one argument: zero and negative arguments (and -inf) are
// domain errors; NaN and +inf pass through.
inline double log(double x, MathStatus& st) noexcept {
    if (std::isnan(x) || x > 0.0) return std::log(x);
    st.fail(MathError::Domain);
    return kNaN;
}

// math.pow(b, p) (and float ** float): for finite operands a NaN result is a
// domain error, an infinite one a domain error for a zero base and an
// overflow otherwise; non-finite operands follow C99 without failing.
// Kept out of line so that the compiler does not rewrite pow(b, 2.0) or
// pow(b, 3.0) into products: the interpreter calls the library's pow.
double pow(double b, double p, MathStatus& st) noexcept;

// a / b for floats.
inline double div(double a, double b, MathStatus& st) noexcept {
    if (b == 0.0) {
        st.fail(MathError::ZeroDivision);
        return kNaN;
    }
    return a / b;
}

// math.radians and math.degrees: one multiplication by a constant quotient.
inline double radians(double v) noexcept { return v * (kPi / 180.0); }
inline double degrees(double v) noexcept { return v * (180.0 / kPi); }

// math.floor of a float as a double holding the integer; an infinity
// cannot become an int (a NaN never reaches it in this module's callers).
inline double floor(double x, MathStatus& st) noexcept {
    if (std::isinf(x)) st.fail(MathError::FloorInfinity);
    return std::floor(x);
}

}  // namespace orb::pymath
