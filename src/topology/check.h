// Topology.check: topology checks over a list of geometry inputs.
#pragma once

#include "frame/method.h"

namespace orb::topology {

Ref check(Args a);  // check(cls, geometries, mask=31)

}  // namespace orb::topology
