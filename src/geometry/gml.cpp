// GML 3.2 conversion, a thin adapter around pygml.
//
// Reading: pygml's geo interface dict, with every coordinate tuple turned
// into a list; a collection's members are converted the same way, so a GML
// multi-geometry reads as a GeometryCollection dict.
// Writing: pygml's encoder swaps the axes of a dict in place for reference
// systems in latitude-longitude order, so it is handed a copy and the
// caller's geometry is never changed.  The encoder writes a posList without
// its dimension, which a reader takes as two ordinates per vertex, so the
// srsDimension of every posList whose vertices carry more is added.  It also
// puts the points of a MultiPoint under geometryMembers, which belongs to
// MultiGeometry alone: they are moved under pointMembers, where GML 3.2
// readers, pygml's own included, look for them.
#include "geometry/gml.h"

#include "geometry/dict_walk.h"
#include "geometry/geometry_input.h"

#include <string>
#include <vector>

namespace orb::geom {
namespace {

// Tuples to lists at every depth: numbers and text (subclasses included)
// are kept, sets, sequences and dicts are rebuilt with converted members,
// anything else becomes None.
Ref sequence(PyObject* value, int depth) {
    if (PyLong_Check(value) || PyFloat_Check(value) || PyUnicode_Check(value))
        return Ref::borrow(value);
    check_nesting(depth);
    if (PyAnySet_Check(value)) {
        Ref out = Ref::steal(PySet_New(nullptr));
        Ref it = Ref::steal(PyObject_GetIter(value));
        while (Ref item = Ref::steal_or_null(PyIter_Next(it)))
            if (PySet_Add(out, sequence(item, depth + 1)) < 0) throw PyError{};
        check_error();
        return out;
    }
    if (PyList_Check(value) || PyTuple_Check(value)) {
        // Converting a member hashes the members of its sets and dicts,
        // which may run their code and change this list: its size is read
        // at every step and the member held while it is converted.
        Ref items = Ref::steal(PySequence_Fast(value, ""));
        Ref out = Ref::steal(PyList_New(0));
        for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(items.get()); ++i) {
            Ref item = Ref::borrow(PySequence_Fast_GET_ITEM(items.get(), i));
            if (PyList_Append(out, sequence(item, depth + 1)) < 0) throw PyError{};
        }
        return out;
    }
    if (PyDict_Check(value)) {
        Ref out = Ref::steal(PyDict_New());
        Ref pairs = Ref::steal(PyDict_Items(value));
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(pairs.get()); ++i) {
            PyObject* pair = PyList_GET_ITEM(pairs.get(), i);
            if (PyDict_SetItem(out, sequence(PyTuple_GET_ITEM(pair, 0), depth + 1),
                               sequence(PyTuple_GET_ITEM(pair, 1), depth + 1)) < 0)
                throw PyError{};
        }
        return out;
    }
    return none();
}

// Converts the coordinates of one parsed geometry in place; a collection
// (with "geometries" and no "coordinates") has each member converted.
// Anything else raises the KeyError for "coordinates".
void convert(PyObject* parsed, int depth) {
    check_nesting(depth);
    if (PyDict_Check(parsed) && !has_key(parsed, ORB_STR("coordinates")) &&
        has_key(parsed, ORB_STR("geometries"))) {
        Ref members = Ref::steal(PySequence_List(
            Ref::steal(PyObject_GetItem(parsed, ORB_STR("geometries")))));
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(members.get()); ++i)
            convert(PyList_GET_ITEM(members.get(), i), depth + 1);
        if (PyObject_SetItem(parsed, ORB_STR("geometries"), members) < 0) throw PyError{};
        return;
    }
    Ref coords = Ref::steal(PyObject_GetItem(parsed, ORB_STR("coordinates")));
    if (PyObject_SetItem(parsed, ORB_STR("coordinates"), sequence(coords, 0)) < 0)
        throw PyError{};
}

// A copy of a geometry dict for the encoder: a new dict, and for a
// collection a new member list of copied member dicts.  Lists of
// coordinates are shared: the encoder replaces them, it does not edit them.
Ref encoder_copy(PyObject* geometry, int depth) {
    check_nesting(depth);
    Ref copy = Ref::steal(PyDict_Copy(geometry));
    PyObject* members = PyDict_GetItemWithError(copy, ORB_STR("geometries"));
    if (!members) {
        check_error();
        return copy;
    }
    if (!PyList_Check(members) && !PyTuple_Check(members)) return copy;
    Ref items = Ref::steal(PySequence_List(members));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items.get()); ++i) {
        PyObject* member = PyList_GET_ITEM(items.get(), i);
        if (PyDict_Check(member))
            PyList_SetItem(items, i, encoder_copy(member, depth + 1).release());
    }
    if (PyDict_SetItem(copy, ORB_STR("geometries"), items) < 0) throw PyError{};
    return copy;
}

// Tags in the GML 3.2 namespace, in which the encoder writes.
constexpr const char* kPosList = "{http://www.opengis.net/gml/3.2}posList";
constexpr const char* kMultiPoint = "{http://www.opengis.net/gml/3.2}MultiPoint";
constexpr const char* kGeometryMembers = "{http://www.opengis.net/gml/3.2}geometryMembers";
constexpr const char* kPointMembers = "{http://www.opengis.net/gml/3.2}pointMembers";

// Renames the geometryMembers child of every MultiPoint to pointMembers.
void name_point_members(PyObject* tree) {
    Ref multi_points = Ref::steal(PySequence_List(
        call_method(tree, ORB_STR("iter"), {text(kMultiPoint).get()})));
    Ref members_tag = text(kGeometryMembers);
    Ref point_members_tag = text(kPointMembers);
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(multi_points.get()); ++i) {
        Ref members = call_method(PyList_GET_ITEM(multi_points.get(), i), ORB_STR("find"),
                                  {members_tag.get()});
        if (members.get() == Py_None) continue;
        if (PyObject_SetAttr(members, ORB_STR("tag"), point_members_tag) < 0)
            throw PyError{};
    }
}

// d[key] of a dict as an owned reference, or an empty Ref when absent.
// Owned, since the walks below may run a caller's iterator, which may
// change the dict and drop the value while it is being walked.
Ref value_of(PyObject* d, PyObject* key) {
    Ref v = Ref::borrow(PyDict_GetItemWithError(d, key));
    if (!v) check_error();
    return v;
}

// The vertex lists that the encoder writes as posList elements, in the
// order it writes them: lines, rings, and the members of a collection.
void pos_lists(PyObject* geometry, int depth, std::vector<Ref>& out) {
    check_nesting(depth);
    if (!PyDict_Check(geometry)) return;
    const Ref type = value_of(geometry, ORB_STR("type"));
    if (!type) return;
    auto is = [&](const char* name) {
        return PyUnicode_Check(type) && PyUnicode_CompareWithASCIIString(type, name) == 0;
    };
    if (is("GeometryCollection")) {
        if (Ref members = value_of(geometry, ORB_STR("geometries")))
            for_each_item(members, [&](PyObject* m) { pos_lists(m, depth + 1, out); });
        return;
    }
    const Ref coords = value_of(geometry, ORB_STR("coordinates"));
    if (!coords) return;
    if (is("LineString")) {
        out.push_back(coords);
    } else if (is("MultiLineString") || is("Polygon")) {
        for_each_item(coords, [&](PyObject* line) { out.push_back(Ref::borrow(line)); });
    } else if (is("MultiPolygon")) {
        for_each_item(coords, [&](PyObject* polygon) {
            for_each_item(polygon, [&](PyObject* ring) { out.push_back(Ref::borrow(ring)); });
        });
    }
}

// The number of ordinates every vertex of a line shares, or 0 when they
// differ or the line is empty.
Py_ssize_t shared_dimension(PyObject* line) {
    Py_ssize_t dimension = 0;
    bool first = true;
    for_each_item(line, [&](PyObject* vertex) {
        Py_ssize_t n = PyObject_Length(vertex);
        if (n < 0) throw PyError{};
        if (first) dimension = n;
        else if (n != dimension) dimension = 0;
        first = false;
    });
    return dimension;
}

// Adds srsDimension to the posList elements of vertices with more than two
// ordinates, matched to the vertex lists in document order.  When the
// counts disagree (an encoder of another shape) nothing is touched.
void mark_dimensions(PyObject* tree, PyObject* geometry) {
    std::vector<Ref> lines;
    pos_lists(geometry, 0, lines);
    Ref elements = Ref::steal(PySequence_List(
        call_method(tree, ORB_STR("iter"), {text(kPosList).get()})));
    if (PyList_GET_SIZE(elements.get()) != static_cast<Py_ssize_t>(lines.size())) return;
    for (size_t i = 0; i < lines.size(); ++i) {
        Py_ssize_t dimension = shared_dimension(lines[i]);
        if (dimension <= 2) continue;
        PyObject* element = PyList_GET_ITEM(elements.get(), static_cast<Py_ssize_t>(i));
        Ref attrib = getattr(element, ORB_STR("attrib"));
        int has = PySequence_Contains(attrib, ORB_STR("srsDimension"));
        if (has < 0) throw PyError{};
        if (has) continue;
        call_method(element, ORB_STR("set"),
                    {ORB_STR("srsDimension"), text(std::to_string(dimension)).get()});
    }
}

}  // namespace

Ref from_gml(Args a) {
    Ref parsed = call(getattr(global(ORB_STR("pygml")), ORB_STR("parse")), {a[1]});
    Ref result = getattr(parsed, ORB_STR("__geo_interface__"));
    convert(result, 0);
    return result;
}

Ref to_gml(Args a) {
    Ref geojson = geometry_dict(a[0], a[1]);
    Ref encode = getattr(getattr(global(ORB_STR("pygml")), ORB_STR("v32")),
                         ORB_STR("encode_v32"));
    Ref tree = call(encode, {encoder_copy(geojson, 0).get(), ORB_STR("-1")});
    mark_dimensions(tree, geojson);
    name_point_members(tree);
    return tree;
}

}  // namespace orb::geom
