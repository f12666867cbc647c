// Geometry.fromKml: one KML geometry element, as text or as an lxml
// element, read into a geometry dict.
#pragma once

#include "frame/method.h"

namespace geometry {

orb::Ref from_kml(orb::Args a);

}  // namespace geometry
