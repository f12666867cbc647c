// What a reference text given to ProjectionHelper may make GDAL read: no
// network resource (a grid file named by a URL included), no file that is
// not a regular one (a device, a pipe or a socket, wherever it lies) or
// that lies under /proc or /sys (a file of the kernel's own may block its
// reader whatever its type), and no PROJ text but in its plain form, so
// that it is checked as PROJ reads it (see proj_text.h).  The text is
// checked before GDAL's reader sees it, and the reference GDAL made of it
// before any comparison or transformation is built from it.  Both checks
// take time and memory in proportion to the text.
#pragma once

#include "frame/ref.h"

namespace orb::reference_guard {

// Raises, with a message naming the parameter `name`, for a reference text
// (a str) that GDAL or PROJ would read over a network (a URL, a network
// file system path, a grid or init file named by a URL); whose PROJ text
// (the whole text when GDAL hands it to PROJ as PROJ parameters, the text
// of a PROJ4 EXTENSION) is not plain, or an EXTENSION of which is not
// written EXTENSION["name","text"]; or that names an existing path which is
// not a regular file or whose real path lies under /proc or /sys: the text
// itself (a directory too), after an "ESRI::" prefix, what a GDAL virtual
// file name opens, each value of its PROJ text as PROJ opens it, or a path
// written anywhere in it (a WKT extension, a PARAMETERFILE).
void check_text(PyObject* text, PyObject* name);

// Raises, as above, for a parsed reference given as its PROJJSON text,
// when one of its identifiers, at any level, has an authority name, code
// or version that is not a plain name (GDAL reads "name:code" as a
// reference of its own while it compares and transforms); when a
// parameter value (any member of a list of grids) holds a URL or names a
// special file or one under /proc or /sys; or when the PROJ text of a
// method PROJ has no name for ("PROJ ...") is not plain, holds such a
// value, or comes with a parameter whose name is not a plain name.
void check_parsed(PyObject* projjson, PyObject* name);

}  // namespace orb::reference_guard
