// Geometry.getXY and Geometry.swapXY: walking the vertices of a geometry dict.
#pragma once

#include "frame/method.h"

namespace geometry {

// getXY(cls, geometry, endpoint=True) -> list of vertex tuples
orb::Ref getXY(orb::Args a);
// swapXY(cls, geometry) -> the dict whose vertices were swapped in place
orb::Ref swapXY(orb::Args a);

}  // namespace geometry
