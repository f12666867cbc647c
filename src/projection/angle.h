// Projection.angle: decimal degrees to sexagesimal text and back.
#pragma once

#include "frame/method.h"

namespace orb::projection {

// Body of the static method angle(deg, dms, digit).
Ref angle(Args a);

}  // namespace orb::projection
