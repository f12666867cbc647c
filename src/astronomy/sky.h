// The private celestial methods of Astronomy as one call sees them.
//
// Every formula and constant is reached through the class the method was
// called on, so a subclass that overrides one changes the results.  A
// `Sky` reads the constants once and, for each method, finds out whether
// the class still holds this module's own: then the C++ core runs directly;
// otherwise the override is called and its result converted to a float.
#pragma once

#include "astronomy/calendar.h"
#include "astronomy/checked_math.h"
#include "frame/errors.h"

#include <utility>

namespace astro {

// Runs `body`, turning a MathError of the numeric core into the math
// module's exception.
template <class F>
Ref guarded(F&& body) {
    try {
        return body();
    } catch (const MathError& e) {
        orb::raise_math(e.error);
    }
}

class Sky {
public:
    explicit Sky(PyObject* cls);

    PyObject* cls() const { return cls_; }
    double rad() const { return rad_; }
    double epoch() const { return epoch_; }  // _J20000101 as a float
    double alfa() const { return alfa_; }

    // UTCtoJulian(date) and JulianToUTC(julian) of the class.
    double utc_to_julian(PyObject* date);
    Ref julian_to_utc(double julian);
    // str(JulianToUTC(julian)); `zone` is pytz's UTC zone of this call.
    std::string julian_text(double julian, PyObject* zone);
    // True when UTCtoJulian and JulianToUTC are the own ones and date-times
    // in `zone` can stay fields (see plain_dates).
    bool own_dates(PyObject* zone);

    // The nine private methods of the class.
    double to2000Year(PyObject* date);
    // __to2000Year of the date-time made of `f` in `zone`.
    double to2000Year(const Fields& f, PyObject* zone);
    double rightAscension(double l, double b);
    double declination(double l, double b);
    double azimuth(double H, double phi, double dec);
    double altitude(double H, double phi, double dec);
    double siderealTime(double d, double lw);
    double solarMeanAnomaly(double d);
    double eclipticLongitude(double M);
    std::pair<double, double> sunCoords(double d);  // (dec, ra)

    // This module's own bodies of the methods that call others.
    double to2000Year_own(PyObject* date);
    std::pair<double, double> sunCoords_own(double d);

private:
    enum Which : int {
        kUTCtoJulian, kJulianToUTC, kTo2000Year, kRightAscension, kDeclination, kAzimuth,
        kAltitude, kSiderealTime, kSolarMeanAnomaly, kEclipticLongitude, kSunCoords, kCount
    };
    bool own(Which w);
    double call(Which w, std::initializer_list<PyObject*> args);

    PyObject* cls_;
    double rad_, alfa_, epoch_;
    signed char own_[kCount];  // -1 not yet looked up, else 0 or 1
};

// Bodies of the private class methods.
Ref to2000Year_body(orb::Args a);
Ref rightAscension_body(orb::Args a);
Ref declination_body(orb::Args a);
Ref azimuth_body(orb::Args a);
Ref altitude_body(orb::Args a);
Ref siderealTime_body(orb::Args a);
Ref solarMeanAnomaly_body(orb::Args a);
Ref eclipticLongitude_body(orb::Args a);
Ref sunCoords_body(orb::Args a);

}  // namespace astro
