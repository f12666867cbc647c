// Geometry.fromGml and Geometry.toGml: GML 3.2 through pygml.
#pragma once

#include "frame/method.h"

namespace orb::geom {

Ref from_gml(Args a);
Ref to_gml(Args a);

}  // namespace orb::geom
