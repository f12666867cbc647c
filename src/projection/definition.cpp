// WKT 1 texts of the four projected coordinate systems: a fixed template per
// projection, filled with the spheroid of a coordinate system record and the
// projection parameters.  Nothing here parses the text or calls GDAL; the
// texts are meant as references of a ProjectionHelper instance.
#include "projection/definition.h"

#include "frame/errors.h"
#include "geometry/textutil.h"

#include <cmath>
#include <string>
#include <string_view>

namespace orb::projectionhelper {
namespace {

// Argument positions of definition() after cls.
enum : size_t {
    kProjection = 1, kCrs, kCentralMeridian, kOriginLatitude, kFalseEasting, kFalseNorthing,
    kParallel1, kParallel2,
};

// The code whose record is used for every code that is not in the table.
constexpr long kFallbackCrs = 2000;

// Inclusive bounds of the range tests, in degrees.
constexpr long kMeridianBound = 180;
constexpr double kLatitudeBound = 90.0;

// The templates; every "{}" is one value, filled from left to right.
// Gauss-Kruger: spheroid x2, datum, spheroid, a, 1/f, latitude of origin,
// central meridian, false easting, false northing.
constexpr std::string_view kGaussKruger =
    R"(PROJCS["{} / Gauss-Kruger",GEOGCS["{}",DATUM["{}",SPHEROID["{}",{},{},AUTHORITY["EPSG","1024"]],AUTHORITY["EPSG","1043"]],PRIMEM["Greenwich",0,AUTHORITY["EPSG","8901"]],UNIT["degree",0.0174532925199433,AUTHORITY["EPSG","9122"]],AUTHORITY["EPSG","4490"]],PROJECTION["Transverse_Mercator"],PARAMETER["latitude_of_origin",{}],PARAMETER["central_meridian",{}],PARAMETER["false_easting",{}],PARAMETER["false_northing",{}],UNIT["metre",1,AUTHORITY["EPSG","9001"]],AXIS["Northing",NORTH],AXIS["Easting",EAST]])";

// Lambert and Albers: the spheroid part as above, then latitude of origin,
// central meridian, the two standard parallels, false easting and northing.
constexpr std::string_view kLambert =
    R"(PROJCS["{} / Lambert_Conformal_Conic",GEOGCS["{}",DATUM["{}",SPHEROID["{}",{},{},AUTHORITY["EPSG","7019"]]],PRIMEM["Greenwich",0,AUTHORITY["EPSG","8901"]],UNIT["degree",0.0174532925199433,AUTHORITY["EPSG","9122"]]],PROJECTION["Lambert_Conformal_Conic_2SP"],PARAMETER["latitude_of_origin",{}],PARAMETER["central_meridian",{}],PARAMETER["standard_parallel_1",{}],PARAMETER["standard_parallel_2",{}],PARAMETER["false_easting",{}],PARAMETER["false_northing",{}],UNIT["metre",1,AUTHORITY["EPSG","9001"]],AXIS["Easting",EAST],AXIS["Northing",NORTH]])";

// The Albers datum carries the authority of the WGS 84 datum.  PROJ refuses
// to build any transformation to a datum so named that sits on another
// spheroid ("Cannot find coordinate operations"), so that node is written
// only for the WGS 84 spheroid and left out otherwise (kAlbersWithoutDatumId).
constexpr std::string_view kAlbers =
    R"(PROJCS["{} / Albers_Conic_Equal_Area",GEOGCS["{}",DATUM["{}",SPHEROID["{}",{},{},AUTHORITY["EPSG","7030"]],AUTHORITY["EPSG","6326"]],PRIMEM["Greenwich",0,AUTHORITY["EPSG","8901"]],UNIT["degree",0.0174532925199433,AUTHORITY["EPSG","9122"]]],PROJECTION["Albers_Conic_Equal_Area"],PARAMETER["latitude_of_center",{}],PARAMETER["longitude_of_center",{}],PARAMETER["standard_parallel_1",{}],PARAMETER["standard_parallel_2",{}],PARAMETER["false_easting",{}],PARAMETER["false_northing",{}],UNIT["metre",1,AUTHORITY["EPSG","9001"]],AXIS["Easting",EAST],AXIS["Northing",NORTH]])";
constexpr std::string_view kAlbersWithoutDatumId =
    R"(PROJCS["{} / Albers_Conic_Equal_Area",GEOGCS["{}",DATUM["{}",SPHEROID["{}",{},{},AUTHORITY["EPSG","7030"]]],PRIMEM["Greenwich",0,AUTHORITY["EPSG","8901"]],UNIT["degree",0.0174532925199433,AUTHORITY["EPSG","9122"]]],PROJECTION["Albers_Conic_Equal_Area"],PARAMETER["latitude_of_center",{}],PARAMETER["longitude_of_center",{}],PARAMETER["standard_parallel_1",{}],PARAMETER["standard_parallel_2",{}],PARAMETER["false_easting",{}],PARAMETER["false_northing",{}],UNIT["metre",1,AUTHORITY["EPSG","9001"]],AXIS["Easting",EAST],AXIS["Northing",NORTH]])";

// Web Mercator: the spheroid part, central meridian, false easting and
// false northing, in pieces.  The text of EPSG:3857 (kPseudoMercatorName,
// kWebMercatorSpheroid, kWgs84DatumId, kWebMercatorBody, kPseudoMercatorId)
// is written only for its own parameters: the WGS 84 spheroid, meridian 0
// and no false origin.  GDAL builds the inverse of a text from its closing
// authority and the forward from its parameters, and GDAL and PROJ read a
// Mercator text named "WGS 84 / Pseudo-Mercator" as EPSG:3857 whatever its
// parameters; so every other text goes without the closing authority, and
// one on a spheroid named WGS 84 also without "Pseudo-" in its name, and
// means the Mercator projection of its parameters in both directions.  The
// datum names the WGS 84 datum's authority only on the WGS 84 spheroid, as
// for Albers: GDAL writes the datum of that authority into the ESRI text of
// a reference, and cannot transform to it on another spheroid.
constexpr std::string_view kPseudoMercatorName = R"(PROJCS["{} / Pseudo-Mercator")";
constexpr std::string_view kMercatorName = R"(PROJCS["{} / Mercator")";
constexpr std::string_view kWebMercatorSpheroid =
    R"(,GEOGCS["{}",DATUM["{}",SPHEROID["{}",{},{},AUTHORITY["EPSG","7030"]])";
constexpr std::string_view kWgs84DatumId = R"(,AUTHORITY["EPSG","6326"])";
constexpr std::string_view kWebMercatorBody =
    R"(],PRIMEM["Greenwich",0,AUTHORITY["EPSG","8901"]],UNIT["degree",0.0174532925199433,AUTHORITY["EPSG","9122"]],AUTHORITY["EPSG","4326"]],PROJECTION["Mercator_1SP"],PARAMETER["central_meridian",{}],PARAMETER["false_easting",{}],PARAMETER["false_northing",{}],UNIT["metre",1,AUTHORITY["EPSG","9001"]],AXIS["Easting",EAST],AXIS["Northing",NORTH])";
constexpr std::string_view kPseudoMercatorId = R"(,AUTHORITY["EPSG","3857"])";

// The WGS 84 spheroid, the one the authorities of the Albers datum name:
// semi-major axis in metres and inverse flattening.
constexpr double kWgs84A = 6378137.0;
constexpr double kWgs84InverseFlattening = 298.257223563;

enum class Plane { GaussKruger, Lambert, Albers, WebMercator };

struct Name {
    const char* text;
    Plane kind;
};
// Accepted names after strip() and lower(), tested in this order.
constexpr Name kNames[] = {
    {"gauss-kruger", Plane::GaussKruger},
    {"gausskruger", Plane::GaussKruger},
    {"gauss", Plane::GaussKruger},
    {"lambert_conformal_conic", Plane::Lambert},
    {"lambertconformalconic", Plane::Lambert},
    {"lambert", Plane::Lambert},
    {"albers_conic_equal_area", Plane::Albers},
    {"albersconicequalarea", Plane::Albers},
    {"albers", Plane::Albers},
    {"webmercator", Plane::WebMercator},
    {"pseudo-mercator", Plane::WebMercator},
};

// The record of `crs`, or of the fallback code when `crs` is not a key.
Ref record_of(PyObject* cls, PyObject* crs) {
    Ref table = getattr(cls, ORB_STR("datum"));
    int found = PySequence_Contains(table, crs);
    if (found < 0) throw PyError{};
    if (found) return Ref::steal(PyObject_GetItem(table, crs));
    Ref fallback = integer(kFallbackCrs);
    return Ref::steal(PyObject_GetItem(table, fallback));
}

Plane plane_of(PyObject* projection) {
    Ref stripped = call_method(projection, ORB_STR("strip"), {});
    Ref name = call_method(stripped, ORB_STR("lower"), {});
    for (const Name& n : kNames) {
        if (PyUnicode_Check(name) && PyUnicode_CompareWithASCIIString(name, n.text) == 0)
            return n.kind;
    }
    raisef(PyExc_Exception,
           "Invalid [projection: %U] parameter. Should be one of [\"GaussKruger\", \"Lambert\", "
           "\"Albers\", \"WebMercator\"].",
           format(projection, "").get());
}

// -180 <= value <= 180 as the interpreter chains it: the second comparison
// runs only when the first holds.  The value may be any object.
void test_meridian(PyObject* value) {
    Ref low = integer(-kMeridianBound), high = integer(kMeridianBound);
    if (compare(low, value, Py_LE) && compare(value, high, Py_LE))
        return;
    raise_invalid_between("centralMeridian", format(value, ""), "-180 and +180");
}

// The latitudes are floats after binding; a NaN fails both comparisons.
void test_latitude(PyObject* value, const char* name) {
    double x = PyFloat_AS_DOUBLE(value);
    if (-kLatitudeBound <= x && x <= kLatitudeBound) return;
    raise_invalid_between(name, format(value, ""), "-90 and +90");
}

// The template filled by the text's format method: each "{}" becomes
// format(value, "") of the next value (the templates hold no other brace).
Ref fill(std::string_view tmpl, std::initializer_list<PyObject*> values) {
    return call_method(text(std::string(tmpl)), ORB_STR("format"), values);
}

// True when the record's spheroid is the WGS 84 one.
bool is_wgs84(PyObject* a, PyObject* e) {
    if (!PyFloat_Check(a) || !PyFloat_Check(e)) return false;
    return PyFloat_AS_DOUBLE(a) == kWgs84A && PyFloat_AS_DOUBLE(e) == kWgs84InverseFlattening;
}

// True when a spheroid written as `name` makes the web Mercator name one
// that GDAL and PROJ take for EPSG:3857.  They compare names blind to case
// and to most punctuation and spaces, and take WGS_1984 for WGS 84; this
// keeps only ASCII letters and digits, which errs towards dropping "Pseudo-"
// from a name that would not have been matched, never the other way.
bool named_wgs84(PyObject* name) {
    Ref written = format(name, "");
    geom::CodePoints c(written);
    std::string key;
    for (Py_ssize_t i = 0; i < c.size(); ++i) {
        const Py_UCS4 ch = c[i];
        if (ch >= 'A' && ch <= 'Z')
            key += static_cast<char>(ch - 'A' + 'a');
        else if ((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9'))
            key += static_cast<char>(ch);
        if (key.size() > 7) return false;  // longer than "wgs1984"
    }
    return key == "wgs84" || key == "wgs1984";
}

// Whether `t` is a decimal number as WKT writes one: an optional sign,
// ASCII digits with at most one decimal point among or after them, and an
// optional exponent ("500000", "-0.0", "5e5", "1e+22", ".5").
bool decimal_text(const geom::CodePoints& t) {
    Py_ssize_t i = 0;
    auto digits = [&] {
        const Py_ssize_t from = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
        return i - from;
    };
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    Py_ssize_t mantissa = digits();
    if (i < t.size() && t[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == t.size();
}

// The text a false easting or northing is written as, format(value, ""),
// when it is a finite decimal number; raises otherwise.  A value written
// as anything else would be read by GDAL as other WKT (a text that closes
// the parameter and opens another) or not at all (nan, inf).
Ref false_origin_text(PyObject* value, const char* name) {
    Ref written = format(value, "");
    if (!PyUnicode_CheckExact(written.get())) written = Ref::steal(PyUnicode_FromObject(written));
    geom::CodePoints t(written);
    if (decimal_text(t)) {
        // The digits are ASCII, so the UTF-8 is the text itself.
        const double x = PyOS_string_to_double(PyUnicode_AsUTF8(written), nullptr, nullptr);
        check_error();
        if (std::isfinite(x)) return written;
    }
    raisef(PyExc_Exception, "Invalid [%s: %U] parameter. Should be a finite decimal number.", name,
           written.get());
}

// value == 0 by the interpreter's comparison (0, 0.0 and -0.0 alike).
bool is_zero(PyObject* value) { return compare(value, integer(0), Py_EQ); }

}  // namespace

Ref definition(Args args) {
    PyObject* cls = args[0];
    Ref record = record_of(cls, args[kCrs]);
    Ref spheroid = getattr(record, ORB_STR("spheroid"));
    Ref datum = getattr(record, ORB_STR("datum"));
    Ref a = getattr(record, ORB_STR("a"));
    Ref f = getattr(record, ORB_STR("f"));
    Ref one = number(1.0);
    Ref e = Ref::steal(PyNumber_TrueDivide(one, f));  // inverse flattening

    const Plane kind = plane_of(args[kProjection]);

    // Defaults by projection: Gauss-Kruger writes a float false easting and
    // an integer meridian, Lambert and Albers the reverse, web Mercator two
    // integers.
    Ref centralMeridian = Ref::borrow(args[kCentralMeridian]);
    Ref falseEasting = Ref::borrow(args[kFalseEasting]);
    const bool float_easting = kind == Plane::GaussKruger;
    const bool float_meridian = kind == Plane::Lambert || kind == Plane::Albers;
    if (falseEasting.get() == Py_None) falseEasting = float_easting ? number(500000.0) : integer(0);
    if (centralMeridian.get() == Py_None)
        centralMeridian = float_meridian ? number(105.0) : integer(0);

    PyObject* origin = args[kOriginLatitude];
    PyObject* northing = args[kFalseNorthing];
    PyObject* parallel1 = args[kParallel1];
    PyObject* parallel2 = args[kParallel2];

    // The false origin goes into the text as the very texts tested, after
    // the range tests of the projection.
    auto easting = [&] { return false_origin_text(falseEasting, "falseEasting"); };
    auto northing_text = [&] { return false_origin_text(northing, "falseNorthing"); };

    test_meridian(centralMeridian);
    switch (kind) {
        case Plane::GaussKruger: {
            test_latitude(origin, "originLatitude");
            Ref x = easting(), y = northing_text();
            return fill(kGaussKruger,
                        {spheroid, spheroid, datum, spheroid, a, e, origin, centralMeridian, x, y});
        }
        case Plane::Lambert:
        case Plane::Albers: {
            test_latitude(origin, "originLatitude");
            test_latitude(parallel1, "standard_parallel_1");
            test_latitude(parallel2, "standard_parallel_2");
            Ref x = easting(), y = northing_text();
            std::string_view tmpl = kind == Plane::Lambert ? kLambert
                                    : is_wgs84(a, e)      ? kAlbers
                                                          : kAlbersWithoutDatumId;
            return fill(tmpl, {spheroid, spheroid, datum, spheroid, a, e, origin, centralMeridian,
                               parallel1, parallel2, x, y});
        }
        case Plane::WebMercator:
            break;
    }
    const bool wgs84_name = named_wgs84(spheroid);
    const bool wgs84_spheroid = is_wgs84(a, e);
    const bool epsg3857 = wgs84_name && wgs84_spheroid && is_zero(centralMeridian) &&
                          is_zero(falseEasting) && is_zero(northing);
    std::string tmpl(epsg3857 || !wgs84_name ? kPseudoMercatorName : kMercatorName);
    tmpl += kWebMercatorSpheroid;
    if (wgs84_spheroid) tmpl += kWgs84DatumId;
    tmpl += kWebMercatorBody;
    if (epsg3857) tmpl += kPseudoMercatorId;
    tmpl += ']';
    Ref x = easting(), y = northing_text();
    return fill(tmpl, {spheroid, spheroid, datum, spheroid, a, e, centralMeridian, x, y});
}

}  // namespace orb::projectionhelper
