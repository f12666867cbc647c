// Lambert conformal conic projection with two standard parallels on a
// spheroid.
//
// Numeric core of Projection.lambert.  Angles in decimal degrees.  The
// radius used is the semi-major axis divided by kLambertUnit, so plane
// coordinates are the metre values times about 57.3; the inverse expects
// the same scale.
#pragma once

#include "frame/pymath.h"
#include "projection/webmercator.h"

namespace orb::projection {

// The degree in radians to 15 significant digits (one unit in the last
// place below the double nearest pi / 180): the divisor of the semi-major
// axis that sets the scale of Lambert plane coordinates.
constexpr double kLambertUnit = 0.0174532925199433;

// Cone constants: e the eccentricity, n the cone constant, F the mapping
// constant and rF the radius of the origin latitude, in the scaled unit.
struct LambertCone {
    double a;   // semi-major axis / kLambertUnit
    double cm;  // central meridian, degrees
    double e;
    double n;
    double F;
    double rF;
};

// Set-up from the record's semi-major axis (metres) and flattening and the
// angles in range (tested by the caller).  Equal standard parallels give
// the cone of one standard parallel, n = sin(parallel).
LambertCone lambert_cone(double semi_major, double f, double cm, double origin_latitude,
                         double parallel1, double parallel2, pymath::MathStatus& math) noexcept;
// Forward from a longitude and a latitude in range; the longitude is taken
// less than half a turn from the central meridian, across the antimeridian
// when that is the shorter way.
PlanePoint lambert_forward(const LambertCone& k, double longitude, double latitude,
                           pymath::MathStatus& math) noexcept;
// Inverse, as (longitude, latitude), the longitude in [-180, +180].
PlanePoint lambert_inverse(const LambertCone& k, double x, double y,
                           pymath::MathStatus& math) noexcept;

}  // namespace orb::projection
