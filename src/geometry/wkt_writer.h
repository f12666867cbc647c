// Geometry.toWkt: OGC well-known text written from a geometry dict.
#pragma once

#include "frame/method.h"

namespace geometry {

// toWkt(cls, geometry) -> str
orb::Ref toWkt(orb::Args a);

}  // namespace geometry
