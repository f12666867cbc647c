// Geometry.getXY and Geometry.swapXY: walking the vertices of a geometry dict.
#pragma once

#include "frame/method.h"

namespace orb::geom {

// getXY(cls, geometry, endpoint=True) -> list of vertex tuples
Ref get_xy(Args a);
// swapXY(cls, geometry) -> the dict whose vertices were swapped in place
Ref swap_xy(Args a);

}  // namespace orb::geom
