// Lambert conformal conic on the spheroid: set-up, forward and inverse.
//
// phi1 and phi2 are the standard parallels in radians, es the squared
// eccentricity, m the parallel radius factor cos phi / sqrt(1 - es sin^2 phi)
// and t the isometric function tan(pi/4 - phi/2) / ((1 - e sin phi) /
// (1 + e sin phi))^(e/2).  Statements are split where two parts of one
// expression could fail, so the first failure reported is the first the
// written order meets.
#include "projection/lambert.h"

#include "projection/zones.h"

#include <cmath>

namespace orb::projection {

namespace pm = pymath;
using pm::kPi;

namespace {

constexpr double kFalseEasting = 0.0;
constexpr double kFalseNorthing = 0.0;

// Stop threshold (radians) and step limit of the latitude iteration: the
// iteration contracts by about e^2 per step, so it converges well within
// the limit and the last value is taken as it is.
constexpr double kPhiTolerance = 1e-09;
constexpr int kPhiMaxSteps = 10;

double calc_m(double phi, double es, pm::MathStatus& st) noexcept {
    const double s2 = pm::pow(pm::sin(phi, st), 2, st);
    return pm::div(pm::cos(phi, st), pm::sqrt(1 - es * s2, st), st);
}

double calc_t(double phi, double e, pm::MathStatus& st) noexcept {
    const double esinphi = e * pm::sin(phi, st);
    const double num = pm::tan(kPi / 4 - phi / 2, st);
    return pm::div(num, pm::pow(pm::div(1 - esinphi, 1 + esinphi, st), e / 2, st), st);
}

double calc_r(double a, double F, double t, double n, pm::MathStatus& st) noexcept {
    return a * F * pm::pow(t, n, st);
}

double calc_phi(double t_i, double e, double phi, pm::MathStatus& st) noexcept {
    const double esinphi = e * pm::sin(phi, st);
    const double p = pm::pow(pm::div(1 - esinphi, 1 + esinphi, st), e / 2, st);
    return kPi / 2 - 2 * pm::atan(t_i * p, st);
}

// The latitude whose isometric function is t_i, by fixed-point iteration.
double solve_phi(double t_i, double e, double init, pm::MathStatus& st) noexcept {
    double phi = init;
    double newphi = calc_phi(t_i, e, phi, st);
    for (int i = 0; std::fabs(newphi - phi) > kPhiTolerance && i < kPhiMaxSteps; ++i) {
        phi = newphi;
        newphi = calc_phi(t_i, e, phi, st);
    }
    return newphi;
}

}  // namespace

LambertCone lambert_cone(double semi_major, double f, double cm, double origin_latitude,
                         double parallel1, double parallel2, pm::MathStatus& st) noexcept {
    const double a = semi_major / kLambertUnit;
    const double rad = kPi / 180;
    const double phi1 = parallel1 * rad;
    const double phi2 = parallel2 * rad;
    const double es = 2 * f - f * f;
    const double e = pm::sqrt(es, st);
    const double m1 = calc_m(phi1, es, st);
    const double m2 = calc_m(phi2, es, st);
    const double tF = calc_t(pm::radians(origin_latitude), e, st);
    const double t1 = calc_t(phi1, e, st);
    const double t2 = calc_t(phi2, e, st);
    double n;
    if (parallel1 == parallel2) {
        // One standard parallel: the two-parallel quotient would be 0 / 0.
        n = pm::sin(phi1, st);
    } else {
        const double lm = pm::log(pm::div(m1, m2, st), st);
        const double lt = pm::log(pm::div(t1, t2, st), st);
        n = pm::div(lm, lt, st);
    }
    const double F = pm::div(m1, n * pm::pow(t1, n, st), st);
    const double rF = calc_r(a, F, tF, n, st);
    return {a, cm, e, n, F, rF};
}

PlanePoint lambert_forward(const LambertCone& k, double longitude, double latitude,
                           pm::MathStatus& st) noexcept {
    const double t = calc_t(pm::radians(latitude), k.e, st);
    const double r = calc_r(k.a, k.F, t, k.n, st);
    const double theta = k.n * longitude_from_meridian(longitude, k.cm);
    return {kFalseEasting + r * pm::sin(theta, st), kFalseNorthing + k.rF - r * pm::cos(theta, st)};
}

PlanePoint lambert_inverse(const LambertCone& k, double x, double y, pm::MathStatus& st) noexcept {
    const double s = k.n > 0 ? 1.0 : -1.0;
    const double dx = x - kFalseEasting;
    const double dy = k.rF - (y - kFalseNorthing);
    // The two-argument arc tangent with the sign of n keeps points more
    // than 90 / n degrees from the central meridian on their own side, and
    // the apex (dx = dy = 0) maps to the pole instead of dividing by zero.
    const double theta_i = pm::atan2(s * dx, s * dy);
    const double r_i = s * pm::sqrt(dx * dx + dy * dy, st);
    const double t_i = pm::pow(pm::div(r_i, k.a * k.F, st), pm::div(1.0, k.n, st), st);
    const double longitude =
        wrapped_longitude(pm::degrees(pm::div(theta_i, k.n, st) + pm::radians(k.cm)));
    const double latitude = pm::degrees(solve_phi(t_i, k.e, 0.0, st));
    return {longitude, latitude};
}

}  // namespace orb::projection
