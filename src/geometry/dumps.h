// Geometry.dumps: a geometry input written in a format chosen by name.
#pragma once

#include "frame/method.h"

namespace geometry {

orb::Ref dumps(orb::Args a);

}  // namespace geometry
