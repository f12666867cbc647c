// Spatial operations of Topology through shapely.  The geometry is
// shapely's; this layer converts the arguments in parameter order, prepares
// the first geometry of buffer, shortest and simplify in place, and applies
// the result rules: None for an empty overlay, a new list of the parts of a
// collection, a guard against NaN measures, and the one message of a failed
// Voronoi diagram.
//
// Options that shapely 2.1 no longer wants by position (buffer's styles,
// simplify's preserve_topology, union_all's grid_size and axis) are passed
// by keyword; the values are the same.
#include "topology/operations.h"

#include "topology/shapely_calls.h"

namespace orb::topology {

namespace {

// None when shapely's overlay is empty, else the overlay.
Ref none_if_empty(Ref result) {
    if (is_empty(result)) return none();
    return result;
}

// A new list of the members of `collection.geoms`, in order.
Ref parts(PyObject* collection) {
    Ref geoms = getattr(collection, ORB_STR("geoms"));
    return Ref::steal(PySequence_List(geoms));
}

// math.isnan / math.isinf of the interpreter, on whatever number shapely gave.
bool math_test(PyObject* name, PyObject* value) {
    Ref math = global(ORB_STR("math"));
    return truth(call(getattr(math, name), {value}));
}

// shapely.<name>(shapeA, shapeB) with neither geometry prepared.
Ref binary(Args a, PyObject* name) {
    Ref shape_a = to_shapely(a[0], a[1]);
    Ref shape_b = to_shapely(a[0], a[2]);
    return call(shapely_fn(name), {shape_a, shape_b});
}

// Every member of `geometries`, converted in order with `srid`, into a new
// list; an empty member stands as None.  The first member that cannot be
// converted ends the call.
Ref convert_all(PyObject* cls, PyObject* geometries, PyObject* srid) {
    Ref shapes = Ref::steal(PyList_New(0));
    // The size is read again at every step: a host's converter may change
    // the list it was given.
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(geometries); ++i) {
        Ref member = Ref::borrow(PyList_GET_ITEM(geometries, i));
        Ref shape = to_shapely(cls, member, srid);
        if (PyList_Append(shapes, shape) < 0) throw PyError{};
    }
    return shapes;
}

}  // namespace

Ref buffer(Args a) {
    Ref geometry = to_shapely(a[0], a[1]);
    prepare(geometry);
    return call(shapely_fn(ORB_STR("buffer")), {geometry, a[2]},
                {{"quad_segs", a[3]},
                 {"cap_style", a[4]},
                 {"join_style", a[5]},
                 {"mitre_limit", a[6]},
                 {"single_sided", a[7]}});
}

// NaN is an invalid geometry; an infinite clearance (nothing can move the
// geometry into invalidity, as for a point) is reported as the int 0.
Ref clearance(Args a) {
    Ref geometry = to_shapely(a[0], a[1]);
    Ref value = call(shapely_fn(ORB_STR("minimum_clearance")), {geometry});
    if (math_test(ORB_STR("isnan"), value)) raise(PyExc_Exception, "Invalid [geometry] parameter.");
    if (math_test(ORB_STR("isinf"), value)) return integer(0);
    return value;
}

Ref clip(Args a) {
    Ref geometry = to_shapely(a[0], a[1]);
    return call(shapely_fn(ORB_STR("clip_by_rect")), {geometry, a[2], a[3], a[4], a[5]});
}

Ref convex_hull(Args a) {
    Ref geometry = to_shapely(a[0], a[1]);
    return getattr(geometry, ORB_STR("convex_hull"));
}

Ref difference(Args a) { return binary(a, ORB_STR("difference")); }

Ref distance_on_line(Args a) {
    Ref line = to_shapely(a[0], a[1]);
    Ref point = to_shapely(a[0], a[2]);
    return call(shapely_fn(ORB_STR("line_locate_point")), {line, point});
}

Ref intersection(Args a) { return none_if_empty(binary(a, ORB_STR("intersection"))); }

Ref intersections(Args a) {
    Ref shapes = convert_all(a[0], a[1], Py_None);
    return none_if_empty(call(shapely_fn(ORB_STR("intersection_all")), {shapes}));
}

// The distance goes to shapely as it is: negative counts from the end, and
// beyond the line shapely gives its first or last point.
Ref point_on_line(Args a) {
    Ref line = to_shapely(a[0], a[1]);
    return call(shapely_fn(ORB_STR("line_interpolate_point")), {line, a[2]});
}

Ref rectangle(Args a) {
    Ref geometry = to_shapely(a[0], a[1]);
    return getattr(geometry, ORB_STR("minimum_rotated_rectangle"));
}

Ref repair(Args a) {
    Ref geometry = to_shapely(a[0], a[1]);
    return call(shapely_fn(ORB_STR("make_valid")), {geometry});
}

// a is prepared before b is converted.
Ref shortest(Args a) {
    Ref shape_a = to_shapely(a[0], a[1]);
    prepare(shape_a);
    Ref shape_b = to_shapely(a[0], a[2]);
    return call(shapely_fn(ORB_STR("shortest_line")), {shape_a, shape_b});
}

Ref similarity(Args a) {
    Ref shape_a = to_shapely(a[0], a[1]);
    Ref shape_b = to_shapely(a[0], a[2]);
    Ref value = call(shapely_fn(ORB_STR("frechet_distance")), {shape_a, shape_b, a[3]});
    if (math_test(ORB_STR("isnan"), value)) raise(PyExc_Exception, "Invalid parameter.");
    return value;
}

Ref simplify(Args a) {
    Ref geometry = to_shapely(a[0], a[1]);
    prepare(geometry);
    return call(shapely_fn(ORB_STR("simplify")), {geometry, a[2]},
                {{"preserve_topology", a[3]}});
}

Ref snap(Args a) {
    Ref geometry = to_shapely(a[0], a[1]);
    Ref reference = to_shapely(a[0], a[2]);
    return call(shapely_fn(ORB_STR("snap")), {geometry, reference, a[3]});
}

Ref triangulate(Args a) {
    Ref geometry = to_shapely(a[0], a[1]);
    Ref collection = call(shapely_fn(ORB_STR("delaunay_triangles")), {geometry},
                          {{"tolerance", a[2]}, {"only_edges", a[3]}});
    return parts(collection);
}

Ref unions(Args a) {
    Ref shapes = convert_all(a[0], a[1], a[4]);
    return none_if_empty(call(shapely_fn(ORB_STR("union_all")), {shapes},
                              {{"grid_size", a[2]}, {"axis", a[3]}}));
}

Ref union_(Args a) { return binary(a, ORB_STR("union")); }

// Only the shapely call is guarded: a GEOS failure becomes one ValueError
// whose cause is shapely's exception, with a hint when a tolerance was set.
Ref voronoi_diagram(Args a) {
    Ref geometry = to_shapely(a[0], a[1]);
    Ref fn = shapely_fn(ORB_STR("voronoi_polygons"));
    Ref result;
    try {
        result = call(fn, {geometry},
                      {{"tolerance", a[3]}, {"extend_to", a[2]}, {"only_edges", a[4]}});
    } catch (const PyError&) {
        Ref cause = Ref::steal(PyErr_GetRaisedException());
        Ref geos_error = shapely_fn(ORB_STR("GEOSException"));
        if (!PyErr_GivenExceptionMatches(cause, geos_error)) {
            PyErr_SetRaisedException(cause.release());
            throw;
        }
        // NaN is not equal to 0; -0.0 is.
        const char* hint =
            a.num(3) != 0.0 ? " Try running again with default tolerance value." : "";
        Ref message = Ref::steal(PyUnicode_FromFormat(
            "Could not create Voronoi Diagram with the specified inputs (%S).%s", cause.get(),
            hint));
        Ref error = call(PyExc_ValueError, {message});
        // As `raise ValueError(...) from cause` inside the handler.
        PyException_SetCause(error, Ref(cause).release());
        PyException_SetContext(error, Ref(cause).release());
        PyErr_SetRaisedException(error.release());
        throw PyError{};
    }
    if (result.get() == Py_None) return result;
    return parts(result);
}

}  // namespace orb::topology
