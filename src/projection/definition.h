// WKT 1 texts of the four projected coordinate systems
// (ProjectionHelper.definition).
#pragma once

#include "frame/method.h"

namespace orb::projectionhelper {

// definition(cls, projection, crs, centralMeridian, originLatitude,
//            falseEasting, falseNorthing, standard_parallel_1,
//            standard_parallel_2) -> str
Ref definition(Args a);

}  // namespace orb::projectionhelper
