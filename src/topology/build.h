// Topology.build: the summary of one geometry for labelling and display.
#pragma once

#include "frame/method.h"

namespace orb::topology {

Ref build(Args a);  // build(cls, coordinates)

}  // namespace orb::topology
