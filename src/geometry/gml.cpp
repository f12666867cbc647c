// GML conversion, a thin adapter around pygml.
//
// Reading: pygml's geo interface dict, with every coordinate tuple turned
// into a list; a collection's members are converted the same way, so a GML
// multi-geometry reads as a GeometryCollection dict.  Before pygml sees the
// element, its positions are checked and put in the forms pygml reads as
// meant (see `Positions` below); text is parsed with entities left
// unresolved, and a caller's element is never changed (a copy is made when
// something must be rewritten).
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
#include "geometry/textutil.h"

#include <algorithm>
#include <string>
#include <string_view>
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

// --- reading ----------------------------------------------------------------

// The namespaces pygml reads: GML before 3.2 (GML 2, 3.0 and 3.1), GML 3.2,
// and the compact encodings of GML 3.3, whose elements may also carry
// srsDimension.
constexpr std::string_view kGmlOld = "http://www.opengis.net/gml";
constexpr std::string_view kGml32 = "http://www.opengis.net/gml/3.2";
constexpr std::string_view kGmlCe = "http://www.opengis.net/gml/3.3/ce";

// What the reader needs of an element's tag.
struct Tag {
    bool gml = false;        // in one of the three namespaces
    bool positions = false;  // in a namespace of pos, posList and coordinates
    bool old = false;        // in the namespace before 3.2
    std::string local;       // the name without its namespace
};

Tag tag_of(PyObject* element) {
    Tag t;
    Ref tag = getattr(element, ORB_STR("tag"));
    if (!PyUnicode_Check(tag)) return t;  // a comment, processing instruction or entity
    const std::string name = utf8(tag);
    const size_t close = name.find('}');
    if (name.empty() || name[0] != '{' || close == std::string::npos) return t;
    const std::string_view ns(name.data() + 1, close - 1);
    t.local = name.substr(close + 1);
    t.old = ns == kGmlOld;
    t.positions = t.old || ns == kGml32;
    t.gml = t.positions || ns == kGmlCe;
    return t;
}

// element.get(name), None when absent.
Ref attribute(PyObject* element, PyObject* name) {
    return call_method(element, ORB_STR("get"), {name});
}

// The value of a srsDimension attribute, read as int() reads it (pygml's
// own reading of a posList's attribute): an integer of at least 2, since a
// vertex of a geometry dict holds two ordinates or more.
long long dimension_of(PyObject* value) {
    long long d = 0;
    if (PyUnicode_Check(value)) {
        Ref number = Ref::steal_or_null(PyLong_FromUnicodeObject(value, 10));
        if (number) {
            int overflow = 0;
            d = PyLong_AsLongLongAndOverflow(number, &overflow);
            check_error();
            if (overflow) d = 0;
        } else if (PyErr_ExceptionMatches(PyExc_ValueError)) {
            PyErr_Clear();
        } else {
            throw PyError{};
        }
    }
    if (d < 2) raisef(PyExc_ValueError, msg::kGmlDimension, value);
    return d;
}

// Refuses a token that float() cannot read, the conversion pygml applies.
void check_number(PyObject* token) {
    if (Ref::steal_or_null(PyFloat_FromString(token))) return;
    if (!PyErr_ExceptionMatches(PyExc_ValueError)) throw PyError{};
    PyErr_Clear();
    raisef(PyExc_ValueError, msg::kGmlNumber, token);
}

// `text` split at `separator`, each piece stripped.  A separator of white
// space alone stands for any run of it, the way GML's default tuple
// separator " " is written and read (line breaks, indentation).
Ref split(PyObject* text, PyObject* separator) {
    if (!separator || blank(separator)) return Ref::steal(PyUnicode_Split(text, nullptr, -1));
    Ref pieces = Ref::steal(PyUnicode_Split(text, separator, -1));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(pieces.get()); ++i) {
        Ref piece = strip(PyList_GET_ITEM(pieces.get(), i));
        if (PyList_SetItem(pieces, i, piece.release()) < 0) throw PyError{};
    }
    return pieces;
}

// How many numbers the text of a pos or posList holds, each checked; -1
// for an element without text.
Py_ssize_t count_numbers(PyObject* element) {
    Ref value = getattr(element, ORB_STR("text"));
    if (value.get() == Py_None) return -1;
    Ref tokens = split(value, nullptr);
    const Py_ssize_t n = PyList_GET_SIZE(tokens.get());
    for (Py_ssize_t i = 0; i < n; ++i) check_number(PyList_GET_ITEM(tokens.get(), i));
    return n;
}

// Checks the positions of a GML tree and, when `rewrite` is set, puts them
// in the forms pygml reads as meant:
// - a pos holds one whole vertex: as many numbers as the srsDimension in
//   force, or at least two when none is;
// - a posList divides into vertices of the srsDimension in force (2 when
//   none is); one that has no srsDimension of its own is given the one of
//   the nearest enclosing element that has, which pygml would not look for;
// - a coordinates element is read as GML defines it: vertices separated by
//   its `ts` (default " "), ordinates by its `cs` (default ","), the
//   decimal mark given by `decimal` (default ".").  pygml's reader splits
//   vertices at `cs` and ordinates at `ts`, the reverse of their meaning,
//   so the text handed to it has ordinates joined by " " and vertices by
//   ",", the decimal mark ".", and no separator attributes of its own;
// - the GML 2 names of the polygon boundaries, outerBoundaryIs and
//   innerBoundaryIs, become exterior and interior, the names pygml reads.
// Without `rewrite` nothing is changed, and `changed()` tells whether a
// rewrite would change anything.  The walk keeps its own stack, so the
// depth of a tree is bounded only by memory.
class Positions {
public:
    explicit Positions(bool rewrite) : rewrite_(rewrite) {}
    bool changed() const noexcept { return changed_; }

    // `dimension` is the srsDimension in force above the root, or empty.
    void walk(PyObject* root, Ref dimension) {
        std::vector<Frame> stack;
        stack.push_back({Ref::borrow(root), std::move(dimension), false});
        while (!stack.empty()) {
            Frame frame = std::move(stack.back());
            stack.pop_back();
            const Tag tag = tag_of(frame.element);
            if (tag.local.empty()) continue;
            Ref own;
            if (tag.gml) {
                own = attribute(frame.element, ORB_STR("srsDimension"));
                if (own.get() == Py_None) own = Ref();
                else frame.dimension = own;
            }
            if (tag.positions) {
                if (tag.local == "pos") pos(frame.element, frame.dimension);
                else if (tag.local == "posList") pos_list(frame.element, own, frame.dimension);
                else if (tag.local == "coordinates")
                    coordinates(frame.element, frame.dimension, frame.in_point);
                else if (tag.old && tag.local == "outerBoundaryIs")
                    rename(frame.element, "exterior");
                else if (tag.old && tag.local == "innerBoundaryIs")
                    rename(frame.element, "interior");
            }
            const bool point = tag.gml && tag.local == "Point";
            Ref children = Ref::steal(PySequence_List(frame.element));
            for (Py_ssize_t i = PyList_GET_SIZE(children.get()); i-- > 0;)
                stack.push_back({Ref::borrow(PyList_GET_ITEM(children.get(), i)), frame.dimension, point});
        }
    }

private:
    struct Frame {
        Ref element;
        Ref dimension;  // srsDimension text in force, or empty
        bool in_point;  // the parent is a GML Point
    };

    void pos(PyObject* element, PyObject* dimension) {
        const Py_ssize_t n = std::max<Py_ssize_t>(count_numbers(element), 0);
        if (dimension) {
            const long long d = dimension_of(dimension);
            if (n != d) raisef(PyExc_ValueError, msg::kGmlVertex, n, d);
        } else if (n < 2) {
            raisef(PyExc_ValueError, msg::kGmlShortVertex, n);
        }
    }

    void pos_list(PyObject* element, PyObject* own, PyObject* dimension) {
        const Py_ssize_t n = count_numbers(element);
        if (n < 0) return;  // no text: left to pygml, which refuses it
        const long long d = dimension ? dimension_of(dimension) : 2;
        if (n % d != 0) raisef(PyExc_ValueError, msg::kGmlPosList, n, d);
        if (own || d == 2) return;
        changed_ = true;
        if (rewrite_)
            call_method(element, ORB_STR("set"),
                        {ORB_STR("srsDimension"), text(std::to_string(d)).get()});
    }

    void coordinates(PyObject* element, PyObject* dimension, bool in_point) {
        Ref cs = separator(element, ORB_STR("cs"), ORB_STR(","));
        Ref ts = separator(element, ORB_STR("ts"), ORB_STR(" "));
        Ref decimal = separator(element, ORB_STR("decimal"), ORB_STR("."));
        check_separators(cs, ts, decimal);
        const bool point_decimal = compare(decimal, ORB_STR("."), Py_EQ);

        Ref value = getattr(element, ORB_STR("text"));
        Ref vertices = value.get() == Py_None ? Ref::steal(PyList_New(0)) : split(value, ts);
        const Py_ssize_t count = PyList_GET_SIZE(vertices.get());
        if (count == 0) raise(PyExc_ValueError, msg::kGmlNoVertex);
        if (in_point && count != 1) raisef(PyExc_ValueError, msg::kGmlPointVertices, count);

        long long d = dimension ? dimension_of(dimension) : 0;
        for (Py_ssize_t i = 0; i < count; ++i) {
            Ref ordinates = split(PyList_GET_ITEM(vertices.get(), i), cs);
            const Py_ssize_t n = PyList_GET_SIZE(ordinates.get());
            for (Py_ssize_t j = 0; j < n; ++j) {
                Ref token = Ref::borrow(PyList_GET_ITEM(ordinates.get(), j));
                if (!point_decimal)
                    token = Ref::steal(PyUnicode_Replace(token, decimal, ORB_STR("."), -1));
                check_number(token);
                if (PyList_SetItem(ordinates, j, token.release()) < 0) throw PyError{};
            }
            if (d == 0) {
                if (n < 2) raisef(PyExc_ValueError, msg::kGmlShortVertex, n);
                d = n;  // the first vertex sets the dimension of the rest
            } else if (n != d) {
                raisef(PyExc_ValueError, msg::kGmlVertex, n, d);
            }
            Ref joined = Ref::steal(PyUnicode_Join(ORB_STR(" "), ordinates));
            if (PyList_SetItem(vertices, i, joined.release()) < 0) throw PyError{};
        }
        changed_ = true;
        if (!rewrite_) return;
        Ref joined = Ref::steal(PyUnicode_Join(ORB_STR(","), vertices));
        if (PyObject_SetAttr(element, ORB_STR("text"), joined) < 0) throw PyError{};
        Ref attrib = getattr(element, ORB_STR("attrib"));
        for (PyObject* name : {ORB_STR("cs"), ORB_STR("ts"), ORB_STR("decimal")})
            call_method(attrib, ORB_STR("pop"), {name, Py_None});
    }

    // The attribute `name` of a coordinates element, or its default.
    static Ref separator(PyObject* element, PyObject* name, PyObject* fallback) {
        Ref value = attribute(element, name);
        return value.get() == Py_None ? Ref::borrow(fallback) : value;
    }

    // The three separators must tell vertices, ordinates and the decimal
    // mark apart: none empty, cs and ts different (two of white space
    // alone count as the same), and a decimal mark that is neither of them
    // nor white space.
    static void check_separators(PyObject* cs, PyObject* ts, PyObject* decimal) {
        auto empty = [](PyObject* s) { return PyUnicode_GET_LENGTH(s) == 0; };
        const bool cs_blank = blank(cs), ts_blank = blank(ts);
        const bool ok = !empty(cs) && !empty(ts) && !empty(decimal) && !blank(decimal) &&
                        !(cs_blank && ts_blank) && !compare(cs, ts, Py_EQ) &&
                        !compare(decimal, cs, Py_EQ) && !compare(decimal, ts, Py_EQ);
        if (!ok) raisef(PyExc_ValueError, msg::kGmlSeparators, cs, ts, decimal);
    }

    // Renames an element of the namespace before 3.2.
    void rename(PyObject* element, const char* local) {
        changed_ = true;
        if (!rewrite_) return;
        const std::string tag = "{" + std::string(kGmlOld) + "}" + local;
        if (PyObject_SetAttr(element, ORB_STR("tag"), text(tag)) < 0) throw PyError{};
    }

    bool rewrite_;
    bool changed_ = false;
};

// The srsDimension in force above an element handed in by the caller: that
// of its nearest GML ancestor that has one, or empty.
Ref inherited_dimension(PyObject* element) {
    Ref ancestors = Ref::steal(PySequence_List(call_method(element, ORB_STR("iterancestors"), {})));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(ancestors.get()); ++i) {
        PyObject* ancestor = PyList_GET_ITEM(ancestors.get(), i);
        if (!tag_of(ancestor).gml) continue;
        Ref value = attribute(ancestor, ORB_STR("srsDimension"));
        if (value.get() != Py_None) return value;
    }
    return Ref();
}

// The element pygml is given.  Text (anything that is not an lxml element,
// whose errors then come from lxml as before) is parsed by a parser that
// resolves no entities and loads no DTD, and is rewritten in place.  A
// caller's element is checked where it stands and copied before any
// rewrite, so it is never changed; an element that needs none is handed on
// as it is.
Ref gml_element(PyObject* source) {
    Ref etree = global(ORB_STR("etree"));
    if (!truth(call(getattr(etree, ORB_STR("iselement")), {source}))) {
        Ref element = parse_xml(source);
        Positions(true).walk(element, Ref());
        return element;
    }
    Ref outer = inherited_dimension(source);
    Positions check(false);
    check.walk(source, outer);
    if (!check.changed()) return Ref::borrow(source);
    Ref copy = call_method(source, ORB_STR("__copy__"), {});
    Positions(true).walk(copy, outer);
    return copy;
}

}  // namespace

Ref from_gml(Args a) {
    Ref element = gml_element(a[1]);
    Ref parsed = call(getattr(global(ORB_STR("pygml")), ORB_STR("parse")), {element.get()});
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
