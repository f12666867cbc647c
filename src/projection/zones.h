// Zone numbers and central meridians of the 6- and 3-degree projection zones,
// and the longitude arithmetic the projections share.
//
// Numeric core of Projection.zone and Projection.centralMeridian, and the
// entry point for code that projects many points (Topology) without the
// Python layer.  Longitudes are decimal degrees in [-180, +180]; the caller
// tests the range.
#pragma once

#include "frame/pymath.h"

namespace orb::projection {

// The range tests of the projections, inclusive; a NaN fails them.
inline bool in_longitude_range(double v) noexcept { return -180 <= v && v <= 180; }
inline bool in_latitude_range(double v) noexcept { return -90 <= v && v <= 90; }

// A difference of two longitudes in range, [-360, +360], brought into
// [-180, 180) by one turn at most: a point on the far side of the
// antimeridian from a central meridian lies less than half a turn from it.
// A difference already in [-180, 180) (or NaN) comes back unchanged.
inline double turned_difference(double dl) noexcept {
    if (dl >= 180) return dl - 360;
    if (dl < -180) return dl + 360;
    return dl;
}

// The angle in radians from a central meridian to a longitude, both in
// range, for the conic projections: radians(longitude) - radians(cm) while
// the difference lies in [-180, 180), else the radians of the difference
// taken one turn round, as turned_difference takes it.
inline double longitude_from_meridian(double longitude, double cm) noexcept {
    const double dl = longitude - cm;
    if (-180 <= dl && dl < 180) return pymath::radians(longitude) - pymath::radians(cm);
    return pymath::radians(turned_difference(dl));
}

// A longitude computed back from a plane, brought into [-180, +180] by
// whole turns; one already in range (or not finite) comes back unchanged.
// The remainder is exact, so no rounding enters.
double wrapped_longitude(double longitude) noexcept;

// Circle longitude (longitude + 360) mod 360 with the interpreter's float
// modulo: [0, 360) for every longitude in range, 180 for both -180 and 180.
double circle360(double longitude) noexcept;

// 6-degree zone 1..60, numbered eastward from longitude 0; a longitude on a
// zone boundary belongs to the zone east of it.
long zone6(double longitude) noexcept;
// 3-degree zone 1..120, zone n centred on circle longitude 3n; [0, 1.5) is 1.
long zone3(double longitude) noexcept;

// Central meridian of 6-degree zone 1..60: 3.0 ... 177.0, -177.0 ... -3.0.
inline double zone6_meridian(long zone) noexcept {
    return (static_cast<double>(zone) - 0.5) * 6 - (zone <= 30 ? 0 : 360);
}
// Central meridian of 3-degree zone 1..120: 3 ... 180, -177 ... 0.
inline long zone3_meridian(long zone) noexcept { return zone * 3 - (zone <= 60 ? 0 : 360); }

// Central meridian of the 6-degree zone of a longitude in range, as
// Projection.centralMeridian(longitude=...) gives it.
inline double central_meridian6(double longitude) noexcept {
    return zone6_meridian(zone6(longitude));
}

}  // namespace orb::projection
