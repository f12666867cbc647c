"""Astronomy: the sun, the moon and the geostationary satellite."""
import datetime as dt
import math
import random
import statistics

import pytest

from models.orbalt import Astronomy

A = Astronomy
LON, LAT = 101.75232400194169, 36.61087110483754

# --- sun --------------------------------------------------------------------

SUN_PHASE = {
    "midnight": "2024-07-21 17:20:33.406157+00:00",
    "nightEnd": "2024-07-21 20:16:13.217144+00:00",
    "nauticalDawn": "2024-07-21 20:56:43.765055+00:00",
    "dawn": "2024-07-21 21:33:26.242346+00:00",
    "sunrise": "2024-07-21 22:03:09.763230+00:00",
    "sunriseEnd": "2024-07-21 22:06:09.262196+00:00",
    "morning": "2024-07-21 22:40:41.599416+00:00",
    "noon": "2024-07-22 05:20:33.406157+00:00",
    "evening": "2024-07-22 12:00:25.212898+00:00",
    "sunsetStart": "2024-07-22 12:34:57.550119+00:00",
    "sunset": "2024-07-22 12:37:57.049085+00:00",
    "dusk": "2024-07-22 13:07:40.569968+00:00",
    "nauticalDusk": "2024-07-22 13:44:23.047260+00:00",
    "night": "2024-07-22 14:24:53.595170+00:00",
}


def test_sun_worked_example():
    r = A.sun(LON, LAT, 2222, 2024, 7, 22, 4, 0, 0)
    assert list(r) == ["Body", "TimeStamp", "Location", "Azimuth", "Altitude", "Distance", "Phase"]
    assert r["Body"] == "Sun"
    assert r["Location"] == {"Longitude": LON, "Latitude": LAT, "Elevation": 2222.0}
    assert r["Azimuth"] == 127.74113964795328
    assert r["Altitude"] == 66.12070428489565
    assert r["Distance"] == 149598000 and type(r["Distance"]) is int
    assert list(r["Phase"].items()) == list(SUN_PHASE.items())


@pytest.mark.parametrize("lon, lat, instant, noon", [
    # the transit used is the one of the local mean solar day that holds the instant
    (LON, LAT, (2024, 7, 22, 17, 14, 17), "2024-07-22 05:20"),
    (LON, LAT, (2024, 7, 22, 17, 14, 18), "2024-07-23 05:20"),
    (0.0, 0.0, (2024, 3, 20, 0, 0, 0), "2024-03-19 12:08:59"),
    (0.0, 0.0, (2024, 3, 20, 0, 1, 17), "2024-03-19 12:08:59"),
    (0.0, 0.0, (2024, 3, 20, 0, 1, 18), "2024-03-20 12:08:41"),
    (0.0, 0.0, (), "1969-12-31 12:04"),
])
def test_sun_day_cycle(lon, lat, instant, noon):
    assert A.sun(lon, lat, 0, *instant)["Phase"]["noon"].startswith(noon)


def test_sun_horizon_dip():
    low = A.sun(LON, LAT, 0, 2024, 7, 22, 4)["Phase"]
    high = A.sun(LON, LAT, 10000, 2024, 7, 22, 4)["Phase"]
    # a higher observer sees the sun rise earlier and set later, noon unchanged
    assert high["noon"] == low["noon"]
    assert high["sunrise"] < low["sunrise"] and high["sunset"] > low["sunset"]


def test_sun_negative_elevation_has_no_dip():
    assert A.sun(LON, LAT, -50, 2024, 7, 22, 4)["Phase"] == A.sun(LON, LAT, 0, 2024, 7, 22, 4)["Phase"]


ORDER = ["midnight", "nightEnd", "nauticalDawn", "dawn", "sunrise", "sunriseEnd", "morning",
         "noon", "evening", "sunsetStart", "sunset", "dusk", "nauticalDusk", "night"]
ROWS = [("sunrise", "sunset"), ("sunriseEnd", "sunsetStart"), ("dawn", "dusk"),
        ("nauticalDawn", "nauticalDusk"), ("nightEnd", "night"), ("morning", "evening")]


@pytest.mark.parametrize("lat, instant, missing", [
    (48.5, (2024, 6, 21, 12), []),
    (48.6, (2024, 6, 21, 12), ["nightEnd"]),                    # white night: no -18
    (62.0, (2024, 6, 21, 12), ["dawn", "nauticalDawn", "nightEnd"]),
    (62.0, (2024, 12, 21, 12), ["morning"]),                    # the sun stays below 6 degrees
    (78.0, (2024, 6, 21, 12), [m for m, _ in ROWS]),            # polar day
    (-78.0, (2024, 6, 21, 12), ["sunrise", "sunriseEnd", "dawn", "morning"]),  # polar night
    (-85.0, (2024, 6, 21, 12), [m for m, _ in ROWS]),
    (90.0, (2024, 3, 1, 12), [m for m, _ in ROWS]),
    (-90.0, (2024, 9, 1, 12), [m for m, _ in ROWS]),
])
def test_sun_phases_the_sun_does_not_reach(lat, instant, missing):
    phase = A.sun(0.0, lat, 0, *instant)["Phase"]
    assert len(phase) == 14
    none = [m for m, e in ROWS if m in missing for m in (m, e)]
    dated = [k for k in ORDER if k not in none]
    # dated events in time order, then both events of each unreached row in table order
    assert list(phase) == dated + none
    assert all(phase[k] is None for k in none)
    times = [dt.datetime.fromisoformat(phase[k]) for k in dated]
    assert times == sorted(times)


# Published sunrise and sunset (UTC, to the minute) for a few cities.
ALMANAC = [
    ("London", -0.1278, 51.5074, (2024, 6, 21, 12), "2024-06-21 03:43", "2024-06-21 20:21"),
    ("London", -0.1278, 51.5074, (2024, 12, 21, 12), "2024-12-21 08:04", "2024-12-21 15:53"),
    ("Tokyo", 139.6503, 35.6762, (2024, 12, 21, 3), "2024-12-20 21:47", "2024-12-21 07:32"),
    ("Sydney", 151.2093, -33.8688, (2024, 12, 21, 2), "2024-12-20 18:41", "2024-12-21 09:05"),
    ("New York", -74.006, 40.7128, (2024, 6, 20, 17), "2024-06-20 09:25", "2024-06-21 00:31"),
]


@pytest.mark.parametrize("city, lon, lat, instant, rise, set_", ALMANAC, ids=[c[0] for c in ALMANAC])
def test_sun_against_almanac(city, lon, lat, instant, rise, set_):
    phase = A.sun(lon, lat, 0, *instant)["Phase"]
    for got, published in ((phase["sunrise"], rise), (phase["sunset"], set_)):
        delta = dt.datetime.fromisoformat(got[:16]) - dt.datetime.fromisoformat(published)
        assert abs(delta) <= dt.timedelta(minutes=4), (city, got, published)


def test_sun_azimuth_on_the_meridian():
    south = A.sun(0.0, 40.0, 0, 2024, 6, 21, 12, 3, 0)      # sun south of the observer
    north = A.sun(0.0, -30.0, 0, 2024, 12, 21, 11, 58, 0)   # southern summer: sun to the north
    assert abs(south["Azimuth"] - 180) < 2
    assert min(north["Azimuth"], 360 - north["Azimuth"]) < 3


def test_sun_event_before_year_one():
    with pytest.raises(ValueError, match="year 0 is out of range"):
        A.sun(179.0, 0.0, 0, 1, 1, 1, 12)
    A.sun(0.0, 0.0, 0, 1, 1, 1, 12)


# --- accuracy against a full ephemeris ------------------------------------------

def ephem_observer(lon, lat, refraction):
    """An observer of the reference ephemeris at elevation 0: with its
    standard atmosphere, or without refraction."""
    ephem = pytest.importorskip("ephem")
    o = ephem.Observer()
    o.lon, o.lat = math.radians(lon), math.radians(lat)
    if not refraction:
        o.pressure = 0
    return o


def separation(azimuth1, altitude1, azimuth2, altitude2):
    """Angle in degrees between two directions, given in radians."""
    c = (math.sin(altitude1) * math.sin(altitude2)
         + math.cos(altitude1) * math.cos(altitude2) * math.cos(azimuth1 - azimuth2))
    return math.degrees(math.acos(min(1.0, c)))


def sky_samples(seed, count):
    """Observers up to latitude 65 and UTC instants of 2020-2030, to the second."""
    rng = random.Random(seed)
    start = dt.datetime(2020, 1, 1)
    span = int((dt.datetime(2031, 1, 1) - start).total_seconds())
    for _ in range(count):
        t = start + dt.timedelta(seconds=rng.randrange(span))
        yield rng.uniform(-180.0, 180.0), rng.uniform(-65.0, 65.0), t


def utc(text):
    return dt.datetime.fromisoformat(text).replace(tzinfo=None)


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[math.ceil(fraction * len(ordered)) - 1]


SUN_ALTITUDE = {name: float(row[0]) for row in A._sunshine for name in row[1:]}
MORNING = {row[1] for row in A._sunshine}


def reference_sun_event(o, name, near):
    """The reference's event of that name next after two hours before
    `near`: transits for noon and midnight, otherwise the sun's centre
    passing the phase altitude without refraction; None when the sun does
    not pass it."""
    ephem = pytest.importorskip("ephem")
    sun = ephem.Sun()
    o.date = near - dt.timedelta(hours=2)
    if name == "noon":
        return o.next_transit(sun).datetime()
    if name == "midnight":
        return o.next_antitransit(sun).datetime()
    o.horizon = math.radians(SUN_ALTITUDE[name])
    search = o.next_rising if name in MORNING else o.next_setting
    try:
        return search(sun, use_center=True).datetime()
    except (ephem.AlwaysUpError, ephem.NeverUpError):
        return None


def test_sun_accuracy():
    ephem = pytest.importorskip("ephem")
    errors, geometric, observed = [], [], []
    for lon, lat, t in sky_samples(7, 600):
        r = A.sun(lon, lat, 0, t.year, t.month, t.day, t.hour, t.minute, t.second)
        azimuth, altitude = math.radians(r["Azimuth"]), math.radians(r["Altitude"])
        for refraction, found in ((False, geometric), (True, observed)):
            o = ephem_observer(lon, lat, refraction)
            o.date = t
            sun = ephem.Sun(o)
            if not refraction or sun.alt > 0:
                found.append(separation(azimuth, altitude, sun.az, sun.alt))
        o = ephem_observer(lon, lat, False)
        for name, text in r["Phase"].items():
            if text is not None:
                reference = reference_sun_event(o, name, utc(text))
                errors.append(math.inf if reference is None else
                              (utc(text) - reference).total_seconds())
    assert max(geometric) <= 0.25 and max(observed) <= 0.7
    assert 70 <= statistics.median(errors) <= 85
    assert percentile([abs(e) for e in errors], 0.99) <= 225


# --- moon -------------------------------------------------------------------

def test_moon_worked_example():
    r = A.moon(LON, LAT, 2222, 2024, 7, 22, 14, 0, 0)
    assert list(r) == ["Body", "TimeStamp", "Location", "Azimuth", "Altitude", "Distance", "Phase"]
    assert r["Body"] == "Moon" and r["TimeStamp"]["UTC"] == "2024-07-22 14:00:00+00:00"
    assert r["Location"] == {"Longitude": LON, "Latitude": LAT, "Elevation": 2222.0}
    assert (r["Azimuth"], r["Altitude"], r["Distance"]) == (
        120.79256273582314, 5.8997720191911736, 369969.80133619666)
    assert r["Phase"] == {
        "parallacticAngle": -47.37708070122644, "fraction": 0.9833872391333955,
        "phaseName": "残月", "angle": 88.17110226541216,
        "Rise": "2024-07-23 13:58:53.804315+00:00", "Set": "2024-07-22 23:49:05.982344+00:00",
        "AlwaysUp": False, "AlwaysDown": False}
    assert list(r["Phase"]) == ["parallacticAngle", "fraction", "phaseName", "angle", "Rise",
                                "Set", "AlwaysUp", "AlwaysDown"]


def test_moon_fraction_of_second_only_shows_in_the_timestamp():
    a = A.moon(LON, LAT, 0, 2024, 7, 22, 14, 0, 0.75)
    b = A.moon(LON, LAT, 0, 2024, 7, 22, 14, 0, 0)
    assert a["TimeStamp"]["UTC"] == "2024-07-22 14:00:00.750000+00:00"
    del a["TimeStamp"], b["TimeStamp"]
    assert a == b


def test_moon_last_quarter_and_no_rise():
    # 1970-01-01 00:00 UTC: phase angle 271, a last quarter; it sets but does not rise
    phase = A.moon(0.0, 0.0)["Phase"]
    assert phase["fraction"] == 0.49087132795086935
    assert phase["phaseName"] == "下弦月"
    assert phase["Set"] == "1970-01-01 12:21:12.589033+00:00"
    assert phase["Rise"] is None
    assert (phase["AlwaysUp"], phase["AlwaysDown"]) == (False, False)


@pytest.mark.parametrize("lat, instant, up", [
    (80.0, (2024, 7, 22, 14), False),
    (-80.0, (2024, 7, 22, 14), True),
    (62.0, (2024, 1, 23, 0), True),     # up all day, though the last interval's vertex is below
])
def test_moon_always_up_or_down(lat, instant, up):
    r = A.moon(0.0, lat, 0, *instant)
    phase = r["Phase"]
    assert phase["Rise"] is None and phase["Set"] is None
    assert (phase["AlwaysUp"], phase["AlwaysDown"]) == (up, not up)
    assert (r["Altitude"] > 0) == up


NAMES = ["朔日", "上峨嵋月", "上弦月", "凸月", "满月", "残月", "下弦月", "下峨嵋月", "晦日"]


def test_moon_phase_names_follow_the_month():
    # Every six hours through a lunation: the names come in cycle order, none
    # skipped, each quarter named in its own band.
    start = dt.datetime(2024, 1, 1)
    seen = []
    for k in range(4 * 31):
        t = start + dt.timedelta(hours=6 * k)
        name = A.moon(0.0, 0.0, 0, t.year, t.month, t.day, t.hour)["Phase"]["phaseName"]
        if not seen or seen[-1] != name:
            seen.append(name)
    ring = NAMES[:-1]   # 晦日 and 朔日 meet at new moon
    idx = [ring.index(n) if n != "晦日" else len(ring) for n in seen]
    for a, b in zip(idx, idx[1:]):
        assert b == a + 1 or (a == len(ring) and b == 0) or (a == len(ring) - 1 and b == 0), seen
    assert {"上弦月", "满月", "下弦月"} <= set(seen)


def test_moon_position_sampled_near_quarters():
    # first quarter near 2024-01-18 03:53 UTC, last quarter near 2024-02-02 23:18 UTC
    assert A.moon(0.0, 0.0, 0, 2024, 1, 18, 4)["Phase"]["phaseName"] == "上弦月"
    assert A.moon(0.0, 0.0, 0, 2024, 2, 2, 23)["Phase"]["phaseName"] == "下弦月"
    assert A.moon(0.0, 0.0, 0, 2024, 1, 25, 18)["Phase"]["phaseName"] == "满月"


class SameSkyAsTheSun(Astronomy):
    # The moon and the sun at one place in the sky: the cosine of the
    # elongation rounds to just above 1 (sin(0.017)**2 + cos(0.017)**2 > 1).
    @classmethod
    def _Astronomy__declination(cls, l, b):
        return 0.017

    @classmethod
    def _Astronomy__rightAscension(cls, l, b):
        return 0.0


class FlatAltitude(Astronomy):
    # Every sample at one altitude: intervals without curvature.
    @classmethod
    def _Astronomy__altitude(cls, H, phi, dec):
        return 0.25


def test_moon_rounding_past_one_and_flat_intervals():
    assert math.sin(0.017) ** 2 + math.cos(0.017) ** 2 * math.cos(0.0) > 1
    phase = SameSkyAsTheSun.moon(0.0, 0.0, 0, 2024, 1, 1)["Phase"]
    assert phase["fraction"] == 0.0 and phase["phaseName"] == "晦日"
    phase = FlatAltitude.moon(0.0, 0.0, 0, 2024, 1, 1)["Phase"]
    assert (phase["Rise"], phase["Set"], phase["AlwaysUp"], phase["AlwaysDown"]) == (
        None, None, True, False)


def test_moon_accuracy():
    # The position against the moon seen from the observer, refraction
    # included: the module's is geocentric, so the parallax shows in the
    # figure.  The distance is between the centres; the reference's rise and
    # set are those of the upper limb, with refraction.
    ephem = pytest.importorskip("ephem")
    moon = ephem.Moon()
    apart, distances, errors = [], [], []
    for lon, lat, t in sky_samples(11, 600):
        r = A.moon(lon, lat, 0, t.year, t.month, t.day, t.hour, t.minute, t.second)
        o = ephem_observer(lon, lat, True)
        o.date = t
        moon.compute(o)
        apart.append(separation(math.radians(r["Azimuth"]), math.radians(r["Altitude"]),
                                moon.az, moon.alt))
        centre = ephem.Moon(ephem.Date(t))
        distances.append(abs(r["Distance"] - centre.earth_distance * ephem.meters_per_au / 1000))
        for key, search in (("Rise", o.next_rising), ("Set", o.next_setting)):
            text = r["Phase"][key]
            if text is None:
                continue
            o.date = utc(text) - dt.timedelta(hours=3)
            try:
                errors.append(abs((utc(text) - search(moon).datetime()).total_seconds()))
            except (ephem.AlwaysUpError, ephem.NeverUpError):
                errors.append(math.inf)
    assert max(apart) <= 4.2 and max(distances) <= 7600
    assert percentile(errors, 0.99) <= 19 * 60


# --- overrides through the class ----------------------------------------------

class Traced(Astronomy):
    calls = set()

    @classmethod
    def _Astronomy__sunCoords(cls, d):
        cls.calls.add("sunCoords")
        return super()._Astronomy__sunCoords(d)

    @staticmethod
    def JulianToUTC(julian=2440587.5):
        Traced.calls.add("JulianToUTC")
        return Astronomy.JulianToUTC(julian)

    @staticmethod
    def UTCtoJulian(*args):
        Traced.calls.add("UTCtoJulian")
        return Astronomy.UTCtoJulian(*args)


@pytest.mark.parametrize("method", ["sun", "moon"])
def test_overrides_are_used_and_agree(method):
    Traced.calls.clear()
    args = (LON, LAT, 2222, 2024, 7, 22, 4, 0, 0)
    assert getattr(Traced, method)(*args) == getattr(A, method)(*args)
    assert Traced.calls == {"sunCoords", "JulianToUTC", "UTCtoJulian"}


def test_phase_table_is_read_through_the_class():
    class Short(Astronomy):
        _sunshine = [["-0.833", "up", "down"]]
    phase = Short.sun(LON, LAT, 2222, 2024, 7, 22, 4)["Phase"]
    assert phase == {"midnight": SUN_PHASE["midnight"], "up": SUN_PHASE["sunrise"],
                     "noon": SUN_PHASE["noon"], "down": SUN_PHASE["sunset"]}


# --- geostationary satellite ----------------------------------------------------

@pytest.mark.parametrize("args, azimuth, altitude, distance", [
    ((LON, LAT, 2222, 140.0), 127.2003766284867, 31.575385865111475, 38447.30012331335),
    ((LON, LAT, 2222), 127.2003766284867, 31.575385865111475, 38447.30012331335),
    ((LON, LAT, 0.0), 127.2003766284867, 31.578206863267155, 38448.46365346188),
    ((140.0, 0.0, 0.0), 180.0, 90.0, 35766.922),
    # squares taken with libm's pow, as math.pow does, not as x * x
    ((100.3688601377462, 26.161672930751443, -5746.3076099839645, 8.202952100015523),
     90.98359366285688, -10.485855159823831, 42836.532041947394),
    ((180.0, 9.047978123559904, 2041.2943965207214, 164.5493499416624),
     240.2255440797375, 69.01828215340846, 36125.446070377475),
])
def test_satellite_worked_examples(args, azimuth, altitude, distance):
    r = A.geostationarySatellite(*args)
    assert (r["Azimuth"], r["Altitude"], r["Distance"]) == (azimuth, altitude, distance)


@pytest.mark.parametrize("args, azimuth, altitude, distance", [
    ((LON, LAT, 2222, 60.0), 236.1664494, 29.0997680, 38667.1081),
    ((140.0, LAT, 0.0), 180.0, 47.3469750, 37225.8057),
    ((100.0, 0.0, 0.0), 90.0, 43.7207507, 37484.0029),
    ((140.0, 90.0, 0.0), 180.0, -8.5772863, 42621.7585),
    # southern observers are the mirror image of northern ones
    ((LON, -LAT, 2222), 180 - 127.2003766284867, 31.575385865111475, 38447.30012331335),
    ((151.2093, -33.8688, 0.0), 340.4925405, 48.6552449, 37140.0770),      # Sydney
    # across the 180th meridian the satellite is on the short side
    ((-170.0, LAT, 0.0, 170.0), 211.3079022, 42.4152461, 37573.3259),
    ((170.0, LAT, 0.0, -170.0), 148.6920978, 42.4152461, 37573.3259),
])
def test_satellite_look_angles(args, azimuth, altitude, distance):
    r = A.geostationarySatellite(*args)
    assert r["Azimuth"] == pytest.approx(azimuth, abs=1e-6)
    assert r["Altitude"] == pytest.approx(altitude, abs=1e-6)
    assert r["Distance"] == pytest.approx(distance, abs=1e-4)


def enu_look_angles(longitude, latitude, elevation, satelliteLongitude):
    """Azimuth, elevation angle and range (km) of the satellite from the
    observer's east-north-up frame on the WGS 84 spheroid."""
    a, b, h = 6378137.0, 6356752.314245179, 42145059.0
    e2 = 1 - (b / a) ** 2
    lat, lon, sat = map(math.radians, (latitude, longitude, satelliteLongitude))
    n = a / math.sqrt(1 - e2 * math.sin(lat) ** 2)
    x = (n + elevation) * math.cos(lat) * math.cos(lon)
    y = (n + elevation) * math.cos(lat) * math.sin(lon)
    z = (n * (1 - e2) + elevation) * math.sin(lat)
    dx, dy, dz = h * math.cos(sat) - x, h * math.sin(sat) - y, -z
    east = -math.sin(lon) * dx + math.cos(lon) * dy
    north = (-math.sin(lat) * math.cos(lon) * dx - math.sin(lat) * math.sin(lon) * dy
             + math.cos(lat) * dz)
    up = (math.cos(lat) * math.cos(lon) * dx + math.cos(lat) * math.sin(lon) * dy
          + math.sin(lat) * dz)
    return (math.degrees(math.atan2(east, north)) % 360,
            math.degrees(math.atan2(up, math.hypot(east, north))),
            math.sqrt(dx * dx + dy * dy + dz * dz) / 1000)


@pytest.mark.parametrize("args, azimuth", [
    ((100.0, 0.0, 0.0, 140.0), 90.0),
    ((100.0, 0.0, 0.0, 60.0), 270.0),
    ((100.0, -0.0, 3000.0, 60.0), 270.0),
    # the tangent's square underflows: the same as the equator
    ((100.0, 1e-200, 0.0, 20.0), 270.0),
    ((100.0, -1e-200, 0.0, 140.0), 90.0),
    # across the 180th meridian the short way round decides the side
    ((-170.0, 0.0, 0.0, 170.0), 270.0),
    ((170.0, 0.0, -500.0, -170.0), 90.0),
    ((140.0, 0.0, 0.0, 140.0), 180.0),
    # below the horizon, beyond the east-west line through G, the formula's
    # side is reversed just off the equator, and so is its limit
    ((0.0, 0.0, 0.0, 120.0), 270.0),
    ((100.0, 0.0, 0.0, -80.0), 90.0),
])
def test_satellite_on_the_equator(args, azimuth):
    lon, lat, elevation, sat = args
    r = A.geostationarySatellite(*args)
    assert r["Azimuth"] == azimuth
    # the vector reference; its azimuth is undefined straight overhead and
    # points the other way where the formula's side reverses
    ref_azimuth, ref_altitude, ref_distance = enu_look_angles(*args)
    assert r["Altitude"] == pytest.approx(ref_altitude, abs=1e-12)
    assert r["Distance"] == pytest.approx(ref_distance, rel=1e-14)
    if 0 < r["Altitude"] < 90:
        assert r["Azimuth"] == ref_azimuth
    # continuous with a latitude just off the equator on the same side
    near = A.geostationarySatellite(lon, math.copysign(1e-9, lat), elevation, sat)
    assert r["Azimuth"] == pytest.approx(near["Azimuth"], abs=1e-2)
    assert r["Altitude"] == pytest.approx(near["Altitude"], abs=1e-3)
    assert r["Distance"] == pytest.approx(near["Distance"], rel=1e-5)


@pytest.mark.parametrize("args", [
    (100.0, 1e-16, 0.0, 140.0),
    (100.0, 1e-14, 0.0, 140.0),
    (100.0, -1e-12, 250.0, 60.0),
    (-170.0, 5e-10, 0.0, 170.0),
    (100.0, 9.99e-10, 0.0, 140.0),
])
def test_satellite_just_off_the_equator(args):
    # Closer than 1e-9 degrees the plane construction cancels (at 1e-16 it
    # put this satellite west at 185,637 km); it is worked as the equator.
    r = A.geostationarySatellite(*args)
    lon, _, elevation, sat = args
    on = A.geostationarySatellite(lon, 0.0, elevation, sat)
    assert (r["Azimuth"], r["Altitude"], r["Distance"]) == (
        on["Azimuth"], on["Altitude"], on["Distance"])
    ref_azimuth, ref_altitude, ref_distance = enu_look_angles(*args)
    assert r["Azimuth"] == pytest.approx(ref_azimuth, abs=1e-8)
    assert r["Altitude"] == pytest.approx(ref_altitude, abs=1e-9)
    assert r["Distance"] == pytest.approx(ref_distance, rel=1e-12)


@pytest.mark.parametrize("args, azimuth, altitude, distance", [
    ((100.0, 1e-09, 0.0, 140.0), 90.00000000119819, 43.72079224260083, 37484.028887138746),
    ((100.0, -1e-09, 0.0, 60.0), 270.0000000011982, 43.72079224260083, 37484.028887138746),
    ((100.0, 1e-06, 500.0, 140.0), 90.00000119819866, 43.72019834891267, 37483.65732899758),
    ((-170.0, 1e-09, 0.0, 170.0), 269.99999999723696, 66.54687950286034, 36217.361781084626),
    ((170.0, -1e-09, 0.0, -170.0), 89.99999999723698, 66.54687950286034, 36217.361781084626),
    ((100.0, 1e-09, 0.0, -80.0), 90.00355093488382, -90.0, 48523.158401184475),
    ((140.0, -1e-09, 0.0, 140.0), 0.0, 89.99999899499652, 35766.95959881553),
    ((LON, -LAT, 2222.0, 60.0), 303.83355063089476, 29.099767956153784, 38667.10805337683),
    ((0.0, 45.0, 100.0, -30.0), 219.16077591217717, 30.113864530449106, 38575.633320962785),
    ((-179.5, 89.9, 0.0, 179.5), 181.00000332619894, -8.480182737239863, 42610.78824081082),
    ((179.0, -60.0, -50.0, -179.0), 2.306402803284925, 21.763903256544427, 39353.737681145656),
])
def test_satellite_off_the_equator_unchanged(args, azimuth, altitude, distance):
    r = A.geostationarySatellite(*args)
    assert (r["Azimuth"], r["Altitude"], r["Distance"]) == (azimuth, altitude, distance)


def test_satellite_result_layout():
    r = A.geostationarySatellite(140, 36, 2222, 100)
    assert list(r) == ["Body", "Location", "Satellite Longitude", "Azimuth", "Altitude", "Distance"]
    assert r["Body"] == "Geostationary Satellite" and r["Satellite Longitude"] == 100.0
    assert all(type(v) is float for v in list(r["Location"].values()) + list(r.values())[2:])


def test_satellite_near_the_sub_satellite_point():
    # rounding carries the cosine of the angle P-G-S to just above 1 here
    r = A.geostationarySatellite(139.99999945752444, 8.905413911078445e-07, 0.0)
    assert r["Altitude"] == 90.0


@pytest.mark.parametrize("args, message", [
    ((0, 0, 0, 200), "[200.0] should be between [-180 ～ +180] in [satelliteLongitude] parameter."),
    ((0, 0, 0, math.nan), "[nan] should be between [-180 ～ +180] in [satelliteLongitude] parameter."),
    ((200, 100, 0, 200), "[200.0] should be between [-180 ～ +180] in [longitude] parameter."),
])
def test_satellite_range_messages(args, message):
    with pytest.raises(Exception) as info:
        A.geostationarySatellite(*args)
    assert str(info.value) == message


def test_satellite_binding_converts_before_checking():
    with pytest.raises(TypeError, match="must be real number, not str"):
        A.geostationarySatellite(500, 0, 0, "x")


def exact_look_angles(geocentric, lon, lat, height, satellite_lon, radius):
    """Azimuth, elevation (degrees) and slant range (km) from a point given by
    geodetic coordinates on the WGS 84 spheroid to a point of the equatorial
    plane, in the observer's east-north-up frame; `geocentric` takes the
    point to earth-centred coordinates."""
    x, y, z = geocentric.transform(lon, lat, height)
    s = math.radians(satellite_lon)
    dx, dy, dz = radius * math.cos(s) - x, radius * math.sin(s) - y, -z
    sl, cl = math.sin(math.radians(lon)), math.cos(math.radians(lon))
    sp, cp = math.sin(math.radians(lat)), math.cos(math.radians(lat))
    east = -sl * dx + cl * dy
    north = -sp * cl * dx - sp * sl * dy + cp * dz
    up = cp * cl * dx + cp * sl * dy + sp * dz
    distance = math.sqrt(dx * dx + dy * dy + dz * dz)
    return (math.degrees(math.atan2(east, north)) % 360, math.degrees(math.asin(up / distance)),
            distance / 1000)


def test_satellite_accuracy():
    # Against the exact geometry for the same orbit radius, wherever the
    # satellite stands above the horizon.
    pyproj = pytest.importorskip("pyproj")
    geocentric = pyproj.Transformer.from_crs(4979, 4978, always_xy=True)
    worst = [0.0, 0.0, 0.0]
    for lat in [sign * (1.0 + 4 * k) for k in range(21) for sign in (1, -1)]:
        for dl in range(-80, 81, 8):
            for height in (-400.0, 0.0, 9000.0):
                r = A.geostationarySatellite(-60.0, lat, height, -60.0 + dl)
                azimuth, altitude, distance = exact_look_angles(
                    geocentric, -60.0, lat, height, -60.0 + dl, 42145059.0)
                if altitude > 0:
                    misses = (abs((r["Azimuth"] - azimuth + 180) % 360 - 180),
                              abs(r["Altitude"] - altitude), abs(r["Distance"] - distance))
                    worst = [max(w, m) for w, m in zip(worst, misses)]
    assert worst[0] <= 0.2 and worst[1] <= 0.22 and worst[2] <= 18


def test_patched_datetime_global_is_obeyed(monkeypatch):
    import models.orbalt as orbalt

    args = (LON, LAT, 2222, 2024, 7, 22, 4, 0, 0)
    expected = A.sun(*args), A.moon(*args)

    class Stamped(dt.datetime):
        pass

    monkeypatch.setattr(orbalt, "datetime", Stamped)
    assert type(A.JulianToUTC(2451545.0)) is Stamped
    assert (A.sun(*args), A.moon(*args)) == expected
