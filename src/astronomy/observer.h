// The front end shared by sun, moon and geostationarySatellite: observer
// range checks, the instant from UTC date parts (None parts from one
// reading of the clock), the host's local time, and the leading blocks of
// the result dict.
#pragma once

#include "astronomy/calendar.h"

namespace astro {

// The observer range checks, each refusing a value outside its bounds, and
// NaN, with its range message (the value shown as the interpreter's str of
// the float).
void check_longitude(double longitude);
void check_latitude(double latitude);
void check_elevation(double elevation);
void check_satellite_longitude(double longitude);

// The instant of a sun or moon call.
struct Instant {
    Ref parts[6];   // year to second after the None substitution
    Ref zone;       // pytz's UTC zone
    Ref input;      // inputDateTime
    Fields fields;  // its fields
    bool plain;     // date-times in `zone` can be formatted from fields
    Ref timestamp;  // the TimeStamp block
};

// Reads the clock once, substitutes and range-tests the date parts (given
// from `parts[0]` on, year to second), builds inputDateTime and the
// TimeStamp block with the host's local time.
Instant make_instant(PyObject* const* parts);

// The Location block.
Ref location(double longitude, double latitude, double elevation);

// dict[key] = value for the result dicts.
using orb::put;

}  // namespace astro
