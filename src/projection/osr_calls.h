// Thin wrappers around the calls ProjectionHelper makes into GDAL's spatial
// reference bindings (the module global `osr`, read at each call).
#pragma once

#include "frame/ref.h"

namespace orb::osr_calls {

// osr.UseExceptions(): every later failing osr call raises, process-wide.
void use_exceptions(PyObject* osr);

// A new spatial reference read from an EPSG code (an exact int) or from any
// other value through GDAL's user-input reader, set to the traditional GIS
// axis order (x longitude or easting, y latitude or northing).  A text the
// reader or PROJ would read over a network, that names a special file or a
// file of /proc or /sys, or whose PROJ text is not plain is refused before
// the reader sees it, and a parsed reference that GDAL or PROJ would go on
// to read over a network or from such a file before anything is built
// from it; the messages name the parameter `name` (see reference_guard.h).
Ref reference(PyObject* osr, PyObject* value, PyObject* name);

// The ESRI-style WKT of a copy of `srs` (the reference itself is unchanged).
Ref esri_wkt(PyObject* srs);

// srs.IsSame(other) by the interpreter's truth test.
bool is_same(PyObject* srs, PyObject* other);

// osr.CoordinateTransformation(source, target).
Ref transformation(PyObject* osr, PyObject* source, PyObject* target);

// transformer.TransformPoint of the `n` values (2 to 4: x, y, then z and t).
Ref transform_point(PyObject* transformer, PyObject* const* values, size_t n);

}  // namespace orb::osr_calls
