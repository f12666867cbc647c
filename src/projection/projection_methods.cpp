// Python layer of the zone and point projection methods of Projection:
// reads the bound arguments and the reference table, runs the numeric core
// and turns its status into the one exception, with the messages kept here.
#include "projection/projection_methods.h"

#include "frame/errors.h"
#include "frame/original.h"

#include "projection/albers.h"
#include "projection/gausskruger.h"
#include "projection/lambert.h"
#include "projection/webmercator.h"
#include "projection/zones.h"

#include <cmath>
#include <string>

namespace orb::projection {

namespace pm = pymath;

namespace {

// --- messages --------------------------------------------------------------

[[noreturn]] void invalid_parameter() { raise(PyExc_Exception, "Invalid parameter."); }
[[noreturn]] void invalid_crs() { raise(PyExc_Exception, "Invalid [crs] parameter."); }

// Range tests of angles, inclusive, a NaN failing.
void test_longitude(const char* name, double v) {
    if (!in_longitude_range(v)) raise_invalid_between(name, float_str(v), "-180 and +180");
}
void test_latitude(const char* name, double v) {
    if (!in_latitude_range(v)) raise_invalid_between(name, float_str(v), "-90 and +90");
}

// A zone number outside 1 to `top`.
[[noreturn]] void invalid_zone(const std::string& shown, long top) {
    raise_invalid_between("zone", shown, top == 120 ? "1 and 120" : "1 and 60");
}

// --- arguments ---------------------------------------------------------------

bool given(PyObject* v) { return v != Py_None; }
// A parameter declared float: an exact float once bound (or None, tested
// by the caller).
double value(PyObject* v) { return PyFloat_AS_DOUBLE(v); }

// zoneCode != 3 selects 6-degree zones; a code too large for a long is not 3.
bool three_degree(PyObject* zone_code) {
    int overflow = 0;
    long v = PyLong_AsLongAndOverflow(zone_code, &overflow);
    if (v == -1 && !overflow) check_error();
    return !overflow && v == 3;
}


// cls.datum, read at every call.
Ref datum_of(PyObject* cls) { return getattr(cls, ORB_STR("datum")); }

// cls.datum[key] (a KeyError when the key is missing).
Ref record_of(PyObject* datum, PyObject* key) {
    if (PyDict_CheckExact(datum)) {
        PyObject* record = PyDict_GetItemWithError(datum, key);
        if (record) return Ref::borrow(record);
        check_error();
    }
    return Ref::steal(PyObject_GetItem(datum, key));
}

// cls.datum[key].<field> as a float.
double record_field(PyObject* datum, PyObject* key, PyObject* field) {
    return as_float(getattr(record_of(datum, key), field));
}

// The conic parameters shared by albers and lambert, after the crs test.
struct ConicArgs {
    double cm, origin, parallel1, parallel2;
};
ConicArgs conic_args(Args a) {
    ConicArgs c{value(a[3]), value(a[4]), value(a[5]), value(a[6])};
    test_longitude("centralMeridian", c.cm);
    test_latitude("originLatitude", c.origin);
    test_latitude("parallel1", c.parallel1);
    test_latitude("parallel2", c.parallel2);
    return c;
}

// A new tuple of two floats.
Ref pair(double x, double y) {
    Ref first = number(x), second = number(y);
    Ref t = Ref::steal(PyTuple_New(2));
    PyTuple_SET_ITEM(t.get(), 0, first.release());
    PyTuple_SET_ITEM(t.get(), 1, second.release());
    return t;
}

// f(longitude=lon, zoneCode=code): the keyword names are made once.
Ref call_with_longitude(PyObject* f, PyObject* lon, PyObject* zone_code) {
    static PyObject* names = Py_BuildValue("(ss)", "longitude", "zoneCode");
    if (!names) throw PyError{};
    PyObject* args[] = {lon, zone_code};
    return Ref::steal(PyObject_Vectorcall(f, args, 0, names));
}


// Central meridian of a zone number that is not an exact int in the range
// of a long (a host's override of `zone` may return any number): the same
// comparisons and arithmetic with the interpreter's objects.
Ref meridian_of_object(PyObject* zone, bool three) {
    auto le = [](PyObject* x, long bound) { return compare(x, integer(bound), Py_LE); };
    auto ge = [](PyObject* x, long bound) { return compare(x, integer(bound), Py_GE); };
    const long top = three ? 120 : 60;
    if (!(ge(zone, 1) && le(zone, top))) invalid_zone(utf8(format(zone, "")), top);
    if (three) {
        Ref m = Ref::steal(PyNumber_Multiply(zone, integer(3)));
        return Ref::steal(PyNumber_Subtract(m, integer(le(zone, 60) ? 0 : 360)));
    }
    Ref d = Ref::steal(PyNumber_Subtract(zone, number(0.5)));
    Ref m = Ref::steal(PyNumber_Multiply(d, integer(6)));
    return Ref::steal(PyNumber_Subtract(m, integer(le(zone, 30) ? 0 : 360)));
}

}  // namespace

// The code as a long, or 0 (no table key) when it does not fit.
long code_of(PyObject* crs) {
    int overflow = 0;
    long v = PyLong_AsLongAndOverflow(crs, &overflow);
    if (v == -1 && !overflow) check_error();
    return overflow ? 0 : v;
}

PyObject* key_1984() {
    static PyObject* key = PyLong_FromLong(1984);
    return key;
}

// --- zones -------------------------------------------------------------------

Ref zone(Args a) {
    const double longitude = value(a[1]);
    test_longitude("longitude", longitude);
    return integer(three_degree(a[2]) ? zone3(longitude) : zone6(longitude));
}

Ref central_meridian(Args a) {
    PyObject* cls = a[0];
    Ref zone = Ref::borrow(a[2]);
    if (given(a[1])) {
        Ref method = getattr(cls, ORB_STR("zone"));
        zone = call_with_longitude(method, a[1], a[3]);
    }
    if (!given(zone)) raise(PyExc_Exception, "Invalid [zone] parameter.");
    const bool three = three_degree(a[3]);
    if (!PyLong_CheckExact(zone.get())) return meridian_of_object(zone, three);
    int overflow = 0;
    const long n = PyLong_AsLongAndOverflow(zone, &overflow);
    if (n == -1 && !overflow) check_error();
    if (overflow) return meridian_of_object(zone, three);
    if (three) {
        if (!(1 <= n && n <= 120)) invalid_zone(std::to_string(n), 120);
        return integer(zone3_meridian(n));
    }
    if (!(1 <= n && n <= 60)) invalid_zone(std::to_string(n), 60);
    return number(zone6_meridian(n));
}

// --- Gauss-Kruger ------------------------------------------------------------

// Whether `cls` still holds this module's own method `name` with `body`.
bool own(PyObject* cls, PyObject* name, Body body) {
    const Method* row = original_method(cls, name);
    return row && row->body == body;
}

Ref gauss_kruger(Args a) {
    PyObject* cls = a[0];
    PyObject *cm = a[1], *x = a[2], *y = a[3], *lon = a[4], *lat = a[5], *crs = a[6];
    const GkSeries* series = gk_series(code_of(crs));
    if (!series) invalid_crs();
    const double semi_major = record_field(datum_of(cls), crs, ORB_STR("a"));

    if (given(x) && given(y)) {
        const GkInverse r = gk_inverse(*series, semi_major, given(cm), given(cm) ? value(cm) : 0.0,
                                       value(x), value(y));
        switch (r.status) {
            case GkStatus::Ok: return pair(r.longitude, r.latitude);
            case GkStatus::Math: raise_math(r.math); break;
            case GkStatus::InvalidX: raise(PyExc_Exception, "Invalid [x] parameter.");
            case GkStatus::InvalidY: raise(PyExc_Exception, "Invalid [y] parameter.");
            case GkStatus::CentralMeridian:
                raise_invalid_between("centralMeridian", float_str(r.meridian), "-180 and +180");
        }
        raise(PyExc_SystemError, "unreachable Gauss-Kruger status");
    }
    if (!(given(lon) && given(lat))) invalid_parameter();

    double meridian;
    if (given(cm)) {
        meridian = value(cm);
    } else if (own(cls, ORB_STR("centralMeridian"), central_meridian) &&
               own(cls, ORB_STR("zone"), zone)) {
        // What cls.centralMeridian(longitude=..., zoneCode=6) computes when
        // the class still holds this module's own methods.
        test_longitude("longitude", value(lon));
        meridian = central_meridian6(value(lon));
    } else {
        Ref method = getattr(cls, ORB_STR("centralMeridian"));
        Ref derived = call_with_longitude(method, lon, integer(6));
        meridian = as_float(derived);
    }
    // The zone number always comes from the meridian used, derived or given,
    // so every point projected about one meridian carries one zone number.
    pm::MathStatus st;
    const double zone_number = gk_zone_number(meridian, st);
    raise_math(st);
    test_longitude("centralMeridian", meridian);
    test_longitude("longitude", value(lon));
    test_latitude("latitude", value(lat));
    const GkForward p = gk_forward(*series, semi_major, zone_number, meridian, value(lon),
                                   value(lat), st);
    raise_math(st);
    return pair(p.easting, p.northing);
}

// --- web Mercator --------------------------------------------------------------

// The point of a plane projection: forward when longitude and latitude are
// given (both range-tested first), else inverse when x and y are.
template <class Forward, class Inverse>
Ref plane_point(PyObject* lon, PyObject* lat, PyObject* x, PyObject* y, Forward forward,
                Inverse inverse) {
    pm::MathStatus st;
    PlanePoint p;
    if (given(lon) && given(lat)) {
        test_longitude("longitude", value(lon));
        test_latitude("latitude", value(lat));
        p = forward(value(lon), value(lat), st);
    } else if (given(x) && given(y)) {
        p = inverse(value(x), value(y), st);
    } else {
        invalid_parameter();
    }
    raise_math(st);
    return pair(p.x, p.y);
}

Ref web_mercator(Args a) {
    PyObject* cls = a[0];
    const double radius = record_field(datum_of(cls), key_1984(), ORB_STR("a"));
    return plane_point(
        a[1], a[2], a[3], a[4],
        [&](double lon, double lat, pm::MathStatus& st) {
            return web_mercator_forward(radius, lon, lat, st);
        },
        [&](double x, double y, pm::MathStatus& st) { return web_mercator_inverse(radius, x, y, st); });
}

// --- conic projections ------------------------------------------------------

// The class's table, once `crs` is known to be one of its keys.
Ref conic_datum(PyObject* cls, PyObject* crs) {
    Ref datum = datum_of(cls);
    const int has = PySequence_Contains(datum, crs);
    if (has < 0) throw PyError{};
    if (!has) invalid_crs();
    return datum;
}

Ref albers(Args a) {
    PyObject *cls = a[0], *crs = a[9];
    Ref datum = conic_datum(cls, crs);
    const ConicArgs c = conic_args(a);
    const double radius = record_field(datum, crs, ORB_STR("a"));

    pm::MathStatus st;
    const AlbersCone cone = albers_cone(radius, c.cm, c.origin, c.parallel1, c.parallel2, st);
    raise_math(st);
    return plane_point(
        a[1], a[2], a[7], a[8],
        [&](double lon, double lat, pm::MathStatus& s) { return albers_forward(cone, lon, lat, s); },
        [&](double x, double y, pm::MathStatus& s) { return albers_inverse(cone, x, y, s); });
}

Ref lambert(Args a) {
    PyObject *cls = a[0], *crs = a[9];
    Ref datum = conic_datum(cls, crs);
    const ConicArgs c = conic_args(a);
    Ref record = record_of(datum, crs);
    const double semi_major = as_float(getattr(record, ORB_STR("a")));
    const double f = as_float(getattr(record, ORB_STR("f")));

    pm::MathStatus st;
    const LambertCone cone =
        lambert_cone(semi_major, f, c.cm, c.origin, c.parallel1, c.parallel2, st);
    raise_math(st);
    return plane_point(
        a[1], a[2], a[7], a[8],
        [&](double lon, double lat, pm::MathStatus& s) { return lambert_forward(cone, lon, lat, s); },
        [&](double x, double y, pm::MathStatus& s) { return lambert_inverse(cone, x, y, s); });
}

}  // namespace orb::projection
