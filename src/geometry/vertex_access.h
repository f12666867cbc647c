// Geometry.getXY and Geometry.swapXY: walking the vertices of a geometry dict.
#pragma once

#include "frame/method.h"

namespace orb::geom {

// getXY(cls, geometry, endpoint=True) -> list of vertex tuples
Ref getXY(Args a);
// swapXY(cls, geometry) -> the dict whose vertices were swapped in place
Ref swapXY(Args a);

}  // namespace orb::geom
