// Shared by the MapGrid bodies that read sheet numbers.
#pragma once

#include "frame/ref.h"

namespace mapgrid {

// Corner of the 1:1,000,000 sheet named by a prefix character (0 for none),
// a row letter as matched (either case) and a column 1 to 60, as the
// original letter table gives it; false when the upper-cased letter is no
// row letter.
bool corner_of(Py_UCS4 prefix, Py_UCS4 letter, int column, int& lon0, int& lat0);

// `a, b = d.values()` of a corner result, with the interpreter's unpacking
// messages.
void unpack_values(PyObject* d, orb::Ref& a, orb::Ref& b);

}  // namespace mapgrid
