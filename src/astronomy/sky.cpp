// The private celestial methods: dispatch through the class, and bodies.
#include "astronomy/sky.h"

#include "astronomy/celestial.h"
#include "frame/original.h"

namespace astro {
namespace {

struct Entry {
    const char* name;  // as the class stores it
    orb::Body body;    // this module's own body
};

const Entry kEntries[] = {
    {"UTCtoJulian", utc_to_julian_body},
    {"JulianToUTC", julian_to_utc_body},
    {"_Astronomy__to2000Year", to2000Year_body},
    {"_Astronomy__rightAscension", rightAscension_body},
    {"_Astronomy__declination", declination_body},
    {"_Astronomy__azimuth", azimuth_body},
    {"_Astronomy__altitude", altitude_body},
    {"_Astronomy__siderealTime", siderealTime_body},
    {"_Astronomy__solarMeanAnomaly", solarMeanAnomaly_body},
    {"_Astronomy__eclipticLongitude", eclipticLongitude_body},
    {"_Astronomy__sunCoords", sunCoords_body},
};

PyObject* entry_name(int w) {
    static PyObject* names[sizeof kEntries / sizeof kEntries[0]] = {};
    if (!names[w]) {
        names[w] = PyUnicode_InternFromString(kEntries[w].name);
        if (!names[w]) throw orb::PyError{};
    }
    return names[w];
}

double constant(PyObject* cls, PyObject* name) { return orb::as_float(orb::getattr(cls, name)); }

}  // namespace

Sky::Sky(PyObject* cls)
    : cls_(cls),
      rad_(constant(cls, ORB_STR("_rad"))),
      alfa_(constant(cls, ORB_STR("_alfa"))),
      epoch_(constant(cls, ORB_STR("_J20000101"))) {
    for (auto& o : own_) o = -1;
}

bool Sky::own(Which w) {
    if (own_[w] < 0) {
        const orb::Method* row = orb::original_method(cls_, entry_name(w));
        own_[w] = row && row->body == kEntries[w].body ? 1 : 0;
    }
    return own_[w] != 0;
}

double Sky::call(Which w, std::initializer_list<PyObject*> args) {
    return orb::as_float(orb::call_method(cls_, entry_name(w), args));
}

double Sky::utc_to_julian(PyObject* date) {
    if (own(kUTCtoJulian)) return julian_of(date);
    return call(kUTCtoJulian, {date});
}

Ref Sky::julian_to_utc(double julian) {
    if (own(kJulianToUTC)) return astro::julian_to_utc(julian);
    return orb::call_method(cls_, entry_name(kJulianToUTC), {orb::number(julian)});
}

bool Sky::own_dates(PyObject* zone) {
    return own(kUTCtoJulian) && own(kJulianToUTC) && plain_dates(zone);
}

std::string Sky::julian_text(double julian, PyObject* zone) {
    if (own(kJulianToUTC) && plain_dates(zone)) return utc_text(julian_fields(julian, zone));
    return orb::str_of(julian_to_utc(julian));
}

double Sky::to2000Year_own(PyObject* date) { return utc_to_julian(date) - epoch_; }

double Sky::to2000Year(PyObject* date) {
    if (own(kTo2000Year)) return to2000Year_own(date);
    return call(kTo2000Year, {date});
}

double Sky::to2000Year(const Fields& f, PyObject* zone) {
    if (own(kTo2000Year) && own(kUTCtoJulian) && plain_dates(zone)) {
        // UTCtoJulian reads the date-time to the whole second.
        return astro::utc_to_julian(static_cast<double>(f.year), f.month, f.day, f.hour, f.minute,
                                    static_cast<double>(f.second)) -
               epoch_;
    }
    return to2000Year(make_datetime(f, zone));
}

double Sky::rightAscension(double l, double b) {
    if (own(kRightAscension)) return right_ascension(alfa_, l, b);
    return call(kRightAscension, {orb::number(l), orb::number(b)});
}

double Sky::declination(double l, double b) {
    if (own(kDeclination)) return astro::declination(alfa_, l, b);
    return call(kDeclination, {orb::number(l), orb::number(b)});
}

double Sky::azimuth(double H, double phi, double dec) {
    if (own(kAzimuth)) return astro::azimuth(H, phi, dec);
    return call(kAzimuth, {orb::number(H), orb::number(phi), orb::number(dec)});
}

double Sky::altitude(double H, double phi, double dec) {
    if (own(kAltitude)) return astro::altitude(H, phi, dec);
    return call(kAltitude, {orb::number(H), orb::number(phi), orb::number(dec)});
}

double Sky::siderealTime(double d, double lw) {
    if (own(kSiderealTime)) return sidereal_time(rad_, d, lw);
    return call(kSiderealTime, {orb::number(d), orb::number(lw)});
}

double Sky::solarMeanAnomaly(double d) {
    if (own(kSolarMeanAnomaly)) return solar_mean_anomaly(rad_, d);
    return call(kSolarMeanAnomaly, {orb::number(d)});
}

double Sky::eclipticLongitude(double M) {
    if (own(kEclipticLongitude)) return ecliptic_longitude(rad_, M);
    return call(kEclipticLongitude, {orb::number(M)});
}

std::pair<double, double> Sky::sunCoords_own(double d) {
    double M = solarMeanAnomaly(d);
    double L = eclipticLongitude(M);
    double dec = declination(L, 0.0);  // the sun's ecliptic latitude is 0
    double ra = rightAscension(L, 0.0);
    return {dec, ra};
}

std::pair<double, double> Sky::sunCoords(double d) {
    if (own(kSunCoords)) return sunCoords_own(d);
    Ref pair = orb::call_method(cls_, entry_name(kSunCoords), {orb::number(d)});
    Ref items = Ref::steal(PySequence_Tuple(pair));
    if (PyTuple_GET_SIZE(items.get()) != 2) {
        orb::raisef(PyExc_ValueError, "%s of an override must give 2 values, got %zd",
                    kEntries[kSunCoords].name, PyTuple_GET_SIZE(items.get()));
    }
    return {orb::as_float(PyTuple_GET_ITEM(items.get(), 0)),
            orb::as_float(PyTuple_GET_ITEM(items.get(), 1))};
}

// --- bodies -----------------------------------------------------------------
// Parameters that the class leaves untested are taken as real numbers.

namespace {
double real(PyObject* x) { return orb::as_float(x); }
}  // namespace

Ref to2000Year_body(orb::Args a) {
    return guarded([&] {
        Sky sky(a[0]);
        return orb::number(sky.to2000Year_own(a[1]));
    });
}

Ref rightAscension_body(orb::Args a) {
    return guarded([&] { return orb::number(right_ascension(Sky(a[0]).alfa(), a.num(1), a.num(2))); });
}

Ref declination_body(orb::Args a) {
    return guarded([&] { return orb::number(declination(Sky(a[0]).alfa(), a.num(1), a.num(2))); });
}

Ref azimuth_body(orb::Args a) {
    return guarded([&] { return orb::number(azimuth(real(a[1]), real(a[2]), real(a[3]))); });
}

Ref altitude_body(orb::Args a) {
    return guarded([&] { return orb::number(altitude(real(a[1]), real(a[2]), real(a[3]))); });
}

Ref siderealTime_body(orb::Args a) {
    return guarded([&] { return orb::number(sidereal_time(Sky(a[0]).rad(), real(a[1]), real(a[2]))); });
}

Ref solarMeanAnomaly_body(orb::Args a) {
    return guarded([&] { return orb::number(solar_mean_anomaly(Sky(a[0]).rad(), real(a[1]))); });
}

Ref eclipticLongitude_body(orb::Args a) {
    return guarded([&] { return orb::number(ecliptic_longitude(Sky(a[0]).rad(), real(a[1]))); });
}

Ref sunCoords_body(orb::Args a) {
    return guarded([&] {
        Sky sky(a[0]);
        auto [dec, ra] = sky.sunCoords_own(real(a[1]));
        return Ref::steal(PyTuple_Pack(2, orb::number(dec).get(), orb::number(ra).get()));
    });
}

}  // namespace astro
