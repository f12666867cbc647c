// Geometry.toWkt: OGC well-known text written from a geometry dict.
//
// The text is built level by level: a vertex is its ordinates joined by one
// blank, every sequence is its items joined by "," inside "(...)", and the
// whole is the upper-cased type name, a blank and the body.  Each ordinate
// is the interpreter's str() of the value held, so an int stays an int and
// a float reads as repr() gives it (1.0, 1e-05, 1e+16).  There is no
// dimension tag, EMPTY keyword or SRID prefix.
//
// The text is assembled as UTF-8 in one buffer and decoded once at the end.
// Text ordinates holding lone surrogates are carried through with the
// "surrogatepass" handler, so they come out exactly as str() would join them.
#include "geometry/wkt_writer.h"

#include "frame/float_repr.h"
#include "geometry/geomtype.h"
#include "geometry/dict_walk.h"

#include <charconv>
#include <string>

namespace orb::geom {
namespace {

// Appends the UTF-8 form of the text `s`.
void append_text(std::string& out, PyObject* s) {
    Py_ssize_t size = 0;
    if (const char* p = PyUnicode_AsUTF8AndSize(s, &size)) {
        out.append(p, static_cast<size_t>(size));
        return;
    }
    if (!PyErr_ExceptionMatches(PyExc_UnicodeEncodeError)) throw PyError{};
    PyErr_Clear();
    Ref bytes = Ref::steal(PyUnicode_AsEncodedString(s, "utf-8", "surrogatepass"));
    out.append(PyBytes_AS_STRING(bytes.get()), static_cast<size_t>(PyBytes_GET_SIZE(bytes.get())));
}

// Appends str(value) of one ordinate.  Exact floats and ints that fit in 64
// bits are written without making a text object; both give the same digits
// as str().
void append_ordinate(std::string& out, PyObject* value) {
    if (PyFloat_CheckExact(value)) {
        append_float_repr(out, PyFloat_AS_DOUBLE(value));
        return;
    }
    if (PyLong_CheckExact(value)) {
        int overflow = 0;
        const long long n = PyLong_AsLongLongAndOverflow(value, &overflow);
        if (!overflow && !(n == -1 && PyErr_Occurred())) {
            char digits[24];
            const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
            out.append(digits, end);
            return;
        }
        check_error();
    }
    if (PyUnicode_CheckExact(value)) {
        append_text(out, value);
        return;
    }
    Ref s = Ref::steal(PyObject_Str(value));
    append_text(out, s);
}

// Items of `seq` written by `write`, joined by `separator`.
template <class Write>
void append_joined(std::string& out, PyObject* seq, char separator, Write&& write) {
    bool first = true;
    for_each_item(seq, [&](PyObject* item) {
        if (!first) out += separator;
        first = false;
        write(item);
    });
}

// "x y z ..." of one vertex.
void append_vertex(std::string& out, PyObject* vertex) {
    append_joined(out, vertex, ' ', [&](PyObject* v) { append_ordinate(out, v); });
}

// "(v,v,...)": the vertices of a MultiPoint, a line or a ring.
void append_vertices(std::string& out, PyObject* vertices) {
    out += '(';
    append_joined(out, vertices, ',', [&](PyObject* v) { append_vertex(out, v); });
    out += ')';
}

// "((...),(...))": the lines of a MultiLineString or the rings of a Polygon.
void append_lines(std::string& out, PyObject* lines) {
    out += '(';
    append_joined(out, lines, ',', [&](PyObject* line) { append_vertices(out, line); });
    out += ')';
}

// The upper-cased type name as text, as "{}".format(type.upper()) gives it.
Ref type_name(PyObject* type) {
    Ref upper = call_method(type, ORB_STR("upper"), {});
    return format(upper, "");
}

// "TYPE body" from the UTF-8 body.
Ref with_type(PyObject* type, const std::string& body) {
    Ref name = type_name(type);
    std::string out;
    append_text(out, name);
    out.reserve(out.size() + 1 + body.size());
    out += ' ';
    out += body;
    return Ref::steal(PyUnicode_DecodeUTF8(out.data(), static_cast<Py_ssize_t>(out.size()),
                                           "surrogatepass"));
}

// The body of a geometry with `coordinates`, or nothing for a type outside
// the six coordinate types.
bool append_body(std::string& out, PyObject* type, PyObject* coords) {
    switch (type_of(type)) {
        case Type::Point:
            out += '(';
            append_vertex(out, coords);
            out += ')';
            return true;
        case Type::MultiPoint:
        case Type::LineString: append_vertices(out, coords); return true;
        case Type::MultiLineString:
        case Type::Polygon: append_lines(out, coords); return true;
        case Type::MultiPolygon:
            out += '(';
            append_joined(out, coords, ',', [&](PyObject* polygon) { append_lines(out, polygon); });
            out += ')';
            return true;
        default: return false;
    }
}

// "TYPE (body)" of a geometry with `coordinates`, or an empty Ref for a type
// outside the six coordinate types.  Kept out of line so that the buffer
// and the writers' locals stay out of the stack frame of each level of a
// collection's recursion.
[[gnu::noinline]] Ref simple(PyObject* type, PyObject* coords) {
    std::string body;
    if (!append_body(body, type, coords)) return Ref();
    return with_type(type, body);
}

// "GEOMETRYCOLLECTION (m,m,...)": every member written by the class's own
// toWkt, so a member may be any geometry input and a subclass is obeyed.
Ref collection(PyObject* cls, PyObject* type, PyObject* members) {
    Ref texts = Ref::steal(PyList_New(0));
    for_each_item(members, [&](PyObject* member) {
        Ref wkt = call_method(cls, ORB_STR("toWkt"), {member});
        if (PyList_Append(texts, wkt) < 0) throw PyError{};
    });
    Ref joined = Ref::steal(PyUnicode_Join(ORB_STR(","), texts));
    Ref name = type_name(type);
    return Ref::steal(PyUnicode_FromFormat("%U (%U)", name.get(), joined.get()));
}

}  // namespace

Ref to_wkt(Args a) {
    PyObject* cls = a[0];
    Ref geometry = as_dict(cls, a[1]);

    Ref type = Ref::steal(PyObject_GetItem(geometry, ORB_STR("type")));
    if (!truth(type)) invalid_geometry_type();

    if (has_key(geometry, ORB_STR("coordinates"))) {
        Ref coords = Ref::steal(PyObject_GetItem(geometry, ORB_STR("coordinates")));
        Ref wkt = simple(type, coords);
        if (!wkt) invalid_geometry_type();
        return wkt;
    }
    if (has_key(geometry, ORB_STR("geometries"))) {
        Ref members = Ref::steal(PyObject_GetItem(geometry, ORB_STR("geometries")));
        if (is_collection(type) && PyList_CheckExact(members))
            return collection(cls, type, members);
    }
    invalid_geometry_type();
}

}  // namespace orb::geom
