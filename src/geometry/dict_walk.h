// Small object-protocol steps shared by the writers and vertex operations.
//
// They accept any iterable at every level of `coordinates` (lists, tuples,
// generators) and walk each level with for_each_item (vertex.h), the way a
// Python `for` loop walks it.
#pragma once

#include "frame/ref.h"
#include "geometry/geomtype.h"
#include "geometry/vertex.h"

namespace orb::geom {

// `seq[index]` as the subscript operator gives it, with the list case read
// directly.  Out-of-range and non-subscriptable values raise the
// interpreter's own IndexError or TypeError.
inline Ref item_at(PyObject* seq, Py_ssize_t index) {
    if (PyList_CheckExact(seq)) {
        const Py_ssize_t n = PyList_GET_SIZE(seq);
        const Py_ssize_t i = index < 0 ? index + n : index;
        if (i >= 0 && i < n) return Ref::borrow(PyList_GET_ITEM(seq, i));
    }
    Ref key = integer(index);
    return Ref::steal(PyObject_GetItem(seq, key));
}

// Held around each call a method makes of itself for a collection member.
// Method objects are called through vectorcall, which counts no depth, so a
// collection nested some hundred thousand levels deep would otherwise run
// the C stack out; with the guard it raises the interpreter's RecursionError,
// as the same recursion written in Python does.  One level of the recursion
// is several C frames (body, method object, binder), some kilobytes in a
// sanitized build, so each level counts kUnitsPerLevel against the
// interpreter's C recursion limit (1500): the deepest collection is then
// some 750 levels, below the 1000 frames the interpreter allows Python code.
class RecursionGuard {
public:
    RecursionGuard() {
        for (int i = 0; i < kUnitsPerLevel; ++i) {
            if (Py_EnterRecursiveCall(" while calling a Python object")) {
                for (int j = 0; j < i; ++j) Py_LeaveRecursiveCall();
                throw PyError{};
            }
        }
    }
    ~RecursionGuard() {
        for (int i = 0; i < kUnitsPerLevel; ++i) Py_LeaveRecursiveCall();
    }
    RecursionGuard(const RecursionGuard&) = delete;
    RecursionGuard& operator=(const RecursionGuard&) = delete;

private:
    static constexpr int kUnitsPerLevel = 2;
};

// The message of every writer and vertex operation for a geometry dict
// whose type or keys do not fit together.
[[noreturn]] inline void invalid_geometry_type() {
    raise(PyExc_Exception, "Invalid geometry type.");
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
