// WKT reading: the type word, the body tests of the code's block, the
// readers that rewrite a body as JSON array text, and collections read
// member by member through Geometry.loads.
#pragma once

#include "geometry/loads.h"

namespace orb::geom {

// The result of Geometry.loads for a text that holds a parenthesised pair
// and no bracketed one, read under `block` (-1, 0, 1 or 2).
Ref read_wkt(PyObject* cls, PyObject* text, int block, const Code& code);

}  // namespace orb::geom
