// Astronomy.geostationarySatellite: look angles from a point on the WGS 84
// spheroid to a satellite on the geostationary orbit.
#pragma once

#include "frame/method.h"

namespace astro {

struct LookAngles {
    double azimuth;   // degrees clockwise from true north
    double altitude;  // degrees above the observer's horizontal plane
    double distance;  // slant range, kilometres
};

// The look angles for an observer at `longitude`, `latitude` (degrees) and
// `elevation` (metres) and a satellite at `satelliteLongitude` (degrees);
// `rad` is degrees to radians as the class holds it.
LookAngles look_angles(double rad, double longitude, double latitude, double elevation,
                       double satelliteLongitude);

orb::Ref geostationary_satellite_body(orb::Args a);

}  // namespace astro
