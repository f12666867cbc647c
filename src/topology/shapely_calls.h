// Thin wrappers for the calls the spatial predicates and operations make:
// converting an argument through the class, preparing a geometry in place,
// looking up a shapely function at the moment of the call, and testing a
// result for emptiness.
#pragma once

#include "frame/ref.h"
#include "frame/shortcut.h"
#include "topology/pyobjects.h"

namespace orb::topology {

// cls.toShapely(value, srid): a subclass's own converter is used.  None
// comes back for an empty geometry.
Ref to_shapely(PyObject* cls, PyObject* value, PyObject* srid = Py_None);
// shapely.prepare(geometry), in place; shapely's return value is dropped.
void prepare(PyObject* geometry);
// shapely.lib.prepare as recorded while loading (borrowed).
PyObject* compiled_prepare() noexcept;
// The function `name` of the shapely module global, read at every call so
// that a host that patches either one is obeyed.
Ref shapely_fn(PyObject* name);
// shapely.<name>(geometries...) for a function whose wrapper only forwards
// its arguments, through the shortcut when it applies.
Ref call_geometries(const Shortcut& shortcut, std::initializer_list<PyObject*> geometries);
// shapely.is_empty(geometry), as a C++ truth value.
bool is_empty(PyObject* geometry);

}  // namespace orb::topology
