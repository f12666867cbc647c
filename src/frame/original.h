// Whether a class still holds what this module stored in it while loading.
//
// Bodies call other methods and read class attributes through `cls`, so a
// subclass override or a host's patch is obeyed.  Where such a call would
// only run this module's own code, a body may compute the result directly
// instead (same result, no interpreter round trip): these tests say when.
#pragma once

#include "frame/method.h"

namespace orb {

// Records `value` as stored under `name` (interned) in a class namespace
// while loading; the record keeps a reference, so its address stays unique.
void record_original(PyObject* name, PyObject* value);
// Records a module global bound while loading (the classes).
void record_original_global(PyObject* name, PyObject* value);

// True when `cls` is a plain class (its metaclass is `type`, so attribute
// reads are the type's own look-up) and looking `name` up on it finds the
// very object this module stored under that name.
bool finds_original(PyObject* cls, PyObject* name);
// The table row behind the method object that look-up finds, or nullptr
// when it is not this module's original.
const Method* original_method(PyObject* cls, PyObject* name);
// True when the module global `name` is still the object the loader bound.
bool global_is_original(PyObject* name);

}  // namespace orb
