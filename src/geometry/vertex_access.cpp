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

#include "geometry/geomtype.h"
#include "geometry/pointer_set.h"
#include "geometry/dict_walk.h"

#include <vector>

namespace orb::geom {
namespace {

// --- getXY -------------------------------------------------------------------

class VertexList {
public:
    VertexList(PyObject* out, PyObject* endpoint) : out_(out), endpoint_(endpoint) {}

    // tuple(vertex): a tuple is kept as it is, anything else is copied.
    void vertex(PyObject* v) {
        Ref t = Ref::steal(PySequence_Tuple(v));
        if (PyList_Append(out_, t) < 0) throw PyError{};
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
    void polygons(PyObject* seq) {
        for_each_item(seq, [&](PyObject* polygon) { lines(polygon); });
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

// Which vertices a walk must remember.  Remembering every vertex in a set
// would cost more than the swaps themselves, so the walk proves most
// vertices unique instead: a vertex can be met a second time only when a
// second reference leads to it.  While the walk runs no Python code (exact
// lists and tuples only, swapped directly), a vertex whose only references
// are the one slot it is read from and the walk's own, and whose containers
// below `coordinates` are likewise held by one slot each, cannot be met
// again and is swapped without being remembered.  Every other vertex (held
// elsewhere too, as the closing vertex of a ring is, or under a shared line
// or polygon) goes into the set.  The first step that may run Python code
// (an iterator that is not a list or tuple, a vertex that is not a list)
// could add references, so from then on every vertex, including all met so
// far, is remembered.
class AxisSwap {
public:
    void vertex(PyObject* v) { vertex(v, true); }
    void vertices(PyObject* seq) { vertices(seq, false); }
    void line(PyObject* seq) { vertices(seq, false); }
    void lines(PyObject* seq) { lines(seq, false); }
    void polygons(PyObject* seq) {
        each(seq, [&](PyObject* polygon) { lines(polygon, shared(polygon)); });
    }

private:
    // References to an object that sits in one slot, while the walk reads it.
    static constexpr Py_ssize_t kOneSlot = 2;

    static bool shared(PyObject* o) { return Py_REFCNT(o) > kOneSlot; }

    // Exchanges items 0 and 1 of `v` unless this walk has met it already.
    void vertex(PyObject* v, bool under_shared) {
        if (python_may_run_ || under_shared || shared(v)) {
            if (!met_.insert(v)) return;
        }
        // The walk holds a reference to each vertex met, so that no address
        // in `met_` can be reused by a new object during the walk, and so
        // that the vertices met can be remembered later.
        held_.push_back(Ref::borrow(v));
        if (PyList_CheckExact(v) && PyList_GET_SIZE(v) >= 2) {
            PyObject* y = PyList_GET_ITEM(v, 1);
            PyList_SET_ITEM(v, 1, PyList_GET_ITEM(v, 0));
            PyList_SET_ITEM(v, 0, y);
            return;
        }
        // As `v[0], v[1] = v[1], v[0]` does it: read 1, read 0, set 0, set 1.
        remember_all();
        Ref y = item_at(v, 1);
        Ref x = item_at(v, 0);
        set_item(v, 0, y);
        set_item(v, 1, x);
    }
    void vertices(PyObject* seq, bool under_shared) {
        each(seq, [&](PyObject* v) { vertex(v, under_shared); });
    }
    void lines(PyObject* seq, bool under_shared) {
        each(seq, [&](PyObject* line) { vertices(line, under_shared || shared(line)); });
    }

    // Walks one level; lists and tuples are read with a reference held per
    // item (so the slot counts are as kOneSlot states), anything else goes
    // through its iterator, which may run Python code.
    template <class Fn>
    void each(PyObject* seq, Fn&& fn) {
        if (!PyList_CheckExact(seq) && !PyTuple_CheckExact(seq)) remember_all();
        for_each_item(seq, fn);
    }

    // Called before the first step that may run Python code.
    void remember_all() {
        if (python_may_run_) return;
        python_may_run_ = true;
        for (const Ref& v : held_) met_.insert(v.get());
    }

    static void set_item(PyObject* v, long long index, PyObject* value) {
        Ref key = integer(index);
        if (PyObject_SetItem(v, key, value) < 0) throw PyError{};
    }

    PointerSet met_;
    std::vector<Ref> held_;
    bool python_may_run_ = false;
};

// Walks `coords` by the nesting that `type` implies, through the walker's
// vertex (one vertex), vertices (the points of a MultiPoint), line, lines
// and polygons.  Returns false for a type outside the six coordinate types.
template <class Walker>
bool walk(Walker& w, PyObject* type, PyObject* coords) {
    switch (type_of(type)) {
        case Type::Point: w.vertex(coords); return true;
        case Type::MultiPoint: w.vertices(coords); return true;
        case Type::LineString: w.line(coords); return true;
        case Type::MultiLineString:
        case Type::Polygon: w.lines(coords); return true;
        case Type::MultiPolygon: w.polygons(coords); return true;
        default: return false;
    }
}

// The coordinate walks, kept out of line: getXY and swapXY recurse through
// the class for collection members, and the walkers' locals would otherwise
// enlarge the stack frame of every level (several kilobytes in a sanitized
// build, enough to run out of stack before the recursion limit is reached).
[[gnu::noinline]] bool list_vertices(PyObject* out, PyObject* endpoint, PyObject* type,
                                     PyObject* coords) {
    VertexList list(out, endpoint);
    return walk(list, type, coords);
}

[[gnu::noinline]] bool swap_vertices(PyObject* type, PyObject* coords) {
    AxisSwap swap;
    return walk(swap, type, coords);
}

}  // namespace

Ref get_xy(Args a) {
    PyObject* cls = a[0];
    PyObject* endpoint = a[2];
    Ref out = Ref::steal(PyList_New(0));
    Ref geometry = as_dict(cls, a[1]);

    Ref type = Ref::steal(PyObject_GetItem(geometry, ORB_STR("type")));
    if (!truth(type)) return out;

    if (has_key(geometry, ORB_STR("coordinates"))) {
        Ref coords = Ref::steal(PyObject_GetItem(geometry, ORB_STR("coordinates")));
        if (!list_vertices(out, endpoint, type, coords)) invalid_geometry_type();
    } else if (has_key(geometry, ORB_STR("geometries"))) {
        Ref members = Ref::steal(PyObject_GetItem(geometry, ORB_STR("geometries")));
        if (is_collection(type) && PyList_CheckExact(members)) {
            for_each_item(members, [&](PyObject* member) {
                Ref items = call_method(cls, ORB_STR("getXY"), {member, endpoint});
                for_each_item(items, [&](PyObject* item) {
                    if (PyList_Append(out, item) < 0) throw PyError{};
                });
            });
        }
    }
    return out;
}

Ref swap_xy(Args a) {
    PyObject* cls = a[0];
    Ref geometry = as_dict(cls, a[1]);

    Ref type = Ref::steal(PyObject_GetItem(geometry, ORB_STR("type")));
    if (!truth(type)) invalid_geometry_type();

    if (has_key(geometry, ORB_STR("coordinates"))) {
        Ref coords = Ref::steal(PyObject_GetItem(geometry, ORB_STR("coordinates")));
        if (!swap_vertices(type, coords)) invalid_geometry_type();
        return geometry;
    }
    if (has_key(geometry, ORB_STR("geometries"))) {
        Ref members = Ref::steal(PyObject_GetItem(geometry, ORB_STR("geometries")));
        if (is_collection(type) && PyList_CheckExact(members)) {
            // Each member is changed in place by its own call; the results
            // are not stored back.
            for_each_item(members, [&](PyObject* member) {
                call_method(cls, ORB_STR("swapXY"), {member});
            });
            return geometry;
        }
    }
    invalid_geometry_type();
}

}  // namespace orb::geom
