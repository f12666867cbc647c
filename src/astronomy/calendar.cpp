// UTCtoJulian and JulianToUTC: the four forms of `year`, the interpreter's
// arithmetic for parts that are not small numbers, and the date-time objects.
#include "astronomy/calendar.h"

#include "frame/errors.h"

#include <datetime.h>

#include <cmath>

namespace astro {
namespace {

// Parts inside this bound are computed in doubles and 64-bit integers with
// results identical to the interpreter's; larger ones (and other number
// types) go through its number protocol.
constexpr double kSmallPart = 1e9;

PyDateTime_CAPI* api() {
    if (!PyDateTimeAPI) {
        PyDateTime_IMPORT;
        if (!PyDateTimeAPI) throw orb::PyError{};
    }
    return PyDateTimeAPI;
}

// pytz's UTC singleton as first seen, kept for the life of the process.
PyObject* pytz_utc() {
    static PyObject* utc = nullptr;
    if (!utc) utc = orb::getattr(orb::global(ORB_STR("pytz")), ORB_STR("utc")).release();
    return utc;
}

bool small_int(PyObject* o, long long& out) {
    if (!PyLong_CheckExact(o)) return false;
    int overflow = 0;
    long long v = PyLong_AsLongLongAndOverflow(o, &overflow);
    if (overflow || (v == -1 && PyErr_Occurred())) {
        PyErr_Clear();
        return false;
    }
    if (v > kSmallPart || v < -kSmallPart) return false;
    out = v;
    return true;
}

bool small_real(PyObject* o, double& out) {
    long long i = 0;
    if (small_int(o, i)) {
        out = static_cast<double>(i);
        return true;
    }
    if (!PyFloat_CheckExact(o)) return false;
    out = PyFloat_AS_DOUBLE(o);
    return std::fabs(out) < kSmallPart;  // false for NaN and infinities too
}

// --- the interpreter's arithmetic, for parts of any number type -----------

Ref num(PyObject* r) { return Ref::steal(r); }
Ref add(PyObject* x, PyObject* y) { return num(PyNumber_Add(x, y)); }
Ref sub(PyObject* x, PyObject* y) { return num(PyNumber_Subtract(x, y)); }
Ref mul(PyObject* x, PyObject* y) { return num(PyNumber_Multiply(x, y)); }
Ref div(PyObject* x, PyObject* y) { return num(PyNumber_TrueDivide(x, y)); }
Ref to_int(PyObject* x) { return num(PyNumber_Long(x)); }
using orb::compare;
Ref i(long long v) { return orb::integer(v); }
Ref f(double v) { return orb::number(v); }

// The formula written out with the number protocol, operation by operation
// in the order the fast path uses.
Ref julian_generic(Ref year, Ref month, Ref day, Ref hour, Ref minute, Ref second) {
    if (compare(month, i(1), Py_EQ) || compare(month, i(2), Py_EQ)) {
        month = add(month, i(12));
        year = sub(year, i(1));
    }
    Ref t1 = to_int(mul(f(365.25), add(year, i(4712))));
    Ref t2 = to_int(mul(f(30.61), add(month, i(1))));
    Ref base = sub(add(add(t1, t2), day), f(63.5));
    Ref correction = i(0);
    Ref y1582 = i(1582);
    if (compare(year, y1582, Py_GT) ||
        (compare(year, y1582, Py_EQ) && compare(month, i(10), Py_GT)) ||
        (compare(year, y1582, Py_EQ) && compare(month, i(10), Py_EQ) && compare(day, i(15), Py_GE))) {
        correction = add(sub(i(2), to_int(div(year, i(100)))), to_int(div(year, i(400))));
    }
    Ref jd = add(base, correction);
    jd = add(jd, div(hour, i(24)));
    jd = add(jd, div(div(minute, i(60)), i(24)));
    jd = add(jd, div(div(div(second, i(60)), i(60)), i(24)));
    return jd;
}

Ref julian_of_parts(PyObject* year, PyObject* month, PyObject* day, PyObject* hour,
                    PyObject* minute, PyObject* second) {
    double y = 0.0, s = 0.0;
    long long mo = 0, d = 0, h = 0, mi = 0;
    if (small_real(year, y) && small_int(month, mo) && small_int(day, d) && small_int(hour, h) &&
        small_int(minute, mi)) {
        long long si = 0;
        if (PyFloat_CheckExact(second)) {
            s = PyFloat_AS_DOUBLE(second);
            return orb::number(utc_to_julian(y, mo, d, h, mi, s));
        }
        if (small_int(second, si)) {
            return orb::number(utc_to_julian(y, mo, d, h, mi, static_cast<double>(si)));
        }
    }
    return julian_generic(Ref::borrow(year), Ref::borrow(month), Ref::borrow(day),
                          Ref::borrow(hour), Ref::borrow(minute), Ref::borrow(second));
}

// Form c: a date-time whose zone must be named UTC; its fields to the
// second are read, the microseconds are not.
Ref julian_of_datetime(PyObject* dt) {
    api();  // the PyDateTime_ macros read the C API table
    bool utc = false;
    if (PyDateTime_CheckExact(dt) && reinterpret_cast<PyDateTime_DateTime*>(dt)->hastzinfo &&
        PyDateTime_DATE_GET_TZINFO(dt) == pytz_utc()) {
        utc = true;  // pytz's UTC names itself "UTC"
    } else {
        Ref name = orb::call_method(dt, ORB_STR("tzname"), {});
        utc = !compare(name, ORB_STR("UTC"), Py_NE);
    }
    if (!utc) {
        Ref shown = orb::format(dt, "");
        orb::raisef(PyExc_Exception, "[%U] should be UTC time zone in [year] parameter.",
                    shown.get());
    }
    if (PyDateTime_CheckExact(dt)) {
        Fields f = fields_of(dt);
        return orb::number(utc_to_julian(static_cast<double>(f.year), f.month, f.day, f.hour,
                                         f.minute, static_cast<double>(f.second)));
    }
    return julian_of_parts(orb::getattr(dt, ORB_STR("year")), orb::getattr(dt, ORB_STR("month")),
                           orb::getattr(dt, ORB_STR("day")), orb::getattr(dt, ORB_STR("hour")),
                           orb::getattr(dt, ORB_STR("minute")),
                           orb::getattr(dt, ORB_STR("second")));
}

// Form a: exactly six items; the second to fifth exactly int or None, the
// sixth any real number, the first unchanged.
Ref julian_of_tuple(PyObject* t) {
    constexpr Py_ssize_t kItems = 6;
    Py_ssize_t n = PyTuple_GET_SIZE(t);
    if (n > kItems) orb::raisef(PyExc_ValueError, "too many values to unpack (expected %zd)", kItems);
    if (n < kItems) orb::raise_need_more(n);
    for (Py_ssize_t k = 1; k <= 4; ++k) orb::expect(PyTuple_GET_ITEM(t, k), orb::Exact::Int);
    Ref second = orb::number(orb::as_float(PyTuple_GET_ITEM(t, 5)));
    return julian_of_parts(PyTuple_GET_ITEM(t, 0), PyTuple_GET_ITEM(t, 1), PyTuple_GET_ITEM(t, 2),
                           PyTuple_GET_ITEM(t, 3), PyTuple_GET_ITEM(t, 4), second);
}

}  // namespace

Ref datetime_class() { return orb::global(ORB_STR("datetime")); }

Ref utc_zone() {
    Ref pytz = orb::global(ORB_STR("pytz"));
    return orb::call_method(pytz, ORB_STR("timezone"), {ORB_STR("UTC")});
}

bool plain_dates(PyObject* zone) {
    Ref cls = datetime_class();
    return cls.get() == reinterpret_cast<PyObject*>(api()->DateTimeType) && zone == pytz_utc();
}

Ref make_datetime(const Fields& f, PyObject* zone) {
    Ref cls = datetime_class();
    PyDateTime_CAPI* capi = api();
    const bool fits = f.year >= 1 && f.year <= 9999 && f.month >= -1000 && f.month <= 1000 &&
                      f.day >= -1000 && f.day <= 1000 && f.hour >= -1000 && f.hour <= 1000 &&
                      f.minute >= -1000 && f.minute <= 1000 && f.second >= -1000 &&
                      f.second <= 1000 && f.microsecond >= -1000000000 &&
                      f.microsecond <= 1000000000;
    if (cls.get() == reinterpret_cast<PyObject*>(capi->DateTimeType) && fits) {
        // The C constructor tests the fields with the class's own messages.
        return Ref::steal(capi->DateTime_FromDateAndTime(
            static_cast<int>(f.year), static_cast<int>(f.month), static_cast<int>(f.day),
            static_cast<int>(f.hour), static_cast<int>(f.minute), static_cast<int>(f.second),
            static_cast<int>(f.microsecond), zone, capi->DateTimeType));
    }
    return orb::call(cls, {i(f.year), i(f.month), i(f.day), i(f.hour), i(f.minute), i(f.second),
                           i(f.microsecond)},
                     {{"tzinfo", zone}});
}

Fields fields_of(PyObject* dt) {
    api();
    if (PyDateTime_Check(dt)) {
        return Fields{PyDateTime_GET_YEAR(dt),        PyDateTime_GET_MONTH(dt),
                      PyDateTime_GET_DAY(dt),         PyDateTime_DATE_GET_HOUR(dt),
                      PyDateTime_DATE_GET_MINUTE(dt), PyDateTime_DATE_GET_SECOND(dt),
                      PyDateTime_DATE_GET_MICROSECOND(dt)};
    }
    auto field = [dt](PyObject* name) {
        Ref v = orb::getattr(dt, name);
        long long x = PyLong_AsLongLong(v);
        if (x == -1) orb::check_error();
        return x;
    };
    return Fields{field(ORB_STR("year")),   field(ORB_STR("month")),  field(ORB_STR("day")),
                  field(ORB_STR("hour")),   field(ORB_STR("minute")), field(ORB_STR("second")),
                  field(ORB_STR("microsecond"))};
}

Ref utc_to_julian(PyObject* year, PyObject* month, PyObject* day, PyObject* hour,
                  PyObject* minute, PyObject* second) {
    // The forms are told apart by exact type.
    if (PyTuple_CheckExact(year)) return julian_of_tuple(year);
    if (PyUnicode_CheckExact(year)) {
        Ref parser = orb::global(ORB_STR("parser"));
        Ref dt = orb::call_method(parser, ORB_STR("parse"), {year});
        return julian_of_datetime(dt);
    }
    if (Py_TYPE(year) == reinterpret_cast<PyTypeObject*>(datetime_class().get())) {
        return julian_of_datetime(year);
    }
    Ref whole = PyLong_CheckExact(year) ? Ref::borrow(year) : to_int(year);
    return julian_of_parts(whole, month, day, hour, minute, second);
}

double julian_of(PyObject* date) {
    static PyObject* const month = PyLong_FromLong(1);
    static PyObject* const zero = PyLong_FromLong(0);
    static PyObject* const zero_float = PyFloat_FromDouble(0.0);
    return orb::as_float(utc_to_julian(date, month, month, zero, zero, zero_float));
}

Fields julian_fields(double julian, PyObject* zone) {
    Fields f{};
    switch (julian_to_fields(julian, f)) {
        case JulianStatus::Ok: break;
        case JulianStatus::NotANumber:
            orb::raise(PyExc_ValueError, "cannot convert float NaN to integer");
        case JulianStatus::Infinite:
            orb::raise(PyExc_OverflowError, "cannot convert float infinity to integer");
        case JulianStatus::OutOfRange:
            orb::raisef(PyExc_ValueError, "Julian day %R is out of range",
                        orb::number(julian).get());
    }
    // Let the constructor itself refuse what its calendar does not hold.
    if (!valid_datetime(f)) make_datetime(f, zone);
    return f;
}

Ref julian_to_utc(double julian) {
    Ref zone = utc_zone();
    Fields f = julian_fields(julian, zone);
    return make_datetime(f, zone);
}

Ref utc_to_julian_body(orb::Args a) { return utc_to_julian(a[0], a[1], a[2], a[3], a[4], a[5]); }

Ref julian_to_utc_body(orb::Args a) { return julian_to_utc(a.num(0)); }

}  // namespace astro
