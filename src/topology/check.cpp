// Topology.check: repeated vertices and points ("Overlap"), free line ends
// and open rings ("DangleNode"), line ends shared by exactly two ends
// ("PseudoNode"), where a line or ring meets itself ("SelfIntersection")
// and what all lines, or all rings of one polygon, have in common
// ("Intersection").
//
// Members are first sorted into points, lines and polygons (the member's
// own lists, multi-part geometries and collections split); each kind is
// then checked on its own.  The geometry is left to the class: unions()
// nodes a line against itself, intersections() finds what lines share, and
// fromShapely() and getXY() read their answers back as vertex tuples.
// Counting is one pass over hash-keyed tuples in a dict, which keeps the
// order in which each key was first met, as collections.Counter does.
#include "topology/check.h"

#include "geometry/geomtype.h"
#include "geometry/vertex.h"
#include "topology/pyobjects.h"

#include <cmath>
#include <optional>
#include <vector>

namespace orb::topology {

namespace {

using geom::Type;

// The bits of the mask.
constexpr long kOverlap = 1;
constexpr long kDangleNode = 2;
constexpr long kPseudoNode = 4;
constexpr long kSelfIntersection = 8;
constexpr long kIntersection = 16;
constexpr long kAllChecks = 31;

constexpr const char* kInvalidType = "Invalid geometry type.";

// The interpreter's repr of [float(v) for v in vertex[:2]], compared
// without being written: two floats print alike exactly when they are the
// same double (so 0.0 and -0.0 differ) or both NaN.
class VertexText {
public:
    // The slice is taken before any value is converted: float() may run a
    // value's own code, which may empty or refill the vertex, and the slice
    // keeps the values it holds alive whatever happens to the vertex.
    explicit VertexText(PyObject* vertex) {
        Ref head = geom::head_slice(vertex);
        geom::for_each_item(head, [&](PyObject* v) { values_.push_back(to_double(v)); });
    }

    bool operator==(const VertexText& other) const noexcept {
        if (values_.size() != other.values_.size()) return false;
        for (size_t i = 0; i < values_.size(); ++i) {
            const double a = values_[i], b = other.values_[i];
            if (std::isnan(a) && std::isnan(b)) continue;
            if (!(a == b) || std::signbit(a) != std::signbit(b)) return false;
        }
        return true;
    }
    bool operator!=(const VertexText& other) const noexcept { return !(*this == other); }

private:
    std::vector<double> values_;
};

// A collections.Counter of hashable keys, in first-met order.
class Tally {
public:
    Tally() : index_(Ref::steal(PyDict_New())) {}

    void add(PyObject* key) {
        PyObject* at = PyDict_GetItemWithError(index_, key);
        if (at) {
            ++counts_[PyLong_AsSsize_t(at)];
            return;
        }
        check_error();
        if (PyDict_SetItem(index_, key, integer(static_cast<long long>(keys_.size()))) < 0)
            throw PyError{};
        keys_.push_back(Ref::borrow(key));
        counts_.push_back(1);
    }
    // Every element of an iterable.
    void add_all(PyObject* iterable) {
        Ref it = Ref::steal(PyObject_GetIter(iterable));
        while (PyObject* v = PyIter_Next(it)) {
            Ref value = Ref::steal(v);
            add(value);
        }
        check_error();
    }

    size_t size() const noexcept { return keys_.size(); }
    PyObject* key(size_t i) const noexcept { return keys_[i].get(); }
    long count(size_t i) const noexcept { return counts_[i]; }

private:
    Ref index_;
    std::vector<Ref> keys_;
    std::vector<long> counts_;
};

// The members sorted by kind: the members' own lists.
struct Sorted {
    Ref points = Ref::steal(PyList_New(0));
    Ref polylines = Ref::steal(PyList_New(0));
    Ref polygons = Ref::steal(PyList_New(0));
};

void append_each(PyObject* to, PyObject* iterable) {
    Ref it = Ref::steal(PyObject_GetIter(iterable));
    while (PyObject* v = PyIter_Next(it)) {
        Ref value = Ref::steal(v);
        append(to, value);
    }
    check_error();
}

// Sorts one member; a collection's members are sorted in turn, under the
// interpreter's recursion limit.
void sort_member(PyObject* cls, PyObject* member, Sorted& s) {
    Ref geometry = PyDict_CheckExact(member) ? Ref::borrow(member)
                                             : call_method(cls, ORB_STR("loads"), {member});
    Ref type = get(geometry, ORB_STR("type"));
    if (!truth(type)) return;
    if (has_key(geometry, ORB_STR("coordinates"))) {
        Ref coordinates = get(geometry, ORB_STR("coordinates"));
        switch (geom::type_of(type)) {
            case Type::Point: append(s.points, coordinates); return;
            case Type::MultiPoint: append_each(s.points, coordinates); return;
            case Type::LineString: append(s.polylines, coordinates); return;
            case Type::MultiLineString: append_each(s.polylines, coordinates); return;
            case Type::Polygon: append(s.polygons, coordinates); return;
            case Type::MultiPolygon: append_each(s.polygons, coordinates); return;
            default: raise(PyExc_Exception, kInvalidType);
        }
    }
    if (!has_key(geometry, ORB_STR("geometries"))) return;
    Ref members = get(geometry, ORB_STR("geometries"));
    if (!is_collection(type) || !PyList_CheckExact(members.get())) return;
    if (Py_EnterRecursiveCall(" while sorting a geometry collection")) throw PyError{};
    try {
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(members.get()); ++i)
            sort_member(cls, Ref::borrow(PyList_GET_ITEM(members.get(), i)), s);
    } catch (...) {
        Py_LeaveRecursiveCall();
        throw;
    }
    Py_LeaveRecursiveCall();
}

// A check finding: a MultiPoint of the coordinates found, or a Point of
// the one coordinate.
Ref finding(const char* flag, PyObject* coordinates) {
    const bool one = PyList_GET_SIZE(coordinates) == 1;
    return make_dict({{ORB_STR("flag"), text(flag)},
                      {ORB_STR("type"), geom::type_text(one ? Type::Point : Type::MultiPoint)},
                      {ORB_STR("coordinates"),
                       one ? PyList_GET_ITEM(coordinates, 0) : coordinates}});
}

void add_finding(PyObject* findings, const char* flag, PyObject* coordinates) {
    if (PyList_GET_SIZE(coordinates) > 0) append(findings, finding(flag, coordinates));
}

// The findings list under `key` of the result, made when absent.
PyObject* findings_of(PyObject* result, PyObject* key) {
    PyObject* list = PyDict_GetItemWithError(result, key);
    if (list) return list;
    check_error();
    Ref fresh = Ref::steal(PyList_New(0));
    if (PyDict_SetItem(result, key, fresh) < 0) throw PyError{};
    return fresh.get();
}

// The vertices of a line or ring that repeat the vertex before them, by
// x and y as text, appended as the line's own vertex lists.
void repeated_vertices(PyObject* line, PyObject* out) {
    Py_ssize_t n = PyObject_Size(line);
    if (n < 0) throw PyError{};
    std::optional<VertexText> previous;
    for (Py_ssize_t i = 0; i < n; ++i) {
        Ref vertex = item_at(line, i);
        VertexText current(vertex);
        if (previous && current == *previous)
            append(out, vertex);
        else
            previous = std::move(current);
    }
}

Ref line_dict(PyObject* line) {
    return make_dict({{ORB_STR("type"), geom::type_text(Type::LineString)},
                      {ORB_STR("coordinates"), line}});
}

// The tuples getXY gives for the geometry dict of a shapely result.
Ref vertex_tuples(PyObject* cls, PyObject* shape) {
    Ref geometry = call_method(cls, ORB_STR("fromShapely"), {shape});
    return call_method(cls, ORB_STR("getXY"), {geometry});
}

// Where a line meets itself: the end points of the parts into which
// unions() nodes it that are met more than once, other than its first
// vertex.  The line is normalised in place by that call.
void self_intersections(PyObject* cls, PyObject* line, PyObject* out) {
    Ref alone = Ref::steal(PyList_New(0));
    append(alone, line);
    Ref noded = call_method(cls, ORB_STR("unions"), {alone});
    if (noded.get() == Py_None) return;
    Tally ends;
    ends.add_all(vertex_tuples(cls, noded));
    std::optional<VertexText> start;  // read once needed, after the noding
    for (size_t i = 0; i < ends.size(); ++i) {
        if (ends.count(i) < 2) continue;
        Ref node = Ref::steal(PySequence_List(ends.key(i)));
        if (!start) start.emplace(item_at(line, 0));
        if (VertexText(node) != *start) append(out, node);
    }
}

// The points all lines share: the vertex tuples of intersections() of
// their LineString dicts, each as a new list; None when they share none.
Ref common_points(PyObject* cls, PyObject* lines) {
    Ref dicts = Ref::steal(PyList_New(0));
    Ref it = Ref::steal(PyObject_GetIter(lines));
    while (PyObject* v = PyIter_Next(it)) {
        Ref line = Ref::steal(v);
        append(dicts, line_dict(line));
    }
    check_error();
    Ref shared = call_method(cls, ORB_STR("intersections"), {dicts});
    if (shared.get() == Py_None) return none();
    Ref points = Ref::steal(PyList_New(0));
    Ref tuples = vertex_tuples(cls, shared);
    Ref ti = Ref::steal(PyObject_GetIter(tuples));
    while (PyObject* v = PyIter_Next(ti)) {
        Ref t = Ref::steal(v);
        append(points, Ref::steal(PySequence_List(t)));
    }
    check_error();
    return points;
}

void check_points(PyObject* points, Ref& result) {
    Tally seen;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(points); ++i) {
        // The key: every value of the point, x and y as floats.
        Ref values = Ref::steal(PyList_New(0));
        Ref it = Ref::steal(PyObject_GetIter(PyList_GET_ITEM(points, i)));
        for (Py_ssize_t k = 0;; ++k) {
            PyObject* v = PyIter_Next(it);
            if (!v) break;
            Ref value = Ref::steal(v);
            append(values, k < 2 ? Ref::steal(PyNumber_Float(value)) : value);
        }
        check_error();
        seen.add(Ref::steal(PyList_AsTuple(values)));
    }
    Ref repeated = Ref::steal(PyList_New(0));
    for (size_t i = 0; i < seen.size(); ++i)
        if (seen.count(i) > 1) append(repeated, Ref::steal(PySequence_List(seen.key(i))));
    if (PyList_GET_SIZE(repeated.get()) == 0) return;
    Ref findings = Ref::steal(PyList_New(0));
    append(findings, finding("Overlap", repeated));
    if (PyDict_SetItem(result, ORB_STR("point"), findings) < 0) throw PyError{};
}

void check_lines(PyObject* cls, PyObject* lines, long bits, Ref& result) {
    Ref overlap = Ref::steal(PyList_New(0));
    Ref self = Ref::steal(PyList_New(0));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(lines); ++i) {
        Ref line = Ref::borrow(PyList_GET_ITEM(lines, i));
        if (bits & kOverlap) repeated_vertices(line, overlap);
        if (bits & kSelfIntersection) self_intersections(cls, line, self);
    }
    if (PyList_GET_SIZE(overlap.get()) || PyList_GET_SIZE(self.get())) {
        PyObject* findings = findings_of(result, ORB_STR("line"));
        add_finding(findings, "Overlap", overlap);
        add_finding(findings, "SelfIntersection", self);
    }
    if (PyList_GET_SIZE(lines) >= 2 && (bits & kIntersection)) {
        Ref shared = common_points(cls, lines);
        if (shared.get() != Py_None)
            append(findings_of(result, ORB_STR("line")), finding("Intersection", shared));
    }
    // Line ends are counted whatever the mask.
    Tally ends;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(lines); ++i)
        ends.add_all(call_method(cls, ORB_STR("getXY"),
                                 {line_dict(PyList_GET_ITEM(lines, i))}));
    Ref dangle = Ref::steal(PyList_New(0));
    Ref pseudo = Ref::steal(PyList_New(0));
    for (size_t i = 0; i < ends.size(); ++i) {
        if (ends.count(i) == 1 && (bits & kDangleNode))
            append(dangle, Ref::steal(PySequence_List(ends.key(i))));
        else if (ends.count(i) == 2 && (bits & kPseudoNode))
            append(pseudo, Ref::steal(PySequence_List(ends.key(i))));
    }
    if (PyList_GET_SIZE(dangle.get()) || PyList_GET_SIZE(pseudo.get())) {
        PyObject* findings = findings_of(result, ORB_STR("line"));
        add_finding(findings, "DangleNode", dangle);
        add_finding(findings, "PseudoNode", pseudo);
    }
}

void check_polygons(PyObject* cls, PyObject* polygons, long bits, Ref& result) {
    Ref overlap = Ref::steal(PyList_New(0));
    Ref self = Ref::steal(PyList_New(0));
    Ref dangle = Ref::steal(PyList_New(0));
    for (Py_ssize_t p = 0; p < PyList_GET_SIZE(polygons); ++p) {
        Ref polygon = Ref::borrow(PyList_GET_ITEM(polygons, p));
        Ref it = Ref::steal(PyObject_GetIter(polygon));
        while (PyObject* v = PyIter_Next(it)) {
            Ref ring = Ref::steal(v);
            if (bits & kDangleNode) {
                Ref first = item_at(ring, 0);
                Ref last = item_at(ring, -1);
                if (VertexText(first) != VertexText(last)) {
                    append(dangle, first);
                    append(dangle, last);
                }
            }
            if (bits & kOverlap) repeated_vertices(ring, overlap);
            if (bits & kSelfIntersection) self_intersections(cls, ring, self);
        }
        check_error();
        if (bits & kIntersection) {
            Py_ssize_t rings = PyObject_Size(polygon);
            if (rings < 0) throw PyError{};
            if (rings >= 2) {
                Ref shared = common_points(cls, polygon);
                if (shared.get() != Py_None)
                    append(findings_of(result, ORB_STR("polygon")), finding("Intersection", shared));
            }
        }
    }
    if (PyList_GET_SIZE(overlap.get()) || PyList_GET_SIZE(self.get()) ||
        PyList_GET_SIZE(dangle.get())) {
        PyObject* findings = findings_of(result, ORB_STR("polygon"));
        add_finding(findings, "Overlap", overlap);
        add_finding(findings, "SelfIntersection", self);
        add_finding(findings, "DangleNode", dangle);
    }
}

}  // namespace

Ref check(Args a) {
    PyObject* cls = a[0];
    PyObject* geometries = a[1];
    PyObject* mask = a[2];
    if (!truth(mask)) return none();
    // Only the low bits are tested; a negative mask has them all set.
    Ref low = Ref::steal(PyNumber_And(mask, integer(kAllChecks)));
    const long bits = PyLong_AsLong(low);

    Sorted s;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(geometries); ++i)
        sort_member(cls, Ref::borrow(PyList_GET_ITEM(geometries, i)), s);

    Ref result = Ref::steal(PyDict_New());
    if (PyList_GET_SIZE(s.points.get()) && (bits & kOverlap)) check_points(s.points, result);
    if (PyList_GET_SIZE(s.polylines.get())) check_lines(cls, s.polylines, bits, result);
    if (PyList_GET_SIZE(s.polygons.get())) check_polygons(cls, s.polygons, bits, result);
    if (PyDict_GET_SIZE(result.get()) == 0) return none();
    return result;
}

}  // namespace orb::topology
