// The three in-place vertex conventions of the geometry dict.
//
// Repeated-vertex removal and ring closing compare vertices by the repr
// text of their values as the caller wrote them (so [1, 2] and [1.0, 2.0]
// differ), and the float conversion makes x and y the interpreter's float
// of the value.  All three edit the caller's own lists; lines and rings
// that are not lists go through the object protocol, so a tuple fails with
// the interpreter's own error only when it would have to change.
#pragma once

#include "frame/ref.h"

namespace orb::geom {

// Deletes, from `line` itself, every vertex whose repr of its first two
// values equals that of the vertex before it.  The first vertex stays.
void remove_repeats(PyObject* line);

// Appends the ring's own first vertex object to `ring` when the repr of the
// whole first vertex differs from that of the whole last one.  The ring
// holds at least one vertex.
void close_ring(PyObject* ring);

// Replaces positions 0 and 1 of the exact list `vertex`, where it has them,
// by the interpreter's float of the value (ints, bools, numeric text).
void set_point(PyObject* vertex);

// The vertex test of the normalisation: `vertex` must be exactly a list and
// hold at least 2 values after the float conversion, else
// "Invalid [coordinates] parameter. Dimension should be greater than 1.".
void check_vertex(PyObject* vertex);

// Calls `f(item)` for each item of `seq` in order: an exact list by index,
// re-reading its size as it goes (like the list iterator), any other
// object through its iterator.
template <class F>
void for_each_item(PyObject* seq, F&& f) {
    if (PyList_CheckExact(seq)) {
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(seq); ++i) {
            Ref item = Ref::borrow(PyList_GET_ITEM(seq, i));
            f(item.get());
        }
        return;
    }
    Ref it = Ref::steal(PyObject_GetIter(seq));
    for (;;) {
        Ref item = Ref::steal_or_null(PyIter_Next(it));
        if (!item) {
            check_error();
            return;
        }
        f(item.get());
    }
}

// Length of any sized object (the interpreter's len()).
inline Py_ssize_t length(PyObject* o) {
    Py_ssize_t n = PyObject_Length(o);
    if (n < 0) throw PyError{};
    return n;
}

}  // namespace orb::geom
