// A number as the measurement code meets it: a plain double while every
// operand is an exact float, an interpreter object otherwise.
//
// The measuring methods take vertex values as they stand in the caller's
// lists (ints, Fractions, whatever a host passes) and results of projection
// methods a host may have replaced.  Arithmetic on two doubles is C
// arithmetic, which is the interpreter's float arithmetic bit for bit; any
// other operand, and any power whose result the interpreter would refuse,
// goes through the object protocol so that the interpreter's own result or
// exception comes out.
#pragma once

#include "frame/ref.h"

#include <vector>

namespace orb::topology {

class Num {
public:
    Num() noexcept = default;
    explicit Num(double d) noexcept : d_(d) {}
    // An exact float is held as its double.
    static Num of(PyObject* o);

    bool is_double() const noexcept { return !o_; }
    double d() const noexcept { return d_; }
    // The value as an interpreter object (a new float for a double).
    Ref object() const;

private:
    double d_ = 0.0;
    Ref o_;
};

Num add(const Num& x, const Num& y);
Num sub(const Num& x, const Num& y);
Num mul(const Num& x, const Num& y);
// x ** 2 (the int 2) and x ** 0.5, as the distance formulas write them:
// an int stays an exact int when squared.
Num square(const Num& x);
Num root(const Num& x);
Num absolute(const Num& x);
// x < y, x > y and x == y as the interpreter compares.
bool less(const Num& x, const Num& y);
bool greater(const Num& x, const Num& y);
bool equal(const Num& x, const Num& y);

// (dx ** 2 + dy ** 2) ** 0.5 of floats, each power the library's pow as
// float ** float calls it.  float_distance answers false where a square
// overflows (the interpreter raises there, so the caller takes the object
// route); plane_distance raises the interpreter's OverflowError itself.
bool float_distance(double dx, double dy, double& out) noexcept;
double plane_distance(double dx, double dy);
// ((x2 - x1) ** 2 + (y2 - y1) ** 2) ** 0.5 of any numbers, each step made
// in the interpreter's left-to-right order, so that the operation that
// fails first is the one the interpreter reports.
Num edge_length(const Num& x1, const Num& y1, const Num& x2, const Num& y2);

// The interpreter's built-in sum(values) with its start 0: Neumaier's
// compensated sum while the values are floats, the interpreter's sum
// otherwise.
Num py_sum(const std::vector<Num>& values);
// The compensated float sum alone, as the built-in computes it from the
// integer 0 over exact floats.
double float_sum(const double* values, size_t n) noexcept;

}  // namespace orb::topology
