// The label point of one polygon: an approximation of its pole of
// inaccessibility, found by a best-first search over square cells.
#pragma once

#include "frame/ref.h"

namespace orb::topology {

// The search for the geometry dict `polygon` (type Polygon), made into a
// shapely polygon by shapely.geometry.shape.  Returns a new dict
// {"centroid": {"x", "y"}, "perimeter", "area", "boundary"} (or only the
// centroid when `simplify`), planar, in the unit of the coordinates.
// `tolerance` is how much farther from the outline than the best centre a
// cell must possibly reach to be split; a search that ends with its best
// centre outside a polygon of positive area takes the centre of shapely's
// maximum inscribed circle instead.
Ref polygon_label(PyObject* polygon, bool simplify = false, double tolerance = 1.0);

}  // namespace orb::topology
