// Geostationary satellite look angles by plane trigonometry in the
// observer's meridian plane and the equatorial plane.
//
// Points: O the spheroid's centre; E the point of the meridian ellipse seen
// from O at the latitude; G and T where the normal and the tangent at E
// meet the equatorial plane; P the observer, `elevation` beyond E on the
// normal; S the satellite.  Quantity names spell the points: `og` is O-G,
// `anglePgs` the angle P-G-S.
//
// The construction is made for a northern observer; a southern one is its
// mirror image in the equatorial plane, so it is worked at the absolute
// latitude and its azimuth mirrored about the east-west line.  The side of
// the meridian on which the satellite lies is taken from the longitude
// difference folded into (-180, 180] degrees.
#include "astronomy/satellite.h"

#include "astronomy/celestial.h"
#include "astronomy/observer.h"
#include "astronomy/sky.h"
#include "frame/pymath.h"

#include <cmath>

namespace astro {
namespace {

constexpr double kA = 6378137.0;             // WGS 84 semi-major axis, m
constexpr double kB = 6356752.314245179;     // WGS 84 semi-minor axis, m
constexpr double kHeight = 42145059.0;       // geostationary orbit radius from O, m
constexpr double kBA = 0.9966471893352525;   // b / a rounded to double
constexpr double kAB = 1.0033640898209764;   // a / b rounded to double

// Latitudes closer to the equator than this (degrees) are worked as the
// equator itself.  Nearer than that the construction cancels: for an observer
// at 100 E and a satellite at 140 E its distance is 170 m off at 1e-10, 14 km
// at 1e-12, 1,500 km at 1e-14, and at 1e-16 it puts the satellite on the
// wrong side, while the equator's own values are off by less than 1e-6 m.
constexpr double kEquatorBand = 1e-9;

using checked::acos;
using checked::asin;
using checked::atan2;
using checked::cos;
using checked::pow;
using checked::sin;
using checked::sqrt;
using checked::tan;

// acos of a cosine that rounding may carry just past +-1.
double acos_clamped(double x) {
    if (x > 1) x = 1;
    if (x < -1) x = -1;
    return acos(x);
}

}  // namespace

LookAngles look_angles(double rad, double longitude, double latitude, double elevation,
                       double satelliteLongitude) {
    const bool south = latitude < 0;
    const double longitudeRad = rad * longitude;
    const double latitudeRad =
        std::fabs(latitude) < kEquatorBand ? 0.0 : rad * (south ? -latitude : latitude);
    const double satelliteLongitudeRad = rad * satelliteLongitude;
    const double phi = latitudeRad;
    const double h = kHeight;
    const double cosDelta = cos(longitudeRad - satelliteLongitudeRad);

    const double r = 1 / sqrt(pow(cos(phi) / kA, 2) + pow(sin(phi) / kB, 2));
    // 1 / sin of the angle E-G-T; infinite on the equator, where the
    // squared tangent is 0.
    const bool equator = phi == 0.0;
    const double sinEgt1 = sqrt(1 + pow(kBA, 4) / pow(tan(phi), 2));
    double eg, og;
    if (equator) {
        eg = kA;
        og = 0;
    } else {
        eg = r * sin(phi) * sinEgt1;
        og = r * cos(phi + atan2(pow(kBA, 2), tan(phi))) * sinEgt1;
    }
    const double et = eg * tan(phi) * pow(kAB, 2);
    const double gt = eg / sin(atan2(pow(kBA, 2), tan(phi)));
    const double gs = sqrt(pow(og, 2) + pow(h, 2) - 2 * og * h * cosDelta);

    // Angle between G->E and G->S from their dot product.
    const double dividend = r * h * cos(phi) * cosDelta - r * og * cos(phi) - og * h * cosDelta +
                            og * og;
    const double divisor = sqrt((pow(h, 2) + og * og - 2 * og * h * cosDelta) *
                                (r * r + og * og - 2 * r * og * cos(phi)));
    const double anglePgs = acos_clamped(dividend / divisor);

    const double gp = eg + elevation;
    const double ps = sqrt(pow(gp, 2) + gs * gs - 2 * gs * gp * cos(anglePgs));
    const double delta = asin(gp * sin(anglePgs) / ps);
    const double slope = kPi / 2 - anglePgs - delta;

    double angleOgs = kPi;
    if (og != 0) {
        const double q = (og * og + gs * gs - pow(h, 2)) / (2 * og * gs);
        if (q >= -1 && q <= 1) angleOgs = acos(q);
    }

    // Positive: the satellite lies west of the observer.
    double number = longitudeRad - satelliteLongitudeRad;
    if (number > kPi) number -= 2 * kPi;
    if (number <= -kPi) number += 2 * kPi;
    const int sign = number > 0 ? 1 : number < 0 ? -1 : 0;
    double azimuth;
    if (equator) {
        // On the equator `et` is 0 and the atan2 below has lost its angle.
        // Take its limit as the latitude goes to 0: `et` tends to 0 from
        // above, `gt` to b^2/a and G to the point a - b^2/a from O towards
        // the observer, so gt * tan(pi - angleOgs) keeps the sign of
        // h cos(delta) - (a - b^2/a) and the atan2 tends to +-pi/2: due east
        // or west, reversed for a satellite beyond the east-west line
        // through that point (below the horizon), as just off the equator.
        const double ogLimit = kA - kA * pow(kBA, 2);
        const double side = h * cosDelta >= ogLimit ? 1 : -1;
        azimuth = kPi + sign * side * (kPi / 2);
    } else {
        azimuth = kPi + sign * atan2(gt * tan(kPi - angleOgs), et);
    }

    double azimuthDeg = azimuth / rad;
    if (south) azimuthDeg = orb::pymath::mod(180 - azimuthDeg, 360);
    return {azimuthDeg, slope / rad, ps / 1000};
}

Ref geostationary_satellite_body(orb::Args a) {
    return guarded([&] {
        const double longitude = a.num(1), latitude = a.num(2), elevation = a.num(3);
        const double satelliteLongitude = a.num(4);
        check_longitude(longitude);
        check_latitude(latitude);
        check_elevation(elevation);
        check_satellite_longitude(satelliteLongitude);
        const double rad = orb::as_float(orb::getattr(a[0], ORB_STR("_rad")));
        const LookAngles look = look_angles(rad, longitude, latitude, elevation, satelliteLongitude);

        Ref result = Ref::steal(PyDict_New());
        put(result, ORB_STR("Body"), ORB_STR("Geostationary Satellite"));
        put(result, ORB_STR("Location"), location(longitude, latitude, elevation));
        put(result, ORB_STR("Satellite Longitude"), orb::number(satelliteLongitude));
        put(result, ORB_STR("Azimuth"), orb::number(look.azimuth));
        put(result, ORB_STR("Altitude"), orb::number(look.altitude));
        put(result, ORB_STR("Distance"), orb::number(look.distance));
        return result;
    });
}

}  // namespace astro
