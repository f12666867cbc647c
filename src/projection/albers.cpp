// Spherical Albers equal-area conic: set-up, forward and inverse.
#include "projection/albers.h"

#include "projection/zones.h"

namespace orb::projection {

namespace pm = pymath;
using pm::kPi;

AlbersCone albers_cone(double a, double cm, double origin_latitude, double parallel1,
                       double parallel2, pm::MathStatus& st) noexcept {
    const double rad = kPi / 180;
    const double phi1 = parallel1 * rad;
    const double phi2 = parallel2 * rad;
    const double n = 0.5 * (pm::sin(phi1, st) + pm::sin(phi2, st));
    const double c = pm::pow(pm::cos(phi1, st), 2, st) + 2 * n * pm::sin(phi1, st);
    const double ro0 =
        pm::div(pm::sqrt(c - 2 * n * pm::sin(pm::radians(origin_latitude), st), st), n, st);
    return {a, cm, n, c, ro0};
}

PlanePoint albers_forward(const AlbersCone& k, double longitude, double latitude,
                          pm::MathStatus& st) noexcept {
    const double cita = k.n * longitude_from_meridian(longitude, k.cm);
    const double ro = pm::div(pm::sqrt(k.c - 2 * k.n * pm::sin(pm::radians(latitude), st), st),
                              k.n, st);
    return {ro * pm::sin(cita, st) * k.a, (k.ro0 - ro * pm::cos(cita, st)) * k.a};
}

PlanePoint albers_inverse(const AlbersCone& k, double x, double y, pm::MathStatus& st) noexcept {
    // The table's axis may be any number: 0 fails as float division does.
    const double xp = pm::div(x, k.a, st);
    const double yp = pm::div(y, k.a, st);
    // For a cone opening to the south (n < 0) the radii are negative: both
    // arguments of the arc tangent take the sign of n, or the longitude
    // comes back off by pi / n.  With n > 0 the factor is 1 and changes
    // nothing.
    const double s = k.n > 0 ? 1.0 : -1.0;
    const double longitude = wrapped_longitude(
        pm::degrees(pm::radians(k.cm) + pm::div(pm::atan2(s * xp, s * (k.ro0 - yp)), k.n, st)));
    const double rho = pm::sqrt(xp * xp + (k.ro0 - yp) * (k.ro0 - yp), st);
    const double latitude = pm::degrees(
        pm::asin(pm::div(k.c - pm::pow(rho, 2, st) * k.n * k.n, 2 * k.n, st), st));
    return {longitude, latitude};
}

}  // namespace orb::projection
