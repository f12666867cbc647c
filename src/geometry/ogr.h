// Geometry.fromOgr and Geometry.toOgr: OGR geometries of GDAL's bindings.
#pragma once

#include "frame/method.h"

namespace orb::geom {

Ref from_ogr(Args a);
Ref to_ogr(Args a);

}  // namespace orb::geom
