// Geometry.toKml: a geometry dict as a KML geometry element tree.
#pragma once

#include "frame/method.h"

namespace orb::geom {

Ref to_kml(Args a);

}  // namespace orb::geom
