// Observer checks, the instant of a call and the result head.
#include "astronomy/observer.h"

#include "frame/errors.h"

#include <cmath>
#include <string>

namespace astro {
namespace {

void check(double x, double low, double high, const char* bounds, const char* name) {
    // NaN is refused like a value out of range: no bound holds for it.
    if (!(x >= low && x <= high)) orb::raise_between(orb::float_str(x), bounds, name);
}

struct Part {
    const char* field;  // attribute of the clock reading
    long low, high;
    const char* bounds;
    const char* name;
};

const Part kParts[6] = {
    {"year", 1, 9999, "1～9999", "year"},
    {"month", 1, 12, "1～12", "month"},
    {"day", 1, 31, "1～31", "day"},
    {"hour", 0, 23, "0～23", "hour"},
    {"minute", 0, 59, "0～59", "minute"},
    {"second", 0, 61, "0～61", "second"},
};

bool holds(PyObject* x, long bound, int op) { return orb::compare(x, orb::integer(bound), op); }

// int(x) as a C long long; parts that passed the range checks fit.
long long whole(PyObject* x) {
    Ref i = PyLong_CheckExact(x) ? Ref::borrow(x) : Ref::steal(PyNumber_Long(x));
    long long v = PyLong_AsLongLong(i);
    if (v == -1) orb::check_error();
    return v;
}

// int((second - int(second)) * 1000 * 1000) with the interpreter's arithmetic.
long long microsecond(PyObject* second) {
    if (PyLong_CheckExact(second)) return 0;
    if (PyFloat_CheckExact(second)) {
        double s = PyFloat_AS_DOUBLE(second);
        double frac = microseconds(s);
        if (std::isfinite(frac)) return static_cast<long long>(frac);
    }
    Ref i = Ref::steal(PyNumber_Long(second));
    Ref frac = Ref::steal(PyNumber_Subtract(second, i));
    Ref thousand = orb::integer(1000);
    Ref scaled = Ref::steal(PyNumber_Multiply(Ref::steal(PyNumber_Multiply(frac, thousand)), thousand));
    return whole(scaled);
}

}  // namespace

void check_longitude(double x) { check(x, -180, 180, "-180 ～ +180", "longitude"); }
void check_latitude(double x) { check(x, -90, 90, "-90 ～ +90", "latitude"); }
void check_elevation(double x) { check(x, -10000, 10000, "-10000 ～ +10000", "elevation"); }
void check_satellite_longitude(double x) {
    check(x, -180, 180, "-180 ～ +180", "satelliteLongitude");
}

Instant make_instant(PyObject* const* parts) {
    Instant in;
    in.zone = utc_zone();
    // One reading of the clock serves every None part.
    Ref now = orb::call_method(datetime_class(), ORB_STR("now"), {in.zone});
    for (int k = 0; k < 6; ++k) {
        PyObject* part = parts[k];
        if (part == Py_None) {
            in.parts[k] = orb::getattr(now, kParts[k].field);
            continue;
        }
        if (holds(part, kParts[k].low, Py_LT) || holds(part, kParts[k].high, Py_GT)) {
            orb::raise_between(orb::format(part, ""), kParts[k].bounds, kParts[k].name);
        }
        in.parts[k] = Ref::borrow(part);
    }
    Fields& f = in.fields;
    f.year = whole(in.parts[0]);
    f.month = whole(in.parts[1]);
    f.day = whole(in.parts[2]);
    f.hour = whole(in.parts[3]);
    f.minute = whole(in.parts[4]);
    f.second = whole(in.parts[5]);
    f.microsecond = microsecond(in.parts[5]);
    in.input = make_datetime(f, in.zone);
    in.plain = plain_dates(in.zone);

    // The host's local time, through python-dateutil's zone of the moment.
    Ref tz = orb::global(ORB_STR("tz"));
    Ref local = orb::call_method(tz, ORB_STR("tzlocal"), {});
    Ref server = orb::call_method(in.input, ORB_STR("astimezone"), {local});
    Ref server_zone = orb::call_method(server, ORB_STR("tzname"), {});

    in.timestamp = Ref::steal(PyDict_New());
    Ref utc = in.plain ? orb::text(utc_text(f)) : Ref::steal(PyObject_Str(in.input));
    put(in.timestamp, ORB_STR("UTC"), utc);
    put(in.timestamp, ORB_STR("ServerDateTime"), Ref::steal(PyObject_Str(server)));
    put(in.timestamp, ORB_STR("ServerTimeZone"), server_zone);
    return in;
}

Ref location(double longitude, double latitude, double elevation) {
    Ref block = Ref::steal(PyDict_New());
    put(block, ORB_STR("Longitude"), orb::number(longitude));
    put(block, ORB_STR("Latitude"), orb::number(latitude));
    put(block, ORB_STR("Elevation"), orb::number(elevation));
    return block;
}

}  // namespace astro

