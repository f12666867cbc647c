// The module's generator type: the object a generator method returns.  It
// behaves like an interpreter generator (iteration, send, throw, close) and
// runs the method's body only as the host iterates it.
#pragma once

#include "frame/method.h"

namespace orb {

// Makes the type (once) so that it can be registered with collections.abc.
PyTypeObject* generator_type();

// A generator that will run `start` with copies of the bound arguments (a
// null `start` raises NotImplementedError at the first step).
Ref make_generator(Start start, PyObject* qualname, PyObject* const* bound, Py_ssize_t n);

}  // namespace orb
