// What a reference text given to ProjectionHelper may make GDAL read: no
// network resource (a grid file named by a URL included), and no file that
// is not a regular one or lies under /proc, /sys or /dev (a device, a pipe,
// a socket or a file of the kernel's own would block the caller, perhaps
// for ever).  The text is checked before GDAL's reader sees it, and the
// reference GDAL made of it before any comparison or transformation is
// built from it.  Both checks take time and memory in proportion to the
// text.
#pragma once

#include "frame/ref.h"

namespace orb::reference_guard {

// Raises, with a message naming the parameter `name`, for a reference text
// (a str) that GDAL or PROJ would read over a network (a URL, a network
// file system path, a grid or init file named by a URL), or that names an
// existing path which is not a regular file or whose real path lies under
// /proc, /sys or /dev: the text itself (a directory too), after an "ESRI::"
// prefix, what a GDAL virtual file name opens, or a path written anywhere
// in it (a PROJ grid or init file, a WKT extension).
void check_text(PyObject* text, PyObject* name);

// Raises, as above, for a parsed reference given as its PROJJSON text,
// when one of its identifiers, at any level, has an authority name, code
// or version that is not a plain name (GDAL reads "name:code" as a
// reference of its own while it compares and transforms), or when a
// parameter value, such as a grid file, is a URL.
void check_parsed(PyObject* projjson, PyObject* name);

}  // namespace orb::reference_guard
