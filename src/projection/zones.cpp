// Zone numbers of the 6- and 3-degree projection zones, with the
// interpreter's float modulo and floor division.
#include "projection/zones.h"

#include "frame/pynum.h"

namespace orb::projection {

double circle360(double longitude) noexcept { return py::mod(longitude + 360, 360); }

long zone6(double longitude) noexcept {
    return static_cast<long>(py::floordiv(circle360(longitude) + 6, 6));
}

long zone3(double longitude) noexcept {
    // The half zone is added as 0.5 x 3; zones are centred on multiples of 3.
    long zone = static_cast<long>(py::floordiv(circle360(longitude) + 0.5 * 3, 3));
    return zone < 1 ? 1 : zone;
}

}  // namespace orb::projection
