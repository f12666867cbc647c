// The celestial formulas on doubles: a simplified ephemeris of the sun and
// the moon, without nutation, aberration or refraction (refraction is added
// for the moon only), angles in radians and never reduced to one turn.
//
// Notation: d day number (days since 2000-01-01 12:00 UTC), lw longitude
// west positive, phi latitude, H hour angle, dec declination, l and b
// ecliptic longitude and latitude, M mean anomaly.  `rad` is degrees to
// radians and `alfa` the obliquity, both as the class holds them.  Each
// expression keeps the order in which it is written, which fixes the last
// digit of every result.
#pragma once

#include "astronomy/checked_math.h"

namespace astro {

// math.pi
using orb::pymath::kPi;

inline double solar_mean_anomaly(double rad, double d) { return rad * (357.5291 + 0.98560028 * d); }

inline double ecliptic_longitude(double rad, double M) {
    // equation of centre, then the perihelion of the earth
    double C = rad * (1.9148 * checked::sin(M) + 0.02 * checked::sin(2 * M) +
                      0.0003 * checked::sin(3 * M));
    double P = rad * 102.9372;
    return M + C + P + kPi;
}

inline double right_ascension(double alfa, double l, double b) {
    return checked::atan2(
        checked::sin(l) * checked::cos(alfa) - checked::tan(b) * checked::sin(alfa),
        checked::cos(l));
}

inline double declination(double alfa, double l, double b) {
    return checked::asin(checked::sin(b) * checked::cos(alfa) +
                         checked::cos(b) * checked::sin(alfa) * checked::sin(l));
}

inline double sidereal_time(double rad, double d, double lw) {
    return rad * (280.16 + 360.9856235 * d) - lw;
}

// From the south point, positive toward the west, in [-pi, pi].
inline double azimuth(double H, double phi, double dec) {
    return checked::atan2(checked::sin(H), checked::cos(H) * checked::sin(phi) -
                                               checked::tan(dec) * checked::cos(phi));
}

inline double altitude(double H, double phi, double dec) {
    return checked::asin(checked::sin(phi) * checked::sin(dec) +
                         checked::cos(phi) * checked::cos(dec) * checked::cos(H));
}

// The moon's mean elements and its ecliptic position for a day number.
struct MoonEcliptic {
    double l, b, dist;  // radians, radians, kilometres
};

inline MoonEcliptic moon_ecliptic(double rad, double d) {
    double L = rad * (218.316 + 13.176396 * d);  // mean longitude
    double M = rad * (134.963 + 13.064993 * d);  // mean anomaly
    double F = rad * (93.272 + 13.22935 * d);    // mean distance from the node
    double l = L + (rad * 6.289) * checked::sin(M);
    double b = (rad * 5.128) * checked::sin(F);
    double dist = 385001 - 20905 * checked::cos(M);
    return {l, b, dist};
}

// Atmospheric refraction to add to a geometric altitude; altitudes below
// the horizon get that of the horizon.  The inner divisor is at least
// 0.08901179, and the tangent's argument stays inside (0, pi).
inline double astro_refraction(double h) {
    if (h < 0) h = 0;
    return 0.0002967 / checked::tan(h + 0.00312536 / (h + 0.08901179));
}

}  // namespace astro
