// Zone numbers of the 6- and 3-degree projection zones, with the
// interpreter's float modulo and floor division, and the wrapping of
// longitudes computed back from a plane.
#include "projection/zones.h"

#include "frame/pymath.h"

#include <cmath>

namespace orb::projection {

double wrapped_longitude(double longitude) noexcept {
    if (!std::isfinite(longitude) || in_longitude_range(longitude)) return longitude;
    return std::remainder(longitude, 360.0);
}

double circle360(double longitude) noexcept { return pymath::mod(longitude + 360, 360); }

long zone6(double longitude) noexcept {
    return static_cast<long>(pymath::floordiv(circle360(longitude) + 6, 6));
}

long zone3(double longitude) noexcept {
    // The half zone is added as 0.5 x 3; zones are centred on multiples of 3.
    long zone = static_cast<long>(pymath::floordiv(circle360(longitude) + 0.5 * 3, 3));
    return zone < 1 ? 1 : zone;
}

}  // namespace orb::projection
