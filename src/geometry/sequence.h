// Walking the levels of a geometry dict.
//
// The writers and vertex operations accept any iterable at every level of
// `coordinates` (lists, tuples, generators), so each level is walked the
// way a Python `for` loop walks it.  Exact lists and tuples, the common
// case, are read by index instead of through an iterator object.
#pragma once

#include "frame/ref.h"

namespace geometry {

// Calls `fn(item)` for each item of `seq`, in order, holding a strong
// reference to the item for the duration of the call.  A list is re-measured
// before every step, as its iterator does, so a callback that shrinks or
// grows it cannot read past its end.  A value that cannot be iterated raises
// the interpreter's TypeError.
template <class Fn>
void for_each_item(PyObject* seq, Fn&& fn) {
    if (PyList_CheckExact(seq)) {
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(seq); ++i) {
            orb::Ref item = orb::Ref::borrow(PyList_GET_ITEM(seq, i));
            fn(item.get());
        }
        return;
    }
    if (PyTuple_CheckExact(seq)) {
        const Py_ssize_t n = PyTuple_GET_SIZE(seq);
        for (Py_ssize_t i = 0; i < n; ++i) fn(PyTuple_GET_ITEM(seq, i));
        return;
    }
    orb::Ref it = orb::Ref::steal(PyObject_GetIter(seq));
    for (;;) {
        orb::Ref item = orb::Ref::steal_or_null(PyIter_Next(it));
        if (!item) {
            orb::check_error();
            return;
        }
        fn(item.get());
    }
}

// `seq[index]` as the subscript operator gives it, with the list case read
// directly.  Out-of-range and non-subscriptable values raise the
// interpreter's own IndexError or TypeError.
inline orb::Ref item_at(PyObject* seq, Py_ssize_t index) {
    if (PyList_CheckExact(seq)) {
        const Py_ssize_t n = PyList_GET_SIZE(seq);
        const Py_ssize_t i = index < 0 ? index + n : index;
        if (i >= 0 && i < n) return orb::Ref::borrow(PyList_GET_ITEM(seq, i));
    }
    orb::Ref key = orb::integer(index);
    return orb::Ref::steal(PyObject_GetItem(seq, key));
}

// Held around each call a method makes of itself for a collection member.
// Method objects are called through vectorcall, which counts no depth, so a
// collection nested some hundred thousand levels deep would otherwise run
// the C stack out; with the guard it raises the interpreter's RecursionError,
// as the same recursion written in Python does.
class RecursionGuard {
public:
    RecursionGuard() {
        if (Py_EnterRecursiveCall(" while calling a Python object")) throw orb::PyError{};
    }
    ~RecursionGuard() { Py_LeaveRecursiveCall(); }
    RecursionGuard(const RecursionGuard&) = delete;
    RecursionGuard& operator=(const RecursionGuard&) = delete;
};

// The message of every writer and vertex operation for a geometry dict
// whose type or keys do not fit together.
[[noreturn]] inline void invalid_geometry_type() {
    orb::raise(PyExc_Exception, "Invalid geometry type.");
}

// `key in mapping`, raising what the container raises.
inline bool has_key(PyObject* mapping, PyObject* key) {
    const int found = PySequence_Contains(mapping, key);
    if (found < 0) throw orb::PyError{};
    return found == 1;
}

// `a == b` by the interpreter's equality.
inline bool equals(PyObject* a, PyObject* b) {
    const int same = PyObject_RichCompareBool(a, b, Py_EQ);
    if (same < 0) throw orb::PyError{};
    return same == 1;
}

// The truth value of `o`, as `if o:` tests it.
inline bool truth(PyObject* o) {
    const int t = PyObject_IsTrue(o);
    if (t < 0) throw orb::PyError{};
    return t == 1;
}

}  // namespace geometry
