// Geodesic distance on a spheroid: Vincenty's inverse iteration, with
// Karney's inverse method (PROJ's geodesic API) where the iteration fails.
//
// Notation: a semi-major axis (metres), f flattening, b = a (1 - f); U
// reduced latitude, L longitude difference on the sphere of reduced
// latitudes, lambda its value on the auxiliary sphere, sigma the arc
// between the points there, alpha the azimuth of the geodesic at the
// equator.  Angles in decimal degrees at the interface, radians inside.
#pragma once

namespace orb::topology {

// Passes of Vincenty's iteration: at most 19 (the counter starts at 20 and
// is lowered before each pass).
constexpr int kVincentyCounter = 20;
// Convergence: successive lambda values within this many radians.
constexpr double kVincentyTolerance = 1e-12;
// sin(sigma) below this: the points coincide (cos(sigma) > 0) or are
// antipodal (cos(sigma) <= 0), where the azimuth is undefined.
constexpr double kCoincident = 1e-15;

struct GeodesicDistance {
    double s12;     // metres
    bool vincenty;  // false when Karney's method gave it
};

// Distance between two points with latitudes in [-90, +90] (tested by the
// caller) and finite longitudes.  Vincenty's iteration as the module has
// always computed it; where it does not converge in its passes, or the
// points are antipodal, Karney's inverse method, which converges
// everywhere.
GeodesicDistance geodesic_distance(double a, double f, double lon1, double lat1, double lon2,
                                   double lat2) noexcept;

// Karney's inverse method alone (PROJ's geod_inverse), metres.
double karney_distance(double a, double f, double lon1, double lat1, double lon2,
                       double lat2) noexcept;

}  // namespace orb::topology
