// WKT reading.
//
// Notation: the text is split into `name` (the characters before the first
// opening parenthesis of the match, leading white space excluded) and
// `body` (from that parenthesis to the last closing parenthesis of the
// text).  The body is tried against the tests of the block in order.
//
// Three of the searches are written as code instead of regular
// expressions.  Their patterns,
//   split:        [\s]*([^\(\)]*)[\s]*(\([\s\S]+\))
//   ring list:    ^\(\s*((\([^\(\)]+\)\s*,?\s*)*)\s*\)$
//   polygons:     (\(\s*(\([^\(\)]+\)\s*,?\s*)+\s*\))
// have overlapping quantifiers that a backtracking engine explores in
// polynomial (split: fourth power of a blank run) or exponential (ring
// list and polygons: three ways to cut each blank pair between rings)
// time when they fail, so a few hundred characters would hang the caller.
// Each is matched here in one pass with the result the pattern gives:
// every quantifier in them either has one way to succeed or leaves the
// rest unable to match, so the leftmost greedy match is found without
// going back.  White space is the interpreter's (\s on text).
//
// The text is read in place: each level works on spans of the caller's
// text object, so a collection's members are not copies of the rest of the
// text and memory stays proportional to the text however deep the
// collections nest.  Member text is copied out only where a pattern or a
// reader needs a text object of its own, and that is a piece without
// nested parentheses.  Collections nest at most kMaxNesting deep.  A
// subclass that overrides loads is handed each member as a text of its own,
// as the call gives it, so there memory grows with the depth, up to
// kMaxNesting copies.
#include "geometry/wkt_read.h"

#include "frame/original.h"
#include "geometry/geometry_input.h"
#include "geometry/messages.h"
#include "geometry/textutil.h"

#include <cstring>
#include <utility>
#include <vector>

namespace orb::geom {
namespace {

using Span = std::pair<Py_ssize_t, Py_ssize_t>;  // [first, last) code point indices

// The type word: the first run of non-blank characters of the name.
const Pattern kTypeWord(R"re(([\S]+)[\s\S]*)re", 8 /* re.MULTILINE */);
// Body tests written as patterns: one vertex, one vertex list.
const Pattern kPointTest(R"re(^\(([^\(,\)]*)\)$)re");
const Pattern kVertexListTest(R"re(^\(([^\(\)]*)\)$)re");
// Readers: ordinate split, vertex split, blank runs, rings and their content.
const Pattern kBlanks(R"re([\s]+)re");
const Pattern kCommas(R"re(,+)re");
const Pattern kBlankRun(R"re(\s+)re");
const Pattern kRing(R"re(\([^\(\)]*\))re");
const Pattern kRingContent(R"re(\(([\s\S]*)\))re");

bool is_paren(Py_UCS4 c) { return c == '(' || c == ')'; }

// --- the searches written as code ------------------------------------------

// The split pattern on a text in which the WKT test matched: `name` and
// `body` spans.  The match starts right after the last closing parenthesis
// before the first opening one; its name group skips leading white space
// and runs to that opening parenthesis, and its body runs from there to the
// last closing parenthesis of the text.
// Both ends are scanned from their own side, so a member deep in a long
// text costs the length of its name and of its closing run only.
bool split_name_body(const CodePoints& c, Span& name, Span& body) {
    Py_ssize_t open = -1, close_before_open = -1;
    for (Py_ssize_t i = 0; i < c.size() && open < 0; ++i) {
        if (c[i] == '(') open = i;
        else if (c[i] == ')') close_before_open = i;
    }
    if (open < 0) return false;
    Py_ssize_t last_close = c.size() - 1;
    while (last_close > open && c[last_close] != ')') --last_close;
    if (last_close < open + 2) return false;
    Py_ssize_t start = close_before_open + 1;
    Py_ssize_t first = start;
    while (first < open && c.space(first)) ++first;
    name = {first, open};
    body = {open, last_close + 1};
    return true;
}

// One ring "(" [^()]+ ")" at i followed by its separator \s* ,? \s*:
// the index after the separator, or -1 when no ring starts at i.
Py_ssize_t ring_and_separator(const CodePoints& c, Py_ssize_t i, Py_ssize_t end) {
    if (i >= end || c[i] != '(') return -1;
    Py_ssize_t j = i + 1;
    while (j < end && !is_paren(c[j])) ++j;
    if (j == i + 1 || j >= end || c[j] != ')') return -1;
    Py_ssize_t k = c.skip_space(j + 1);
    if (k < end && c[k] == ',') ++k;
    return c.skip_space(k);
}

// The ring-list test on the body: group 1 (the rings with their
// separators) when the whole body is "(" rings ")" with at least one ring.
bool ring_list(const CodePoints& c, Span& rings) {
    const Py_ssize_t n = c.size();
    Py_ssize_t i = c.skip_space(1);
    const Py_ssize_t first = i;
    for (Py_ssize_t next; (next = ring_and_separator(c, i, n)) >= 0;) i = next;
    if (i == first || i != n - 1 || c[i] != ')') return false;
    rings = {first, i};
    return true;
}

// Every polygon "(" rings ")" of the body, left to right without overlap.
std::vector<Span> polygon_search(const CodePoints& c) {
    std::vector<Span> found;
    const Py_ssize_t n = c.size();
    for (Py_ssize_t p = 0; p < n;) {
        if (c[p] == '(') {
            Py_ssize_t i = c.skip_space(p + 1);
            const Py_ssize_t first = i;
            for (Py_ssize_t next; (next = ring_and_separator(c, i, n)) >= 0;) i = next;
            if (i != first && i < n && c[i] == ')') {
                found.push_back({p, i + 1});
                p = i + 1;
                continue;
            }
        }
        ++p;
    }
    return found;
}

// --- collection members ------------------------------------------------------

// Type names a member text may start with, in any letter case.
constexpr const char* kMemberNames[] = {
    "POINT", "MULTIPOINT", "LINESTRING", "MULTILINESTRING",
    "POLYGON", "MULTIPOLYGON", "GEOMETRYCOLLECTION",
};
constexpr const char* kTags[] = {"ZM", "Z", "M"};

// Length of `word` (upper-case ASCII) at i, matched without regard to
// letter case and followed by white space or "(", else 0.
Py_ssize_t word_at(const CodePoints& c, Py_ssize_t i, const char* word) {
    if (!c.ascii_at(i, word)) return 0;
    const Py_ssize_t k = static_cast<Py_ssize_t>(std::strlen(word));
    if (i + k < c.size() && !c.space(i + k) && c[i + k] != '(') return 0;
    return k;
}

// The index of the "(" that opens a member's body when a type name, an
// optional Z, M or ZM tag and white space lead to it from i, else -1.
Py_ssize_t member_body_at(const CodePoints& c, Py_ssize_t i) {
    Py_ssize_t len = 0;
    for (const char* name : kMemberNames)
        if ((len = word_at(c, i, name)) > 0) break;
    if (len == 0) return -1;
    Py_ssize_t k = c.skip_space(i + len);
    if (k > i + len) {
        for (const char* tag : kTags) {
            if (Py_ssize_t t = word_at(c, k, tag)) {
                k = c.skip_space(k + t);
                break;
            }
        }
    }
    return k < c.size() && c[k] == '(' ? k : -1;
}

// The index after the ")" that balances the "(" at i, or -1 before `end`.
Py_ssize_t balanced_end(const CodePoints& c, Py_ssize_t i, Py_ssize_t end) {
    Py_ssize_t depth = 0;
    for (Py_ssize_t k = i; k < end; ++k) {
        if (c[k] == '(') {
            ++depth;
        } else if (c[k] == ')' && --depth == 0) {
            return k + 1;
        }
    }
    return -1;
}

// The member texts when the body is "(" member ("," member)* ")", blanks
// allowed around each; empty when it is not.
std::vector<Span> member_list(const CodePoints& c) {
    std::vector<Span> members;
    const Py_ssize_t end = c.size() - 1;  // the body's closing parenthesis
    Py_ssize_t i = c.skip_space(1);
    while (i < end) {
        Py_ssize_t open = member_body_at(c, i);
        Py_ssize_t after = open < 0 ? -1 : balanced_end(c, open, end);
        if (after < 0) return {};
        members.push_back({i, after});
        i = c.skip_space(after);
        if (i == end) return members;
        if (c[i] != ',') return {};
        i = c.skip_space(i + 1);
    }
    return {};
}

// True when a member text starts anywhere in the body.
bool holds_member(const CodePoints& c) {
    for (Py_ssize_t i = 0; i < c.size(); ++i)
        if (member_body_at(c, i) >= 0) return true;
    return false;
}

// --- readers -----------------------------------------------------------------

// Appends "[v1],[v2],..." for a comma-separated vertex list: the pieces
// between runs of commas, each stripped.  Blank runs inside the pieces are
// turned into commas by one substitution over the finished text, which is
// the same as substituting in each piece: the brackets and commas between
// pieces hold no white space, so no run spans two pieces.
void append_vertices(PyObject* parts, PyObject* vertex_list) {
    Ref pieces = re_split(kCommas, vertex_list);
    const Py_ssize_t n = PyList_GET_SIZE(pieces.get());
    for (Py_ssize_t i = 0; i < n; ++i) {
        append(parts, Ref::borrow(i ? ORB_STR("],[") : ORB_STR("[")));
        append(parts, strip(PyList_GET_ITEM(pieces.get(), i)));
    }
    append(parts, Ref::borrow(ORB_STR("]")));
}

// Appends "[[...],[...]]" for the rings found in a polygon text.
void append_rings(PyObject* parts, PyObject* polygon) {
    Ref rings = re_findall(kRing, polygon);
    const Py_ssize_t n = PyList_GET_SIZE(rings.get());
    append(parts, Ref::borrow(ORB_STR("[")));
    for (Py_ssize_t i = 0; i < n; ++i) {
        if (i) append(parts, Ref::borrow(ORB_STR(",")));
        Ref m = kRingContent.search(PyList_GET_ITEM(rings.get(), i));
        append(parts, Ref::borrow(ORB_STR("[")));
        append_vertices(parts, group(m, 1));
        append(parts, Ref::borrow(ORB_STR("]")));
    }
    append(parts, Ref::borrow(ORB_STR("]")));
}

// The JSON array text of `parts` with blank runs made commas, decoded.
Ref decode(PyObject* parts) {
    Ref joined = join(ORB_STR(""), parts);
    Ref json_text = re_sub(kBlankRun, ORB_STR(","), joined);
    Ref list = json_loads(json_text);
    expect(list, Exact::List);
    return list;
}

// getPoint: the ordinates of one vertex.
Ref read_point(PyObject* s) {
    Ref pieces = re_split(kBlanks, strip(s));
    Ref joined = join(ORB_STR(","), pieces);
    Ref json_text = Ref::steal(PyUnicode_FromFormat("[%U]", joined.get()));
    return json_loads(json_text);
}

// getLineString: the vertices of a comma-separated vertex list.
Ref read_line(PyObject* s) {
    Ref parts = Ref::steal(PyList_New(0));
    append(parts, Ref::borrow(ORB_STR("[")));
    append_vertices(parts, s);
    append(parts, Ref::borrow(ORB_STR("]")));
    return decode(parts);
}

// getPolygon: the lines or rings of a ring list.
Ref read_polygon(PyObject* s) {
    Ref parts = Ref::steal(PyList_New(0));
    append_rings(parts, s);
    return decode(parts);
}

// getMultiPolygon: every ring of every polygon text, in text order; the
// spans count from `offset` in `text`.
Ref read_multipolygon(PyObject* text, Py_ssize_t offset, const std::vector<Span>& polygons) {
    Ref parts = Ref::steal(PyList_New(0));
    append(parts, Ref::borrow(ORB_STR("[")));
    for (size_t i = 0; i < polygons.size(); ++i) {
        if (i) append(parts, Ref::borrow(ORB_STR(",")));
        append_rings(parts,
                     substring(text, offset + polygons[i].first, offset + polygons[i].second));
    }
    append(parts, Ref::borrow(ORB_STR("]")));
    return decode(parts);
}

// --- the body tests ------------------------------------------------------

enum class Test : unsigned char { Point, VertexList, RingList, Members, Polygons, End };

// Tests of each block in order: -1, 0, 1, 2.
constexpr Test kOrder[4][5] = {
    {Test::Point, Test::VertexList, Test::RingList, Test::Members, Test::Polygons},
    {Test::Point, Test::VertexList, Test::Members, Test::End},
    {Test::VertexList, Test::RingList, Test::Members, Test::End},
    {Test::RingList, Test::Members, Test::Polygons, Test::End},
};

// Whether the type word of `t` is accepted under the block.
bool word_accepted(int block, Type t) {
    if (block == -1 || t == Type::GeometryCollection) return true;
    static constexpr Type kKinds[3][2] = {
        {Type::Point, Type::MultiPoint},
        {Type::LineString, Type::MultiLineString},
        {Type::Polygon, Type::MultiPolygon},
    };
    return t == kKinds[block][0] || t == kKinds[block][1];
}

// The geometry type from the type word, or Type::None when the name is blank.
Type type_word(PyObject* name, int block) {
    if (blank(name)) return Type::None;
    Ref word = re_sub(kTypeWord, ORB_STR("\\1"), name);
    word = call_method(word, ORB_STR("upper"), {});
    for (int i = 0; i < kTypeCount; ++i) {
        Type t = static_cast<Type>(i);
        if (PyUnicode_CompareWithASCIIString(word, wkt_word(t)) == 0) {
            if (!word_accepted(block, t)) break;
            return t;
        }
    }
    raise(PyExc_Exception, msg::kInvalidType);
}

// Group 1 of a pattern test when it matches with a non-empty group 1.
Ref pattern_test(const Pattern& p, PyObject* body) {
    Ref m = p.search(body);
    if (m.get() == Py_None) return Ref();
    Ref g = group(m, 1);
    return PyUnicode_GET_LENGTH(g.get()) > 0 ? g : Ref();
}

// Settles the type of a passing pattern test: the test's own type when the
// text has no type word, which must then be one the test allows.
Type settle(Type word, Type untyped, std::initializer_list<Type> allowed) {
    Type t = word == Type::None ? untyped : word;
    for (Type a : allowed)
        if (t == a) return t;
    raise(PyExc_Exception, msg::kInvalidType);
}

// True when a parenthesis stands between the first and the last code
// point.  The point and vertex-list patterns then cannot match: both are
// anchored at the body's opening parenthesis and take no parenthesis
// before the closing one, and a body always ends in its closing one.
bool nested_parens(const CodePoints& c) {
    for (Py_ssize_t i = 1; i + 1 < c.size(); ++i)
        if (is_paren(c[i])) return true;
    return false;
}

// Collections whose members are being read on this thread.  Members go
// back through cls.loads, which a subclass may override, so the depth
// cannot travel as an argument.
thread_local int open_collections = 0;

// One collection level for the time its members are read; the nesting
// error when it would stand deeper than kMaxNesting.
class CollectionLevel {
public:
    CollectionLevel() {
        check_nesting(open_collections, msg::kCoordinatesNestedTooDeep);
        ++open_collections;
    }
    ~CollectionLevel() { --open_collections; }
    CollectionLevel(const CollectionLevel&) = delete;
    CollectionLevel& operator=(const CollectionLevel&) = delete;
};

Ref read_span(PyObject* cls, PyObject* text, Span whole, int block, const Code& code);

// cls.loads(text[first:last]) for a member text.  While the class holds
// this module's own loads, that call would read the member as WKT under the
// default code whenever it holds a parenthesised pair, so the member is read
// in place; anything else takes the call.  A member never holds a bracketed
// pair (which would make it GeoJSON text): its first "[" stands no earlier
// and its last "]" no later than those of the text, which holds none.  The
// class is asked for each member, as the call would.
Ref load_member(PyObject* cls, PyObject* text, Span member) {
    if (original_method(cls, ORB_STR("loads")) &&
        holds_pair(text, '(', ')', member.first, member.second)) {
        Ref default_code = integer(-1);
        return read_span(cls, text, member, -1, Code(default_code));
    }
    return load_again(cls, substring(text, member.first, member.second));
}

// The members' spans count from `offset` in `text`.
Ref collection(PyObject* cls, PyObject* text, Py_ssize_t offset,
               const std::vector<Span>& members) {
    CollectionLevel level;
    Ref loaded = Ref::steal(PyList_New(0));
    for (const Span& m : members)
        append(loaded, load_member(cls, text, {offset + m.first, offset + m.second}));
    return new_geometry(type_text(Type::GeometryCollection), ORB_STR("geometries"), loaded);
}

// The reading of text[whole.first:whole.second], which holds a
// parenthesised pair and no bracketed one, under `block`.
Ref read_span(PyObject* cls, PyObject* text, Span whole, int block, const Code& code) {
    Span name_span, body_span;
    if (!split_name_body(CodePoints(text, whole.first, whole.second), name_span, body_span))
        raise(PyExc_Exception, msg::kInvalidCoordinates);
    const Py_ssize_t at = whole.first + body_span.first;  // the body in `text`
    const Type word = type_word(
        substring(text, whole.first + name_span.first, whole.first + name_span.second), block);
    const CodePoints c(text, at, whole.first + body_span.second);
    // The body as a text object, for the two pattern tests; only a body
    // without nested parentheses can pass them.
    Ref body;
    if (!nested_parens(c)) body = substring(text, at, at + c.size());

    for (Test test : kOrder[block + 1]) {
        switch (test) {
            case Test::Point:
                if (Ref g = body ? pattern_test(kPointTest, body) : Ref()) {
                    Type t = settle(word, Type::Point, {Type::Point});
                    return normalise(type_text(t), read_point(g), code);
                }
                break;
            case Test::VertexList:
                if (Ref g = body ? pattern_test(kVertexListTest, body) : Ref()) {
                    Type t = block == 0  ? settle(word, Type::MultiPoint, {Type::MultiPoint})
                             : block == 1 ? settle(word, Type::LineString, {Type::LineString})
                                          : settle(word, Type::LineString,
                                                   {Type::MultiPoint, Type::LineString});
                    return normalise(type_text(t), read_line(g), code);
                }
                break;
            case Test::RingList: {
                Span rings;
                if (ring_list(c, rings)) {
                    Type t = block == 1  ? settle(word, Type::MultiLineString, {Type::MultiLineString})
                             : block == 2 ? settle(word, Type::Polygon, {Type::Polygon})
                                          : settle(word, Type::Polygon,
                                                   {Type::MultiLineString, Type::Polygon});
                    Ref g = substring(text, at + rings.first, at + rings.second);
                    return normalise(type_text(t), read_polygon(g), code);
                }
                break;
            }
            case Test::Members: {
                // A body of member texts is a collection of all of them, each
                // loaded on its own; member texts mixed with anything else
                // would otherwise lose the rest without a word.
                std::vector<Span> members = member_list(c);
                if (!members.empty()) return collection(cls, text, at, members);
                if (holds_member(c)) raise(PyExc_Exception, msg::kInvalidCoordinates);
                break;
            }
            case Test::Polygons: {
                std::vector<Span> polygons = polygon_search(c);
                if (!polygons.empty())
                    return normalise(type_text(Type::MultiPolygon),
                                     read_multipolygon(text, at, polygons), code);
                break;
            }
            case Test::End:
                break;
        }
        if (test == Test::End) break;
    }
    raise(PyExc_Exception, msg::kInvalidCoordinates);
}

}  // namespace

Ref read_wkt(PyObject* cls, PyObject* text, int block, const Code& code) {
    return read_span(cls, text, {0, PyUnicode_GET_LENGTH(text)}, block, code);
}

}  // namespace orb::geom
