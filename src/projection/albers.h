// Albers equal-area conic projection with two standard parallels, in its
// spherical form on a sphere of radius a.
//
// Numeric core of Projection.albers, callable directly (Topology).  Angles
// in decimal degrees; x easting and y northing in metres from the point
// (central meridian, origin latitude), with no false easting or northing.
#pragma once

#include "frame/pymath.h"
#include "projection/webmercator.h"

namespace orb::projection {

// Cone constants: n the cone constant, c = cos^2 phi1 + 2 n sin phi1 and
// ro0 the radius of the origin latitude on the unit sphere.
struct AlbersCone {
    double a;
    double cm;  // central meridian, degrees
    double n;
    double c;
    double ro0;
};

// Set-up from angles in range (tested by the caller).  Parallels whose
// sines cancel give n = 0: a division by zero in ro0.
AlbersCone albers_cone(double a, double cm, double origin_latitude, double parallel1,
                       double parallel2, pymath::MathStatus& math) noexcept;
// Forward from a longitude in [-180, +180] and a latitude in [-90, +90];
// the longitude is taken less than half a turn from the central meridian,
// across the antimeridian when that is the shorter way.
PlanePoint albers_forward(const AlbersCone& k, double longitude, double latitude,
                          pymath::MathStatus& math) noexcept;
// Inverse, as (longitude, latitude), the longitude in [-180, +180].  Far
// outside the projected area the arc sine fails with a domain error.
PlanePoint albers_inverse(const AlbersCone& k, double x, double y,
                          pymath::MathStatus& math) noexcept;

}  // namespace orb::projection
