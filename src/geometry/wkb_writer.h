// Geometry.toWkb: hexadecimal extended WKB written by shapely.
#pragma once

#include "frame/method.h"

namespace orb::geom {

// toWkb(cls, geometry, srid=4326) -> str | None
Ref to_wkb(Args a);

}  // namespace orb::geom
