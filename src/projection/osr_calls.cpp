// Calls into GDAL's spatial reference bindings, one wrapper per kind of call.
#include "projection/osr_calls.h"

#include "projection/reference_guard.h"

namespace orb::osr_calls {

void use_exceptions(PyObject* osr) { call_method(osr, ORB_STR("UseExceptions"), {}); }

Ref reference(PyObject* osr, PyObject* value, PyObject* name) {
    if (PyUnicode_Check(value)) reference_guard::check_text(value, name);
    Ref srs = call_method(osr, ORB_STR("SpatialReference"), {});
    if (PyLong_CheckExact(value)) {
        // An EPSG code is read from GDAL's own database.
        call_method(srs, ORB_STR("ImportFromEPSG"), {value});
    } else {
        call_method(srs, ORB_STR("SetFromUserInput"), {value});
        // Exporting reads nothing: PROJ writes the object it holds.
        reference_guard::check_parsed(call_method(srs, ORB_STR("ExportToPROJJSON"), {}), name);
    }
    Ref traditional = getattr(osr, ORB_STR("OAMS_TRADITIONAL_GIS_ORDER"));
    call_method(srs, ORB_STR("SetAxisMappingStrategy"), {traditional});
    return srs;
}

Ref esri_wkt(PyObject* srs) {
    // MorphToESRI rewrites in place, so it works on a clone: the reference
    // itself keeps its own form for the transformation.
    Ref copy = call_method(srs, ORB_STR("Clone"), {});
    call_method(copy, ORB_STR("MorphToESRI"), {});
    return call_method(copy, ORB_STR("ExportToWkt"), {});
}

bool is_same(PyObject* srs, PyObject* other) {
    Ref same = call_method(srs, ORB_STR("IsSame"), {other});
    int t = PyObject_IsTrue(same);
    if (t < 0) throw PyError{};
    return t != 0;
}

Ref transformation(PyObject* osr, PyObject* source, PyObject* target) {
    Ref make = getattr(osr, ORB_STR("CoordinateTransformation"));
    return call(make, {source, target});
}

Ref transform_point(PyObject* transformer, PyObject* const* values, size_t n) {
    // The values go as separate arguments, not as one list: the installed
    // bindings refuse every list (their double[3] and double[4] overloads
    // never match, "Wrong number or type of arguments"), while the scalar
    // overloads take the same x, y, z, t and return the same tuple.
    constexpr size_t kMaxValues = 4;
    PyObject* stack[1 + kMaxValues];
    stack[0] = transformer;
    for (size_t i = 0; i < n && i < kMaxValues; ++i) stack[1 + i] = values[i];
    const size_t count = n < kMaxValues ? n : kMaxValues;
    return Ref::steal(PyObject_VectorcallMethod(ORB_STR("TransformPoint"), stack, 1 + count,
                                                nullptr));
}

}  // namespace orb::osr_calls
