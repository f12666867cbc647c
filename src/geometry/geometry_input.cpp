// Shared helpers of the format converters (see geometry_input.h).
#include "geometry/geometry_input.h"

#include "frame/method.h"
#include "geometry/dict_walk.h"
#include "geometry/loads.h"
#include "geometry/messages.h"

namespace orb::geom {

void check_nesting(int depth, const char* message) {
    if (depth > kMaxNesting) raise_format(message, integer(kMaxNesting));
}

Ref geometry_dict(PyObject* cls, PyObject* value) {
    Ref geometry = as_dict(cls, value);
    require(geometry, Exact::Dict);
    return geometry;
}

}  // namespace orb::geom
