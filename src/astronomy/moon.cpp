// Astronomy.moon.
//
// Position: a short lunar series (three mean elements, one periodic term
// each for longitude, latitude and distance) turned into horizon
// coordinates, with refraction added to the altitude.  Illumination: the
// elongation from the sun gives the phase angle and the lit fraction.  Rise
// and set: the altitude less 0.133 degrees is sampled every hour for 24
// hours, and each two-hour interval is searched for roots of the parabola
// through its three samples.
//
// Instants after the first are the input instant moved by hours on the
// Julian-day scale (JulianToUTC's microsecond resolution), and every day
// number is taken to the whole second.
#include "astronomy/moon.h"

#include "astronomy/celestial.h"
#include "astronomy/observer.h"
#include "astronomy/sky.h"

#include <cmath>

namespace astro {
namespace {

// The sun's distance in kilometres.
constexpr long kSunDistance = 149598000;
// Rise and set altitude threshold, degrees.
constexpr double kThreshold = 0.133;
// The search covers 24 hours in intervals of 2.
constexpr int kSearchHours = 24;

// A UTC instant of the search: its fields, and the object behind them when
// date-times are not kept as fields (see Sky::own_dates).
struct When {
    Fields f;
    Ref obj;
};

struct MoonPosition {
    double azimuth;   // from south, positive toward west, radians
    double altitude;  // refraction included, radians
    double distance;  // kilometres
    double parallacticAngle;
};

struct MoonCoords {
    double ra, dec, dist;
};

MoonCoords moon_coords(Sky& sky, double d) {
    const MoonEcliptic e = moon_ecliptic(sky.rad(), d);
    const double ra = sky.rightAscension(e.l, e.b);
    const double dec = sky.declination(e.l, e.b);
    return {ra, dec, e.dist};
}

MoonPosition position(Sky& sky, double longitude, double latitude, double d) {
    const double lw = -longitude * sky.rad();
    const double phi = latitude * sky.rad();
    const MoonCoords c = moon_coords(sky, d);
    const double H = sky.siderealTime(d, lw) - c.ra;
    double h = sky.altitude(H, phi, c.dec);
    // The parallactic angle uses the altitude before refraction.
    const double pa = checked::atan2(checked::sin(H), checked::tan(phi) * checked::cos(c.dec) -
                                                          checked::sin(c.dec) * checked::cos(H));
    h = h + astro_refraction(h);
    return {sky.azimuth(H, phi, c.dec), h, c.dist, pa};
}

// The day number of the date-time built from calendar parts whose second
// carries the microseconds as a fraction.
double day_of(Sky& sky, const Fields& f, double second, PyObject* zone) {
    Fields g = f;
    g.second = static_cast<long long>(second);
    g.microsecond = static_cast<long long>(microseconds(second));
    return sky.to2000Year(g, zone);
}

// The instant `hours` after `from` (fractional or negative hours).
When hours_later(Sky& sky, const When& from, double hours, PyObject* zone, bool fields) {
    if (fields) {
        const Fields& f = from.f;
        const double jd = utc_to_julian(static_cast<double>(f.year), f.month, f.day, f.hour,
                                        f.minute, static_cast<double>(f.second)) +
                          hours / 24;
        return When{julian_fields(jd, zone), Ref()};
    }
    Ref later = sky.julian_to_utc(sky.utc_to_julian(from.obj) + hours / 24);
    return When{fields_of(later), later};
}

std::string text_of(const When& w) {
    return w.obj ? orb::str_of(w.obj) : utc_text(w.f);
}

// The altitude less the threshold at an instant of the search.
double sample(Sky& sky, double longitude, double latitude, const When& w, double hc,
              PyObject* zone) {
    const double second =
        static_cast<double>(w.f.second) + static_cast<double>(w.f.microsecond) / 1000 / 1000;
    const double d = day_of(sky, w.f, second, zone);
    return position(sky, longitude, latitude, d).altitude - hc;
}

// Roots of one interval: the parabola through (-1, h0), (0, h1), (1, h2).
struct Roots {
    int count;
    double x1, x2, ye;
};

Roots interval_roots(double h0, double h1, double h2) {
    const double a = (h0 + h2) / 2 - h1;
    const double b = (h2 - h0) / 2;
    Roots r{0, 0.0, 0.0, 0.0};
    if (a == 0) {
        // Three samples on a line: its one crossing, if inside.
        r.ye = h1;
        if (b != 0) {
            const double x = -h1 / b;
            if (std::fabs(x) <= 1) r = Roots{1, x, x, h1};
        }
        return r;
    }
    const double xe = -b / (2 * a);
    r.ye = (a * xe + b) * xe + h1;
    const double discriminant = b * b - 4 * a * h1;
    if (discriminant >= 0) {
        const double dx = checked::sqrt(discriminant) / (std::fabs(a) * 2);
        r.x1 = xe - dx;
        r.x2 = xe + dx;
        if (std::fabs(r.x1) <= 1) r.count += 1;
        if (std::fabs(r.x2) <= 1) r.count += 1;
        if (r.x1 < -1) r.x1 = r.x2;
    }
    return r;
}

}  // namespace

const char* phase_name(long phase) {
    // Bands symmetric about full moon (180).
    struct Band {
        long below;
        const char* name;
    };
    static const Band bands[] = {
        {12, "朔日"},  {84, "上峨嵋月"},  {96, "上弦月"},  {168, "凸月"},
        {192, "满月"}, {264, "残月"},    {276, "下弦月"}, {348, "下峨嵋月"},
    };
    for (const Band& band : bands) {
        if (phase < band.below) return band.name;
    }
    return "晦日";
}

Ref moon_body(orb::Args a) {
    return guarded([&] {
        PyObject* cls = a[0];
        const double longitude = a.num(1), latitude = a.num(2), elevation = a.num(3);
        check_longitude(longitude);
        check_latitude(latitude);
        Instant in = make_instant(&a.v[4]);

        // The position at the input instant takes year to minute exactly as
        // ints and the second as any real number.
        for (int k = 0; k < 5; ++k) orb::expect(in.parts[k], orb::Exact::Int);
        const double second = orb::as_float(in.parts[5]);

        Sky sky(cls);
        const bool fields = sky.own_dates(in.zone);
        const double rad = sky.rad();
        const MoonPosition here =
            position(sky, longitude, latitude, day_of(sky, in.fields, second, in.zone));

        Ref result = Ref::steal(PyDict_New());
        put(result, ORB_STR("Body"), ORB_STR("Moon"));
        put(result, ORB_STR("TimeStamp"), in.timestamp);
        put(result, ORB_STR("Location"), location(longitude, latitude, elevation));
        put(result, ORB_STR("Azimuth"), orb::number(180 + here.azimuth / rad));
        put(result, ORB_STR("Altitude"), orb::number(here.altitude / rad));
        put(result, ORB_STR("Distance"), orb::number(here.distance));
        Ref phase = Ref::steal(PyDict_New());
        put(phase, ORB_STR("parallacticAngle"), orb::number(here.parallacticAngle / rad));

        // Illumination from the elongation; its cosine is clamped, since
        // rounding can carry it just past +-1.
        const double d = in.plain ? sky.to2000Year(in.fields, in.zone) : sky.to2000Year(in.input);
        const MoonCoords moon = moon_coords(sky, d);
        auto [sdec, sra] = sky.sunCoords(d);
        using namespace checked;
        double cosElongation =
            sin(sdec) * sin(moon.dec) + cos(sdec) * cos(moon.dec) * cos(sra - moon.ra);
        cosElongation = std::fmin(1.0, std::fmax(-1.0, cosElongation));
        const double phi = acos(cosElongation);
        const double inc = atan2(kSunDistance * sin(phi), moon.dist - kSunDistance * cos(phi));
        const double angle =
            atan2(cos(sdec) * sin(sra - moon.ra),
                  sin(sdec) * cos(moon.dec) - cos(sdec) * sin(moon.dec) * cos(sra - moon.ra));
        const double fraction = (1 + cos(inc)) / 2;
        const int s = angle < 0 ? -1 : 1;
        const long phaseAngle = static_cast<long>((0.5 + 0.5 * inc * s / kPi) * 360 + 0.5);
        put(phase, ORB_STR("fraction"), orb::number(fraction));
        put(phase, ORB_STR("phaseName"), orb::text(phase_name(phaseAngle)));
        put(phase, ORB_STR("angle"), orb::number(angle / rad));

        // Rise and set within 24 hours.
        const double hc = kThreshold * rad;
        double h0 = here.altitude - hc;
        const When start{in.fields, fields ? Ref() : in.input};
        bool haveRise = false, haveSet = false;
        double theRise = 0.0, theSet = 0.0;
        for (int i = 1; i < kSearchHours; i += 2) {
            const When dt1 = hours_later(sky, start, i, in.zone, fields);
            const double h1 = sample(sky, longitude, latitude, dt1, hc, in.zone);
            const When dt2 = hours_later(sky, start, i + 1, in.zone, fields);
            const double h2 = sample(sky, longitude, latitude, dt2, hc, in.zone);
            const Roots r = interval_roots(h0, h1, h2);
            if (r.count == 1) {
                if (h0 < 0) {
                    theRise = i + r.x1;
                    haveRise = true;
                } else {
                    theSet = i + r.x1;
                    haveSet = true;
                }
            } else if (r.count == 2) {
                theRise = i + (r.ye < 0 ? r.x2 : r.x1);
                theSet = i + (r.ye < 0 ? r.x1 : r.x2);
                haveRise = haveSet = true;
            }
            h0 = h2;
            if (haveRise && haveSet) break;
        }
        // h0 is now the last sampled altitude less the threshold.
        auto event = [&](bool found, double hours) {
            return found ? orb::text(text_of(hours_later(sky, start, hours, in.zone, fields)))
                         : orb::none();
        };
        put(phase, ORB_STR("Rise"), event(haveRise, theRise));
        put(phase, ORB_STR("Set"), event(haveSet, theSet));
        const bool never = !haveRise && !haveSet;
        put(phase, ORB_STR("AlwaysUp"), orb::boolean(never && h0 > 0));
        put(phase, ORB_STR("AlwaysDown"), orb::boolean(never && !(h0 > 0)));
        put(result, ORB_STR("Phase"), phase);
        return result;
    });
}

}  // namespace astro
