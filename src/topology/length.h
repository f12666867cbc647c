// Topology.length: length and extent of a line, a multiline or the rings
// of a polygon, segment by segment.
#pragma once

#include "frame/method.h"

namespace orb::topology {

// Body of the class method length(cls, coordinates, crs).
Ref length(Args a);

}  // namespace orb::topology
