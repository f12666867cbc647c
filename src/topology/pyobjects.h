// Interpreter operations shared by the methods of Topology: indexing,
// float conversion, unpacking, key tests and the built-in reductions, each
// with the interpreter's own semantics and messages.
#pragma once

#include "frame/ref.h"
#include "geometry/dict_walk.h"

#include <initializer_list>
#include <utility>

namespace orb::topology {

// seq[i], `key in obj`, `if value:` and `type == "GeometryCollection"`
// are the geometry layer's object-protocol steps.
using geom::has_key;
using geom::is_collection;
using geom::item_at;
using geom::truth;

// obj[key] by the interpreter's subscription.
Ref get(PyObject* obj, PyObject* key);
// float(value) as a double.
double to_double(PyObject* value);
// a, b, ... = value: exactly n items into out[0..n), with the interpreter's
// ValueError "not enough values to unpack (expected n, got k)" or "too many
// values to unpack (expected n)".
void unpack(PyObject* value, Ref* out, Py_ssize_t n);
// float(vertex[0]), float(vertex[1]), in that order.
void first_two_floats(PyObject* vertex, double& x, double& y);
// A new dict of the given items, inserted in order.
Ref make_dict(std::initializer_list<std::pair<PyObject*, PyObject*>> items);
// Appends to an exact list.
void append(PyObject* list, PyObject* value);
// The built-in `name` (sum, min, max) called with one argument.
Ref builtin_call(const char* name, PyObject* arg);

}  // namespace orb::topology
