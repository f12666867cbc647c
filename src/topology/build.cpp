// Topology.build: type, label point, bounding box and size of a geometry.
//
// The label point is chosen by type: the point itself, the member of a
// multipoint nearest to its box centre, the point halfway along a line (the
// longest line of a multiline), the label point search of a polygon (the
// polygon of largest area of a multipolygon) and shapely's centroid of a
// collection.  Lines and polygons are measured in the plane by the class's
// own length() and area() with code 0, which clean the caller's lists in
// place; text and shapely geometries are loaded and summarised again.
#include "topology/build.h"

#include "geometry/geomtype.h"
#include "geometry/loads.h"
#include "topology/labelpoint.h"
#include "topology/number.h"
#include "topology/pyobjects.h"
#include "topology/vertices.h"

#include <cmath>
#include <limits>

namespace orb::topology {

namespace {

using geom::Type;

namespace msg {
constexpr const char* kNotList = "Invalid type in [coordinates] parameter. Should be [list]";
constexpr const char* kNotCollection = "Invalid type in [coordinates] parameter";
constexpr const char* kNoKey =
    "Invalid [coordinates] parameter. [\"coordinates/geometries\" not found]";
constexpr const char* kBadInput = "[{}] is not a valid type in [coordinates] parameter.";
constexpr const char* kBadType = "Geometric type [{}] not supported in [coordinates] parameters.";
constexpr const char* kBadPoint = "Invalid [coordinates: {}] parameter. [{}]";
constexpr const char* kBadMember = "Invalid [coordinates: {}] parameter.";
constexpr const char* kShortLine = "The number of valid coordinates must be > 1.";
}  // namespace msg

constexpr double kInf = std::numeric_limits<double>::infinity();

Ref xy_dict(PyObject* x, PyObject* y) { return make_dict({{ORB_STR("x"), x}, {ORB_STR("y"), y}}); }

Ref boundary_of(PyObject* west, PyObject* south, PyObject* east, PyObject* north) {
    return make_dict({{ORB_STR("west"), west},
                      {ORB_STR("south"), south},
                      {ORB_STR("east"), east},
                      {ORB_STR("north"), north}});
}

// The type of an untyped coordinate list by how deep lists nest at its
// start; nullptr for a list nested five deep.
PyObject* type_by_depth(PyObject* list) {
    static constexpr Type kByDepth[] = {Type::Point, Type::LineString, Type::Polygon,
                                        Type::MultiPolygon};
    Ref level = Ref::borrow(list);
    for (Type t : kByDepth) {
        level = item_at(level, 0);
        if (!PyList_CheckExact(level.get())) return geom::type_text(t);
    }
    return nullptr;
}

// Exception(message.format(a, b)) raised while `cause` is being handled.
[[noreturn]] void raise_chained(const char* message, PyObject* a, PyObject* b, PyObject* cause) {
    Ref text = call_method(orb::text(message), ORB_STR("format"), {a, b});
    Ref exc = call(PyExc_Exception, {text});
    PyException_SetContext(exc, Py_NewRef(cause));
    PyErr_SetRaisedException(exc.release());
    throw PyError{};
}

Ref summarise_point(PyObject* type, PyObject* list) {
    Ref values[2];
    try {
        Ref slice = Ref::steal(PySequence_GetSlice(list, 0, 2));
        Ref floats = Ref::steal(PyList_New(0));
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(slice.get()); ++i)
            append(floats, Ref::steal(PyNumber_Float(PyList_GET_ITEM(slice.get(), i))));
        // A short point is worded as the vertex pass of area and length
        // words a short vertex.
        unpack2(floats, values[0], values[1]);
    } catch (const PyError&) {
        if (!PyErr_ExceptionMatches(PyExc_Exception)) throw;
        Ref caught = Ref::steal(PyErr_GetRaisedException());
        Ref shown = Ref::steal(PyObject_Repr(list));
        Ref reason = Ref::steal(PyObject_Str(caught));
        raise_chained(msg::kBadPoint, shown, reason, caught);
    }
    Ref boundary = boundary_of(values[0], values[1], values[0], values[1]);
    return make_dict({{ORB_STR("type"), type},
                      {ORB_STR("centroid"), xy_dict(values[0], values[1])},
                      {ORB_STR("boundary"), boundary}});
}

Ref summarise_multipoint(PyObject* type, PyObject* list) {
    double minx = kInf, miny = kInf, maxx = -kInf, maxy = -kInf;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(list); ++i) {
        Ref xy = Ref::borrow(PyList_GET_ITEM(list, i));
        if (!PyList_Check(xy.get()) || PyObject_Size(xy) < 2) {
            check_error();
            geom::raise_format(msg::kBadMember, Ref::steal(PyObject_Repr(xy)));
        }
        double x, y;
        first_two_floats(xy, x, y);
        if (x < minx) minx = x;
        if (x > maxx) maxx = x;
        if (y < miny) miny = y;
        if (y > maxy) maxy = y;
    }
    const double center_x = 0.5 * (minx + maxx), center_y = 0.5 * (miny + maxy);
    Ref cx = none(), cy = none();
    double min_distance = kInf;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(list); ++i) {
        Ref xy = Ref::borrow(PyList_GET_ITEM(list, i));
        double x, y;
        first_two_floats(xy, x, y);
        const double distance = plane_distance(x - center_x, y - center_y);
        if (distance < min_distance) {
            min_distance = distance;
            cx = number(x);
            cy = number(y);
        }
    }
    Ref boundary = boundary_of(number(minx), number(miny), number(maxx), number(maxy));
    return make_dict({{ORB_STR("type"), type},
                      {ORB_STR("centroid"), xy_dict(cx, cy)},
                      {ORB_STR("boundary"), boundary}});
}

// The point at `half` along a line, walking its segments in the plane.  A
// line that has no segment to walk (length 0 or NaN) is labelled at its
// first vertex.
Ref halfway(PyObject* line, double half) {
    double distance = 0.0, pre_distance = 0.0;
    Py_ssize_t i = 1;
    while (i < PyObject_Size(line) && distance < half) {
        pre_distance = distance;
        double xi, yi, xj, yj;
        first_two_floats(item_at(line, i), xi, yi);
        first_two_floats(item_at(line, i - 1), xj, yj);
        // ((yj - yi) ** 2 + (xj - xi) ** 2) ** 0.5: the sum of two squares
        // is the same in either order.
        distance = distance + plane_distance(xj - xi, yj - yi);
        ++i;
    }
    check_error();
    double x0, y0, x1, y1;
    first_two_floats(item_at(line, i - 2), x0, y0);
    first_two_floats(item_at(line, i - 1), x1, y1);
    const double walked = distance - pre_distance;
    if (walked == 0.0) return xy_dict(number(x1), number(y1));
    const double scale = (half - pre_distance) / walked;
    return xy_dict(number(x0 + (x1 - x0) * scale), number(y0 + (y1 - y0) * scale));
}

Ref measure(PyObject* cls, const char* method, PyObject* coordinates) {
    Ref zero = integer(0);
    return call(getattr(cls, method), {}, {{"coordinates", coordinates}, {"crs", zero.get()}});
}

double half_of(PyObject* length) {
    Ref half = Ref::steal(PyNumber_Multiply(length, Ref::steal(PyFloat_FromDouble(0.5))));
    return to_double(half);
}

void require_segment(PyObject* line) {
    Py_ssize_t n = PyObject_Size(line);
    if (n < 0) throw PyError{};
    if (n < 2) raise(PyExc_Exception, msg::kShortLine);
}

Ref summarise_line(PyObject* cls, PyObject* type, PyObject* list) {
    Ref measured = measure(cls, "length", list);
    Ref length = get(measured, ORB_STR("length"));
    Ref boundary = get(measured, ORB_STR("boundary"));
    const double half = half_of(length);
    require_segment(list);
    Ref centroid = halfway(list, half);
    return make_dict({{ORB_STR("type"), type},
                      {ORB_STR("centroid"), centroid},
                      {ORB_STR("boundary"), boundary},
                      {ORB_STR("length"), length}});
}

// The box of a list of boundary dicts: smallest west and south, largest
// east and north, by the built-in min and max.
Ref joined_boundary(PyObject* boxes) {
    Ref sides[4];
    const char* names[4] = {"west", "south", "east", "north"};
    for (int k = 0; k < 4; ++k) {
        Ref values = Ref::steal(PyList_New(0));
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(boxes); ++i)
            append(values, get(PyList_GET_ITEM(boxes, i), text(names[k])));
        sides[k] = builtin_call(k < 2 ? "min" : "max", values);
    }
    return boundary_of(sides[0], sides[1], sides[2], sides[3]);
}

// Measures every member with `method`, gathering the boundary dicts and
// the (value, index) pairs of `key`.
Ref measure_all(PyObject* cls, const char* method, PyObject* list, Ref& boxes) {
    Ref results = Ref::steal(PyList_New(0));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(list); ++i)
        append(results, measure(cls, method, Ref::borrow(PyList_GET_ITEM(list, i))));
    boxes = Ref::steal(PyList_New(0));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(results.get()); ++i)
        append(boxes, get(PyList_GET_ITEM(results.get(), i), ORB_STR("boundary")));
    return results;
}

// [(result[key], index), ...] and sum(result[key] for each result).
Ref pairs_of(PyObject* results, PyObject* key, Ref& total) {
    Ref pairs = Ref::steal(PyList_New(0));
    Ref values = Ref::steal(PyList_New(0));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(results); ++i) {
        Ref v = get(PyList_GET_ITEM(results, i), key);
        append(values, v);
        append(pairs, Ref::steal(PyTuple_Pack(2, v.get(), integer(i).get())));
    }
    total = builtin_call("sum", values);
    return pairs;
}

Ref summarise_multiline(PyObject* cls, PyObject* type, PyObject* list) {
    Ref boxes;
    Ref results = measure_all(cls, "length", list, boxes);
    Ref boundary = joined_boundary(boxes);
    Ref total;
    Ref pairs = pairs_of(results, ORB_STR("length"), total);
    Ref longest[2];
    unpack(builtin_call("max", pairs), longest, 2);
    Ref line = get(list, longest[1]);
    require_segment(line);
    Ref centroid = halfway(line, half_of(longest[0]));
    return make_dict({{ORB_STR("type"), type},
                      {ORB_STR("centroid"), centroid},
                      {ORB_STR("boundary"), boundary},
                      {ORB_STR("length"), total}});
}

Ref summarise_polygon(PyObject* type, PyObject* list) {
    Ref polygon = make_dict({{ORB_STR("type"), type}, {ORB_STR("coordinates"), list}});
    Ref result = polygon_label(polygon);
    if (PyDict_SetItem(result, ORB_STR("type"), type) < 0) throw PyError{};
    return result;
}

Ref summarise_multipolygon(PyObject* cls, PyObject* type, PyObject* list) {
    Ref boxes;
    Ref results = measure_all(cls, "area", list, boxes);
    Ref boundary = joined_boundary(boxes);
    Ref area, perimeter;
    Ref areas = pairs_of(results, ORB_STR("area"), area);
    pairs_of(results, ORB_STR("perimeter"), perimeter);
    Ref largest[2];
    unpack(builtin_call("max", areas), largest, 2);
    Ref polygon = make_dict({{ORB_STR("type"), geom::type_text(Type::Polygon)},
                             {ORB_STR("coordinates"), get(list, largest[1])}});
    Ref centroid = get(polygon_label(polygon), ORB_STR("centroid"));
    return make_dict({{ORB_STR("type"), type},
                      {ORB_STR("centroid"), centroid},
                      {ORB_STR("boundary"), boundary},
                      {ORB_STR("perimeter"), perimeter},
                      {ORB_STR("area"), area}});
}

Ref summarise_collection(PyObject* cls, PyObject* type, PyObject* dict) {
    Ref shape = call_method(cls, ORB_STR("toShapely"), {dict, Py_None});
    Ref centroid = getattr(shape, "centroid");
    Ref bounds[4];
    unpack(getattr(shape, "bounds"), bounds, 4);
    Ref x = Ref::steal(PyNumber_Float(getattr(centroid, "x")));
    Ref y = Ref::steal(PyNumber_Float(getattr(centroid, "y")));
    return make_dict({{ORB_STR("type"), type},
                      {ORB_STR("centroid"), xy_dict(x, y)},
                      {ORB_STR("boundary"), boundary_of(bounds[0], bounds[1], bounds[2], bounds[3])}});
}

}  // namespace

Ref build(Args a) {
    PyObject* cls = a[0];
    PyObject* value = a[1];
    Ref list;
    Ref type = none();
    if (PyList_CheckExact(value)) {
        list = Ref::borrow(value);
    } else if (PyDict_CheckExact(value)) {
        if (has_key(value, ORB_STR("coordinates"))) {
            list = get(value, ORB_STR("coordinates"));
            if (!PyList_CheckExact(list.get())) raise(PyExc_Exception, msg::kNotList);
            if (has_key(value, ORB_STR("type"))) type = get(value, ORB_STR("type"));
        } else if (has_key(value, ORB_STR("geometries"))) {
            type = get(value, ORB_STR("type"));
            if (!is_collection(type)) raise(PyExc_Exception, msg::kNotCollection);
            return summarise_collection(cls, type, value);
        } else {
            raise(PyExc_Exception, msg::kNoKey);
        }
    } else if (PyUnicode_CheckExact(value)) {
        Ref loaded = call_method(cls, ORB_STR("loads"), {value});
        return call_method(cls, ORB_STR("build"), {loaded});
    } else {
        if (geom::shapely_type(value) == Type::None)
            geom::raise_format(msg::kBadInput, geom::class_name(value));
        Ref loaded = call_method(cls, ORB_STR("fromShapely"), {value});
        return call_method(cls, ORB_STR("build"), {loaded});
    }

    if (type.get() == Py_None) {
        PyObject* by_depth = type_by_depth(list);
        if (by_depth) type = Ref::borrow(by_depth);
    }
    switch (geom::type_of(type)) {
        case Type::Point: return summarise_point(type, list);
        case Type::MultiPoint: return summarise_multipoint(type, list);
        case Type::LineString: return summarise_line(cls, type, list);
        case Type::MultiLineString: return summarise_multiline(cls, type, list);
        case Type::Polygon: return summarise_polygon(type, list);
        case Type::MultiPolygon: return summarise_multipolygon(cls, type, list);
        default: geom::raise_format(msg::kBadType, type);
    }
}

}  // namespace orb::topology
