// Shared helpers of the format converters (see geometry_input.h).
#include "geometry/geometry_input.h"

#include "frame/method.h"

namespace geometry {

void check_nesting(int depth) {
    if (depth > kMaxNesting)
        orb::raisef(PyExc_Exception,
                    "Invalid [geometry] parameter. Collections are nested more than %d deep.",
                    kMaxNesting);
}

orb::Ref geometry_dict(PyObject* cls, PyObject* value) {
    if (PyDict_CheckExact(value)) return orb::Ref::borrow(value);
    orb::Ref loaded = orb::call_method(cls, ORB_STR("loads"), {value});
    orb::require(loaded, orb::Exact::Dict);
    return loaded;
}

}  // namespace geometry
