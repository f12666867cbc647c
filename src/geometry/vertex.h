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

#include <vector>

namespace orb::geom {

// vertex[:2] through the object protocol, as the interpreter slices it: a
// new list or tuple for an exact list or tuple, holding its own references
// to the values, else what the vertex's own subscript gives.
Ref head_slice(PyObject* vertex);

// Deletes, from `line` itself, every vertex whose repr of its first two
// values equals that of the vertex before it.  The first vertex stays.
void remove_repeats(PyObject* line);

// Deletes the items at `indices` (ascending) from `line` itself, with the
// outcome of `del line[i]` for each of them from the highest index down: an
// index beyond the end raises the interpreter's IndexError, and interpreter
// code run by the release of a deleted vertex finds the list as those
// deletions would have left it.  An exact list takes time in proportion to
// its length, not to its length times the deletions, unless many of the
// vertices deleted are the last holders of values whose release may run
// interpreter code (a finalizer, a weak reference's callback).
void delete_vertices(PyObject* line, const std::vector<Py_ssize_t>& indices);

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

// Calls `f(item)` for each item of `seq` in order: an exact list or tuple
// by index, re-reading its size as it goes (like the list iterator), any
// other object through its iterator.  A reference to the item is held
// while `f` runs, since interpreter code run by `f` may change the list.
template <class F>
void for_each_item(PyObject* seq, F&& f) {
    if (PyList_CheckExact(seq) || PyTuple_CheckExact(seq)) {
        for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(seq); ++i) {
            Ref item = Ref::borrow(PySequence_Fast_GET_ITEM(seq, i));
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

// `seq[index]` as the subscript operator gives it (negative indices count
// from the end), with exact lists and tuples read directly.  Out-of-range
// and non-subscriptable values raise the interpreter's own IndexError or
// TypeError.
inline Ref item_at(PyObject* seq, Py_ssize_t index) {
    if (PyList_CheckExact(seq) || PyTuple_CheckExact(seq)) {
        const Py_ssize_t n = PySequence_Fast_GET_SIZE(seq);
        const Py_ssize_t i = index < 0 ? index + n : index;
        if (i >= 0 && i < n) return Ref::borrow(PySequence_Fast_GET_ITEM(seq, i));
    }
    Ref key = integer(index);
    return Ref::steal(PyObject_GetItem(seq, key));
}

// Length of any sized object (the interpreter's len()).
inline Py_ssize_t length(PyObject* o) {
    Py_ssize_t n = PyObject_Length(o);
    if (n < 0) throw PyError{};
    return n;
}

}  // namespace orb::geom
