// GeoJSON text, free text and hexadecimal WKB reading.
#include "geometry/text_read.h"

#include "geometry/messages.h"
#include "geometry/textutil.h"
#include "geometry/wkb_nesting.h"
#include "geometry/wkt_read.h"

#include <string>

namespace orb::geom {
namespace {

// Free text: a run of blanks (the ideographic space included) and the
// token split.
const Pattern kBlankRun(R"re([\s　]+)re");
const Pattern kTokenSplit(R"re([,\s]+)re");

// {Point kind, Multi kind} that a GeoJSON object's "type" may name under
// codes 0, 1 and 2, besides GeometryCollection.
constexpr Type kAllowed[3][2] = {
    {Type::Point, Type::MultiPoint},
    {Type::LineString, Type::MultiLineString},
    {Type::Polygon, Type::MultiPolygon},
};

// d[key] of a decoded JSON object, or an empty Ref when the key is absent.
Ref member(PyObject* d, PyObject* key) {
    if (PyDict_CheckExact(d)) {
        PyObject* v = PyDict_GetItemWithError(d, key);
        if (!v) check_error();
        return Ref::borrow(v);
    }
    int has = PySequence_Contains(d, key);
    if (has < 0) throw PyError{};
    return has ? Ref::steal(PyObject_GetItem(d, key)) : Ref();
}

// The "coordinates" member, which must be exactly a list.
Ref coordinates_member(PyObject* v) {
    Ref list = member(v, ORB_STR("coordinates"));
    if (list && !PyList_CheckExact(list)) raise(PyExc_Exception, msg::kInvalidCoordinates);
    return list;
}

inline PyObject* or_none(const Ref& r) { return r ? r.get() : Py_None; }

Ref first_of(PyObject* list) {
    Ref zero = integer(0);
    return Ref::steal(PyObject_GetItem(list, zero));
}

// The type of an untyped JSON array under codes 0, 1 and 2, read from its
// first items; Type::None when no row applies.  None and empty arrays fail
// with the interpreter's own TypeError and IndexError.
Type type_by_first_items(PyObject* list, int block) {
    Ref f = first_of(list);
    if (block == 0) return PyList_CheckExact(f) ? Type::MultiPoint : Type::Point;
    // An array of objects is no coordinate array at all.
    if (PyDict_Check(f)) raise(PyExc_Exception, msg::kInvalidCoordinates);
    if (!PyList_CheckExact(f)) return Type::None;
    Ref g = first_of(f);
    if (block == 1) {
        if (!PyList_CheckExact(g)) return Type::LineString;
        Ref h = first_of(g);
        return PyList_CheckExact(h) ? Type::None : Type::MultiLineString;
    }
    if (!PyList_CheckExact(g)) return Type::None;
    Ref h = first_of(g);
    if (!PyList_CheckExact(h)) return Type::Polygon;
    Ref i = first_of(h);
    return PyList_CheckExact(i) ? Type::None : Type::MultiPolygon;
}

Ref read_geojson(PyObject* cls, PyObject* text, int block, const Code& code) {
    Ref v = json_loads(text);
    if (block == -1) {
        if (PyDict_Check(v)) {
            Ref type = member(v, ORB_STR("type"));
            Ref list = coordinates_member(v);
            if (!list && member(v, ORB_STR("geometries"))) return load_again(cls, v);
            if ((!type || type.get() == Py_None) && list) return load_again(cls, list);
            return normalise(or_none(type), or_none(list), code);
        }
        if (PyList_Check(v)) return load_again(cls, v);
        raise(PyExc_Exception, msg::kInvalidParameter);
    }
    Ref type, list;
    if (PyDict_Check(v)) {
        type = member(v, ORB_STR("type"));
        if (type) {
            Type t = type_of(type, kTypeCount);
            const Type* allowed = kAllowed[block];
            if (t != allowed[0] && t != allowed[1] && t != Type::GeometryCollection)
                raise(PyExc_Exception, msg::kInvalidCode);
        }
        list = coordinates_member(v);
        if (!list && member(v, ORB_STR("geometries"))) return load_again(cls, v);
    } else if (PyList_Check(v)) {
        list = v;
    }
    if (!type) {
        Type t = type_by_first_items(or_none(list), block);
        if (t == Type::None) raise(PyExc_Exception, msg::kInvalidParameter);
        type = Ref::borrow(type_text(t));
    }
    return normalise(type, or_none(list), code);
}

bool is_comma(Py_UCS4 c) { return c == ',' || c == 0xFF0C; }  // ASCII or fullwidth

// re.sub of "(\s*[,，]+\s*)+" by ",": every run of white space and commas
// that holds a comma becomes one ASCII comma.  The pattern's leftmost
// match starts where such a run starts and, being greedy, takes all of it;
// a run of blanks alone never matches.  Written as one pass because the
// pattern retries from every blank of a long blank run that no comma
// follows, which takes time in the square of the run's length.
Ref collapse_comma_runs(PyObject* s) {
    const CodePoints c(s);
    std::u32string out;
    out.reserve(static_cast<size_t>(c.size()));
    for (Py_ssize_t i = 0; i < c.size();) {
        if (!c.space(i) && !is_comma(c[i])) {
            out += c[i++];
            continue;
        }
        const Py_ssize_t start = i;
        bool comma = false;
        for (; i < c.size() && (c.space(i) || is_comma(c[i])); ++i) comma = comma || is_comma(c[i]);
        if (comma) {
            out += U',';
        } else {
            for (Py_ssize_t k = start; k < i; ++k) out += c[k];
        }
    }
    return Ref::steal(PyUnicode_FromKindAndData(PyUnicode_4BYTE_KIND, out.data(),
                                                static_cast<Py_ssize_t>(out.size())));
}

// A single token: hexadecimal WKB or EWKB, read by shapely and returned as
// converted, without normalisation and without a code test.  Collections
// nested too deep for shapely's reader are refused before it sees them.
Ref read_wkb(PyObject* cls, PyObject* token) {
    check_wkb_nesting(token);
    Ref shapely = global(ORB_STR("shapely"));
    Ref geometry = call_method(shapely, ORB_STR("from_wkb"), {token});
    return call_method(cls, ORB_STR("fromShapely"), {geometry});
}

// The type free text of n tokens makes under a block, or Type::None.
Type free_text_type(int block, Py_ssize_t n) {
    const bool pairs = n >= 4 && n % 2 == 0;
    switch (block) {
        case -1: return n == 2 ? Type::Point : pairs ? Type::LineString : Type::None;
        case 0: return n == 2 ? Type::Point : pairs ? Type::MultiPoint : Type::None;
        case 1: return pairs ? Type::LineString : Type::None;
        default: return pairs && n >= 6 ? Type::Polygon : Type::None;
    }
}

Ref read_free(PyObject* cls, PyObject* text, int block, const Code& code) {
    // Every match of the three patterns holds a comma or white space, so a
    // text without them (a WKB token) is left as it is without asking re.
    Ref s = strip(text);
    const bool commas = contains(s, ',') || contains(s, 0xFF0C);
    if (commas) s = collapse_comma_runs(s);
    const bool blanks = contains_space(s);
    if (blanks) s = re_sub(kBlankRun, ORB_STR(" "), s);
    Ref tokens;
    if (commas || blanks) {
        tokens = re_split(kTokenSplit, s);
    } else {
        tokens = Ref::steal(PyList_New(1));
        PyList_SET_ITEM(tokens.get(), 0, Ref(s).release());
    }
    const Py_ssize_t n = PyList_GET_SIZE(tokens.get());
    if (n == 1) return read_wkb(cls, PyList_GET_ITEM(tokens.get(), 0));
    const Type t = free_text_type(block, n);
    if (t == Type::None) raise(PyExc_Exception, msg::kInvalidParameter);

    // The tokens go into JSON text as they stand: "[x,y]" for a point,
    // "[[x,y],...]" for a line or point set, "[[[x,y],...]]" for one ring.
    Ref parts = Ref::steal(PyList_New(0));
    const char* open = t == Type::Point ? "[" : t == Type::Polygon ? "[[[" : "[[";
    const char* close = t == Type::Point ? "]" : t == Type::Polygon ? "]]]" : "]]";
    append(parts, orb::text(open));
    for (Py_ssize_t i = 0; i + 1 < n; i += 2) {
        if (i) append(parts, Ref::borrow(ORB_STR("],[")));
        append(parts, Ref::borrow(PyList_GET_ITEM(tokens.get(), i)));
        append(parts, Ref::borrow(ORB_STR(",")));
        append(parts, Ref::borrow(PyList_GET_ITEM(tokens.get(), i + 1)));
    }
    append(parts, orb::text(close));
    Ref list = json_loads(join(ORB_STR(""), parts));
    return normalise(type_text(t), list, code);
}

}  // namespace

int text_block(const Code& code) {
    if (code.equals(-1) || code.is_none()) return -1;
    for (int k = 0; k <= 2; ++k)
        if (code.equals(k)) return k;
    raise_format(msg::kCodeText, code.object());
}

Ref read_text(PyObject* cls, PyObject* text, const Code& code) {
    const int block = text_block(code);
    if (holds_pair(text, '[', ']')) return read_geojson(cls, text, block, code);
    if (holds_pair(text, '(', ')')) return read_wkt(cls, text, block, code);
    return read_free(cls, text, block, code);
}

}  // namespace orb::geom
