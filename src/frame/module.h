// The module object and the pieces of the frame that the loader assembles.
#pragma once

#include "frame/method.h"

namespace orb {

// The dict of the loaded (or loading) module, borrowed; null before loading.
PyObject* module_dict();

// Builds the method object of one table row (method.cpp).
Ref make_function(const char* class_name, const Method& m);

}  // namespace orb
