// KML writing: Geometry.toKml builds an lxml element tree whose root is the
// geometry element itself (Point, LineString, Polygon or MultiGeometry),
// with plain tag names, no namespace and no attributes.  Only `coordinates`
// elements hold text: a vertex is its ordinates' str() joined by ",", a line
// or ring its vertices joined by " ", written exactly as held.
#include "geometry/kml_writer.h"

#include "geometry/geometry_input.h"
#include "geometry/geomtype.h"
#include "geometry/loads.h"
#include "geometry/messages.h"
#include "geometry/vertex.h"

#include <string>
#include <vector>

namespace orb::geom {
namespace {

// The interpreter's str() of one ordinate, appended to `out`.  Exact floats
// and strings skip the object round trip; everything else goes through
// PyObject_Str, as str() would.
void append_ordinate(PyObject* v, std::string& out) {
    if (PyFloat_CheckExact(v)) {
        out += float_str(PyFloat_AS_DOUBLE(v));
    } else if (PyUnicode_CheckExact(v)) {
        out += utf8(v);
    } else {
        out += utf8(Ref::steal(PyObject_Str(v)));
    }
}

// Point text: every ordinate of the vertex (any iterable), joined by ",".
void append_point_text(PyObject* vertex, std::string& out) {
    bool first = true;
    for_each_item(vertex, [&](PyObject* v) {
        if (!first) out += ',';
        first = false;
        append_ordinate(v, out);
    });
}

// Line text of a line or ring (exactly a list): the point texts joined by " ".
Ref line_text(PyObject* coords) {
    std::string out;
    bool first = true;
    for_each_item(coords, [&](PyObject* vertex) {
        if (!first) out += ' ';
        first = false;
        append_point_text(vertex, out);
    });
    return text(out);
}

// The value under `key`, or a new empty list when the key is missing.
Ref list_or_empty(PyObject* dict, PyObject* key) {
    PyObject* v = PyDict_GetItemWithError(dict, key);
    if (v) return Ref::borrow(v);
    check_error();
    return Ref::steal(PyList_New(0));
}

// The dispatch table: type name -> the Type's number, looked up as a dict
// key so that an unhashable type value raises the interpreter's own
// TypeError.  Made once and kept for the life of the process, like the
// interned names.
PyObject* dispatch_table() {
    static PyObject* table = nullptr;
    if (!table) {
        Ref d = Ref::steal(PyDict_New());
        for (int i = 0; i < kTypeCount; ++i)
            if (PyDict_SetItem(d, type_text(static_cast<Type>(i)), integer(i)) < 0)
                throw PyError{};
        table = d.release();
    }
    return table;
}

// Raises the unknown-type message while the failed lookup's KeyError is
// being handled, so that KeyError becomes its context.
[[noreturn]] void raise_unknown_type(PyObject* type_value) {
    Ref key_error = call(PyExc_KeyError, {type_value});
    PyErr_SetObject(PyExc_Exception, formatted(msg::kNotValidGeometry, type_value));
    PyObject* raised = PyErr_GetRaisedException();
    PyException_SetContext(raised, key_error.release());
    PyErr_SetRaisedException(raised);
    throw PyError{};
}

class Writer {
public:
    Writer()
        : element_(getattr(global(ORB_STR("etree")), ORB_STR("Element"))) {}

    // Dispatcher: the tree of one geometry dict.
    Ref kml(PyObject* geojson, int depth) {
        require(geojson, Exact::Dict);
        Ref type_value = Ref::borrow(PyDict_GetItemWithError(geojson, ORB_STR("type")));
        if (!type_value) {
            check_error();
            type_value = Ref::steal(PyUnicode_FromString(""));
        }
        PyObject* found = PyDict_GetItemWithError(dispatch_table(), type_value);
        if (!found) {
            check_error();
            raise_unknown_type(type_value);
        }
        switch (static_cast<Type>(PyLong_AsLong(found))) {
            case Type::Point:
                return point(list_or_empty(geojson, ORB_STR("coordinates")));
            case Type::MultiPoint:
                return multi(list_or_empty(geojson, ORB_STR("coordinates")),
                             [&](PyObject* p) { return point(p); });
            case Type::LineString:
                return line_string(list_or_empty(geojson, ORB_STR("coordinates")));
            case Type::MultiLineString:
                return multi(list_or_empty(geojson, ORB_STR("coordinates")),
                             [&](PyObject* l) { return line_string(l); });
            case Type::Polygon:
                return polygon(list_or_empty(geojson, ORB_STR("coordinates")));
            case Type::MultiPolygon:
                return multi(list_or_empty(geojson, ORB_STR("coordinates")),
                             [&](PyObject* p) { return polygon(p); });
            case Type::GeometryCollection:
                check_nesting(depth + 1);
                return multi(list_or_empty(geojson, ORB_STR("geometries")),
                             [&](PyObject* g) { return kml(g, depth + 1); });
            case Type::None:
                break;
        }
        return none();  // not reached: the table holds the seven names only
    }

private:
    // Element rule: a new element named `tag` with text, one child or a
    // list of children.
    Ref element(PyObject* tag) { return call(element_, {tag}); }
    Ref with_text(PyObject* tag, PyObject* text) {
        Ref e = element(tag);
        if (PyObject_SetAttr(e, ORB_STR("text"), text) < 0) throw PyError{};
        return e;
    }
    Ref with_children(PyObject* tag, const std::vector<Ref>& children) {
        Ref e = element(tag);
        for (const Ref& c : children) call_method(e, ORB_STR("append"), {c.get()});
        return e;
    }
    Ref with_child(PyObject* tag, const Ref& child) { return with_children(tag, {child}); }

    Ref point(PyObject* coords) {
        std::string out;
        append_point_text(coords, out);
        return with_child(ORB_STR("Point"), with_text(ORB_STR("coordinates"), text(out)));
    }

    Ref line_string(PyObject* coords) {
        require(coords, Exact::List);
        return with_child(ORB_STR("LineString"),
                          with_text(ORB_STR("coordinates"), line_text(coords)));
    }

    // `boundary` > LinearRing > coordinates for one ring (exactly a list).
    Ref boundary(PyObject* tag, PyObject* ring) {
        require(ring, Exact::List);
        Ref linear_ring = with_child(ORB_STR("LinearRing"),
                                     with_text(ORB_STR("coordinates"), line_text(ring)));
        return with_child(tag, linear_ring);
    }

    // The first ring is the outer boundary, every further ring one hole.
    Ref polygon(PyObject* coords) {
        // coords[0] and coords[1:], by subscript as the interpreter does.
        Ref outer_ring = Ref::steal(PyObject_GetItem(coords, integer(0)));
        Ref from_second = Ref::steal(PySlice_New(integer(1), nullptr, nullptr));
        Ref holes = Ref::steal(PyObject_GetItem(coords, from_second));
        std::vector<Ref> children{boundary(ORB_STR("outerBoundaryIs"), outer_ring)};
        for_each_item(holes, [&](PyObject* hole) {
            children.push_back(boundary(ORB_STR("innerBoundaryIs"), hole));
        });
        return with_children(ORB_STR("Polygon"), children);
    }

    // MultiGeometry with one tree per item of any iterable.
    template <class F>
    Ref multi(PyObject* items, F&& build) {
        std::vector<Ref> children;
        for_each_item(items, [&](PyObject* item) { children.push_back(build(item)); });
        return with_children(ORB_STR("MultiGeometry"), children);
    }

    Ref element_;
};

}  // namespace

Ref to_kml(Args a) {
    Ref geojson = geometry_dict(a[0], a[1]);
    Writer writer;
    return writer.kml(geojson, 0);
}

}  // namespace orb::geom
