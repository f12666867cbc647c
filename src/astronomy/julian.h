// Julian days: the numeric core of UTCtoJulian and JulianToUTC, and the
// text of a UTC date-time.
//
// Julian days count from noon; dates before 1582-10-15 are read and written
// in the Julian calendar, later ones in the Gregorian.  Every truncation is
// toward zero, as the interpreter's int() of a float.
#pragma once

#include <cmath>
#include <string>

namespace astro {

// A calendar date and time of day, as the fields of a date-time.
struct Fields {
    long long year, month, day, hour, minute, second, microsecond;
};

// The Julian day of calendar parts.  `year` is a whole number or, for a
// tuple's first item, any finite float; the others are whole numbers well
// inside +-1e9 (the caller sends larger ones to the interpreter's
// arithmetic).  Months 13 and 14 count into the next year; nothing is
// range-tested.
double utc_to_julian(double year, long long month, long long day, long long hour,
                     long long minute, double second);

// The microseconds of a second's fraction as the interpreter writes them:
// (second - int(second)) * 1000 * 1000, in that order, not yet truncated.
// `second` is finite.
inline double microseconds(double second) { return (second - std::trunc(second)) * 1000 * 1000; }

// How julian_to_fields ended.
enum class JulianStatus { Ok, NotANumber, Infinite, OutOfRange };

// Largest magnitude of julian + 0.5 that is converted: far beyond the year
// 9999 (5373484.5), small enough that every truncation fits 64 bits and the
// day-of-year loop resolves whole days.
constexpr double kJulianLimit = 1e10;

// The fields of a Julian day, truncated to the microsecond.  The fields are
// not tested against the date-time type's calendar; see valid_datetime.
JulianStatus julian_to_fields(double julian, Fields& out);

// True when the date-time constructor takes these fields: year 1 to 9999,
// a day of the month in the proleptic Gregorian calendar, a time of day.
bool valid_datetime(const Fields& f);

// The interpreter's str of a date-time in a zone of offset zero:
// "2024-07-22 14:00:00+00:00", with ".ffffff" only for a non-zero
// microsecond.  The fields must be valid.
std::string utc_text(const Fields& f);

}  // namespace astro
