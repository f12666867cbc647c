// Geometry.fromKml: one KML geometry element, as text or as an lxml
// element, read into a geometry dict.
#pragma once

#include "frame/method.h"

namespace orb::geom {

Ref from_kml(Args a);

}  // namespace orb::geom
