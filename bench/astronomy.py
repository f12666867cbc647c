"""Astronomy per call, side by side in one run with what a user would
otherwise call for the same observer and instant:

- sun: Astronomy.sun (position and fourteen phase times as texts) against
  astral's sun times and position: its five-event sun() with azimuth and
  elevation, and the full fourteen-phase equivalent (noon, midnight and
  each of the six altitudes rising and setting);
- moon: Astronomy.moon against ephem's moon position, next rising and
  setting and phase, and astral's moonrise, moonset and phase;
- geostationarySatellite and UTCtoJulian, with astral's julianday beside
  UTCtoJulian.

Run: .venv/bin/python bench/astronomy.py
The peers are not dependencies of the module; install them with
    .venv/bin/pip install -c constraints.txt astral ephem"""

import datetime as dt
import sys
import timeit

import pytz

from models.orbalt import Astronomy

try:
    import astral
    import astral.julian
    import astral.moon
    import astral.sun
except ImportError:
    astral = None
try:
    import ephem
except ImportError:
    ephem = None

REPEAT = 5
LON, LAT, ELEVATION = 101.75232400194169, 36.61087110483754, 0.0
INSTANT = (2024, 7, 22, 4, 0, 0)
WHEN = dt.datetime(*INSTANT, tzinfo=pytz.utc)


def per_call(fn, number):
    return min(timeit.repeat(fn, number=number, repeat=REPEAT)) / number


def row(label, seconds, reference=None):
    ratio = f"   x{reference / seconds:5.2f} faster" if reference else ""
    print(f"  {label:<58s} {seconds * 1e6:9.2f} us{ratio}")


# astral counts the day in a zone; the observer's local mean time makes it
# the same solar day as Astronomy.sun's.
LOCAL = dt.timezone(dt.timedelta(hours=LON / 15))
DAY = WHEN.astimezone(LOCAL).date()


def astral_sun_five(observer):
    times = astral.sun.sun(observer, DAY, tzinfo=LOCAL)
    return (times, astral.sun.azimuth(observer, WHEN), astral.sun.elevation(observer, WHEN))


def astral_sun_fourteen(observer):
    s, day, utc = astral.sun, DAY, LOCAL
    rising, setting = astral.sun.SunDirection.RISING, astral.sun.SunDirection.SETTING
    out = {
        "noon": s.noon(observer, day, utc), "midnight": s.midnight(observer, day, utc),
        "sunrise": s.sunrise(observer, day, utc), "sunset": s.sunset(observer, day, utc),
        "dawn": s.dawn(observer, day, 6, utc), "dusk": s.dusk(observer, day, 6, utc),
        "nauticalDawn": s.dawn(observer, day, 12, utc), "nauticalDusk": s.dusk(observer, day, 12, utc),
        "nightEnd": s.dawn(observer, day, 18, utc), "night": s.dusk(observer, day, 18, utc),
    }
    for name, elevation, direction in (("sunriseEnd", -0.3, rising), ("sunsetStart", -0.3, setting),
                                       ("morning", 6, rising), ("evening", 6, setting)):
        out[name] = s.time_at_elevation(observer, elevation, day, direction, utc)
    return out, s.azimuth(observer, WHEN), s.elevation(observer, WHEN)


def ephem_moon():
    observer = ephem.Observer()
    observer.lon, observer.lat, observer.elevation = str(LON), str(LAT), ELEVATION
    observer.date = ephem.Date(WHEN.replace(tzinfo=None))
    moon = ephem.Moon(observer)
    return (moon.az, moon.alt, moon.earth_distance, moon.moon_phase,
            observer.next_rising(ephem.Moon()), observer.next_setting(ephem.Moon()))


def astral_moon(observer):
    day = WHEN.date()
    return (astral.moon.moonrise(observer, day, pytz.utc), astral.moon.moonset(observer, day, pytz.utc),
            astral.moon.phase(day))


def minutes_apart(text, value):
    # astral's time_at_elevation may give the rising of the next day: the
    # times are compared within one day.
    minutes = abs((dt.datetime.fromisoformat(text) - value).total_seconds()) / 60 % 1440
    return min(minutes, 1440 - minutes)


def main():
    if astral is None or ephem is None:
        print("bench/astronomy.py: the peers astral and ephem are missing; install them with\n"
              "    .venv/bin/pip install -c constraints.txt astral ephem", file=sys.stderr)
    sun = lambda: Astronomy.sun(LON, LAT, ELEVATION, *INSTANT)
    moon = lambda: Astronomy.moon(LON, LAT, ELEVATION, *INSTANT)

    print(f"Astronomy per call (observer {LON:.4f} E {LAT:.4f} N, {WHEN})")
    print("sun")
    t_sun = per_call(sun, 2000)
    if astral is not None:
        observer = astral.Observer(latitude=LAT, longitude=LON, elevation=ELEVATION)
        ours = sun()
        theirs, azimuth, elevation = astral_sun_fourteen(observer)
        worst = max(minutes_apart(ours["Phase"][k], v) for k, v in theirs.items())
        print(f"  (same results: the fourteen times agree within {worst:.1f} min, azimuth within "
              f"{abs(ours['Azimuth'] - azimuth):.3f} deg, altitude within "
              f"{abs(ours['Altitude'] - elevation):.3f} deg; astral adds refraction)")
        t_five = per_call(lambda: astral_sun_five(observer), 500)
        t_fourteen = per_call(lambda: astral_sun_fourteen(observer), 200)
        row("astral sun() five events + azimuth + elevation", t_five)
        row("astral fourteen phase times + azimuth + elevation", t_fourteen)
        row("Astronomy.sun (fourteen phase texts + position)", t_sun, t_fourteen)
        print(f"  Astronomy.sun against astral's five-event call: x{t_five / t_sun:.2f} faster")
    else:
        row("Astronomy.sun", t_sun)

    print("moon")
    t_moon = per_call(moon, 1000)
    if ephem is not None:
        t_ephem = per_call(ephem_moon, 200)
        row("ephem Moon position + phase + next rising + next setting", t_ephem)
    if astral is not None:
        t_astral = per_call(lambda: astral_moon(observer), 200)
        row("astral moonrise + moonset + phase", t_astral)
    row("Astronomy.moon (position, phase, rise and set)", t_moon,
        t_ephem if ephem is not None else None)

    print("geostationary satellite")
    row("Astronomy.geostationarySatellite",
        per_call(lambda: Astronomy.geostationarySatellite(LON, LAT, ELEVATION, 140.0), 20000))

    print("Julian day")
    t_parts = per_call(lambda: Astronomy.UTCtoJulian(2024, 7, 22, 4, 0, 0.0), 50000)
    t_dt = per_call(lambda: Astronomy.UTCtoJulian(WHEN), 50000)
    if astral is not None:
        t_peer = per_call(lambda: astral.julian.julianday(WHEN), 50000)
        row("astral julianday(datetime)", t_peer)
    row("Astronomy.UTCtoJulian(year, month, day, hour, minute, second)", t_parts,
        t_peer if astral is not None else None)
    row("Astronomy.UTCtoJulian(datetime)", t_dt, t_peer if astral is not None else None)
    row("Astronomy.JulianToUTC", per_call(lambda: Astronomy.JulianToUTC(2460513.6666666665), 50000))


if __name__ == "__main__":
    main()
