// KML reading: Geometry.fromKml reads Point, LineString, Polygon and
// MultiGeometry elements without a namespace, and Track elements without a
// namespace or in the gx extension namespace.  The dict is returned as
// read: rings stay as written, repeated vertices stay, every ordinate is the
// interpreter's float() of its text.
//
// Text is parsed with a parser that expands no entities and loads no DTD or
// other external document, since KML text often comes from untrusted
// sources; an entity reference is left as an unexpanded node.
#include "geometry/kml_reader.h"

#include "geometry/geometry_input.h"
#include "geometry/geomtype.h"
#include "geometry/messages.h"
#include "geometry/textutil.h"

#include <utility>
#include <vector>

namespace orb::geom {
namespace {

// Namespace of the KML 2.2 extension elements (prefix gx).
constexpr const char* kGxNamespace = "http://www.google.com/kml/ext/2.2";

// Longest ordinate text converted on the fast path; longer ones, and any
// with non-ASCII characters or underscores, go through float() itself.
constexpr size_t kShortNumber = 64;

// float() of text[start, end), a run without whitespace.
Ref ordinate(PyObject* text, const void* data, int kind, Py_ssize_t start, Py_ssize_t end) {
    const size_t n = static_cast<size_t>(end - start);
    if (n > 0 && n < kShortNumber) {
        char buf[kShortNumber];
        bool plain = true;
        for (size_t i = 0; i < n && plain; ++i) {
            Py_UCS4 c = PyUnicode_READ(kind, data, start + static_cast<Py_ssize_t>(i));
            plain = c < 128 && c != '_';
            buf[i] = static_cast<char>(c);
        }
        if (plain) {
            buf[n] = '\0';
            char* stop = nullptr;
            double x = PyOS_string_to_double(buf, &stop, nullptr);
            if (stop == buf + n && !PyErr_Occurred()) return number(x);
            PyErr_Clear();
        }
    }
    // The interpreter's own conversion, with its own error message.
    Ref part = Ref::steal(PyUnicode_Substring(text, start, end));
    return Ref::steal(PyFloat_FromString(part));
}

enum class Split {
    Tuples,  // whitespace separates vertices, commas their ordinates
    Single,  // one vertex; whitespace separates its ordinates
};

// The vertices of a text as str.split() and str.split(",") cut it, each
// ordinate through float(): a list of vertex lists (Tuples) or one vertex
// list (Single).  A value that is not text fails as the interpreter's
// strip() or split() would on it.
Ref read_vertices(PyObject* value, Split split) {
    Ref text = Ref::borrow(value);
    if (!PyUnicode_CheckExact(value)) {
        call_method(value, split == Split::Tuples ? ORB_STR("strip") : ORB_STR("split"), {});
        text = Ref::steal(PyUnicode_FromObject(value));
    }
    const int kind = PyUnicode_KIND(text.get());
    const void* data = PyUnicode_DATA(text.get());
    const Py_ssize_t n = PyUnicode_GET_LENGTH(text.get());

    auto is_space = [&](Py_ssize_t i) { return Py_UNICODE_ISSPACE(PyUnicode_READ(kind, data, i)); };
    // Whitespace-separated runs [start, end), found once and then converted.
    std::vector<std::pair<Py_ssize_t, Py_ssize_t>> runs;
    for (Py_ssize_t i = 0; i < n;) {
        while (i < n && is_space(i)) ++i;
        if (i == n) break;
        const Py_ssize_t start = i;
        while (i < n && !is_space(i)) ++i;
        runs.emplace_back(start, i);
    }
    const Py_ssize_t count = static_cast<Py_ssize_t>(runs.size());
    Ref result = Ref::steal(PyList_New(count));
    if (split == Split::Single) {
        for (Py_ssize_t r = 0; r < count; ++r)
            PyList_SET_ITEM(result.get(), r,
                            ordinate(text, data, kind, runs[r].first, runs[r].second).release());
        return result;
    }
    for (Py_ssize_t r = 0; r < count; ++r) {
        const auto [start, end] = runs[r];
        Py_ssize_t parts = 1;
        for (Py_ssize_t j = start; j < end; ++j) parts += PyUnicode_READ(kind, data, j) == ',';
        Ref vertex = Ref::steal(PyList_New(parts));
        Py_ssize_t from = start, part = 0;
        for (Py_ssize_t j = start; j <= end; ++j) {
            if (j < end && PyUnicode_READ(kind, data, j) != ',') continue;
            PyList_SET_ITEM(vertex.get(), part++, ordinate(text, data, kind, from, j).release());
            from = j + 1;
        }
        PyList_SET_ITEM(result.get(), r, vertex.release());
    }
    return result;
}

bool tag_is(PyObject* tag, const char* name) {
    return PyUnicode_Check(tag) && PyUnicode_CompareWithASCIIString(tag, name) == 0;
}

Ref new_list(const std::vector<Ref>& items) {
    Ref list = Ref::steal(PyList_New(static_cast<Py_ssize_t>(items.size())));
    for (size_t i = 0; i < items.size(); ++i)
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), Ref(items[i]).release());
    return list;
}

// The result of findall() as an exact list (lxml gives one already).
Ref as_list(Ref found) {
    if (PyList_CheckExact(found.get())) return found;
    return Ref::steal(PySequence_List(found));
}

class Reader {
public:
    Reader()
        : namespaces_(Ref::steal(PyDict_New())),
          track_tag_(Ref::steal(PyUnicode_FromFormat("{%s}Track", kGxNamespace))) {
        if (PyDict_SetItemString(namespaces_, "gx", text(kGxNamespace)) < 0)
            throw PyError{};
    }

    // The dict of one element read as a root, or None for any other element.
    Ref root(PyObject* element, int depth) {
        Ref tag = getattr(element, ORB_STR("tag"));
        if (tag_is(tag, "Point"))
            return new_geometry(ORB_STR("Point"), ORB_STR("coordinates"), first_vertex(element));
        if (tag_is(tag, "LineString"))
            return new_geometry(ORB_STR("LineString"), ORB_STR("coordinates"),
                                coordinates(element));
        if (tag_is(tag, "Polygon"))
            return new_geometry(ORB_STR("Polygon"), ORB_STR("coordinates"), rings(element));
        if (tag_is(tag, "MultiGeometry")) return multi_geometry(element, depth);
        if (is_track(tag))
            return new_geometry(ORB_STR("LineString"), ORB_STR("coordinates"), track(element));
        return none();
    }

private:
    bool is_track(PyObject* tag) const {
        return tag_is(tag, "Track") ||
               (PyUnicode_Check(tag) && PyUnicode_Compare(tag, track_tag_) == 0);
    }

    // Coordinates rule: the vertices of the first `coordinates` child, or
    // None without one.
    Ref coordinates(PyObject* element) {
        Ref child = call_method(element, ORB_STR("find"), {ORB_STR("coordinates")});
        if (child.get() == Py_None) return child;
        return read_vertices(getattr(child, ORB_STR("text")), Split::Tuples);
    }

    // coordinates[0]: a Point without coordinates fails on None, one with
    // whitespace only on the empty list, both as the interpreter would.
    Ref first_vertex(PyObject* element) {
        return Ref::steal(PyObject_GetItem(coordinates(element), integer(0)));
    }

    // The outer ring, then every inner ring in document order, whether each
    // hole has its own innerBoundaryIs or several share one.
    Ref rings(PyObject* element) {
        Ref outer = call_method(element, ORB_STR("find"),
                                {ORB_STR("outerBoundaryIs/LinearRing")});
        std::vector<Ref> ring_list{coordinates(outer)};
        Ref inner = as_list(call_method(element, ORB_STR("findall"),
                                        {ORB_STR("innerBoundaryIs/LinearRing")}));
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(inner.get()); ++i)
            ring_list.push_back(coordinates(PyList_GET_ITEM(inner.get(), i)));
        return new_list(ring_list);
    }

    // One vertex per coord child: the extension's own, or the plain ones
    // when there are none, never the two mixed.
    Ref track(PyObject* element) {
        Ref coords = as_list(call_method(element, ORB_STR("findall"),
                                         {ORB_STR("gx:coord"), namespaces_.get()}));
        if (PyList_GET_SIZE(coords.get()) == 0)
            coords = as_list(call_method(element, ORB_STR("findall"), {ORB_STR("coord")}));
        std::vector<Ref> vertices;
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(coords.get()); ++i)
            vertices.push_back(read_vertices(
                getattr(PyList_GET_ITEM(coords.get(), i), ORB_STR("text")), Split::Single));
        return new_list(vertices);
    }

    // Points, lines and polygons among the direct children are grouped by
    // kind.  One kind alone gives the multi-part type; a mix gives a
    // collection of the points, then the lines, then the polygons.  Nested
    // MultiGeometry and Track children follow them in the collection, each
    // read as a root, so that a collection with multi-part members keeps
    // them; a nested element holding no geometry adds nothing.
    Ref multi_geometry(PyObject* element, int depth) {
        std::vector<Ref> points, lines, polygons, nested;
        Ref children = Ref::steal(PyObject_GetIter(element));
        while (Ref child = Ref::steal_or_null(PyIter_Next(children))) {
            Ref tag = getattr(child, ORB_STR("tag"));
            if (tag_is(tag, "Point")) points.push_back(child);
            else if (tag_is(tag, "LineString")) lines.push_back(child);
            else if (tag_is(tag, "Polygon")) polygons.push_back(child);
            else if (tag_is(tag, "MultiGeometry") || is_track(tag)) nested.push_back(child);
        }
        check_error();

        std::vector<Ref> point_coords, line_coords, polygon_coords;
        for (const Ref& p : points) point_coords.push_back(first_vertex(p));
        for (const Ref& l : lines) line_coords.push_back(coordinates(l));
        for (const Ref& p : polygons) polygon_coords.push_back(rings(p));

        const bool has_points = !points.empty(), has_lines = !lines.empty(),
                   has_polygons = !polygons.empty();
        if (nested.empty()) {
            if (has_points && !has_lines && !has_polygons)
                return new_geometry(ORB_STR("MultiPoint"), ORB_STR("coordinates"),
                                    new_list(point_coords));
            if (has_lines && !has_points && !has_polygons)
                return new_geometry(ORB_STR("MultiLineString"), ORB_STR("coordinates"),
                                    new_list(line_coords));
            if (has_polygons && !has_points && !has_lines)
                return new_geometry(ORB_STR("MultiPolygon"), ORB_STR("coordinates"),
                                    new_list(polygon_coords));
        }

        std::vector<Ref> members;
        for (const Ref& c : point_coords)
            members.push_back(new_geometry(ORB_STR("Point"), ORB_STR("coordinates"), c));
        for (const Ref& c : line_coords)
            members.push_back(new_geometry(ORB_STR("LineString"), ORB_STR("coordinates"), c));
        for (const Ref& c : polygon_coords)
            members.push_back(new_geometry(ORB_STR("Polygon"), ORB_STR("coordinates"), c));
        if (!nested.empty()) check_nesting(depth + 1);
        for (const Ref& n : nested) {
            Ref member = root(n, depth + 1);
            if (member.get() != Py_None) members.push_back(member);
        }
        if (members.empty()) return none();
        return new_geometry(ORB_STR("GeometryCollection"), ORB_STR("geometries"),
                            new_list(members));
    }

    Ref namespaces_;
    Ref track_tag_;
};

}  // namespace

Ref from_kml(Args a) {
    PyObject* geometry = a[1];
    Reader reader;
    Ref etree = global(ORB_STR("etree"));
    Ref element;
    if (PyUnicode_CheckExact(geometry)) {
        element = parse_xml(geometry);
    } else if (reinterpret_cast<PyObject*>(Py_TYPE(geometry)) ==
               getattr(etree, ORB_STR("_Element")).get()) {
        element = Ref::borrow(geometry);
    } else {
        raise(PyExc_Exception, msg::kNotSupported);
    }
    return reader.root(element, 0);
}

}  // namespace orb::geom
