// The seven geometry type names and the tests that recognise them.
//
// A geometry dict's "type" is compared by the interpreter's equality, so a
// caller's object of any kind may name a type; a shapely geometry is
// recognised by the name of its class alone.  Writers and Topology include
// this header for the same names.
#pragma once

#include "frame/ref.h"

namespace orb::geom {

enum class Type : unsigned char {
    Point,
    MultiPoint,
    LineString,
    MultiLineString,
    Polygon,
    MultiPolygon,
    GeometryCollection,
    None,  // no name matched
};

constexpr int kTypeCount = 7;

// "Point", "MultiPoint", ... as C text, in the order of the enum.
const char* type_name(Type t);
// The same names as interned text objects (borrowed, immortal for the process).
PyObject* type_text(Type t);
// WKT keyword of the type: "POINT", "MULTIPOINT", ...
const char* wkt_word(Type t);

// The first of the first `count` names (in enum order) that `value` equals
// by the interpreter's equality; Type::None when none does.  Exact text is
// compared directly, any other object through its own __eq__.
Type type_of(PyObject* value, int count = kTypeCount - 1);

// The type whose name equals the `__name__` of the class of `value`
// (seven names: a shapely geometry), or Type::None.
Type shapely_type(PyObject* value);

// `__name__` of the class of `value`, for messages.
Ref class_name(PyObject* value);

// A new geometry dict {"type": type, key: value}, with "type" first; `key`
// is "coordinates", or "geometries" for a collection.
Ref new_geometry(PyObject* type, PyObject* key, PyObject* value);

}  // namespace orb::geom
