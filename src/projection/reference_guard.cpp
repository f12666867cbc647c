// Checks of reference texts before and after GDAL's user-input reader.
//
// Network: the reader fetches http and https URLs (any letter case, after an
// optional "ESRI::" prefix) and opens any other text it cannot read as a
// file, so paths on GDAL's network file systems, alone or inside a chain
// such as /vsizip//vsicurl/..., open connections too; once the host has
// turned PROJ's networking on, PROJ fetches a grid or init file that is
// named by a URL (+nadgrids=http://..., +init=http://...:code, a grid
// parameter of WKT or PROJJSON, a WKT extension) from the host the URL
// names; and while it compares or transforms a reference, GDAL reads
// "authority:code" of the reference's identifiers as a new reference, so
// an authority name such as "http://host/x" or a code such as "//host/x"
// under the authority "http" is fetched as a URL.  The binding of GDAL 3.6
// has no option to forbid any of it, so such text never reaches the
// reader, and a parsed reference with an identifier that is not a plain
// name, or with a parameter value that is a URL, goes no further.
//
// Files: the reader opens the text as a file (after one "ESRI::" prefix,
// up to a first NUL, where its C string ends), GDAL's virtual file names
// lead on to other files (/vsigzip//dev/stdin, /vsizip/{/path}/member,
// /vsisubfile/0_100,/path), and PROJ opens the grid and init files that
// PROJ text names (+nadgrids=/path, +init=/path:name, WKT extensions, grid
// parameters of PROJJSON), some while the text is read and some when the
// transformation is built.  Opening or reading a device, a FIFO, a socket
// or a file of the kernel's own file systems (/proc/kmsg reads as a regular
// file and blocks once the kernel log is drained) may block for ever, so a
// text that names an existing one is refused: the text itself, what each
// virtual file system prefix leads to, each value of its PROJ text as PROJ
// opens it, every word of it, and every quoted text in it (decoded when it
// holds JSON escapes); after parsing, every parameter value and every
// value of the PROJ text of a method.  The text itself must not be a
// directory either.
//
// PROJ text: PROJ rewrites a PROJ string before it splits it into tokens,
// so that what it reads may not be any word of the text (";" is a blank,
// "= +/x" joins "/x" to "="); PROJ text goes on only in a plain form on
// which that rewriting changes nothing (proj_text.h), and its values are
// then looked up as PROJ reads them.
//
// Cost: every check takes time and memory in proportion to the text.  A
// name is followed one directory at a time, each looked up under the real
// path of the one before, so ".", "..", repeated slashes and symbolic links
// cost one look-up each however they are spelt; nothing is kept from one
// name to the next but the last thousand or so names looked up and the
// names with blanks or separators of the directories whose listing a name
// needed.  Braces, the commas of /vsisubfile/ and the quoted texts with JSON
// escapes are each found in one pass over the text.  Every look-up goes
// through the interpreter's os module (os.lstat, os.stat, os.path.realpath,
// os.getcwdb, os.scandir).
#include "projection/reference_guard.h"

#include "geometry/dict_walk.h"
#include "geometry/textutil.h"
#include "projection/proj_text.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

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
constexpr const char* kSystemFileMessage =
    "Invalid [%U] parameter. References that name a file under /proc or /sys, the "
    "kernel's own files, which may block their reader whatever their type, are refused.";
constexpr const char* kPlainMessage =
    "Invalid [%U] parameter. PROJ text (a PROJ string, the PROJ4 EXTENSION of WKT, the "
    "PROJ-based method of a reference) is read only in its plain form: tokens separated by "
    "blanks, each +name or +name=value (the '+' optional), the name of ASCII letters, digits "
    "and '_', the value not empty, not ending in ',' or '=' and without ';', '#', quotes or "
    "control characters; and an EXTENSION written EXTENSION[\"name\",\"text\"].";

using Text = geom::CodePoints;

bool is_letter(Py_UCS4 c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(Py_UCS4 c) { return c >= '0' && c <= '9'; }
bool is_scheme_char(Py_UCS4 c) {
    return is_letter(c) || is_digit(c) || c == '+' || c == '-' || c == '.';
}

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

// Whether a URL "scheme://..." starts at i.
bool url_at(const Text& t, Py_ssize_t i) {
    if (i >= t.size() || !is_letter(t[i])) return false;
    while (i < t.size() && is_scheme_char(t[i])) ++i;
    return t.ascii_at(i, "://");
}

// Whether a URL that GDAL does not resolve locally starts at i.
bool remote_url_at(const Text& t, Py_ssize_t i) {
    if (!url_at(t, i)) return false;
    for (const char* url : kLocalUrls)
        if (t.ascii_at(i, url)) return false;
    return true;
}

// Whether t names a network file system (`network`) or GDAL's standard
// input (`input`) anywhere: all of them start "/vsi", so each "/vsi" is
// tried once.
bool names_file_system(const Text& t, bool network, bool input) {
    for (Py_ssize_t i = 0; i + 4 <= t.size(); ++i) {
        if (!t.ascii_at(i, "/vsi")) continue;
        if (network)
            for (const char* fs : kNetworkFileSystems)
                if (t.ascii_at(i, fs)) return true;
        if (input && t.ascii_at(i, kStandardInput)) return true;
    }
    return false;
}

bool reads_over_network(const Text& t) {
    if (names_file_system(t, true, false)) return true;
    Py_ssize_t i = 0;
    for (;;) {
        i = t.skip_space(i);
        if (!t.ascii_at(i, "ESRI::")) break;
        i += 6;
    }
    return remote_url_at(t, i);
}

// Grid and file names that are URLs.  PROJ takes a grid or init file name
// after '=' (blanks, quotes and an optional '@' allowed between them), after
// ',' or '@' in a list of grids, and as a quoted text of WKT or PROJJSON;
// a URL that starts at any of these places is refused.  A quoted text that
// no reader takes for a file, an identifier (checked once GDAL has read
// it), an identifier's URI, the "$schema" of PROJJSON or a remark, may
// start with one.

// Characters after which a file name may start, and those that may stand
// between them and the name.
bool starts_value(Py_UCS4 c) { return c == '=' || c == ',' || c == '@' || c == '"'; }
bool before_value(const Text& t, Py_ssize_t i) { return t[i] == '"' || t[i] == '@' || t.space(i); }

// The index after blanks, quotes and '@' from i on.
Py_ssize_t skip_before_value(const Text& t, Py_ssize_t i) {
    while (i < t.size() && before_value(t, i)) ++i;
    return i;
}

// Whether the quote at q opens the first value of a WKT AUTHORITY, ID, URI
// or REMARK, or the value of a PROJJSON "authority", "code", "version",
// "uri", "$schema" or "remarks" member, as written (a key with escapes in
// it is not recognised, and its value is checked).
bool unread_value(const Text& t, Py_ssize_t q) {
    // Longest keyword and key, in characters.
    constexpr Py_ssize_t kLongest = 9;
    Py_ssize_t j = q - 1;
    while (j >= 0 && t.space(j)) --j;
    if (j < 0) return false;
    if (t[j] == '[' || t[j] == '(') {
        Py_ssize_t k = j;
        while (k > 0 && j - k <= kLongest && is_letter(t[k - 1])) --k;
        if (k > 0 && is_letter(t[k - 1])) return false;
        const Py_ssize_t n = j - k;
        for (const char* keyword : {"AUTHORITY", "ID", "URI", "REMARK"})
            if (n == static_cast<Py_ssize_t>(std::strlen(keyword)) && t.ascii_at(k, keyword))
                return true;
        return false;
    }
    if (t[j] != ':') return false;
    --j;
    while (j >= 0 && t.space(j)) --j;
    if (j < 0 || t[j] != '"') return false;
    Py_ssize_t k = j - 1;
    while (k >= 0 && j - k <= kLongest + 1 && t[k] != '"') --k;
    if (k < 0 || t[k] != '"') return false;
    for (const char* key : {"authority", "code", "version", "uri", "$schema", "remarks"}) {
        const Py_ssize_t n = static_cast<Py_ssize_t>(std::strlen(key));
        bool same = j - k - 1 == n;
        for (Py_ssize_t m = 0; m < n && same; ++m)
            same = t[k + 1 + m] == static_cast<unsigned char>(key[m]);
        if (same) return true;
    }
    return false;
}

bool names_url(const Text& t) {
    Py_ssize_t i = 0;
    while (i < t.size()) {
        const Py_UCS4 c = t[i];
        // Only the start of such a value is passed over: GDAL may read the
        // whole text as PROJ text, which takes no quotes for values, so
        // '=', ',' and '@' count inside quotes too.
        if (!starts_value(c) || (c == '"' && unread_value(t, i))) {
            ++i;
            continue;
        }
        // The characters skipped here start no other name: each is a
        // quote, '@' or blank before the same place.
        const Py_ssize_t k = skip_before_value(t, i + 1);
        if (remote_url_at(t, k)) return true;
        i = k;
    }
    return false;
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

// The kernel's own file systems: no reference lives there, and a file of
// them may block its reader whatever its type says (/proc/kmsg reads as a
// regular file).  What blocks under /dev is a device, a FIFO or a socket,
// refused by its type wherever it lies; /dev/shm holds regular files.
constexpr std::string_view kSystemRoots[] = {"/proc/", "/sys/"};

// How many names looked up are kept at most, with what they were (the kept
// ones are dropped together when there are more).
constexpr size_t kNamesKept = 1024;

// Largest directory whose names are read to find those with blanks or
// separators; the names of a larger one are looked up one by one.
constexpr size_t kListedNamesMax = 1 << 16;

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
// file that cannot be looked up, the ValueError of text that is no JSON);
// any other exception passes.
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

// The bytes the interpreter's os functions hand the kernel for s[first:last]
// (the file system encoding), or false when there are none: a name that
// cannot be encoded or holds a NUL opens nothing.
bool file_name(PyObject* s, Py_ssize_t first, Py_ssize_t last, std::string& out) {
    Ref part = geom::substring(s, first, last);
    Ref bytes = Ref::steal_or_null(PyUnicode_EncodeFSDefault(part));
    if (!bytes) {
        if (!PyErr_ExceptionMatches(PyExc_UnicodeError)) throw PyError{};
        PyErr_Clear();
        return false;
    }
    const char* data = PyBytes_AS_STRING(bytes.get());
    const size_t n = static_cast<size_t>(PyBytes_GET_SIZE(bytes.get()));
    if (std::memchr(data, 0, n)) return false;
    out.assign(data, n);
    return true;
}

bool in_system_tree(const std::string& real) {
    for (std::string_view root : kSystemRoots)
        if (real.compare(0, root.size(), root) == 0) return true;
    return false;
}

Kind kind_of(unsigned long mode) {
    if (S_ISDIR(mode)) return Kind::Directory;
    if (S_ISREG(mode)) return Kind::Regular;
    return Kind::Special;
}

// The file lookups, all through the interpreter's os module as its module
// table holds it when a check starts (so a host's own os is obeyed, and
// the interpreter lock is released while the kernel answers).  Paths are
// the bytes the interpreter would hand the kernel.
class FileSystem {
public:
    FileSystem()
        : os_(Ref::steal(PyImport_ImportModule("os"))),
          lstat_(getattr(os_, ORB_STR("lstat"))),
          stat_(getattr(os_, ORB_STR("stat"))),
          realpath_(getattr(getattr(os_, ORB_STR("path")), ORB_STR("realpath"))),
          getcwdb_(getattr(os_, ORB_STR("getcwdb"))),
          scandir_(getattr(os_, ORB_STR("scandir"))) {}

    // The st_mode of os.lstat (or, with `follow`, os.stat) of path, or
    // false when it cannot be looked up.
    bool mode(const std::string& path, bool follow, unsigned long& out) const {
        Ref st = call_or_null(follow ? stat_ : lstat_, bytes(path), {PyExc_OSError, PyExc_ValueError});
        if (!st) return false;
        out = PyLong_AsUnsignedLong(getattr(st, ORB_STR("st_mode")));
        check_error();
        return true;
    }

    // os.path.realpath of an existing path, or "" when it cannot be had.
    std::string real_path(const std::string& path) const {
        return text_of(call_or_null(realpath_, bytes(path), {PyExc_OSError, PyExc_ValueError}));
    }

    // os.getcwdb(), or "" when the working directory cannot be had.
    std::string working() const {
        Ref cwd = Ref::steal_or_null(PyObject_CallNoArgs(getcwdb_));
        if (!cwd) {
            if (!PyErr_ExceptionMatches(PyExc_OSError)) throw PyError{};
            PyErr_Clear();
        }
        return text_of(cwd);
    }

    // The names of the directory `path` ("" for the working one), each
    // handed to `each` as bytes, from os.scandir; false when it cannot be
    // read, or when it holds more than `most` names (reading stops there).
    template <typename F>
    bool names(const std::string& path, size_t most, F each) const {
        Ref entries = call_or_null(scandir_, bytes(path.empty() ? "." : path),
                                   {PyExc_OSError, PyExc_ValueError});
        if (!entries) return false;
        // Closed whatever happens, so that the directory is let go at once.
        struct Closer {
            PyObject* it;
            ~Closer() {
                PyObject *type, *value, *trace;
                PyErr_Fetch(&type, &value, &trace);
                Ref r = Ref::steal_or_null(PyObject_CallMethod(it, "close", nullptr));
                if (!r) PyErr_Clear();
                PyErr_Restore(type, value, trace);
            }
        } closer{entries.get()};
        size_t count = 0;
        for (;;) {
            Ref entry = Ref::steal_or_null(PyIter_Next(entries));
            if (!entry) {
                if (!PyErr_Occurred()) return true;
                if (!PyErr_ExceptionMatches(PyExc_OSError)) throw PyError{};
                PyErr_Clear();
                return false;
            }
            if (++count > most) return false;
            Ref name = getattr(entry, ORB_STR("name"));
            if (!PyBytes_Check(name.get())) continue;
            each(std::string_view(PyBytes_AS_STRING(name.get()),
                                  static_cast<size_t>(PyBytes_GET_SIZE(name.get()))));
        }
    }

private:
    static Ref bytes(const std::string& path) {
        return Ref::steal(PyBytes_FromStringAndSize(path.data(), static_cast<Py_ssize_t>(path.size())));
    }
    static std::string text_of(const Ref& b) {
        if (!b || !PyBytes_Check(b.get())) return std::string();
        return std::string(PyBytes_AS_STRING(b.get()), static_cast<size_t>(PyBytes_GET_SIZE(b.get())));
    }

    Ref os_, lstat_, stat_, realpath_, getcwdb_, scandir_;
};

// The quoted texts of a text with a backslash in them, decoded as JSON
// strings (as PROJ reads the strings of PROJJSON): the index of each
// opening quote and its value, or null for one that is no JSON string.
// Quotes pair from the start of the text, a backslash escaping the
// character after it.
struct Escaped {
    Py_ssize_t quote;
    Ref value;
};

// Whether the JSON string literal t[i:j+1] (quotes included) is one the
// interpreter's json reads: no control character, and only its escapes.
bool json_string(const Text& t, Py_ssize_t i, Py_ssize_t j) {
    auto hex = [](Py_UCS4 c) {
        return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    for (Py_ssize_t k = i + 1; k < j; ++k) {
        const Py_UCS4 c = t[k];
        if (c < 0x20) return false;
        if (c != '\\') continue;
        const Py_UCS4 e = t[++k];
        if (e == 'u') {
            if (j - k <= 4) return false;
            for (int m = 1; m <= 4; ++m)
                if (!hex(t[k + m])) return false;
            k += 4;
        } else if (e == 0 || e >= 0x80 || !std::strchr("\"\\/bfnrt", static_cast<int>(e))) {
            return false;
        }
    }
    return true;
}

// The index of the quote that closes the quoted text opening at i, a
// backslash escaping the character after it, or t.size() for none; with
// `backslash`, whether one stands in the text.
Py_ssize_t quote_end(const Text& t, Py_ssize_t i, bool& backslash) {
    backslash = false;
    Py_ssize_t j = i + 1;
    for (; j < t.size() && t[j] != '"'; ++j)
        if (t[j] == '\\') {
            backslash = true;
            ++j;
        }
    return j < t.size() ? j : t.size();
}

std::vector<Escaped> escaped_texts(PyObject* s, const Text& t) {
    std::vector<Escaped> out;
    std::vector<std::pair<Py_ssize_t, Py_ssize_t>> spans;
    for (Py_ssize_t i = 0; i < t.size(); ++i) {
        if (t[i] != '"') continue;
        bool escaped;
        const Py_ssize_t j = quote_end(t, i, escaped);
        if (j >= t.size()) break;
        if (escaped) spans.emplace_back(i, j);
        i = j;
    }
    if (spans.empty()) return out;
    // The literals json reads, all in one json.loads of them as a list
    // (each alone, should that fail); the others have no value.
    Ref literals = Ref::steal(PyList_New(0));
    std::vector<bool> valid;
    for (auto [i, j] : spans) {
        out.push_back(Escaped{i, Ref()});
        valid.push_back(json_string(t, i, j));
        if (valid.back() && PyList_Append(literals, geom::substring(s, i, j + 1)) < 0)
            throw PyError{};
    }
    if (PyList_GET_SIZE(literals.get()) == 0) return out;
    Ref joined = Ref::steal(PyUnicode_Join(ORB_STR(","), literals));
    Ref values = json_or_null(Ref::steal(PyUnicode_FromFormat("[%U]", joined.get())));
    joined = Ref();
    Py_ssize_t next = 0;
    for (size_t k = 0; k < spans.size(); ++k) {
        if (!valid[k]) continue;
        PyObject* literal = PyList_GET_ITEM(literals.get(), next);
        Ref value = values && PyList_CheckExact(values.get()) &&
                            next < PyList_GET_SIZE(values.get())
                        ? Ref::borrow(PyList_GET_ITEM(values.get(), next))
                        : json_or_null(literal);
        ++next;
        if (value && PyUnicode_Check(value.get())) out[k].value = value;
    }
    return out;
}

// A directory a name has reached: its path as handed to the kernel, ending
// in '/' ("/", "/usr/lib/"), or "" for the working directory, and whether
// that path is its real path (absolute, with no link in it).
struct Place {
    std::string path;
    bool real;
};

// The paths a text names, each looked up once per place it appears; raises
// for a special file.
class Paths {
public:
    explicit Paths(PyObject* name) : name_(name) {}

    // A text, its words and its quoted texts.  `reference` for the text
    // handed to the reader, which must not be a directory and loses an
    // "ESRI::" prefix; `escaped`, the decoded values of its quoted texts
    // with backslashes (escaped_texts), to look those up as decoded, or
    // null to look them up as written.
    void scan(PyObject* s, bool reference, const std::vector<Escaped>* escaped) {
        Scanned outer = std::exchange(text_, Scanned{});
        Text t(s);
        if (names_file_system(t, false, true)) refuse();
        Py_ssize_t nul = 0;
        while (nul < t.size() && t[nul] != 0) ++nul;
        walk(s, t, 0, nul, Mode::Whole, reference);
        const Py_ssize_t start = reference && t.ascii_at(0, "ESRI::") ? 6 : 0;
        if (start > 0) walk(s, t, start, nul, Mode::Whole, true);
        if (reference && t.ascii_at(start, "DICT:")) {
            // "DICT:file,name": the reader opens the file, relative names
            // in the working directory too, up to the first comma.
            Py_ssize_t comma = start + 5;
            while (comma < nul && t[comma] != ',') ++comma;
            if (comma < nul) walk(s, t, start + 5, comma, Mode::Whole, false);
        }
        for (Py_ssize_t i = 0; i < t.size(); ++i) {
            if (i == 0 || ends_word(t[i - 1])) walk(s, t, i, t.size(), Mode::Word, false);
            const Py_ssize_t rest = after_file_system(t, i);
            if (rest >= 0) opened(s, t, i, rest);
        }
        quoted(s, t, escaped);
        text_ = std::move(outer);
    }

    // The names PROJ may open for the value s[first:last] of PROJ text or
    // of a parameter: each member of a list of grids ("@a,b,@c", split at
    // ',', without its '@'), whole, and as far as each character that ends
    // a word in it (an init file "file:name" ends at a ':'), those with
    // blanks or separators where the directory holds such a name.
    void value_files(PyObject* s, const Text& t, Py_ssize_t first, Py_ssize_t last) {
        for (Py_ssize_t i = first;; ++i) {
            Py_ssize_t j = i;
            while (j < last && t[j] != ',') ++j;
            walk(s, t, i < j && t[i] == '@' ? i + 1 : i, j, Mode::Rest, false);
            if (j == last) return;
            i = j;
        }
    }

private:
    // How far a name runs.  Whole: to the end given, as one name.  Word: to
    // the first character that ends a word, unless a directory has been
    // entered, after which every such character may end a name of that
    // directory (PROJ keeps ':' and blanks in some names).  Rest: as Word
    // with the working directory entered, for what follows a virtual file
    // system prefix, which GDAL opens whole, blanks and separators
    // included.
    enum class Mode { Whole, Word, Rest };

    // What the virtual file system whose prefix runs from `prefix` to
    // `rest` opens: the whole rest, the part inside braces that follow the
    // prefix (an archive of /vsizip/ or /vsitar/), and the part after the
    // first comma of /vsisubfile/'s "offset_size,name".  A prefix inside the
    // rest is found as a prefix of its own.
    void opened(PyObject* s, const Text& t, Py_ssize_t prefix, Py_ssize_t rest) {
        walk(s, t, rest, t.size(), Mode::Rest, false);
        if (rest < t.size() && t[rest] == '{') {
            const Py_ssize_t close = closing_brace(t, rest);
            if (close > 0) walk(s, t, rest + 1, close, Mode::Rest, false);
        }
        if (t.ascii_at(prefix, "/vsisubfile/")) {
            // The prefixes come in the order of the text, so the search
            // for the next comma goes over each character once.
            if (text_.comma < rest) {
                text_.comma = rest;
                while (text_.comma < t.size() && t[text_.comma] != ',') ++text_.comma;
            }
            if (text_.comma < t.size()) walk(s, t, text_.comma + 1, t.size(), Mode::Rest, false);
        }
    }

    // The index of the '}' that closes the '{' at i (braces nest, as GDAL
    // counts them), or -1.  All the pairs of the text are found at the
    // first call.
    Py_ssize_t closing_brace(const Text& t, Py_ssize_t i) {
        if (!text_.braces_known) {
            text_.braces_known = true;
            std::vector<size_t> open;
            for (Py_ssize_t j = 0; j < t.size(); ++j) {
                if (t[j] == '{') {
                    open.push_back(text_.braces.size());
                    text_.braces.push_back({j, -1});
                } else if (t[j] == '}' && !open.empty()) {
                    text_.braces[open.back()].second = j;
                    open.pop_back();
                }
            }
        }
        auto at = std::lower_bound(text_.braces.begin(), text_.braces.end(),
                                   std::make_pair(i, Py_ssize_t{-1}));
        return at != text_.braces.end() && at->first == i ? at->second : -1;
    }

    // The texts between double quotes, each as one name and as the list of
    // grids PROJ reads in a grid parameter of WKT or PROJJSON ("@a,b"): a
    // WKT value may hold blanks and brackets.  One with JSON escapes is
    // scanned as decoded, as PROJ reads it from PROJJSON; one that is no
    // JSON string (an invalid escape) is left to the reader, which refuses
    // it too.
    void quoted(PyObject* s, const Text& t, const std::vector<Escaped>* escaped) {
        size_t next = 0;
        for (Py_ssize_t i = 0; i < t.size(); ++i) {
            if (t[i] != '"') continue;
            bool backslash;
            const Py_ssize_t j = quote_end(t, i, backslash);
            if (j >= t.size()) return;
            if (backslash && escaped) {
                const Ref& value = (*escaped)[next++].value;
                if (value) {
                    scan(value, false, nullptr);
                    value_files(value, Text(value), 0, PyUnicode_GET_LENGTH(value.get()));
                }
            } else {
                walk(s, t, i + 1, j, Mode::Whole, false);
                value_files(s, t, i + 1, j);
            }
            i = j;
        }
    }

    // The names starting at `first` in t (the text s), up to `end`.  Each
    // directory is entered at the '/' after it while it exists.
    void walk(PyObject* s, const Text& t, Py_ssize_t first, Py_ssize_t end, Mode mode,
              bool reference) {
        if (first >= end) return;
        Py_ssize_t i = first;
        Place place{"", false};
        bool entered = mode == Mode::Rest;
        if (t[i] == '/') {
            place = Place{"/", true};
            entered = true;
            ++i;
        }
        for (;;) {
            if (i - first > kPathMax) return;
            Py_ssize_t j = i;
            bool plain_name = true;  // s[i:j] holds no character that ends a word
            for (; j < end && t[j] != '/'; ++j) {
                if (j - i > kNameMax || j - first > kPathMax) return;
                if (mode != Mode::Whole && ends_word(t[j])) {
                    if (!entered) return named(place, s, i, j, false);
                    if (j > i) candidate(place, s, i, j, plain_name);
                    plain_name = false;
                }
            }
            if (j == end) return named(place, s, i, end, reference);
            if (!plain_name && !may_hold(place, s, i, j)) return;
            if (!enter(place, s, i, j)) return;
            entered = true;
            i = j + 1;
        }
    }

    // The last part s[i:j] of a name, in `place`.
    void named(const Place& place, PyObject* s, Py_ssize_t i, Py_ssize_t j, bool reference) {
        Text t(s, i, j);
        if (t.size() == 0 || dots(t)) {
            // "/tmp/", "/tmp/." and "/tmp/.." name directories.
            if (reference) refuse();
            return;
        }
        if (look_up(place, s, i, j) == Kind::Directory && reference) refuse();
    }

    // s[i:j] may end a word in `place` at the character after it.  The
    // first such name of a part holds no blank or separator and is looked
    // up; a longer one only when the directory holds a name of that kind.
    void candidate(const Place& place, PyObject* s, Py_ssize_t i, Py_ssize_t j, bool plain_name) {
        if (plain_name || may_hold(place, s, i, j)) look_up(place, s, i, j);
    }

    // Whether `place` may hold the name s[i:j], which has a blank or a
    // separator in it: its listing holds that name, or it could not be
    // listed.
    bool may_hold(const Place& place, PyObject* s, Py_ssize_t i, Py_ssize_t j) {
        const Listing& listing = names_of(place);
        if (listing.unlisted) return true;
        if (listing.names.empty() || static_cast<size_t>(j - i) > listing.longest) return false;
        std::string bytes;
        return file_name(s, i, j, bytes) && listing.names.count(bytes);
    }

    // Enters the directory s[i:j] of `place`; false when it is no directory.
    bool enter(Place& place, PyObject* s, Py_ssize_t i, Py_ssize_t j) {
        Text part(s, i, j);
        if (part.size() == 0 || (part.size() == 1 && part[0] == '.')) return true;
        if (part.size() == 2 && part[0] == '.' && part[1] == '.') {
            up(place);
            return true;
        }
        std::string name, real;
        if (!file_name(s, i, j, name) || look_up_name(place, name, &real) != Kind::Directory)
            return false;
        if (real.empty() && place.path.empty() && !working().empty())
            real = working() == "/" ? "/" + name : working() + "/" + name;
        if (real.empty())  // a link with no path, or below a working directory that cannot be had
            place = Place{place.path + name + "/", false};
        else
            place = Place{real == "/" ? real : real + "/", true};
        return true;
    }

    // The parent of `place`, as the kernel takes ".." there.
    void up(Place& place) {
        if (!place.real && place.path.empty() && !working().empty())
            place = Place{working() == "/" ? working() : working() + "/", true};
        if (!place.real) {
            place.path += "../";
            return;
        }
        if (place.path.size() <= 1) return;  // the root is its own parent
        const size_t slash = place.path.rfind('/', place.path.size() - 2);
        place.path.resize(slash + 1);
    }

    static bool dots(const Text& t) {
        return (t.size() == 1 && t[0] == '.') || (t.size() == 2 && t[0] == '.' && t[1] == '.');
    }

    // What the name s[i:j] of `place` is, following links; raises for a
    // special file or a file under the kernel's own file systems.
    Kind look_up(const Place& place, PyObject* s, Py_ssize_t i, Py_ssize_t j) {
        std::string name;
        if (!file_name(s, i, j, name)) return Kind::Missing;
        return look_up_name(place, name);
    }

    // The same for a name already in the bytes handed to the kernel; with
    // `real`, the real path of a directory found, when it is known.
    Kind look_up_name(const Place& place, const std::string& name, std::string* real = nullptr) {
        const std::string path = place.path + name;
        auto known = known_.find(path);
        if (known != known_.end()) {
            if (real) *real = known->second.real;
            return known->second.kind;
        }
        const Known found = find(place, path);
        if (known_.size() >= kNamesKept) known_.clear();
        known_.emplace(path, found);
        if (real) *real = found.real;
        return found.kind;
    }

    // What `path`, in `place`, is: the kind of file it leads to and, for a
    // directory, its real path when known.
    struct Known {
        Kind kind;
        std::string real;
    };

    Known find(const Place& place, const std::string& path) {
        unsigned long mode;
        if (!fs_.mode(path, false, mode)) return {Kind::Missing, {}};
        std::string resolved;
        if (S_ISLNK(mode)) {
            // The kernel follows the links, those of /proc/self/fd to pipes
            // and sockets included, which have no path.
            if (!fs_.mode(path, true, mode)) return {Kind::Missing, {}};
            resolved = fs_.real_path(path);
        } else if (place.real) {
            resolved = path;
        }
        const Kind k = kind_of(mode);
        if (k == Kind::Special) refuse();
        if (k == Kind::Regular) {
            if (resolved.empty()) resolved = fs_.real_path(path);
            if (in_system_tree(resolved)) raisef(PyExc_Exception, kSystemFileMessage, name_);
        }
        return {k, k == Kind::Directory ? resolved : std::string()};
    }

    // The working directory's real path, or "" when it cannot be had (it
    // was removed, or is longer than a path may be).
    const std::string& working() {
        if (!working_known_) {
            working_known_ = true;
            working_ = fs_.working();
        }
        return working_;
    }

    // The names of a directory that hold a character ending a word, and
    // the length in bytes of the longest; `unlisted` when the directory
    // could not be read or is too large to be.
    struct Listing {
        std::unordered_set<std::string> names;
        size_t longest = 0;
        bool unlisted = false;
    };

    const Listing& names_of(const Place& place) {
        auto found = listings_.find(place.path);
        if (found != listings_.end()) return found->second;
        Listing& listing = listings_[place.path];
        const bool listed = fs_.names(place.path, kListedNamesMax, [&](std::string_view n) {
            bool odd = false;
            for (unsigned char c : n) odd = odd || (c < 0x80 && ends_word(c));
            if (!odd) {
                // A blank beyond ASCII that ends a word (U+00A0, U+2028...)
                // is tested on the decoded name.
                for (unsigned char c : n) odd = odd || c >= 0x80;
                if (odd) odd = decoded_ends_word(n);
            }
            if (!odd) return;
            listing.names.emplace(n);
            if (n.size() > listing.longest) listing.longest = n.size();
        });
        if (!listed) {
            listing = Listing{};
            listing.unlisted = true;
        }
        return listing;
    }

    // Whether a file name with bytes beyond ASCII, decoded as the
    // interpreter decodes file names, holds a character ending a word.
    static bool decoded_ends_word(std::string_view n) {
        Ref name = Ref::steal_or_null(
            PyUnicode_DecodeFSDefaultAndSize(n.data(), static_cast<Py_ssize_t>(n.size())));
        if (!name) {
            PyErr_Clear();
            return true;
        }
        Text t(name);
        for (Py_ssize_t k = 0; k < t.size(); ++k)
            if (ends_word(t[k])) return true;
        return false;
    }

    [[noreturn]] void refuse() { raisef(PyExc_Exception, kSpecialFileMessage, name_); }

    PyObject* name_;
    FileSystem fs_;
    // What is known of the text being scanned: where the last search for a
    // comma after /vsisubfile/ ended, and its braces, (opening, closing or
    // -1) in the order of the text, once found.
    struct Scanned {
        Py_ssize_t comma = -1;
        std::vector<std::pair<Py_ssize_t, Py_ssize_t>> braces;
        bool braces_known = false;
    };
    Scanned text_;
    std::string working_;
    bool working_known_ = false;
    // The names looked up last, by path, with what they are: the same few
    // directories are passed through by many names, and a name may stand
    // many times in a text.
    std::unordered_map<std::string, Known> known_;
    // Names with blanks or separators of the directories a name needed
    // them of, by the path of the directory.
    std::unordered_map<std::string, Listing> listings_;
};

// The parsed reference, walked as the interpreter's object of its PROJJSON.
class Parsed {
public:
    explicit Parsed(PyObject* name) : name_(name), paths_(name) {}

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
            // A parameter value, such as the name of a grid file.
            if (PyUnicode_Check(key) && PyUnicode_CompareWithASCIIString(key, "value") == 0 &&
                PyUnicode_Check(item))
                parameter_value(item);
            if (PyUnicode_Check(key) && PyUnicode_CompareWithASCIIString(key, "method") == 0 &&
                PyDict_CheckExact(item))
                method(d, item);
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

    // A parameter value, or the value of a token of PROJ text: no URL at
    // its start or at the start of any member of a list, and no special
    // file among the names PROJ may open for it.
    void parameter_value(PyObject* v) {
        Text t(v);
        if (remote_url_at(t, skip_before_value(t, 0)) || names_url(t))
            raisef(PyExc_Exception, kNetworkMessage, name_);
        paths_.value_files(v, t, 0, t.size());
    }

    // The method of an operation (a conversion or a transformation, `op`).
    // One that PROJ has no name of its own for is named "PROJ " and PROJ
    // text, which PROJ reads again, with the names and values of the
    // operation's parameters added as tokens, when it makes the
    // transformation: the text must be plain, its values are checked, and
    // each parameter name must be a plain name.
    void method(PyObject* op, PyObject* m) {
        Ref name = member(m, "name");
        if (!name || !PyUnicode_Check(name.get())) return;
        const Text t(name);
        const Py_ssize_t first = proj_text::method_text(t);
        if (first < 0) return;
        if (!proj_text::plain(t, first, t.size())) refuse_plain();
        proj_text::read(t, first, t.size(), [&](const proj_text::Token& k) {
            if (k.value_last > k.value_first)
                parameter_value(geom::substring(name, k.value_first, k.value_last));
        });
        Ref parameters = member(op, "parameters");
        if (!parameters || !PyList_CheckExact(parameters.get())) return;
        Ref each = Ref::steal(PyList_GetSlice(parameters, 0, PyList_GET_SIZE(parameters.get())));
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(each.get()); ++i) {
            PyObject* parameter = PyList_GET_ITEM(each.get(), i);
            if (!PyDict_CheckExact(parameter)) continue;
            Ref n = member(parameter, "name");
            if (!n || !PyUnicode_Check(n.get())) refuse_plain();
            const Text nt(n);
            if (nt.size() == 0) refuse_plain();
            for (Py_ssize_t k = 0; k < nt.size(); ++k)
                if (!proj_text::name_char(nt[k])) refuse_plain();
        }
    }

    static Ref member(PyObject* d, const char* key) {
        PyObject* v = PyDict_GetItemString(d, key);
        return Ref::borrow(v);
    }

    [[noreturn]] void refuse() { raisef(PyExc_Exception, kAuthorityMessage, name_); }
    [[noreturn]] void refuse_plain() { raisef(PyExc_Exception, kPlainMessage, name_); }

    PyObject* name_;
    Paths paths_;
};

// Whether the PROJ text of t is plain: the whole text, when GDAL hands it
// to PROJ as PROJ parameters, and the text of each PROJ4 EXTENSION.  With
// `each`, the tokens of that text are handed to it once all are known to
// be plain.
template <class Each>
bool proj_text_plain(const Text& t, Each each) {
    const bool whole = proj_text::whole_proj_string(t);
    if (whole && !proj_text::plain(t, 0, t.size())) return false;
    std::vector<proj_text::Extension> texts;
    if (!proj_text::extensions(t, [&](const proj_text::Extension& e) {
            if (proj_text::holds_proj_text(t, e)) texts.push_back(e);
        }))
        return false;
    for (const proj_text::Extension& e : texts)
        if (!proj_text::plain(t, e.text_first, e.text_last)) return false;
    if (whole) proj_text::read(t, 0, t.size(), each);
    for (const proj_text::Extension& e : texts) proj_text::read(t, e.text_first, e.text_last, each);
    return true;
}

// Whether a quoted text of t with JSON escapes names a URL or a network
// file system once decoded, as PROJ reads a PROJJSON string: at its start
// (unless it is a value nobody reads) or where a name starts inside it.
bool decodes_to_network(const Text& t, const std::vector<Escaped>& escaped) {
    for (const Escaped& e : escaped) {
        if (!e.value) continue;
        Text d(e.value);
        if ((!unread_value(t, e.quote) && remote_url_at(d, skip_before_value(d, 0))) ||
            names_url(d) || names_file_system(d, true, false))
            return true;
    }
    return false;
}

}  // namespace

void check_text(PyObject* text, PyObject* name) {
    // The binding reads the characters of any str, a subclass's included.
    Text t(text);
    if (reads_over_network(t) || names_url(t)) raisef(PyExc_Exception, kNetworkMessage, name);
    const std::vector<Escaped> escaped = escaped_texts(text, t);
    if (decodes_to_network(t, escaped)) raisef(PyExc_Exception, kNetworkMessage, name);
    Paths paths(name);
    // Each value of plain PROJ text is looked up as PROJ reads it, then
    // every name the text holds.
    if (!proj_text_plain(t, [&](const proj_text::Token& k) {
            if (k.value_last > k.value_first) paths.value_files(text, t, k.value_first, k.value_last);
        }))
        raisef(PyExc_Exception, kPlainMessage, name);
    paths.scan(text, true, &escaped);
}

void check_parsed(PyObject* projjson, PyObject* name) {
    Ref parsed = json_or_null(projjson);
    // PROJ writes an empty authority name or code as no value at all
    // ("id": }), so what it holds cannot be told.
    if (!parsed) raisef(PyExc_Exception, kAuthorityMessage, name);
    Parsed(name).value(parsed);
}

}  // namespace orb::reference_guard
