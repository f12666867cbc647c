// What a reference text given to ProjectionHelper may make GDAL read: no
// network resource, and no file that is not a regular one (a device, a
// pipe or a socket would block the caller, perhaps for ever).  The text is
// checked before GDAL's reader sees it, and the identifiers of the
// reference GDAL made of it before any comparison or transformation is
// built from it.
#pragma once

#include "frame/ref.h"

namespace orb::reference_guard {

// Raises, with a message naming the parameter `name`, for a reference text
// (a str) that GDAL would read over a network, or that names an existing
// path which is not a regular file: the text itself (a directory too),
// after an "ESRI::" prefix, a file a GDAL virtual file name leads to, or a
// path written anywhere in it (a PROJ grid or init file, a WKT extension).
void check_text(PyObject* text, PyObject* name);

// Raises, as above, for a parsed reference given as its PROJJSON text,
// when one of its identifiers, at any level, has an authority name, code
// or version that is not a plain name: GDAL reads "name:code" as a
// reference of its own while it compares and transforms.
void check_parsed(PyObject* projjson, PyObject* name);

}  // namespace orb::reference_guard
