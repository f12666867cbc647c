// Geometry.dumps: a geometry input written in a format chosen by name.
#pragma once

#include "frame/method.h"

namespace orb::geom {

Ref dumps(Args a);

}  // namespace orb::geom
