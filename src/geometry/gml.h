// Geometry.fromGml and Geometry.toGml: GML 3.2 through pygml.
#pragma once

#include "frame/method.h"

namespace geometry {

orb::Ref from_gml(orb::Args a);
orb::Ref to_gml(orb::Args a);

}  // namespace geometry
