// Reading of text given to Geometry.loads: the block of rules the code
// selects, then GeoJSON text, WKT (wkt_read.h) or free text, tried in that
// order; a single free-text token is hexadecimal WKB or EWKB.
#pragma once

#include "geometry/loads.h"

namespace orb::geom {

// The rule block a code selects for text: -1 (also for None), 0, 1 or 2.
// Any other code raises "[{}] should be one of [-1,0,1,2] in [code] parameter.".
int text_block(const Code& code);

// The result of Geometry.loads for the exact text `text`.
Ref read_text(PyObject* cls, PyObject* text, const Code& code);

}  // namespace orb::geom
