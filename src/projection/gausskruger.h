// Gauss-Kruger (transverse Mercator) projection by the classical power
// series in the longitude difference, with fixed series constants per
// coordinate system code.
//
// Notation: B latitude and l longitude difference (radians), t = tan B,
// eta2 = e22 cos^2 B, W = sqrt(1 - e12 sin^2 B), N = a / W the prime
// vertical radius.  x is the northing, y the easting, both in metres.
//
// Numeric core of Projection.gaussKruger, callable directly (Topology).
#pragma once

#include "projection/pymath.h"

namespace orb::projection {

// Series constants of one spheroid: first and second eccentricity squared
// and the coefficients of the meridian arc series
//   S(B) = a1 B - b1 sin 2B + c1 sin 4B - d1 sin 6B + e1 sin 8B - f1 sin 10B + g1 sin 12B,
// the arc from the equator being a (1 - e12) S(B).
struct GkSeries {
    double e12, e22;
    double a1, b1, c1, d1, e1, f1, g1;
};

// The constants of code 1954, 1980, 1984 or 2000; nullptr for another code.
const GkSeries* gk_series(long code) noexcept;

// Zone number carried by eastings projected about central meridian `cm`:
// floor(cm / 6) + 1 east of 0, floor((cm + 180) / 6) + 1 west of it, 0 for
// 0 itself (and for NaN).  An infinite meridian fails like math.floor.
double gk_zone_number(double cm, pymath::MathStatus& math) noexcept;

enum class GkStatus : unsigned char {
    Ok,
    Math,               // an arithmetic failure, in `math`
    InvalidX,           // x is NaN, or the footpoint iteration does not converge
    InvalidY,           // y is NaN or -inf, or carries no zone number and no meridian was given
    CentralMeridian,    // the central meridian is outside [-180, +180]; in `meridian`
};

struct GkForward {
    double easting;   // universal: zone x 1000000 + 500000 + natural easting
    double northing;
};

// Forward from a latitude in [-90, +90] and a longitude and central meridian
// in [-180, +180] (tested by the caller).  The longitude difference is taken
// into [-180, 180) first, so 180 and -180 give the same point.  `zone` is
// the zone number to prefix (gk_zone_number of the meridian).
GkForward gk_forward(const GkSeries& k, double a, double zone, double cm, double longitude,
                     double latitude, pymath::MathStatus& math) noexcept;

struct GkInverse {
    GkStatus status = GkStatus::Ok;
    pymath::MathStatus math;
    double zone = 0.0;          // zone number read from y (0 for none)
    double meridian = 0.0;      // the central meridian used (also on CentralMeridian)
    double longitude = 0.0;
    double latitude = 0.0;
};

// Footpoint iterations allowed.  Northings up to the length of the meridian
// need three or four; from about 1e12 m on, the stop threshold is finer than
// the spacing of doubles near the footpoint and the steps can alternate
// between neighbours for ever.
constexpr int kGkMaxSteps = 100;

// Inverse from northing x and easting y (universal, with the false easting
// only, or a natural easting of 0 or less).  Without `has_cm` the meridian
// comes from the zone number in y: zone x 6 - 3, or zone x 3 for a zone
// number above 30.
GkInverse gk_inverse(const GkSeries& k, double a, bool has_cm, double cm, double x,
                     double y) noexcept;

}  // namespace orb::projection
