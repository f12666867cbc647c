// Geometry.rotate, scale, skew and translate: affine transforms by shapely.
#pragma once

#include "frame/method.h"

namespace orb::geom {

// rotate(cls, geometry, angle, origin=(0, 0, 0)) -> shapely geometry | None
Ref rotate(Args a);
// scale(cls, geometry, xfact=1.0, yfact=1.0, zfact=1.0, origin=(0, 0, 0))
Ref scale(Args a);
// skew(cls, geometry, xs=0.0, ys=0.0, origin=(0, 0, 0))
Ref skew(Args a);
// translate(cls, geometry, xoff=0.0, yoff=0.0, zoff=0.0)
Ref translate(Args a);

}  // namespace orb::geom
