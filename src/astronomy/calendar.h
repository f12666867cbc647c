// UTCtoJulian and JulianToUTC as the class exposes them, and the UTC
// date-time objects and texts of the astronomy results.
//
// Date-times are made with the module global `datetime` and the zone that
// pytz.timezone("UTC") returns, both looked up when they are needed.  When
// those are the interpreter's own date-time class and pytz's UTC singleton
// (the `plain` case), fields are turned into objects through the C API and
// into texts directly, byte for byte the interpreter's str.
#pragma once

#include "astronomy/julian.h"
#include "frame/method.h"

namespace astro {

using orb::Ref;

// The zone pytz.timezone("UTC") returns now.
Ref utc_zone();
// True when the global `datetime` is the interpreter's date-time class and
// `zone` is pytz's UTC singleton.
bool plain_dates(PyObject* zone);
// The `datetime` class global.
Ref datetime_class();

// datetime(year, ..., microsecond, tzinfo=zone) through the global class;
// its ValueError for a date that does not exist passes to the caller.
Ref make_datetime(const Fields& f, PyObject* zone);
// The fields of a date-time object (its attributes year to microsecond).
Fields fields_of(PyObject* dt);

// UTCtoJulian(year, month, day, hour, minute, second) with the module's own
// rules for the forms of `year`; the result is usually a float.
Ref utc_to_julian(PyObject* year, PyObject* month, PyObject* day, PyObject* hour,
                  PyObject* minute, PyObject* second);
// Julian day of a date-time given as UTCtoJulian's only argument, as a double.
double julian_of(PyObject* date);

// JulianToUTC(julian) as a date-time object.
Ref julian_to_utc(double julian);
// The fields JulianToUTC(julian) would give, tested against the calendar
// of the date-time type: a Julian day that the type cannot hold raises the
// error the date-time constructor raises.
Fields julian_fields(double julian, PyObject* zone);

// Bodies of the static methods.
Ref utc_to_julian_body(orb::Args a);
Ref julian_to_utc_body(orb::Args a);

}  // namespace astro
