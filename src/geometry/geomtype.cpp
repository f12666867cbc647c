// Type names and their recognition.
#include "geometry/geomtype.h"

namespace orb::geom {
namespace {

constexpr const char* kNames[kTypeCount] = {
    "Point", "MultiPoint", "LineString", "MultiLineString",
    "Polygon", "MultiPolygon", "GeometryCollection",
};
constexpr const char* kWords[kTypeCount] = {
    "POINT", "MULTIPOINT", "LINESTRING", "MULTILINESTRING",
    "POLYGON", "MULTIPOLYGON", "GEOMETRYCOLLECTION",
};

}  // namespace

const char* type_name(Type t) { return kNames[static_cast<int>(t)]; }
const char* wkt_word(Type t) { return kWords[static_cast<int>(t)]; }

PyObject* type_text(Type t) {
    static PyObject* texts[kTypeCount] = {};
    PyObject*& s = texts[static_cast<int>(t)];
    if (!s) {
        s = PyUnicode_InternFromString(kNames[static_cast<int>(t)]);
        if (!s) throw PyError{};
    }
    return s;
}

Type type_of(PyObject* value, int count) {
    if (PyUnicode_CheckExact(value)) {
        for (int i = 0; i < count; ++i)
            if (PyUnicode_CompareWithASCIIString(value, kNames[i]) == 0) return static_cast<Type>(i);
        return Type::None;
    }
    // Any other object decides by its own __eq__, in the order of the names.
    for (int i = 0; i < count; ++i) {
        int eq = PyObject_RichCompareBool(value, type_text(static_cast<Type>(i)), Py_EQ);
        if (eq < 0) throw PyError{};
        if (eq) return static_cast<Type>(i);
    }
    return Type::None;
}

Ref class_name(PyObject* value) { return Ref::steal(PyType_GetName(Py_TYPE(value))); }

Ref new_geometry(PyObject* type, PyObject* key, PyObject* value) {
    Ref d = Ref::steal(PyDict_New());
    if (PyDict_SetItem(d, ORB_STR("type"), type) < 0 || PyDict_SetItem(d, key, value) < 0)
        throw PyError{};
    return d;
}

Type shapely_type(PyObject* value) {
    Ref name = class_name(value);
    for (int i = 0; i < kTypeCount; ++i)
        if (PyUnicode_CompareWithASCIIString(name, kNames[i]) == 0) return static_cast<Type>(i);
    return Type::None;
}

}  // namespace orb::geom
