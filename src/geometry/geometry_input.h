// Shared helpers of the format converters: how a writer obtains its
// geometry dict, the declared-type test of the local builders, and the
// bound on nested collections.
#pragma once

#include "frame/ref.h"

namespace geometry {

// Collections nested in collections are followed at most this deep, by the
// writers and by the readers, so that a self-referencing dict or a
// pathological document raises an error instead of exhausting the stack.
constexpr int kMaxNesting = 100;

// Raises the nesting error once `depth` exceeds kMaxNesting.
void check_nesting(int depth);

// The geometry dict a writer works on: a value of exactly type dict as it
// is, any other value through `cls.loads` with the value alone.  A result of
// `loads` that is not exactly a dict, None included, raises the
// declared-type TypeError naming dict.
orb::Ref geometry_dict(PyObject* cls, PyObject* value);

// Calls `f` on each item of any iterable, holding a reference to the item
// while `f` runs (interpreter code run by `f` may change the container).
template <class F>
void for_each_item(PyObject* iterable, F&& f) {
    if (PyList_CheckExact(iterable) || PyTuple_CheckExact(iterable)) {
        for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(iterable); ++i) {
            orb::Ref item = orb::Ref::borrow(PySequence_Fast_GET_ITEM(iterable, i));
            f(item.get());
        }
        return;
    }
    orb::Ref it = orb::Ref::steal(PyObject_GetIter(iterable));
    while (orb::Ref item = orb::Ref::steal_or_null(PyIter_Next(it))) f(item.get());
    orb::check_error();
}


}  // namespace geometry
