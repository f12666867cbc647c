// Geometry.rotate, scale, skew and translate: affine transforms by shapely.
#pragma once

#include "frame/method.h"

namespace geometry {

// rotate(cls, geometry, angle, origin=(0, 0, 0)) -> shapely geometry | None
orb::Ref rotate(orb::Args a);
// scale(cls, geometry, xfact=1.0, yfact=1.0, zfact=1.0, origin=(0, 0, 0))
orb::Ref scale(orb::Args a);
// skew(cls, geometry, xs=0.0, ys=0.0, origin=(0, 0, 0))
orb::Ref skew(orb::Args a);
// translate(cls, geometry, xoff=0.0, yoff=0.0, zoff=0.0)
orb::Ref translate(orb::Args a);

}  // namespace geometry
