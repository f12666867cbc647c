// Small object-protocol steps shared by the writers and vertex operations.
//
// They accept any iterable at every level of `coordinates` (lists, tuples,
// generators) and walk each level with for_each_item (vertex.h), the way a
// Python `for` loop walks it.
#pragma once

#include "frame/ref.h"
#include "geometry/geomtype.h"
#include "geometry/messages.h"
#include "geometry/vertex.h"

namespace orb::geom {

// The message of every writer and vertex operation for a geometry dict
// whose type or keys do not fit together.
[[noreturn]] inline void invalid_geometry_type() {
    raise(PyExc_Exception, msg::kInvalidGeometryType);
}

// The geometry an operation works on: a value of exactly type dict as it
// is, any other value replaced by what the class's loads makes of it.
inline Ref as_dict(PyObject* cls, PyObject* geometry) {
    if (PyDict_CheckExact(geometry)) return Ref::borrow(geometry);
    return call_method(cls, ORB_STR("loads"), {geometry});
}

// `key in mapping`, raising what the container raises.
inline bool has_key(PyObject* mapping, PyObject* key) {
    const int found = PySequence_Contains(mapping, key);
    if (found < 0) throw PyError{};
    return found == 1;
}

// `type == "GeometryCollection"` by the interpreter's equality.
inline bool is_collection(PyObject* type) {
    const int same = PyObject_RichCompareBool(type, type_text(Type::GeometryCollection), Py_EQ);
    if (same < 0) throw PyError{};
    return same == 1;
}

// The truth value of `o`, as `if o:` tests it.
inline bool truth(PyObject* o) {
    const int t = PyObject_IsTrue(o);
    if (t < 0) throw PyError{};
    return t == 1;
}

}  // namespace orb::geom
