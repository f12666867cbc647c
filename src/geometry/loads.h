// Geometry.loads: dispatch on the exact type of the input, the type of an
// untyped list from its nesting depth and the code, and the normalisation
// that ends every reading but a collection, a shapely geometry and WKB.
#pragma once

#include "frame/method.h"
#include "geometry/geomtype.h"

namespace orb::geom {

// The `code` argument, compared with -1, 0, 1 and 2 by the interpreter's
// equality (1.0 and True act as 1).  Exact ints, floats, bools and None are
// settled once; any other object is asked on every comparison.
class Code {
public:
    explicit Code(PyObject* code);
    PyObject* object() const noexcept { return code_; }
    bool is_none() const noexcept { return code_ == Py_None; }
    bool equals(int k) const;
    // The code test of a type: None, or equal to one of the two codes.
    bool allows(int k1, int k2) const { return is_none() || equals(k1) || equals(k2); }

private:
    static constexpr int kNoMatch = 100;  // equals none of -1, 0, 1, 2
    static constexpr int kAsk = 101;      // an object of another type
    PyObject* code_;
    int known_;
};

// `message.format(value)`: the interpreter's str of the value in the braces.
Ref formatted(const char* message, PyObject* value);
// Raises Exception with `message.format(value)`.
[[noreturn]] void raise_format(const char* message, PyObject* value);

// The normalisation: `type` is compared with the six coordinate type names,
// `list` is normalised in place for that type after the code test, and a
// new dict {"type": type, "coordinates": list} is returned.  `list` may be
// None (a GeoJSON object without coordinates).
Ref normalise(PyObject* type, PyObject* list, const Code& code);

// cls.loads(value): the further loading of collection members, shapely
// geometries and the forms the text readers read, with the default code.
Ref load_again(PyObject* cls, PyObject* value);

// The body of Geometry.loads(coordinates, code=-1).
Ref loads(Args a);

}  // namespace orb::geom
