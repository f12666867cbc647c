// Out-of-line pieces of the interpreter-equivalent math functions.
#include "projection/pymath.h"

namespace orb::pymath {

double pow(double b, double p, MathStatus& st) noexcept {
    double r = std::pow(b, p);
    if (std::isfinite(b) && std::isfinite(p) && !std::isfinite(r)) {
        if (std::isnan(r) || b == 0.0)
            st.fail(MathError::Domain);
        else
            st.fail(MathError::Range);
    }
    return r;
}

}  // namespace orb::pymath
