// Geometry.toWkt: OGC well-known text written from a geometry dict.
#pragma once

#include "frame/method.h"

namespace orb::geom {

// toWkt(cls, geometry) -> str
Ref to_wkt(Args a);

}  // namespace orb::geom
