// Astronomy.sun: azimuth and altitude at the instant, and the fourteen
// phases of the observer's solar day.
//
// The day's transit is the one nearest to the instant (the local mean solar
// day that holds it).  Each evening event is the hour angle at which the
// sun's centre reaches a phase altitude on the transit's declination; the
// morning event is its mirror image about the transit.  A phase altitude
// that the sun does not reach that day (white nights, polar day and night,
// the poles) has no events: both of its entries are None, listed after
// the dated events.
#include "astronomy/sun.h"

#include "astronomy/celestial.h"
#include "astronomy/observer.h"
#include "astronomy/sky.h"
#include "frame/pymath.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace astro {
namespace {

// The sun's distance in kilometres, the same in every result.
constexpr long kSunDistance = 149598000;
// 2 * math.pi
constexpr double kTwoPi = 2 * kPi;
// Transit offset of the day cycle, in days.
constexpr double kJ0 = 0.0009;

// Horizon dip in degrees for a height in metres.  An observer below the
// reference level sees no dip.
double observer_angle(double height) {
    if (height < 0) return 0.0;
    return (-2.076 * std::sqrt(height)) / 60;
}

// The day cycle: round((d - J0) - lw / 2pi), halves to even.
double julian_cycle(double d, double lw) {
    return orb::pymath::round_half_even((d - kJ0) - lw / kTwoPi);
}

double approx_transit(double Ht, double lw, double n) { return (kJ0 + (Ht + lw) / kTwoPi) + n; }

double solar_transit_j(double epoch, double ds, double M, double L) {
    return ((epoch + ds) + 0.0053 * checked::sin(M)) - 0.0069 * checked::sin(2 * L);
}

// One dated phase: its name, Julian day and UTC text.
struct Event {
    Ref name;
    double julian;
    Ref text;
};

}  // namespace

Ref sun_body(orb::Args a) {
    return guarded([&] {
        PyObject* cls = a[0];
        const double longitude = a.num(1), latitude = a.num(2), elevation = a.num(3);
        check_longitude(longitude);
        check_latitude(latitude);
        check_elevation(elevation);
        Instant in = make_instant(&a.v[4]);

        Sky sky(cls);
        const double rad = sky.rad();
        const double lw = (-longitude) * rad;
        const double phi = latitude * rad;
        const double dh = observer_angle(elevation);

        const double d = in.plain ? sky.to2000Year(in.fields, in.zone) : sky.to2000Year(in.input);
        auto [dec, ra] = sky.sunCoords(d);
        const double h = sky.siderealTime(d, lw) - ra;
        const double azimuth = 180 + sky.azimuth(h, phi, dec) / rad;
        const double altitude = sky.altitude(h, phi, dec) / rad;

        const double n = julian_cycle(d, lw);
        const double ds = approx_transit(0.0, lw, n);
        const double m = sky.solarMeanAnomaly(ds);
        const double l = sky.eclipticLongitude(m);
        const double decl = sky.declination(l, 0.0);
        const double jnoon = solar_transit_j(sky.epoch(), ds, m, l);
        const double nadir = jnoon - 0.5;

        // noon, midnight, then the rows of the phase table, morning before
        // evening; texts are made in this order, so the first date that
        // the date-time type cannot hold is the one reported.
        std::vector<Event> events;
        auto add = [&](PyObject* name, double julian) {
            events.push_back({Ref::borrow(name), julian, orb::text(sky.julian_text(julian, in.zone))});
        };
        add(ORB_STR("noon"), jnoon);
        add(ORB_STR("midnight"), nadir);
        std::vector<Ref> unreached;
        Ref table = orb::getattr(cls, ORB_STR("_sunshine"));
        const Py_ssize_t rows = PyObject_Length(table);
        if (rows < 0) throw orb::PyError{};
        for (Py_ssize_t r = 0; r < rows; ++r) {
            Ref row = Ref::steal(PySequence_GetItem(table, r));
            Ref text = Ref::steal(PySequence_GetItem(row, 0));
            Ref morning = Ref::steal(PySequence_GetItem(row, 1));
            Ref evening = Ref::steal(PySequence_GetItem(row, 2));
            const double h0 = (orb::as_float(Ref::steal(PyNumber_Float(text))) + dh) * rad;
            // Cosine of the evening event's hour angle; outside [-1, 1] the
            // sun stays above or below this altitude all day.
            const double c = (checked::sin(h0) - checked::sin(phi) * checked::sin(decl)) /
                             (checked::cos(phi) * checked::cos(decl));
            if (c >= -1 && c <= 1) {
                const double w = std::acos(c);
                const double jset = solar_transit_j(sky.epoch(), approx_transit(w, lw, n), m, l);
                const double jrise = jnoon - (jset - jnoon);
                add(morning, jrise);
                add(evening, jset);
            } else {
                unreached.push_back(morning);
                unreached.push_back(evening);
            }
        }
        std::stable_sort(events.begin(), events.end(),
                         [](const Event& x, const Event& y) { return x.julian < y.julian; });

        Ref phase = Ref::steal(PyDict_New());
        for (const Event& e : events) put(phase, e.name, e.text);
        for (const Ref& name : unreached) put(phase, name, Py_None);

        Ref result = Ref::steal(PyDict_New());
        put(result, ORB_STR("Body"), ORB_STR("Sun"));
        put(result, ORB_STR("TimeStamp"), in.timestamp);
        put(result, ORB_STR("Location"), location(longitude, latitude, elevation));
        put(result, ORB_STR("Azimuth"), orb::number(azimuth));
        put(result, ORB_STR("Altitude"), orb::number(altitude));
        put(result, ORB_STR("Distance"), orb::integer(kSunDistance));
        put(result, ORB_STR("Phase"), phase);
        return result;
    });
}

}  // namespace astro
