// Shared helpers of the format converters (see geometry_input.h).
#include "geometry/geometry_input.h"

namespace geometry {

void check_nesting(int depth) {
    if (depth > kMaxNesting)
        orb::raisef(PyExc_Exception,
                    "Invalid [geometry] parameter. Collections are nested more than %d deep.",
                    kMaxNesting);
}

void require_exact(PyObject* value, PyTypeObject* type, const char* name) {
    if (Py_TYPE(value) != type)
        orb::raisef(PyExc_TypeError, "Expected %s, got %.200s", name, Py_TYPE(value)->tp_name);
}

orb::Ref geometry_dict(PyObject* cls, PyObject* value) {
    if (PyDict_CheckExact(value)) return orb::Ref::borrow(value);
    orb::Ref loaded = orb::call_method(cls, ORB_STR("loads"), {value});
    require_exact(loaded, &PyDict_Type, "dict");
    return loaded;
}

}  // namespace geometry
