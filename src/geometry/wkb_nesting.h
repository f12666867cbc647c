// The nesting depth of WKB text, read from its headers before shapely reads
// the text.
#pragma once

#include "frame/ref.h"

namespace orb::geom {

// Raises the loads nesting error when the WKB that shapely would read from
// `token` (exactly a str) holds a collection or multi-part geometry nested
// more than kMaxNesting deep.  Any other text returns without an error,
// malformed WKB included: shapely reports that as it always has.
void check_wkb_nesting(PyObject* token);

}  // namespace orb::geom
