// Double-or-object arithmetic of the measuring methods and the
// interpreter's compensated sum.
#include "topology/number.h"

#include "frame/pymath.h"
#include "topology/pyobjects.h"

#include <cerrno>
#include <cmath>

namespace orb::topology {

Num Num::of(PyObject* o) {
    if (PyFloat_CheckExact(o)) return Num(PyFloat_AS_DOUBLE(o));
    Num n;
    n.o_ = Ref::borrow(o);
    return n;
}

Ref Num::object() const { return o_ ? o_ : number(d_); }

namespace {

bool compare(const Num& x, const Num& y, int op) {
    int r = PyObject_RichCompareBool(x.object(), y.object(), op);
    if (r < 0) throw PyError{};
    return r == 1;
}

// Both powers call the library's pow at run time, as float ** float does:
// the out-of-line pymath::pow keeps the compiler from rewriting pow(x, 2.0)
// as x * x, which can differ in the last bit.

// x ** 2 of a float; false when a finite x overflows, where the
// interpreter raises.
bool float_square(double x, double& out) noexcept {
    pymath::MathStatus st;
    out = pymath::pow(x, 2.0, st);
    return st.error != pymath::MathError::Range;
}

// x ** 0.5 of a float x >= 0 (or NaN): never fails.
double float_root(double x) noexcept {
    pymath::MathStatus ignored;
    return pymath::pow(x, 0.5, ignored);
}

}  // namespace

Num add(const Num& x, const Num& y) {
    if (x.is_double() && y.is_double()) return Num(x.d() + y.d());
    return Num::of(Ref::steal(PyNumber_Add(x.object(), y.object())));
}
Num sub(const Num& x, const Num& y) {
    if (x.is_double() && y.is_double()) return Num(x.d() - y.d());
    return Num::of(Ref::steal(PyNumber_Subtract(x.object(), y.object())));
}
Num mul(const Num& x, const Num& y) {
    if (x.is_double() && y.is_double()) return Num(x.d() * y.d());
    return Num::of(Ref::steal(PyNumber_Multiply(x.object(), y.object())));
}

bool float_distance(double dx, double dy, double& out) noexcept {
    double sx, sy;
    if (!float_square(dx, sx) || !float_square(dy, sy)) return false;
    out = float_root(sx + sy);
    return true;
}

double plane_distance(double dx, double dy) {
    double d;
    if (float_distance(dx, dy, d)) return d;
    // float ** float reports an overflow through errno, as OSError args.
    errno = ERANGE;
    PyErr_SetFromErrno(PyExc_OverflowError);
    throw PyError{};
}

Num square(const Num& v) {
    double s;
    if (v.is_double() && float_square(v.d(), s)) return Num(s);
    return Num::of(Ref::steal(PyNumber_Power(v.object(), integer(2), Py_None)));
}

Num root(const Num& v) {
    if (v.is_double() && !(v.d() < 0)) return Num(float_root(v.d()));
    return Num::of(Ref::steal(PyNumber_Power(v.object(), number(0.5), Py_None)));
}

Num edge_length(const Num& x1, const Num& y1, const Num& x2, const Num& y2) {
    // Named steps: the operands of one C++ call are evaluated in no fixed
    // order.
    const Num sx = square(sub(x2, x1));
    const Num sy = square(sub(y2, y1));
    return root(add(sx, sy));
}

Num absolute(const Num& x) {
    if (x.is_double()) return Num(std::fabs(x.d()));
    return Num::of(Ref::steal(PyNumber_Absolute(x.object())));
}

bool less(const Num& x, const Num& y) {
    if (x.is_double() && y.is_double()) return x.d() < y.d();
    return compare(x, y, Py_LT);
}
bool greater(const Num& x, const Num& y) {
    if (x.is_double() && y.is_double()) return x.d() > y.d();
    return compare(x, y, Py_GT);
}
bool equal(const Num& x, const Num& y) {
    if (x.is_double() && y.is_double()) return x.d() == y.d();
    return compare(x, y, Py_EQ);
}

double float_sum(const double* values, size_t n) noexcept {
    if (n == 0) return 0.0;
    // The built-in adds the first float to the integer 0, then continues
    // with Neumaier's correction term, added at the end only when it is
    // non-zero and finite (an infinite or overflowed sum stays as it is).
    double f = 0.0 + values[0];
    double c = 0.0;
    for (size_t k = 1; k < n; ++k) {
        const double x = values[k];
        const double t = f + x;
        if (std::fabs(f) >= std::fabs(x))
            c += (f - t) + x;
        else
            c += (x - t) + f;
        f = t;
    }
    if (c != 0.0 && std::isfinite(c)) f += c;
    return f;
}

Num py_sum(const std::vector<Num>& values) {
    bool floats = true;
    for (const Num& v : values) floats = floats && v.is_double();
    if (floats && !values.empty()) {
        std::vector<double> d;
        d.reserve(values.size());
        for (const Num& v : values) d.push_back(v.d());
        return Num(float_sum(d.data(), d.size()));
    }
    Ref list = Ref::steal(PyList_New(0));
    for (const Num& v : values)
        if (PyList_Append(list, v.object()) < 0) throw PyError{};
    return Num::of(builtin_call("sum", list));
}

}  // namespace orb::topology
