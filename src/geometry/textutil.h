// Helpers for reading geometry text: the interpreter's white space, strip,
// substrings, and calls of compiled patterns and of the json module.
#pragma once

#include "frame/pattern.h"
#include "frame/ref.h"

namespace orb::geom {

// Read-only view of the code points of a text object, or of the part
// s[first:last] of it (index 0 of the view is s[first]).
class CodePoints {
public:
    explicit CodePoints(PyObject* s)
        : kind_(PyUnicode_KIND(s)), data_(PyUnicode_DATA(s)), size_(PyUnicode_GET_LENGTH(s)) {}
    CodePoints(PyObject* s, Py_ssize_t first, Py_ssize_t last)
        : kind_(PyUnicode_KIND(s)),
          // The kind is the width of one code point in bytes (1, 2 or 4).
          data_(static_cast<const char*>(PyUnicode_DATA(s)) + first * kind_),
          size_(last - first) {}
    Py_ssize_t size() const noexcept { return size_; }
    Py_UCS4 operator[](Py_ssize_t i) const noexcept { return PyUnicode_READ(kind_, data_, i); }
    // White space as `\s` of the interpreter's re and str.strip() see it.
    bool space(Py_ssize_t i) const noexcept { return Py_UNICODE_ISSPACE((*this)[i]); }
    // First index at or after i that is not white space (or size()).
    Py_ssize_t skip_space(Py_ssize_t i) const noexcept {
        while (i < size_ && space(i)) ++i;
        return i;
    }
    // Whether the ASCII `word` stands at i, ASCII letters in either case.
    bool ascii_at(Py_ssize_t i, const char* word) const noexcept {
        for (; *word; ++word, ++i)
            if (i >= size_ || ascii_lower((*this)[i]) != ascii_lower(static_cast<unsigned char>(*word)))
                return false;
        return true;
    }

private:
    static Py_UCS4 ascii_lower(Py_UCS4 c) noexcept {
        return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
    }
    int kind_;
    const void* data_;
    Py_ssize_t size_;
};

// True when the code point `ch` occurs in s.
inline bool contains(PyObject* s, Py_UCS4 ch) {
    Py_ssize_t at = PyUnicode_FindChar(s, ch, 0, PyUnicode_GET_LENGTH(s), 1);
    if (at == -2) throw PyError{};
    return at >= 0;
}

// Whether re.search of "\[[\s\S]+?\]" (GeoJSON) or "\([\s\S]+?\)" (WKT)
// finds, in s[start:end], an opening character, at least one character,
// then a closing one.  It does when the last closing character stands two
// or more places after the first opening one.  Written as two scans because
// the lazy pattern retries from every opening character of a text that has
// no closing one after it, which takes time in the square of the text's
// length.
inline bool holds_pair(PyObject* s, Py_UCS4 open, Py_UCS4 close, Py_ssize_t start,
                       Py_ssize_t end) {
    const Py_ssize_t first = PyUnicode_FindChar(s, open, start, end, 1);
    if (first == -2) throw PyError{};
    if (first < 0) return false;
    const Py_ssize_t last = PyUnicode_FindChar(s, close, first, end, -1);
    if (last == -2) throw PyError{};
    return last >= first + 2;
}
inline bool holds_pair(PyObject* s, Py_UCS4 open, Py_UCS4 close) {
    return holds_pair(s, open, close, 0, PyUnicode_GET_LENGTH(s));
}

// True when s holds any white space.
inline bool contains_space(PyObject* s) {
    CodePoints c(s);
    for (Py_ssize_t i = 0; i < c.size(); ++i)
        if (c.space(i)) return true;
    return false;
}

// s[start:end].
inline Ref substring(PyObject* s, Py_ssize_t start, Py_ssize_t end) {
    return Ref::steal(PyUnicode_Substring(s, start, end));
}

// s.strip() with no argument: leading and trailing white space removed.
inline Ref strip(PyObject* s) {
    CodePoints c(s);
    Py_ssize_t i = c.skip_space(0), j = c.size();
    while (j > i && c.space(j - 1)) --j;
    if (i == 0 && j == c.size()) return Ref::borrow(s);
    return substring(s, i, j);
}

// True when s.strip() is empty.
inline bool blank(PyObject* s) {
    CodePoints c(s);
    return c.skip_space(0) == c.size();
}

// pattern.sub(repl, s), pattern.split(s), pattern.findall(s).
inline Ref re_sub(const Pattern& p, PyObject* repl, PyObject* s) {
    return call_method(p.get(), ORB_STR("sub"), {repl, s});
}
inline Ref re_split(const Pattern& p, PyObject* s) {
    return call_method(p.get(), ORB_STR("split"), {s});
}
inline Ref re_findall(const Pattern& p, PyObject* s) {
    return call_method(p.get(), ORB_STR("findall"), {s});
}
// match.group(n).
inline Ref group(PyObject* match, long n) {
    return call_method(match, ORB_STR("group"), {integer(n).get()});
}

// json.loads(s) and json.dumps(o) through the module global, so a host's
// patch is obeyed.
inline Ref json_loads(PyObject* s) {
    Ref json = global(ORB_STR("json"));
    return call_method(json, ORB_STR("loads"), {s});
}
inline Ref json_dumps(PyObject* o) {
    Ref json = global(ORB_STR("json"));
    return call_method(json, ORB_STR("dumps"), {o});
}

// etree.fromstring(text) through the module global lxml etree, with a
// parser that resolves no entities, loads no DTD and reads nothing over a
// network: the text may come from anywhere.
inline Ref parse_xml(PyObject* text) {
    Ref etree = global(ORB_STR("etree"));
    Ref parser = call(getattr(etree, ORB_STR("XMLParser")), {},
                      {{"resolve_entities", Py_False}, {"load_dtd", Py_False}, {"no_network", Py_True}});
    return call(getattr(etree, ORB_STR("fromstring")), {text, parser.get()});
}

// "".join(parts) of a list of texts.
inline Ref join(PyObject* separator, PyObject* parts) {
    return Ref::steal(PyUnicode_Join(separator, parts));
}

// Appends a new reference to a list.
inline void append(PyObject* list, const Ref& item) {
    if (PyList_Append(list, item) < 0) throw PyError{};
}

}  // namespace orb::geom
