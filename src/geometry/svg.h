// Geometry.toSvg: a geometry as SVG document text, through shapely.
#pragma once

#include "frame/method.h"

namespace orb::geom {

Ref to_svg(Args a);

}  // namespace orb::geom
