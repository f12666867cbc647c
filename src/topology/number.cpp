// Double-or-object arithmetic of the measuring methods and the
// interpreter's compensated sum.
#include "topology/number.h"

#include "frame/pymath.h"

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
Num from(Ref r) {
    if (PyFloat_CheckExact(r.get())) return Num(PyFloat_AS_DOUBLE(r.get()));
    return Num::of(r);
}
bool compare(const Num& x, const Num& y, int op) {
    int r = PyObject_RichCompareBool(x.object(), y.object(), op);
    if (r < 0) throw PyError{};
    return r == 1;
}
}  // namespace

Num add(const Num& x, const Num& y) {
    if (x.is_double() && y.is_double()) return Num(x.d() + y.d());
    return from(Ref::steal(PyNumber_Add(x.object(), y.object())));
}
Num sub(const Num& x, const Num& y) {
    if (x.is_double() && y.is_double()) return Num(x.d() - y.d());
    return from(Ref::steal(PyNumber_Subtract(x.object(), y.object())));
}
Num mul(const Num& x, const Num& y) {
    if (x.is_double() && y.is_double()) return Num(x.d() * y.d());
    return from(Ref::steal(PyNumber_Multiply(x.object(), y.object())));
}

namespace {
// The library's pow called at run time, as float ** float does: the
// out-of-line pymath::pow keeps the compiler from rewriting pow(x, 2.0) as
// x * x, which can differ in the last bit.  Failures are judged by the
// callers here.
double libm_pow(double b, double p) noexcept {
    pymath::MathStatus ignored;
    return pymath::pow(b, p, ignored);
}
}  // namespace

bool float_square(double x, double& out) noexcept {
    // float ** 2 calls the library's pow; only an overflow of a finite base
    // makes the interpreter raise.
    out = libm_pow(x, 2.0);
    return !(std::isinf(out) && std::isfinite(x));
}

double float_root(double x) noexcept { return libm_pow(x, 0.5); }

Num power(const Num& x, const Num& y) {
    if (x.is_double() && y.is_double()) {
        const double b = x.d(), p = y.d();
        const double r = libm_pow(b, p);
        // The interpreter's float power agrees with the library's pow except
        // where it raises or turns complex: an overflow or zero to a negative
        // power (an infinity from finite operands), a negative finite base to
        // a fractional power.  Those are left to the interpreter itself.
        const bool finite_operands = std::isfinite(b) && std::isfinite(p);
        const bool complex_result = finite_operands && b < 0 && p != std::floor(p);
        if (!complex_result && (std::isfinite(r) || !finite_operands)) return Num(r);
    }
    return from(Ref::steal(PyNumber_Power(x.object(), y.object(), Py_None)));
}

Num square(const Num& v) {
    double s;
    if (v.is_double() && float_square(v.d(), s)) return Num(s);
    return from(Ref::steal(PyNumber_Power(v.object(), integer(2), Py_None)));
}

Num root(const Num& v) {
    if (v.is_double() && !(v.d() < 0)) return Num(float_root(v.d()));
    return from(Ref::steal(PyNumber_Power(v.object(), number(0.5), Py_None)));
}

Num absolute(const Num& x) {
    if (x.is_double()) return Num(std::fabs(x.d()));
    return from(Ref::steal(PyNumber_Absolute(x.object())));
}

bool less(const Num& x, const Num& y) {
    if (x.is_double() && y.is_double()) return x.d() < y.d();
    return compare(x, y, Py_LT);
}
bool greater(const Num& x, const Num& y) {
    if (x.is_double() && y.is_double()) return x.d() > y.d();
    return compare(x, y, Py_GT);
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
    PyObject* builtins = PyEval_GetBuiltins();  // borrowed
    PyObject* sum = builtins ? PyDict_GetItemString(builtins, "sum") : nullptr;
    if (!sum) raise(PyExc_RuntimeError, "built-in sum not found");
    return from(call(sum, {list.get()}));
}

}  // namespace orb::topology
