// Geometry.toKml: a geometry dict as a KML geometry element tree.
#pragma once

#include "frame/method.h"

namespace geometry {

orb::Ref to_kml(orb::Args a);

}  // namespace geometry
