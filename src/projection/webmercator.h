// Spherical (web) Mercator projection on a sphere of radius a.
//
// Numeric core of Projection.webMercator, callable directly (Topology).
// Longitude and latitude in decimal degrees, x easting and y northing in
// metres from longitude 0 and the equator.
#pragma once

#include "projection/pymath.h"

namespace orb::projection {

struct PlanePoint {
    double x;
    double y;
};

// Forward from a longitude in [-180, +180] and a latitude in [-90, +90]
// (tested by the caller).  Latitude -90 is a domain error of the logarithm.
PlanePoint web_mercator_forward(double a, double longitude, double latitude,
                                pymath::MathStatus& math) noexcept;
// Inverse, as (longitude, latitude); the longitude is not wrapped.
PlanePoint web_mercator_inverse(double a, double x, double y, pymath::MathStatus& math) noexcept;

}  // namespace orb::projection
