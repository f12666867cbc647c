// Astronomy.moon: the moon's position, illumination, phase name and next
// rise and set.
#pragma once

#include "frame/method.h"

namespace astro {

// The phase name of a phase angle in whole degrees, 0 to 360 (0 and 360 new
// moon, 90 first quarter, 180 full moon, 270 last quarter).
const char* phase_name(long phase);

orb::Ref moon_body(orb::Args a);

}  // namespace astro
