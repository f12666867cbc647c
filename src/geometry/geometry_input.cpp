// Shared helpers of the format converters (see geometry_input.h).
#include "geometry/geometry_input.h"

#include "frame/method.h"
#include "geometry/loads.h"
#include "geometry/messages.h"

namespace orb::geom {

void check_nesting(int depth) {
    if (depth > kMaxNesting)
        raise_format(msg::kNestedTooDeep, integer(kMaxNesting));
}

Ref geometry_dict(PyObject* cls, PyObject* value) {
    if (PyDict_CheckExact(value)) return Ref::borrow(value);
    Ref loaded = call_method(cls, ORB_STR("loads"), {value});
    require(loaded, Exact::Dict);
    return loaded;
}

}  // namespace orb::geom
