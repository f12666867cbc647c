// Bodies of the spatial predicates of Topology: each converts its geometry
// arguments through the class, prepares the first one in place (all but
// relate), and returns the value of one shapely predicate unchanged.
#pragma once

#include "frame/method.h"

namespace orb::topology {

Ref contains(Args a);          // contains(cls, a, b)
Ref contains_point(Args a);    // containsPoint(cls, geometry, longitude, latitude)
Ref covers(Args a);            // covers(cls, a, b)
Ref crosses(Args a);           // crosses(cls, a, b)
Ref equals(Args a);            // equals(cls, a, b)
Ref equal(Args a);             // equal(cls, a, b)
Ref intersects(Args a);        // intersects(cls, a, b)
Ref intersects_point(Args a);  // intersectsPoint(cls, geometry, longitude, latitude)
Ref overlaps(Args a);          // overlaps(cls, a, b)
Ref relate(Args a);            // relate(cls, a, b)
Ref touches(Args a);           // touches(cls, a, b)

}  // namespace orb::topology
