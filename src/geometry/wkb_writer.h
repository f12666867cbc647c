// Geometry.toWkb: hexadecimal extended WKB written by shapely.
#pragma once

#include "frame/method.h"

namespace geometry {

// toWkb(cls, geometry, srid=4326) -> str | None
orb::Ref toWkb(orb::Args a);

}  // namespace geometry
