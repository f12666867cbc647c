// Geometry.toSvg: a geometry as SVG document text, through shapely.
#pragma once

#include "frame/method.h"

namespace geometry {

orb::Ref to_svg(orb::Args a);

}  // namespace geometry
