// Geometry.getXY and Geometry.swapXY: walking the vertices of a geometry dict.
//
// Both walk the same nesting by type: a Point's coordinates are the vertex,
// MultiPoint and LineString hold vertices, MultiLineString and Polygon hold
// lines or rings, MultiPolygon holds polygons of rings, and a collection
// hands each member back to the class's own method.  An exact dict is
// walked as it stands; anything else is loaded by the class first.
//
// getXY lists tuple(vertex) of every vertex, or of the first and last
// vertex of each line and ring only.  swapXY exchanges items 0 and 1 of each
// vertex in place; a vertex object standing at more than one place (a ring
// closed with its own first vertex) is exchanged once, where first met.
#include "geometry/vertex_access.h"

#include "geometry/sequence.h"

#include <type_traits>
#include <unordered_set>
#include <vector>

namespace geometry {
namespace {

using orb::Ref;

// Replaces a value that is not exactly a dict by the dict the class's loads
// makes of it.
Ref as_dict(PyObject* cls, PyObject* geometry) {
    if (PyDict_CheckExact(geometry)) return Ref::borrow(geometry);
    return orb::call_method(cls, ORB_STR("loads"), {geometry});
}

// --- getXY -------------------------------------------------------------------

class VertexList {
public:
    VertexList(PyObject* out, PyObject* endpoint) : out_(out), endpoint_(endpoint) {}

    // tuple(vertex): a tuple is kept as it is, anything else is copied.
    void vertex(PyObject* v) {
        Ref t = Ref::steal(PySequence_Tuple(v));
        if (PyList_Append(out_, t) < 0) throw orb::PyError{};
    }
    void vertices(PyObject* seq) {
        for_each_item(seq, [&](PyObject* v) { vertex(v); });
    }
    // A line or ring: its ends, read by index, or all of its vertices.
    void line(PyObject* seq) {
        if (ends_only()) {
            vertex(item_at(seq, 0));
            vertex(item_at(seq, -1));
        } else {
            vertices(seq);
        }
    }
    void lines(PyObject* seq) {
        for_each_item(seq, [&](PyObject* l) { line(l); });
    }

private:
    // The truth of `endpoint`, taken once, when the first line is met.
    bool ends_only() {
        if (ends_only_ < 0) ends_only_ = truth(endpoint_) ? 1 : 0;
        return ends_only_ == 1;
    }

    PyObject* out_;
    PyObject* endpoint_;
    int ends_only_ = -1;
};

// --- swapXY ------------------------------------------------------------------

class AxisSwap {
public:
    // Exchanges items 0 and 1 of `v` unless this walk has met it already.
    void vertex(PyObject* v) {
        if (!met_.insert(v).second) return;
        // The walk holds a reference to each vertex met, so that no address
        // in `met_` can be reused by a new object during the walk.
        held_.push_back(Ref::borrow(v));
        if (PyList_CheckExact(v) && PyList_GET_SIZE(v) >= 2) {
            PyObject* y = PyList_GET_ITEM(v, 1);
            PyList_SET_ITEM(v, 1, PyList_GET_ITEM(v, 0));
            PyList_SET_ITEM(v, 0, y);
            return;
        }
        // As `v[0], v[1] = v[1], v[0]` does it: read 1, read 0, set 0, set 1.
        Ref y = item_at(v, 1);
        Ref x = item_at(v, 0);
        set_item(v, 0, y);
        set_item(v, 1, x);
    }
    void vertices(PyObject* seq) {
        for_each_item(seq, [&](PyObject* v) { vertex(v); });
    }
    void lines(PyObject* seq) {
        for_each_item(seq, [&](PyObject* l) { vertices(l); });
    }

private:
    static void set_item(PyObject* v, long long index, PyObject* value) {
        Ref key = orb::integer(index);
        if (PyObject_SetItem(v, key, value) < 0) throw orb::PyError{};
    }

    std::unordered_set<PyObject*> met_;
    std::vector<Ref> held_;
};

// Walks `coords` by the nesting that `type` implies.  Returns false for a
// type outside the six coordinate types.
template <class Walker>
bool walk(Walker& w, PyObject* type, PyObject* coords) {
    if (equals(type, ORB_STR("Point"))) {
        w.vertex(coords);
    } else if (equals(type, ORB_STR("MultiPoint"))) {
        w.vertices(coords);
    } else if (equals(type, ORB_STR("LineString"))) {
        if constexpr (std::is_same_v<Walker, VertexList>) {
            w.line(coords);
        } else {
            w.vertices(coords);
        }
    } else if (equals(type, ORB_STR("MultiLineString")) || equals(type, ORB_STR("Polygon"))) {
        w.lines(coords);
    } else if (equals(type, ORB_STR("MultiPolygon"))) {
        for_each_item(coords, [&](PyObject* polygon) { w.lines(polygon); });
    } else {
        return false;
    }
    return true;
}

}  // namespace

Ref getXY(orb::Args a) {
    PyObject* cls = a[0];
    PyObject* endpoint = a[2];
    Ref out = Ref::steal(PyList_New(0));
    Ref geometry = as_dict(cls, a[1]);

    Ref type = Ref::steal(PyObject_GetItem(geometry, ORB_STR("type")));
    if (!truth(type)) return out;

    if (has_key(geometry, ORB_STR("coordinates"))) {
        Ref coords = Ref::steal(PyObject_GetItem(geometry, ORB_STR("coordinates")));
        VertexList list(out, endpoint);
        if (!walk(list, type, coords)) invalid_geometry_type();
    } else if (has_key(geometry, ORB_STR("geometries"))) {
        Ref members = Ref::steal(PyObject_GetItem(geometry, ORB_STR("geometries")));
        if (equals(type, ORB_STR("GeometryCollection")) && PyList_CheckExact(members)) {
            for_each_item(members, [&](PyObject* member) {
                Ref items = orb::call_method(cls, ORB_STR("getXY"), {member, endpoint});
                for_each_item(items, [&](PyObject* item) {
                    if (PyList_Append(out, item) < 0) throw orb::PyError{};
                });
            });
        }
    }
    return out;
}

Ref swapXY(orb::Args a) {
    PyObject* cls = a[0];
    Ref geometry = as_dict(cls, a[1]);

    Ref type = Ref::steal(PyObject_GetItem(geometry, ORB_STR("type")));
    if (!truth(type)) invalid_geometry_type();

    if (has_key(geometry, ORB_STR("coordinates"))) {
        Ref coords = Ref::steal(PyObject_GetItem(geometry, ORB_STR("coordinates")));
        AxisSwap swap;
        if (!walk(swap, type, coords)) invalid_geometry_type();
        return geometry;
    }
    if (has_key(geometry, ORB_STR("geometries"))) {
        Ref members = Ref::steal(PyObject_GetItem(geometry, ORB_STR("geometries")));
        if (equals(type, ORB_STR("GeometryCollection")) && PyList_CheckExact(members)) {
            // Each member is changed in place by its own call; the results
            // are not stored back.
            for_each_item(members, [&](PyObject* member) {
                orb::call_method(cls, ORB_STR("swapXY"), {member});
            });
            return geometry;
        }
    }
    invalid_geometry_type();
}

}  // namespace geometry
