// Method table and constants of class Astronomy: Julian days, sun, moon and geostationary satellites.
#include "astronomy/calendar.h"
#include "astronomy/moon.h"
#include "astronomy/satellite.h"
#include "astronomy/sky.h"
#include "astronomy/sun.h"
#include "frame/method.h"

namespace {

using orb::Kind;
using orb::Ref;

void store(PyObject* ns, const char* name, PyObject* value) {
    if (PyDict_SetItemString(ns, name, value) < 0) throw orb::PyError{};
}

// One row of the day-phase table: [altitude text, morning event, evening event].
Ref sunshine_row(const char* altitude, const char* morning, const char* evening) {
    Ref row = Ref::steal(PyList_New(3));
    PyList_SET_ITEM(row.get(), 0, orb::text(altitude).release());
    PyList_SET_ITEM(row.get(), 1, orb::text(morning).release());
    PyList_SET_ITEM(row.get(), 2, orb::text(evening).release());
    return row;
}

// The constants, in namespace order.  _rad is computed with the module's
// own math global, and _alfa from the _rad just stored.
void attributes(PyObject* ns) {
    Ref math = orb::global(ORB_STR("math"));
    Ref pi = orb::getattr(math, ORB_STR("pi"));
    Ref degrees = orb::integer(180);
    Ref rad = Ref::steal(PyNumber_TrueDivide(pi, degrees));
    store(ns, "_rad", rad);

    store(ns, "_J20000101", orb::integer(2451545));

    Ref stored_rad = Ref::steal(PyObject_GetItem(ns, ORB_STR("_rad")));
    Ref obliquity = orb::number(23.4397);
    Ref alfa = Ref::steal(PyNumber_Multiply(stored_rad, obliquity));
    store(ns, "_alfa", alfa);

    struct Row {
        const char* altitude;
        const char* morning;
        const char* evening;
    };
    static const Row rows[] = {
        {"-0.833", "sunrise", "sunset"},
        {"-0.3", "sunriseEnd", "sunsetStart"},
        {"-6", "dawn", "dusk"},
        {"-12", "nauticalDawn", "nauticalDusk"},
        {"-18", "nightEnd", "night"},
        {"6", "morning", "evening"},
    };
    constexpr Py_ssize_t count = sizeof rows / sizeof rows[0];
    Ref sunshine = Ref::steal(PyList_New(count));
    for (Py_ssize_t i = 0; i < count; ++i) {
        PyList_SET_ITEM(sunshine.get(), i,
                        sunshine_row(rows[i].altitude, rows[i].morning, rows[i].evening).release());
    }
    store(ns, "_sunshine", sunshine);
}

const char* const kClassDoc = R"doc(Astronomy for an observer on the ground.

Converts between UTC calendar time and Julian days, and computes the sun's
position with the times of the day's fourteen phases, the moon's position,
illumination, phase name and next rise and set, and the look angles of a
geostationary satellite.  Dates before 1582-10-15 are Julian-calendar
dates.  Angles in results are unrounded float degrees; azimuths are
clockwise from true north; distances are kilometres; times are UTC texts
such as "2024-07-22 14:00:00+00:00".

Constants: _rad (degrees to radians), _J20000101 (the Julian day of
2000-01-01 12:00 UTC), _alfa (the obliquity of the ecliptic in radians) and
_sunshine (rows of [altitude text, morning event, evening event]).)doc";

const char* const kUTCtoJulian = R"doc(Julian day of a UTC calendar date and time.

Args:
    year: the year as a number; or a tuple of six parts (year, month, day,
        hour, minute, second); or a UTC date-time, or date text read with
        python-dateutil, whose zone must be named UTC (microseconds are not
        read).  Default 1970.
    month: month, 1 to 12 (13 and 14 count into the next year); default 1.
    day: day of the month; default 1.
    hour: hour; default 0.
    minute: minute; default 0.
    second: second, fractions allowed; default 0.0.

The parts after year are ignored when year is a tuple, a date-time or text.

Returns:
    The Julian day as a float (1970-01-01 00:00 UTC is 2440587.5).

Raises:
    Exception: "[...] should be UTC time zone in [year] parameter." for a
        date-time or text in another zone or without one.)doc";

const char* const kJulianToUTC = R"doc(UTC date-time of a Julian day.

Args:
    julian: the Julian day; default 2440587.5 (1970-01-01 00:00 UTC).

Returns:
    A date-time in pytz's UTC zone, to the microsecond (truncated, never
    rounded); days before 1582-10-15 are given in the Julian calendar.

Raises:
    ValueError: a NaN, or a day outside the years 1 to 9999.
    OverflowError: an infinite day.)doc";

const char* const kSun = R"doc(Position of the sun and the times of the day's phases.

Accuracy against a full ephemeris (ephem), for observers at elevation 0 and
latitudes up to 65 degrees in 2020-2030: Azimuth and Altitude lie within
0.25 degrees of the sun's geometric direction, and within 0.7 degrees of
where it is seen above the horizon (refraction is left out).  The event
times come a median 77 s after the reference's, 99% of them within 220 s;
the rest fall where the sun only just reaches the phase altitude that day,
and can be much further off.

Args:
    longitude: observer longitude, decimal degrees east, -180 to +180.
    latitude: observer latitude, decimal degrees north, -90 to +90.
    elevation: observer height in metres, -10000 to +10000; its horizon
        dip lowers the event altitudes (a negative height has no dip).
        Default 0.0.
    year: 1 to 9999; default 1970.
    month: 1 to 12; default 1.
    day: 1 to 31; default 1.
    hour: 0 to 23; default 0.
    minute: 0 to 59; default 0.
    second: 0 to under 60, fractions allowed (60 and 61 raise
        ValueError); default 0.0.

A date part given as None takes that field of the current UTC time.

Returns:
    A new dict: "Body" ("Sun"), "TimeStamp" ({"UTC", "ServerDateTime",
    "ServerTimeZone"}), "Location" ({"Longitude", "Latitude",
    "Elevation"}), "Azimuth" and "Altitude" (degrees, without refraction),
    "Distance" (149598000 km) and "Phase": event name to UTC text, in time
    order, for midnight, nightEnd, nauticalDawn, dawn, sunrise, sunriseEnd,
    morning, noon, evening, sunsetStart, sunset, dusk, nauticalDusk, night.
    The phases are those of the observer's local mean solar day that holds
    the instant.  When the sun does not reach a phase altitude that day
    (white nights, polar day and night, the poles), both events of that
    altitude are None and come after the dated events.

Raises:
    Exception: a position (NaN included) or date part out of range.
    ValueError: a date that does not exist, or an event outside the years
        1 to 9999.)doc";

const char* const kMoon = R"doc(Position, illumination, phase, rise and set of the moon.

Accuracy against a full ephemeris (ephem), for observers at elevation 0 and
latitudes up to 65 degrees in 2020-2030: Azimuth and Altitude lie within 4.2
degrees of where the moon is seen (the position comes from a short series
and is geocentric: the lunar parallax is left out); Distance is within
7600 km of the distance between the centres; 99% of Rise and Set times lie
within 19 minutes of the rise and set of the moon's upper limb.

Args:
    longitude: observer longitude, decimal degrees east, -180 to +180.
    latitude: observer latitude, decimal degrees north, -90 to +90.
    elevation: observer height in metres, only reported; default 0.0.
    year: 1 to 9999, exactly an int; default 1970.
    month: 1 to 12, exactly an int; default 1.
    day: 1 to 31, exactly an int; default 1.
    hour: 0 to 23, exactly an int; default 0.
    minute: 0 to 59, exactly an int; default 0.
    second: 0 to under 60, fractions allowed (60 and 61 raise
        ValueError); default 0.0.

A date part given as None takes that field of the current UTC time.

Returns:
    A new dict: "Body" ("Moon"), "TimeStamp", "Location", "Azimuth" and
    "Altitude" (degrees, refraction included), "Distance" (km) and "Phase":
    {"parallacticAngle", "fraction" (lit part, 0.0 to 1.0), "phaseName"
    (one of nine Chinese phase names, the quarters in bands symmetric
    about full moon), "angle" (bright-limb position angle, degrees),
    "Rise", "Set" (UTC texts of the next rise and set within 24 hours, None
    when not found), "AlwaysUp", "AlwaysDown" (True when neither was found
    and the moon stays above, or below, the horizon)}.

Raises:
    Exception: a position (NaN included) or date part out of range.
    TypeError: a date part that is not exactly an int.
    ValueError: a date that does not exist.)doc";

const char* const kGeostationarySatellite = R"doc(Look angles from an observer to a geostationary satellite.

The construction takes the latitude as the angle seen from the spheroid's
centre.  Against the exact geometry for the same orbit radius (42145 km
from the centre), for latitudes from 1 to 81 degrees north and south and
heights from -400 to 9000 m, wherever the satellite is above the horizon:
Altitude within 0.22 degrees, Azimuth within 0.2 degrees and Distance
within 18 km.

Args:
    longitude: observer longitude, decimal degrees east, -180 to +180.
    latitude: observer latitude, decimal degrees north, -90 to +90.
    elevation: observer height above the WGS 84 spheroid in metres, -10000
        to +10000; default 0.0.
    satelliteLongitude: longitude of the satellite, decimal degrees, -180
        to +180; default 140.0.

Southern observers are worked as the mirror image of northern ones, and
the satellite is placed on the short side of the 180th meridian.

Returns:
    A new dict: "Body" ("Geostationary Satellite"), "Location"
    ({"Longitude", "Latitude", "Elevation"}), "Satellite Longitude",
    "Azimuth" (degrees clockwise from true north), "Altitude" (elevation
    angle in degrees, negative below the horizontal plane) and "Distance"
    (slant range in km).

Raises:
    Exception: a value out of range, or NaN.)doc";

// The parameters of sun and moon: the observer, then the UTC date parts.
std::vector<orb::Param> observer_params() {
    return {{"longitude", "float"},
            {"latitude", "float"},
            {"elevation", "float", "0.0"},
            {"year", "int | None", "1970"},
            {"month", "int | None", "1"},
            {"day", "int | None", "1"},
            {"hour", "int | None", "0"},
            {"minute", "int | None", "0"},
            {"second", "float | None", "0.0"}};
}

}  // namespace

const orb::ClassSpec& orb::astronomy_class() {
    static const ClassSpec table{
        "Astronomy",
        nullptr,
        kClassDoc,
        attributes,
        {
            {"UTCtoJulian", Kind::Static,
             {{"year", "int | str | tuple | datetime", "1970"},
              {"month", "int", "1"},
              {"day", "int", "1"},
              {"hour", "int", "0"},
              {"minute", "int", "0"},
              {"second", "float", "0.0"}},
             "float", kUTCtoJulian, astro::utc_to_julian_body},
            {"JulianToUTC", Kind::Static, {{"julian", "float", "2440587.5"}}, "datetime",
             kJulianToUTC, astro::julian_to_utc_body},
            {"__to2000Year", Kind::Class, {{"date", "datetime"}}, "float", nullptr, astro::to2000Year_body},
            {"__rightAscension", Kind::Class, {{"l", "float"}, {"b", "float"}}, "float", nullptr,
             astro::rightAscension_body},
            {"__declination", Kind::Class, {{"l", "float"}, {"b", "float"}}, "float", nullptr,
             astro::declination_body},
            {"__azimuth", Kind::Class, {{"H"}, {"phi"}, {"dec"}}, "float", nullptr,
             astro::azimuth_body},
            {"__altitude", Kind::Class, {{"H"}, {"phi"}, {"dec"}}, "float", nullptr,
             astro::altitude_body},
            {"__siderealTime", Kind::Class, {{"d"}, {"lw"}}, nullptr, nullptr,
             astro::siderealTime_body},
            {"__solarMeanAnomaly", Kind::Class, {{"d"}}, nullptr, nullptr,
             astro::solarMeanAnomaly_body},
            {"__eclipticLongitude", Kind::Class, {{"M"}}, nullptr, nullptr,
             astro::eclipticLongitude_body},
            {"__sunCoords", Kind::Class, {{"d"}}, "tuple", nullptr, astro::sunCoords_body},
            {"sun", Kind::Class,
             observer_params(),
             "dict", kSun, astro::sun_body},
            {"moon", Kind::Class,
             observer_params(),
             "dict", kMoon, astro::moon_body},
            {"geostationarySatellite", Kind::Class,
             {{"longitude", "float"},
              {"latitude", "float"},
              {"elevation", "float", "0.0"},
              {"satelliteLongitude", "float", "140.0"}},
             "dict", kGeostationarySatellite, astro::geostationary_satellite_body},
        },
    };
    return table;
}
