// Vincenty's inverse formula (1975) as the module's length measure states
// it, with Karney's method from PROJ's geodesic API as the fallback.
#include "topology/geodesic.h"

#include "frame/pymath.h"

#include <geodesic.h>

#include <algorithm>
#include <cmath>

namespace orb::topology {

using pymath::radians;

double karney_distance(double a, double f, double lon1, double lat1, double lon2,
                       double lat2) noexcept {
    geod_geodesic g;
    geod_init(&g, a, f);
    double s12 = 0.0;
    geod_inverse(&g, lat1, lon1, lat2, lon2, &s12, nullptr, nullptr);
    return s12;
}

GeodesicDistance geodesic_distance(double a, double f, double lon1, double lat1, double lon2,
                                   double lat2) noexcept {
    const double b = a * (1 - f);
    const double lambda1 = radians(lon1), phi1 = radians(lat1);
    const double lambda2 = radians(lon2), phi2 = radians(lat2);
    const double U1 = std::atan((1 - f) * std::tan(phi1));
    const double U2 = std::atan((1 - f) * std::tan(phi2));
    const double sinU1 = std::sin(U1), cosU1 = std::cos(U1);
    const double sinU2 = std::sin(U2), cosU2 = std::cos(U2);
    // L is not brought into -pi .. pi: only its sine and cosine matter.
    const double L = lambda2 - lambda1;
    double lambda = L, lambda_prev = 0.0;
    double sinSigma = 0.0, cosSigma = 0.0, sigma = 0.0, cosSqAlpha = 0.0, cos2SigmaM = 0.0;
    int counter = kVincentyCounter;
    bool converged = false;
    while (--counter > 0) {
        const double sinLambda = std::sin(lambda), cosLambda = std::cos(lambda);
        // Each square written as a product of the same two factors.
        sinSigma = std::sqrt((cosU2 * sinLambda) * (cosU2 * sinLambda) +
                             (cosU1 * sinU2 - sinU1 * cosU2 * cosLambda) *
                                 (cosU1 * sinU2 - sinU1 * cosU2 * cosLambda));
        cosSigma = sinU1 * sinU2 + cosU1 * cosU2 * cosLambda;
        if (sinSigma < kCoincident) {
            if (cosSigma > 0) return {0.0, true};
            // Antipodal: the azimuth is undefined on the auxiliary sphere.
            return {karney_distance(a, f, lon1, lat1, lon2, lat2), false};
        }
        sigma = std::atan2(sinSigma, cosSigma);
        // Rounding can push the quotient a hair beyond +-1.
        const double sinAlphaArg = std::clamp(cosU1 * cosU2 * sinLambda / sinSigma, -1.0, 1.0);
        const double alpha = std::asin(sinAlphaArg);
        cosSqAlpha = std::cos(alpha) * std::cos(alpha);
        cos2SigmaM = cosSigma - 2 * sinU1 * sinU2 / cosSqAlpha;
        const double C = f / 16 * cosSqAlpha * (4 + f * (4 - 3 * cosSqAlpha));
        lambda_prev = lambda;
        lambda = L + (1 - C) * f * std::sin(alpha) *
                         (sigma + C * sinSigma *
                                      (cos2SigmaM + C * cosSigma * (-1 + 2 * cos2SigmaM * cos2SigmaM)));
        if (std::fabs(lambda - lambda_prev) <= kVincentyTolerance) {
            converged = true;
            break;
        }
    }
    if (!converged) return {karney_distance(a, f, lon1, lat1, lon2, lat2), false};
    const double uSq = cosSqAlpha * (a * a - b * b) / (b * b);
    const double A = 1 + uSq / 16384 * (4096 + uSq * (-768 + uSq * (320 - 175 * uSq)));
    const double B = uSq / 1024 * (256 + uSq * (-128 + uSq * (74 - 47 * uSq)));
    const double deltaSigma =
        B * sinSigma *
        (cos2SigmaM + B / 4 *
                          (cosSigma * (-1 + 2 * cos2SigmaM * cos2SigmaM) -
                           B / 6 * cos2SigmaM * (-3 + 4 * sinSigma * sinSigma) *
                               (-3 + 4 * cos2SigmaM * cos2SigmaM)));
    return {b * A * (sigma - deltaSigma), true};
}

}  // namespace orb::topology
