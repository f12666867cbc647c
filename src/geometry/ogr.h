// Geometry.fromOgr and Geometry.toOgr: OGR geometries of GDAL's bindings.
#pragma once

#include "frame/method.h"

namespace geometry {

orb::Ref from_ogr(orb::Args a);
orb::Ref to_ogr(orb::Args a);

}  // namespace geometry
