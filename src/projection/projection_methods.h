// Bodies of the Projection class methods for zones and point projections.
// They convert at the edge and leave the numbers to the cores in zones.h,
// gausskruger.h, webmercator.h, albers.h and lambert.h.
#pragma once

#include "frame/method.h"

namespace orb::projection {

Ref zone(Args a);             // zone(cls, longitude, zoneCode)
Ref central_meridian(Args a); // centralMeridian(cls, longitude, zone, zoneCode)
Ref gauss_kruger(Args a);     // gaussKruger(cls, centralMeridian, x, y, longitude, latitude, crs)
Ref web_mercator(Args a);     // webMercator(cls, longitude, latitude, x, y)
Ref albers(Args a);           // albers(cls, longitude, latitude, centralMeridian, originLatitude,
                              //        parallel1, parallel2, x, y, crs)
Ref lambert(Args a);          // lambert(cls, ... as albers)

// A crs argument (exactly an int) as a long, or 0 (no table key) when it
// does not fit.
long code_of(PyObject* crs);
// The int 1984: the row whose spheroid web Mercator uses.
PyObject* key_1984();

}  // namespace orb::projection
