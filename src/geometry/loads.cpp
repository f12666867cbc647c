// Geometry.loads: dispatch, dict inputs, typing by nesting depth, and the
// normalisation of coordinate lists in place.
#include "geometry/loads.h"

#include "geometry/messages.h"
#include "geometry/text_read.h"
#include "geometry/vertex.h"

namespace orb::geom {

Code::Code(PyObject* code) : code_(code), known_(kAsk) {
    if (code == Py_None) {
        known_ = kNoMatch;
    } else if (PyBool_Check(code)) {
        known_ = code == Py_True ? 1 : 0;
    } else if (PyLong_CheckExact(code)) {
        int overflow = 0;
        long v = PyLong_AsLongAndOverflow(code, &overflow);
        known_ = (!overflow && v >= -1 && v <= 2) ? static_cast<int>(v) : kNoMatch;
    } else if (PyFloat_CheckExact(code)) {
        double v = PyFloat_AS_DOUBLE(code);
        known_ = kNoMatch;
        for (int k = -1; k <= 2; ++k)
            if (v == k) known_ = k;
    }
}

bool Code::equals(int k) const {
    if (known_ != kAsk) return known_ == k;
    Ref value = integer(k);
    int eq = PyObject_RichCompareBool(code_, value, Py_EQ);
    if (eq < 0) throw PyError{};
    return eq != 0;
}

Ref formatted(const char* message, PyObject* value) {
    return call_method(text(message), ORB_STR("format"), {value});
}

void raise_format(const char* message, PyObject* value) {
    PyErr_SetObject(PyExc_Exception, formatted(message, value));
    throw PyError{};
}

Ref load_again(PyObject* cls, PyObject* value) { return call_method(cls, ORB_STR("loads"), {value}); }

namespace {

// item 0 of a list whose type is exactly list (IndexError when empty).
Ref first_item(PyObject* list) {
    PyObject* o = PyList_GetItem(list, 0);
    if (!o) throw PyError{};
    return Ref::borrow(o);
}

// The type of an untyped coordinate list from the depth of its first items
// and the code; only items whose type is exactly list count as a level.
Type type_by_depth(PyObject* list, const Code& code) {
    Ref item = first_item(list);
    if (!PyList_CheckExact(item)) {  // depth 1
        if (PyList_GET_SIZE(list) < 2) raise(PyExc_Exception, msg::kDimension);
        if (!code.is_none() && !code.equals(-1) && !code.equals(0))
            raise_format(msg::kCode01, code.object());
        return Type::Point;
    }
    item = first_item(item);
    if (!PyList_CheckExact(item)) {  // depth 2
        if (code.equals(0)) return Type::MultiPoint;
        if (code.equals(1) || code.equals(-1)) return Type::LineString;
        raise_format(msg::kCode012, code.object());
    }
    item = first_item(item);
    if (!PyList_CheckExact(item)) {  // depth 3
        if (code.equals(1)) return Type::MultiLineString;
        if (code.equals(2) || code.equals(-1)) return Type::Polygon;
        raise_format(msg::kCode12Poly, code.object());
    }
    item = first_item(item);
    if (!PyList_CheckExact(item)) return Type::MultiPolygon;  // depth 4, code tested later
    raise(PyExc_Exception, msg::kInvalidCoordinates);
}

// A line or ring: removal, the vertex count, closing for rings, then the
// vertex test of each vertex.
void normalise_line(PyObject* line, bool ring) {
    remove_repeats(line);
    Py_ssize_t n = length(line);
    if (ring) {
        if (n < 3) raise(PyExc_Exception, msg::kRingVertices);
        close_ring(line);
    } else if (n < 2) {
        raise(PyExc_Exception, msg::kLineVertices);
    }
    for_each_item(line, check_vertex);
}

Ref normalise_as(Type t, PyObject* type, PyObject* list, const Code& code) {
    switch (t) {
        case Type::Point:
            if (!code.allows(-1, 0)) raise_format(msg::kCode01, code.object());
            // A typed GeoJSON object without coordinates has nothing to convert.
            if (list == Py_None) raise(PyExc_Exception, msg::kNotFound);
            if (!PyList_CheckExact(list))
                raisef(PyExc_TypeError,
                       "Argument 'vertex' has incorrect type (expected list, got %.200s)",
                       Py_TYPE(list)->tp_name);
            set_point(list);
            if (PyList_GET_SIZE(list) < 2) raise(PyExc_Exception, msg::kDimension);
            break;
        case Type::MultiPoint:
            if (!code.allows(-1, 0)) raise_format(msg::kCode01, code.object());
            for_each_item(list, check_vertex);
            break;
        case Type::LineString:
            if (!code.allows(-1, 1)) raise_format(msg::kCode1, code.object());
            normalise_line(list, false);
            break;
        case Type::MultiLineString:
            if (!code.allows(-1, 1)) raise_format(msg::kCode1, code.object());
            for_each_item(list, [](PyObject* line) { normalise_line(line, false); });
            break;
        case Type::Polygon:
            if (!code.allows(-1, 2)) raise_format(msg::kCode2, code.object());
            for_each_item(list, [](PyObject* ring) { normalise_line(ring, true); });
            break;
        case Type::MultiPolygon:
            if (!code.allows(-1, 2)) raise_format(msg::kCode2, code.object());
            for_each_item(list, [](PyObject* polygon) {
                if (!PyList_CheckExact(polygon)) raise(PyExc_Exception, msg::kShouldBeList);
                for_each_item(polygon, [](PyObject* ring) {
                    if (!PyList_CheckExact(ring)) raise(PyExc_Exception, msg::kShouldBeList);
                    normalise_line(ring, true);
                });
            });
            break;
        default:
            raise(PyExc_Exception, msg::kInvalidParameter);
    }
    return new_geometry(type, ORB_STR("coordinates"), list);
}

Ref load_dict(PyObject* cls, PyObject* d, const Code& code) {
    Ref list = Ref::borrow(PyDict_GetItemWithError(d, ORB_STR("coordinates")));
    if (list) {
        if (!PyList_CheckExact(list)) raise(PyExc_Exception, msg::kShouldBeList);
        Ref type = Ref::borrow(PyDict_GetItemWithError(d, ORB_STR("type")));
        check_error();
        if (!type || type.get() == Py_None) {
            Type t = type_by_depth(list, code);
            return normalise_as(t, type_text(t), list, code);
        }
        return normalise(type, list, code);
    }
    check_error();
    Ref members = Ref::borrow(PyDict_GetItemWithError(d, ORB_STR("geometries")));
    if (!members) {
        check_error();
        raise(PyExc_Exception, msg::kNotFound);
    }
    if (!PyList_Check(members)) raise(PyExc_Exception, msg::kShouldBeList);
    Ref loaded = Ref::steal(PyList_New(0));
    for_each_item(members, [&](PyObject* member) {
        if (!PyDict_Check(member)) raise(PyExc_Exception, msg::kShouldBeDict);
        if (PyList_Append(loaded, load_again(cls, member)) < 0) throw PyError{};
    });
    return new_geometry(type_text(Type::GeometryCollection), ORB_STR("geometries"), loaded);
}

}  // namespace

Ref normalise(PyObject* type, PyObject* list, const Code& code) {
    return normalise_as(type_of(type), type, list, code);
}

Ref loads(Args a) {
    PyObject* cls = a[0];
    PyObject* value = a[1];
    const Code code(a[2]);
    if (PyDict_CheckExact(value)) return load_dict(cls, value, code);
    if (PyList_CheckExact(value)) {
        Type t = type_by_depth(value, code);
        return normalise_as(t, type_text(t), value, code);
    }
    if (PyUnicode_CheckExact(value)) return read_text(cls, value, code);
    if (shapely_type(value) == Type::None) raise_format(msg::kNotValidType, class_name(value));
    Ref converted = call_method(cls, ORB_STR("fromShapely"), {value});
    return load_again(cls, converted);
}

}  // namespace orb::geom
