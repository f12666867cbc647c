"""Astronomy per call, side by side in one run with what a user would
otherwise call for the same observer and instant:

- sun: Astronomy.sun (position and fourteen phase times as texts) against
  astral's sun times and position: the full fourteen-phase equivalent (noon,
  midnight and each of the six altitudes rising and setting), and its
  five-event sun() with azimuth and elevation;
- moon: Astronomy.moon against ephem's moon position, next rising and
  setting and phase, and astral's moonrise, moonset and phase;
- geostationarySatellite and the Julian day conversions, with astral's
  julianday beside UTCtoJulian.

Run: make bench, or .venv/bin/python bench/astronomy.py once the peers are in
(make bench-deps installs them, pinned in constraints.txt)."""

import datetime as dt
import sys

import pytz

from models.orbalt import Astronomy
from timer import FLOOR, compare

try:
    import astral
    import astral.julian
    import astral.moon
    import astral.sun
    import ephem
except ImportError as error:
    sys.exit(f"bench/astronomy.py compares with astral and ephem ({error}); "
             "install them with make bench-deps")

LON, LAT, ELEVATION = 101.75232400194169, 36.61087110483754, 0.0
INSTANT = (2024, 7, 22, 4, 0, 0)
WHEN = dt.datetime(*INSTANT, tzinfo=pytz.utc)


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
    observer = astral.Observer(latitude=LAT, longitude=LON, elevation=ELEVATION)

    print(f"Astronomy per call (observer {LON:.4f} E {LAT:.4f} N, {WHEN})")
    ours = Astronomy.sun(LON, LAT, ELEVATION, *INSTANT)
    theirs, azimuth, elevation = astral_sun_fourteen(observer)
    worst = max(minutes_apart(ours["Phase"][k], v) for k, v in theirs.items())
    print(f"  (same results: the fourteen times agree within {worst:.1f} min, azimuth within "
          f"{abs(ours['Azimuth'] - azimuth):.3f} deg, altitude within "
          f"{abs(ours['Altitude'] - elevation):.3f} deg; astral adds refraction)")
    compare("sun: 14 phase texts + position",
            lambda: Astronomy.sun(LON, LAT, ELEVATION, *INSTANT),
            lambda: FLOOR(LON, LAT, ELEVATION, *INSTANT),
            [("astral 14", lambda: astral_sun_fourteen(observer)),
             ("astral 5", lambda: astral_sun_five(observer))])
    compare("moon: position, phase, rise, set",
            lambda: Astronomy.moon(LON, LAT, ELEVATION, *INSTANT),
            lambda: FLOOR(LON, LAT, ELEVATION, *INSTANT),
            [("ephem", ephem_moon), ("astral", lambda: astral_moon(observer))])
    compare("geostationarySatellite",
            lambda: Astronomy.geostationarySatellite(LON, LAT, ELEVATION, 140.0),
            lambda: FLOOR(LON, LAT, ELEVATION, 140.0))
    compare("UTCtoJulian(y, m, d, h, min, s)",
            lambda: Astronomy.UTCtoJulian(2024, 7, 22, 4, 0, 0.0),
            lambda: FLOOR(2024, 7, 22, 4, 0, 0.0),
            [("astral julianday", lambda: astral.julian.julianday(WHEN))])
    compare("UTCtoJulian(datetime)",
            lambda: Astronomy.UTCtoJulian(WHEN), lambda: FLOOR(WHEN),
            [("astral julianday", lambda: astral.julian.julianday(WHEN))])
    compare("JulianToUTC",
            lambda: Astronomy.JulianToUTC(2460513.6666666665), lambda: FLOOR(2460513.6666666665))


if __name__ == "__main__":
    main()
