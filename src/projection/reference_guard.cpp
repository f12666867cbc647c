// Checks of reference texts before and after GDAL's user-input reader.
//
// Network: the reader fetches http and https URLs (any letter case, after an
// optional "ESRI::" prefix) and opens any other text it cannot read as a
// file, so paths on GDAL's network file systems, alone or inside a chain
// such as /vsizip//vsicurl/..., open connections too; and while it compares
// or transforms a reference, GDAL reads "authority:code" of the reference's
// identifiers as a new reference, so an authority name such as
// "http://host/x" or a code such as "//host/x" under the authority "http"
// is fetched as a URL.  The binding of GDAL 3.6 has no option to forbid any
// of it, so such text never reaches the reader, and a parsed reference
// with an identifier that is not a plain name goes no further.
//
// Files: the reader opens the text as a file (after one "ESRI::" prefix,
// up to a first NUL, where its C string ends), GDAL's virtual file names
// lead on to other files (/vsigzip//dev/stdin, /vsizip/{/path}/member,
// /vsisubfile/0_100,/path), and PROJ opens the grid and init files that
// PROJ text names (+nadgrids=/path, +init=/path:name, WKT extensions, grid
// parameters of PROJJSON), some while the text is read and some when the
// transformation is built.  Opening or reading a device, a FIFO or a
// socket may block for ever, so a text that names an existing one is
// refused, found with the interpreter's os.stat and os.listdir: the text
// itself, the rest of it after each virtual file system prefix, every word
// of it, and every quoted text in it (decoded when it holds JSON escapes).
// The text itself must not be a directory either.
#include "projection/reference_guard.h"

#include "geometry/dict_walk.h"
#include "geometry/textutil.h"

namespace orb::reference_guard {
namespace {

constexpr const char* kNetworkMessage =
    "Invalid [%U] parameter. References that GDAL would read over a network "
    "(URLs and network file system paths) are refused.";
constexpr const char* kAuthorityMessage =
    "Invalid [%U] parameter. Authority names, codes and versions of a reference must be "
    "plain names (ASCII letters, digits, '_', '-' and '.'), which GDAL reads from its own "
    "database; others it would read as references of their own, over a network or from "
    "files.";
constexpr const char* kSpecialFileMessage =
    "Invalid [%U] parameter. References that name a device, a pipe, a socket or the "
    "standard input, or that are the path of a directory, are refused.";

using Text = geom::CodePoints;

// --- network -------------------------------------------------------------
//
// Matching is deliberately wider than the reader: leading blanks and
// repeated prefixes are skipped, every "scheme://" counts, and the file
// system names are found anywhere in the text in any letter case; none of
// that occurs in WKT, PROJ text, authority codes or local paths.

// Prefixes of the network file systems; each also covers its _streaming
// form, and /vsicurl covers /vsicurl?.  /vsisparse reads the files its own
// file names, which may be remote.
constexpr const char* kNetworkFileSystems[] = {
    "/vsicurl", "/vsis3", "/vsigs", "/vsiaz", "/vsiadls", "/vsioss",
    "/vsiswift", "/vsiwebhdfs", "/vsihdfs", "/vsisparse",
};

// OGC CRS URLs, which the reader resolves from its own database without a
// connection (checked on a loopback listener for these forms in any letter
// case, valid or not, compound ones included).
constexpr const char* kLocalUrls[] = {
    "http://opengis.net/def/crs", "https://opengis.net/def/crs",
    "http://www.opengis.net/def/crs", "https://www.opengis.net/def/crs",
};

// GDAL's virtual file that reads the standard input.
constexpr const char* kStandardInput = "/vsistdin";

// Whether the ASCII `word` stands anywhere in t, ASCII letters in any case.
bool contains(const Text& t, const char* word) {
    for (Py_ssize_t i = 0; i < t.size(); ++i)
        if (t.ascii_at(i, word)) return true;
    return false;
}

bool is_letter(Py_UCS4 c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(Py_UCS4 c) { return c >= '0' && c <= '9'; }
bool is_scheme_char(Py_UCS4 c) {
    return is_letter(c) || is_digit(c) || c == '+' || c == '-' || c == '.';
}

// Whether a URL "scheme://..." starts at i.
bool url_at(const Text& t, Py_ssize_t i) {
    if (i >= t.size() || !is_letter(t[i])) return false;
    while (i < t.size() && is_scheme_char(t[i])) ++i;
    return t.ascii_at(i, "://");
}

bool reads_over_network(const Text& t) {
    for (const char* fs : kNetworkFileSystems)
        if (contains(t, fs)) return true;
    Py_ssize_t i = 0;
    for (;;) {
        i = t.skip_space(i);
        if (!t.ascii_at(i, "ESRI::")) break;
        i += 6;
    }
    if (!url_at(t, i)) return false;
    for (const char* url : kLocalUrls)
        if (t.ascii_at(i, url)) return false;
    return true;
}

// --- identifiers ---------------------------------------------------------

// A plain name: ASCII letters, digits, '_', '-' and '.', at least one.  The
// authority names and codes of GDAL's database are all of this form
// ("EPSG", "IAU_2015", "IGNF:ED50G.IGN69"'s "ED50G.IGN69"); nothing of it
// makes a URL, a path or a reference text of another kind.
bool plain(PyObject* s) {
    if (!PyUnicode_Check(s)) return false;
    Text t(s);
    if (t.size() == 0) return false;
    for (Py_ssize_t i = 0; i < t.size(); ++i) {
        const Py_UCS4 c = t[i];
        if (!is_letter(c) && !is_digit(c) && c != '_' && c != '-' && c != '.') return false;
    }
    return true;
}

// --- files ---------------------------------------------------------------

// Longest path and file name the kernel resolves (PATH_MAX and NAME_MAX of
// Linux, in bytes, so at least as many code points); longer ones fail to
// open, so nothing past them is looked up.
constexpr Py_ssize_t kPathMax = 4096;
constexpr Py_ssize_t kNameMax = 255;

// Characters at which a word of a reference text ends: blanks, NUL, the
// quotes, brackets and separators of WKT, PROJJSON and PROJ strings, and
// ':' of authority codes and of PROJ's "+init=file:name".  '/' separates
// the directories of a path and ends nothing.
bool ends_word(Py_UCS4 c) {
    if (c == 0 || Py_UNICODE_ISSPACE(c)) return true;
    switch (c) {
        case '"': case ',': case '=': case '@': case '[': case ']':
        case '(': case ')': case '{': case '}': case ':':
            return true;
        default:
            return false;
    }
}

// Index just past a virtual file system prefix "/vsiNAME/" at i, or -1.
Py_ssize_t after_file_system(const Text& t, Py_ssize_t i) {
    if (!t.ascii_at(i, "/vsi")) return -1;
    Py_ssize_t k = i + 4;
    while (k < t.size() && (is_letter(t[k]) || is_digit(t[k]) || t[k] == '_')) ++k;
    return k < t.size() && t[k] == '/' ? k + 1 : -1;
}

enum class Kind { Missing, Directory, Regular, Special };

// f(arg), or a null handle when f raises one of `errors` (the OSError of a
// missing file, the ValueError of a name with NUL or of text that is no
// JSON); any other exception passes.
Ref call_or_null(PyObject* f, PyObject* arg, std::initializer_list<PyObject*> errors) {
    Ref result = Ref::steal_or_null(PyObject_CallOneArg(f, arg));
    if (result) return result;
    for (PyObject* e : errors)
        if (PyErr_ExceptionMatches(e)) {
            PyErr_Clear();
            return result;
        }
    throw PyError{};
}

// json.loads(text) through the module global, or null for text that is no JSON.
Ref json_or_null(PyObject* text) {
    return call_or_null(getattr(global(ORB_STR("json")), ORB_STR("loads")), text,
                        {PyExc_ValueError});
}

// The paths a text names, each looked up with the interpreter's os.stat
// once per check; raises for a special file.
class Paths {
public:
    explicit Paths(PyObject* name)
        : name_(name),
          os_(Ref::steal(PyImport_ImportModule("os"))),
          stat_(getattr(os_, ORB_STR("stat"))),
          listdir_(getattr(os_, ORB_STR("listdir"))),
          modes_(Ref::steal(PyImport_ImportModule("stat"))),
          seen_(Ref::steal(PyDict_New())),
          listed_(Ref::steal(PyDict_New())) {}

    // A text, its words and its quoted texts.  `reference` for the text
    // handed to the reader, which must not be a directory and loses an
    // "ESRI::" prefix; `escapes` to decode quoted texts with backslashes as
    // JSON strings.
    void scan(PyObject* s, bool reference, bool escapes) {
        Text t(s);
        if (contains(t, kStandardInput)) refuse();
        Py_ssize_t nul = 0;
        while (nul < t.size() && t[nul] != 0) ++nul;
        walk(s, t, 0, nul, false, reference);
        if (reference && t.ascii_at(0, "ESRI::")) walk(s, t, 6, nul, false, true);
        for (Py_ssize_t i = 0; i < t.size(); ++i) {
            if (i == 0 || ends_word(t[i - 1])) walk(s, t, i, t.size(), true, false);
            const Py_ssize_t rest = after_file_system(t, i);
            if (rest >= 0) walk(s, t, rest, t.size(), true, false);
        }
        quoted(s, t, escapes);
    }

private:
    // The texts between double quotes, each as one name: a WKT value or
    // PROJ's +nadgrids="a b" may hold blanks and brackets.
    void quoted(PyObject* s, const Text& t, bool escapes) {
        for (Py_ssize_t i = 0; i < t.size(); ++i) {
            if (t[i] != '"') continue;
            Py_ssize_t j = i + 1;
            bool escaped = false;
            for (; j < t.size() && t[j] != '"'; ++j)
                if (t[j] == '\\') {
                    escaped = true;
                    ++j;
                }
            if (j >= t.size()) return;
            if (escaped && escapes) {
                decoded(geom::substring(s, i, j + 1));
            } else {
                walk(s, t, i + 1, j, false, false);
            }
            i = j;
        }
    }

    // A quoted text with JSON escapes, as PROJ reads it from PROJJSON.
    // A text that is no JSON string (an invalid escape) is left to the
    // reader, which refuses it too.
    void decoded(PyObject* literal) {
        Ref value = json_or_null(literal);
        if (value && PyUnicode_Check(value.get())) scan(value, false, false);
    }

    // The paths starting at `first` in t (the text s): with `word`, the
    // name ends at the first character that ends a word, unless a
    // directory has been entered, after which every such character may
    // end a name of that directory (PROJ keeps ':' and blanks in some
    // names); otherwise it runs to `end`.  Directories are entered at each
    // '/' while they exist.
    void walk(PyObject* s, const Text& t, Py_ssize_t first, Py_ssize_t end, bool word,
              bool reference) {
        if (first >= end) return;
        Py_ssize_t i = first;
        bool entered = t[i] == '/';
        if (entered) ++i;
        for (;;) {
            Py_ssize_t j = i;
            Ref names;  // of the directory s[first:i], read at the first word end
            for (; j < end && t[j] != '/'; ++j) {
                if (j - i > kNameMax || j - first > kPathMax) return;
                if (word && ends_word(t[j])) {
                    if (!entered) return named(s, first, j, false);
                    if (!names) names = entries(geom::substring(s, first, i));
                    if (j > i && holds(names, geom::substring(s, i, j)) &&
                        kind(s, first, j) == Kind::Special)
                        refuse();
                }
            }
            if (j == end) return named(s, first, end, reference);
            const Kind k = kind(s, first, j);
            if (k == Kind::Special) refuse();
            if (k != Kind::Directory) return;
            entered = true;
            i = j + 1;
        }
    }

    // The whole name s[first:last].
    void named(PyObject* s, Py_ssize_t first, Py_ssize_t last, bool reference) {
        if (last <= first) return;
        const Kind k = kind(s, first, last);
        if (k == Kind::Special || (reference && k == Kind::Directory)) refuse();
    }

    // The names in a directory, from os.listdir once per check, or None
    // when it cannot be listed (each name is then looked up).
    Ref entries(PyObject* directory) {
        PyObject* known = PyDict_GetItemWithError(listed_, directory);
        if (known) return Ref::borrow(known);
        check_error();
        Ref names = call_or_null(listdir_, directory, {PyExc_OSError, PyExc_ValueError});
        names = names ? Ref::steal(PySet_New(names)) : none();
        put(listed_, directory, names);
        return names;
    }

    static bool holds(PyObject* names, PyObject* name) {
        if (names == Py_None) return true;
        const int in = PySet_Contains(names, name);
        if (in < 0) throw PyError{};
        return in != 0;
    }

    // What s[first:last] names.  A name os.stat refuses (NUL inside, not
    // encodable, too long, missing, not searchable) names nothing GDAL
    // could open either.
    Kind kind(PyObject* s, Py_ssize_t first, Py_ssize_t last) {
        Ref path = geom::substring(s, first, last);
        PyObject* known = PyDict_GetItemWithError(seen_, path);
        if (known) return static_cast<Kind>(PyLong_AsLong(known));
        check_error();
        const Kind k = look_up(path);
        put(seen_, path, integer(static_cast<long long>(k)));
        return k;
    }

    Kind look_up(PyObject* path) {
        Ref st = call_or_null(stat_, path, {PyExc_OSError, PyExc_ValueError});
        if (!st) return Kind::Missing;
        Ref mode = getattr(st, ORB_STR("st_mode"));
        if (geom::truth(call(getattr(modes_, ORB_STR("S_ISDIR")), {mode.get()}))) return Kind::Directory;
        if (geom::truth(call(getattr(modes_, ORB_STR("S_ISREG")), {mode.get()}))) return Kind::Regular;
        return Kind::Special;
    }

    [[noreturn]] void refuse() { raisef(PyExc_Exception, kSpecialFileMessage, name_); }

    PyObject* name_;
    Ref os_;
    Ref stat_;
    Ref listdir_;
    Ref modes_;
    Ref seen_;    // path -> Kind of the names looked up so far
    Ref listed_;  // directory -> set of its names, or None
};

// The parsed reference, walked as the interpreter's object of its PROJJSON.
class Parsed {
public:
    explicit Parsed(PyObject* name) : name_(name) {}

    void value(PyObject* v) {
        const bool dict = PyDict_CheckExact(v), list = PyList_CheckExact(v);
        if (!dict && !list) return;
        if (Py_EnterRecursiveCall(" while checking a parsed reference")) throw PyError{};
        try {
            if (dict) members(v);
            else items(v);
        } catch (...) {
            Py_LeaveRecursiveCall();
            throw;
        }
        Py_LeaveRecursiveCall();
    }

private:
    void members(PyObject* d) {
        Ref pairs = Ref::steal(PyDict_Items(d));
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(pairs.get()); ++i) {
            PyObject* pair = PyList_GET_ITEM(pairs.get(), i);
            PyObject* key = PyTuple_GET_ITEM(pair, 0);
            PyObject* item = PyTuple_GET_ITEM(pair, 1);
            if (PyUnicode_Check(key) && PyUnicode_CompareWithASCIIString(key, "id") == 0)
                identifier(item);
            if (PyUnicode_Check(key) && PyUnicode_CompareWithASCIIString(key, "ids") == 0 &&
                PyList_CheckExact(item)) {
                Ref each = Ref::steal(PyList_GetSlice(item, 0, PyList_GET_SIZE(item)));
                for (Py_ssize_t k = 0; k < PyList_GET_SIZE(each.get()); ++k)
                    identifier(PyList_GET_ITEM(each.get(), k));
            }
            value(item);
        }
    }

    void items(PyObject* l) {
        Ref each = Ref::steal(PyList_GetSlice(l, 0, PyList_GET_SIZE(l)));
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(each.get()); ++i)
            value(PyList_GET_ITEM(each.get(), i));
    }

    // {"authority": ..., "code": ..., "version": ...}: the authority a
    // plain name, the code an int or a plain name, a version a number or a
    // plain name.  PROJ writes a code that starts with digits as the number
    // of those digits; GDAL reads "name:" and such a code, which no URL
    // starts with, from its database or as a local file.
    void identifier(PyObject* id) {
        if (!PyDict_CheckExact(id)) return;
        Ref authority = member(id, "authority"), code = member(id, "code"),
            version = member(id, "version");
        if (authority && !plain(authority)) refuse();
        if (code && !PyLong_Check(code.get()) && !plain(code)) refuse();
        if (version && !PyLong_Check(version.get()) && !PyFloat_Check(version.get()) &&
            !plain(version))
            refuse();
    }

    static Ref member(PyObject* d, const char* key) {
        PyObject* v = PyDict_GetItemString(d, key);
        return Ref::borrow(v);
    }

    [[noreturn]] void refuse() { raisef(PyExc_Exception, kAuthorityMessage, name_); }

    PyObject* name_;
};

}  // namespace

void check_text(PyObject* text, PyObject* name) {
    // The binding reads the characters of any str, a subclass's included.
    if (reads_over_network(Text(text))) raisef(PyExc_Exception, kNetworkMessage, name);
    Paths(name).scan(text, true, true);
}

void check_parsed(PyObject* projjson, PyObject* name) {
    Ref parsed = json_or_null(projjson);
    // PROJ writes an empty authority name or code as no value at all
    // ("id": }), so what it holds cannot be told.
    if (!parsed) raisef(PyExc_Exception, kAuthorityMessage, name);
    Parsed(name).value(parsed);
}

}  // namespace orb::reference_guard
