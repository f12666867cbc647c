// Conversion between geometry dicts and shapely geometries.
#pragma once

#include "frame/method.h"

namespace orb::geom {

// Geometry.toShapely(geometry, srid=4326): an exact dict through shapely's
// shape() as it is, an exact list or text loaded first, a shapely geometry
// (by class name) itself; the SRID set unless srid is None; None for an
// empty result.
Ref to_shapely(Args a);

// shapely.is_empty(geometry) as a truth value, `shapely` being the module
// global read by the caller.
bool shapely_is_empty(PyObject* shapely, PyObject* geometry);

// Geometry.fromShapely(geometry): shapely's GeoJSON text of the geometry,
// decoded by json.
Ref from_shapely(Args a);

}  // namespace orb::geom
