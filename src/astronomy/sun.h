// Astronomy.sun: the sun's position and the times of the day's phases.
#pragma once

#include "frame/method.h"

namespace astro {

orb::Ref sun_body(orb::Args a);

}  // namespace astro
