// Calls into GDAL's spatial reference bindings, one wrapper per kind of call.
#include "projection/osr_calls.h"

#include "geometry/textutil.h"

namespace orb::osr_calls {
namespace {

// GDAL's user-input reader fetches http and https URLs (any letter case,
// after an optional "ESRI::" prefix) and opens any other text it cannot
// read as a file, so paths on GDAL's network file systems, alone or inside
// a chain such as /vsizip//vsicurl/..., open connections too.  The binding
// of GDAL 3.6 has no option to forbid either, so such text never reaches
// the reader.  Matching is deliberately wider than the reader: leading
// blanks and repeated prefixes are skipped, every "scheme://" counts, and
// the file system names are found anywhere in the text in any letter case;
// none of that occurs in WKT, PROJ text, authority codes or local paths.
constexpr const char* kNetworkMessage =
    "Invalid [%U] parameter. References that GDAL would read over a network "
    "(URLs and network file system paths) are refused.";

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

using Text = geom::CodePoints;

// Whether the ASCII `word` stands anywhere in t, ASCII letters in any case.
bool contains(const Text& t, const char* word) {
    for (Py_ssize_t i = 0; i < t.size(); ++i)
        if (t.ascii_at(i, word)) return true;
    return false;
}

bool is_letter(Py_UCS4 c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_scheme_char(Py_UCS4 c) {
    return is_letter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
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

}  // namespace

void use_exceptions(PyObject* osr) { call_method(osr, ORB_STR("UseExceptions"), {}); }

Ref reference(PyObject* osr, PyObject* value, PyObject* name) {
    // The binding reads the characters of any str, a subclass's included.
    if (PyUnicode_Check(value) && reads_over_network(Text(value)))
        raisef(PyExc_Exception, kNetworkMessage, name);
    Ref srs = call_method(osr, ORB_STR("SpatialReference"), {});
    if (PyLong_CheckExact(value))
        call_method(srs, ORB_STR("ImportFromEPSG"), {value});
    else
        call_method(srs, ORB_STR("SetFromUserInput"), {value});
    Ref traditional = getattr(osr, ORB_STR("OAMS_TRADITIONAL_GIS_ORDER"));
    call_method(srs, ORB_STR("SetAxisMappingStrategy"), {traditional});
    return srs;
}

Ref esri_wkt(PyObject* srs) {
    // MorphToESRI rewrites in place, so it works on a clone: the reference
    // itself keeps its own form for the transformation.
    Ref copy = call_method(srs, ORB_STR("Clone"), {});
    call_method(copy, ORB_STR("MorphToESRI"), {});
    return call_method(copy, ORB_STR("ExportToWkt"), {});
}

bool is_same(PyObject* srs, PyObject* other) {
    Ref same = call_method(srs, ORB_STR("IsSame"), {other});
    int t = PyObject_IsTrue(same);
    if (t < 0) throw PyError{};
    return t != 0;
}

Ref transformation(PyObject* osr, PyObject* source, PyObject* target) {
    Ref make = getattr(osr, ORB_STR("CoordinateTransformation"));
    return call(make, {source, target});
}

Ref transform_point(PyObject* transformer, PyObject* const* values, size_t n) {
    // The values go as separate arguments, not as one list: the installed
    // bindings refuse every list (their double[3] and double[4] overloads
    // never match, "Wrong number or type of arguments"), while the scalar
    // overloads take the same x, y, z, t and return the same tuple.
    constexpr size_t kMaxValues = 4;
    PyObject* stack[1 + kMaxValues];
    stack[0] = transformer;
    for (size_t i = 0; i < n && i < kMaxValues; ++i) stack[1 + i] = values[i];
    const size_t count = n < kMaxValues ? n : kMaxValues;
    return Ref::steal(PyObject_VectorcallMethod(ORB_STR("TransformPoint"), stack, 1 + count,
                                                nullptr));
}

}  // namespace orb::osr_calls
