// Topology.area: geodetic area, perimeter and extent of a polygon or a
// multipolygon, each ring measured in a plane chosen from its own box.
#pragma once

#include "frame/method.h"

namespace orb::topology {

// Body of the class method area(cls, coordinates, crs).
Ref area(Args a);

}  // namespace orb::topology
