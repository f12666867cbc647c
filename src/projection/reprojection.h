// Re-projection of geometry dicts through GDAL (ProjectionHelper.__init__
// and ProjectionHelper.project).
#pragma once

#include "frame/method.h"

namespace orb::projectionhelper {

// __init__(self, sourceProjection, targetProjection, sourceScale, targetScale)
Ref init(Args a);
// project(self, geometry) -> dict
Ref project(Args a);

}  // namespace orb::projectionhelper
