// Spherical Mercator, forward and inverse, as written: no clamping of the
// latitude and no special case at the equator or the poles.
#include "projection/webmercator.h"

namespace orb::projection {

namespace pm = pymath;
using pm::kPi;

PlanePoint web_mercator_forward(double a, double longitude, double latitude,
                                pm::MathStatus& st) noexcept {
    const double x = pm::radians(longitude) * a;
    // ln tan(pi/4 + phi/2), with the sum taken in degrees first: at the
    // equator this gives about -7.1e-10 m, tan(radians(90) / 2) being just
    // below 1.
    const double y = pm::log(pm::tan(pm::radians(90 + latitude) / 2, st), st) * a;
    return {x, y};
}

PlanePoint web_mercator_inverse(double a, double x, double y, pm::MathStatus& st) noexcept {
    // The table's axis may be any number: 0 fails as float division does.
    const double longitude = pm::degrees(pm::div(x, a, st));
    const double latitude =
        pm::degrees(2 * pm::atan(pm::exp(pm::div(y, a, st), st), st) - kPi / 2);
    return {longitude, latitude};
}

}  // namespace orb::projection
