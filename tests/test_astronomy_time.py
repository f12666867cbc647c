"""Astronomy: Julian days both ways, the private formulas, and the observer and instant frame."""
import datetime as dt
import math
import os
import subprocess
import sys

import pytest
import pytz

from models.orbalt import Astronomy

UTC = pytz.utc
J = Astronomy.UTCtoJulian
U = Astronomy.JulianToUTC


# --- UTCtoJulian -----------------------------------------------------------

@pytest.mark.parametrize("args, expected", [
    ((), 2440587.5),
    ((2000, 1, 1, 12), 2451545.0),
    (((2000, 1, 1, 12, 0, 0),), 2451545.0),
    ((1582, 10, 15), 2299160.5),            # first Gregorian day
    ((1582, 10, 4), 2299159.5),             # last Julian day
    ((1582, 10, 10), 2299165.5),            # inside the gap: no correction
    ((1583, 1, 1), 2299238.5),              # January 1583 counts as month 13 of 1582
    ((2000, 13, 1), 2451910.5),             # month 13 is January of the next year
    ((2001, 1, 1), 2451910.5),
    ((2020, 6, 15, 0, 0, 1.0), 2459015.500011574),
    ((2020, 6, 15, 10, 30), 2459015.9375),
    ((1500, 2, 29), 2268991.5),             # a Julian leap day the date-time type lacks
    ((2000.9, 1, 1, 12), 2451545.0),        # int() truncates the year
    ((True, 1, 1), 1721423.5),              # int(True) is the year 1
])
def test_utc_to_julian_values(args, expected):
    assert J(*args) == expected


def test_utc_to_julian_huge_year_uses_unbounded_ints():
    y = 10 ** 20
    expected = (int(365.25 * (y + 4712)) + int(30.61 * 4) + 1 - 63.5
                + (2 - int(y / 100) + int(y / 400)) + 6 / 24)
    assert J(y, 3, 1, 6) == expected and type(J(y, 3, 1, 6)) is float
    assert J(y, 1, 1) == J(y - 1, 13, 1)


@pytest.mark.parametrize("year", [
    dt.datetime(2000, 1, 1, 12, tzinfo=UTC),
    dt.datetime(2000, 1, 1, 12, 0, 0, 999999, tzinfo=UTC),   # microseconds are not read
    dt.datetime(2000, 1, 1, 12, tzinfo=dt.timezone.utc),     # any zone named UTC
    "2000-01-01T12:00:00Z",
    "2000-01-01 12:00:00 UTC",
])
def test_utc_to_julian_date_time_forms(year):
    assert J(year, 5, 5, 5, 5, 5.0) == 2451545.0             # the other parts are ignored


@pytest.mark.parametrize("year, shown", [
    (dt.datetime(2000, 1, 1, 20, tzinfo=dt.timezone(dt.timedelta(hours=8))),
     "2000-01-01 20:00:00+08:00"),
    ("2000-01-01 12:00", "2000-01-01 12:00:00"),
    (dt.datetime(2000, 1, 1, 12), "2000-01-01 12:00:00"),
    (dt.datetime(2000, 1, 1, 12, tzinfo=pytz.timezone("GMT")), "2000-01-01 12:00:00+00:00"),
])
def test_utc_to_julian_refuses_other_zones(year, shown):
    with pytest.raises(Exception) as info:
        J(year)
    assert type(info.value) is Exception
    assert str(info.value) == f"[{shown}] should be UTC time zone in [year] parameter."


class SubDateTime(dt.datetime):
    pass


@pytest.mark.parametrize("year, error, message", [
    ((1, 2, 3), ValueError, "need more than 3 values to unpack"),
    ((1,), ValueError, "need more than 1 value to unpack"),
    ((1, 2, 3, 4, 5, 6, 7), ValueError, "too many values to unpack (expected 6)"),
    ((2000, 1.0, 1, 1, 1, 1), TypeError, "Expected int, got float"),
    ((2000, 1, 1, True, 1, 1), TypeError, "Expected int, got bool"),
    ((2000, 1, 1, 1, 1, "1"), TypeError, "must be real number, not str"),
    ((2000, None, 1, 1, 1, 1), TypeError, "unsupported operand type(s) for +: 'NoneType' and 'int'"),
    (dt.date(2000, 1, 1), TypeError,
     "int() argument must be a string, a bytes-like object or a real number, not 'datetime.date'"),
    (SubDateTime(2000, 1, 1, tzinfo=UTC), TypeError,
     "int() argument must be a string, a bytes-like object or a real number, not 'SubDateTime'"),
    (float("nan"), ValueError, "cannot convert float NaN to integer"),
])
def test_utc_to_julian_refusals(year, error, message):
    with pytest.raises(error) as info:
        J(year)
    assert str(info.value) == message


def test_utc_to_julian_text_parser_errors_pass_through():
    from dateutil.parser import ParserError
    with pytest.raises(ParserError):
        J("not a date")


def test_utc_to_julian_binding():
    with pytest.raises(TypeError, match=r"takes at most 6 positional arguments \(7 given\)"):
        J(1, 2, 3, 4, 5, 6, 7)
    with pytest.raises(TypeError, match="Argument 'month' has incorrect type"):
        J(2000, 1.0)


# --- JulianToUTC -----------------------------------------------------------

@pytest.mark.parametrize("julian, expected", [
    (2440587.5, "1970-01-01 00:00:00+00:00"),
    (2451545.0, "2000-01-01 12:00:00+00:00"),
    (2451544.5, "2000-01-01 00:00:00+00:00"),
    (2451543.5, "1999-12-31 00:00:00+00:00"),
    (2451603.5, "2000-02-29 00:00:00+00:00"),
    (2451604.5, "2000-03-01 00:00:00+00:00"),
    (2299160.5, "1582-10-15 00:00:00+00:00"),
    (2299159.5, "1582-10-04 00:00:00+00:00"),
    (1721423.5, "0001-01-01 00:00:00+00:00"),
    (2459015.500011574, "2020-06-15 00:00:00.999994+00:00"),   # truncated, never rounded
    (2459015.9375, "2020-06-15 10:30:00+00:00"),
])
def test_julian_to_utc_values(julian, expected):
    value = U(julian)
    assert type(value) is dt.datetime and value.tzinfo is pytz.utc
    assert str(value) == expected


def test_julian_to_utc_default():
    assert U() == dt.datetime(1970, 1, 1, tzinfo=UTC)


@pytest.mark.parametrize("julian, error, message", [
    (float("nan"), ValueError, "cannot convert float NaN to integer"),
    (float("inf"), OverflowError, "cannot convert float infinity to integer"),
    (float("-inf"), OverflowError, "cannot convert float infinity to integer"),
    (2268991.5, ValueError, "day is out of range for month"),      # Julian 1500-02-29
    (1721422.5, ValueError, "year 0 is out of range"),
    (5373484.5, ValueError, "year 10000 is out of range"),
    (1e300, ValueError, "Julian day 1e+300 is out of range"),
    (-1e300, ValueError, "Julian day -1e+300 is out of range"),
])
def test_julian_to_utc_refusals(julian, error, message):
    with pytest.raises(error) as info:
        U(julian)
    assert str(info.value) == message


JULIAN_LEAP_DAYS = {(y, 2, 29) for y in (100, 200, 300, 500, 600, 700, 900, 1000, 1100, 1300,
                                         1400, 1500)}


def test_whole_days_convert_back():
    # Gregorian days from 1582-10-15 on, every third day, and every leap day.
    first = dt.date(1582, 10, 15).toordinal()
    last = dt.date(9999, 12, 31).toordinal()
    days = {dt.date.fromordinal(o).timetuple()[:3] for o in range(first, last + 1, 3)}
    days |= {(y, 2, 29) for y in range(1584, 10000, 4) if y % 100 or y % 400 == 0}
    days |= {(9999, 12, 31), (1582, 10, 15)}
    # Julian-calendar days before the switch, every day of some years and
    # every leap day that both calendars hold.
    for y in list(range(1, 30)) + list(range(1570, 1583)):
        for m in range(1, 13):
            for d in range(1, 32):
                try:
                    dt.date(y, m, d)
                except ValueError:
                    continue
                if (y, m, d) < (1582, 10, 5):
                    days.add((y, m, d))
    days |= {(y, 2, 29) for y in range(4, 1582, 4)} - JULIAN_LEAP_DAYS
    for y, m, d in days:
        assert U(J(y, m, d)) == dt.datetime(y, m, d, tzinfo=UTC), (y, m, d)


# --- the private formulas ----------------------------------------------------

A = Astronomy
LW = -101.75232400194169 * A._rad
PHI = 36.61087110483754 * A._rad


def test_constants():
    assert A._rad == math.pi / 180 and A._J20000101 == 2451545 and type(A._J20000101) is int
    assert A._alfa == A._rad * 23.4397


@pytest.mark.parametrize("call, expected", [
    (lambda: A._Astronomy__to2000Year(dt.datetime(2024, 7, 22, 4, tzinfo=UTC)), 8968.666666666511),
    (lambda: A._Astronomy__to2000Year(dt.datetime(2000, 1, 1, 12, tzinfo=UTC)), 0.0),
    (lambda: A._Astronomy__to2000Year(dt.datetime(2000, 1, 1, tzinfo=UTC)), -0.5),
    (lambda: A._Astronomy__to2000Year(dt.datetime(2000, 1, 1, 12, 0, 0, 750000, tzinfo=UTC)), 0.0),
    (lambda: A._Astronomy__to2000Year((2000, 1, 1, 12, 0, 0)), 0.0),
    (lambda: A._Astronomy__sunCoords(8968.666666666511), (0.353763891446044, 2.1222157846151597)),
    (lambda: A._Astronomy__sunCoords(0), (-0.40201257585997147, -1.3737009872343342)),
    (lambda: A._Astronomy__siderealTime(8968.666666666511, LW) - 2.1222157846151597,
     56510.620406295624),
    (lambda: A._Astronomy__azimuth(56510.620406295624, PHI, 0.353763891446044), -0.9120891764831385),
    (lambda: A._Astronomy__altitude(56510.620406295624, PHI, 0.353763891446044), 1.1540239935089518),
    (lambda: A._Astronomy__siderealTime(0, 0), A._rad * 280.16),
    (lambda: A._Astronomy__eclipticLongitude(0), A._rad * 102.9372 + math.pi),
    (lambda: A._Astronomy__solarMeanAnomaly(8968.666666666511), 160.51879485806145),
    (lambda: A._Astronomy__azimuth(0.0, PHI, -0.3), 0.0),       # due south
    (lambda: A._Astronomy__azimuth(0.0, PHI, 1.3), math.pi),
    (lambda: A._Astronomy__azimuth(-0.0, PHI, 1.3), -math.pi),
    (lambda: A._Astronomy__declination(1, 0), A._Astronomy__declination(1.0, 0.0)),
    (lambda: A._Astronomy__rightAscension(1, 0), A._Astronomy__rightAscension(1.0, 0.0)),
])
def test_private_formulas(call, expected):
    assert call() == expected


@pytest.mark.parametrize("call, error, message", [
    (lambda: A._Astronomy__solarMeanAnomaly(math.inf), None, None),   # inf, no error
    (lambda: A._Astronomy__eclipticLongitude(math.inf), ValueError, "math domain error"),
    (lambda: A._Astronomy__declination("x", 0), TypeError, "must be real number, not str"),
    (lambda: A._Astronomy__sunCoords(), TypeError,
     "__sunCoords() takes exactly 2 positional arguments (1 given)"),
    (lambda: A._Astronomy__to2000Year(dt.datetime(2000, 1, 1)), Exception,
     "[2000-01-01 00:00:00] should be UTC time zone in [year] parameter."),
])
def test_private_formula_errors(call, error, message):
    if error is None:
        assert call() == math.inf
        return
    with pytest.raises(error) as info:
        call()
    assert str(info.value) == message


def test_private_formulas_nan_gives_nan():
    assert math.isnan(A._Astronomy__altitude(math.nan, PHI, 0.1))
    assert all(math.isnan(x) for x in A._Astronomy__sunCoords(math.nan))


# --- observer, instant and result frame -------------------------------------

OBSERVER = (101.75232400194169, 36.61087110483754, 2222)


@pytest.mark.parametrize("method", [A.sun, A.moon])
@pytest.mark.parametrize("args, message", [
    ((200, 0), "[200.0] should be between [-180 ～ +180] in [longitude] parameter."),
    ((-180.5, 0), "[-180.5] should be between [-180 ～ +180] in [longitude] parameter."),
    ((math.nan, 0), "[nan] should be between [-180 ～ +180] in [longitude] parameter."),
    ((0, 90.5), "[90.5] should be between [-90 ～ +90] in [latitude] parameter."),
    ((0, math.nan), "[nan] should be between [-90 ～ +90] in [latitude] parameter."),
    ((0, 95, 0, 0), "[95.0] should be between [-90 ～ +90] in [latitude] parameter."),  # first only
    ((0, 0, 0, 0), "[0] should be between [1～9999] in [year] parameter."),
    ((0, 0, 0, 10000), "[10000] should be between [1～9999] in [year] parameter."),
    ((0, 0, 0, 0, 1, 1, 0, 0, 99), "[0] should be between [1～9999] in [year] parameter."),
    ((0, 0, 0, 2024, 13), "[13] should be between [1～12] in [month] parameter."),
    ((0, 0, 0, 2024, 1, 32), "[32] should be between [1～31] in [day] parameter."),
    ((0, 0, 0, 2024, 1, 1, 24), "[24] should be between [0～23] in [hour] parameter."),
    ((0, 0, 0, 2024, 1, 1, 0, -1), "[-1] should be between [0～59] in [minute] parameter."),
    ((0, 0, 0, 2024, 1, 1, 0, 0, 61.5), "[61.5] should be between [0～61] in [second] parameter."),
    ((0, 0, 0, 2024, 1, 1, 0, 0, math.inf), "[inf] should be between [0～61] in [second] parameter."),
])
def test_range_messages(method, args, message):
    with pytest.raises(Exception) as info:
        method(*args)
    assert type(info.value) is Exception
    assert str(info.value) == message


@pytest.mark.parametrize("args, message", [
    ((0, 0, 20000), "[20000.0] should be between [-10000 ～ +10000] in [elevation] parameter."),
    ((0, 0, math.nan), "[nan] should be between [-10000 ～ +10000] in [elevation] parameter."),
])
@pytest.mark.parametrize("method", [A.sun, A.geostationarySatellite])
def test_elevation_range(method, args, message):
    with pytest.raises(Exception, match=r"^\[") as info:
        method(*args)
    assert str(info.value) == message


def test_moon_does_not_test_elevation():
    assert A.moon(0, 0, 20000)["Location"] == {"Longitude": 0.0, "Latitude": 0.0,
                                                "Elevation": 20000.0}


@pytest.mark.parametrize("parts, error, message", [
    ((2024, 4, 31), ValueError, "day is out of range for month"),
    ((2023, 2, 29), ValueError, "day is out of range for month"),
    ((2024, 1, 1, 0, 0, 60), ValueError, "second must be in 0..59"),
    ((2024, 1, 1, 0, 0, 61.0), ValueError, "second must be in 0..59"),
    ((2024, 1, 1, 0, 0, math.nan), ValueError, "cannot convert float NaN to integer"),
    ((2024, "1"), TypeError, "'<' not supported between instances of 'str' and 'int'"),
])
@pytest.mark.parametrize("method", [A.sun, A.moon])
def test_instant_refusals(method, parts, error, message):
    with pytest.raises(error) as info:
        method(0, 0, 0, *parts)
    assert str(info.value) == message


@pytest.mark.parametrize("second, text", [
    (0.0, "2024-07-22 14:00:00+00:00"),
    (0, "2024-07-22 14:00:00+00:00"),
    (30.5, "2024-07-22 14:00:30.500000+00:00"),
    (59.9, "2024-07-22 14:00:59.899999+00:00"),
])
def test_timestamp_utc_text(second, text):
    assert A.sun(0, 0, 0, 2024, 7, 22, 14, 0, second)["TimeStamp"]["UTC"] == text
    assert A.moon(0, 0, 0, 2024, 7, 22, 14, 0, second)["TimeStamp"]["UTC"] == text


def test_default_instant_and_head():
    for method, body in ((A.sun, "Sun"), (A.moon, "Moon")):
        r = method(0, 0)
        assert list(r)[:3] == ["Body", "TimeStamp", "Location"] and r["Body"] == body
        assert r["TimeStamp"]["UTC"] == "1970-01-01 00:00:00+00:00"
        assert list(r["TimeStamp"]) == ["UTC", "ServerDateTime", "ServerTimeZone"]


def test_none_parts_take_one_clock_reading():
    before = dt.datetime.now(UTC).replace(microsecond=0)
    text = A.sun(0, 0, 0, None, None, None, None, None, None)["TimeStamp"]["UTC"]
    after = dt.datetime.now(UTC)
    stamp = dt.datetime.fromisoformat(text)
    assert "." not in text and before <= stamp <= after
    # a given part is kept, the others come from the clock
    assert A.sun(0, 0, 0, 2001, None)["TimeStamp"]["UTC"].startswith("2001-")


def test_float_parts_sun_truncates_moon_refuses():
    assert A.sun(0, 0, 0, 2024, 7, 22, 12.7)["TimeStamp"]["UTC"] == "2024-07-22 12:00:00+00:00"
    with pytest.raises(TypeError) as info:
        A.moon(0, 0, 0, 2024, 7, 22, 12.7)
    assert str(info.value) == "Expected int, got float"
    with pytest.raises(TypeError, match="Expected int, got bool"):
        A.moon(0, 0, 0, True)
    A.moon(0, 0, 0, 2024, 7, 22, 12, 0, 0)     # an int second is accepted


def test_server_time_follows_the_host_zone():
    code = ("from models.orbalt import Astronomy as A\n"
            "for m in (A.sun, A.moon):\n"
            "    print(m(0, 0, 0, 2024, 7, 22, 14)['TimeStamp'])\n")
    env = dict(os.environ, TZ="CST-8")
    out = subprocess.run([sys.executable, "-c", code], env=env, capture_output=True, text=True,
                         check=True).stdout.splitlines()
    expected = str({"UTC": "2024-07-22 14:00:00+00:00",
                    "ServerDateTime": "2024-07-22 22:00:00+08:00", "ServerTimeZone": "CST"})
    assert out == [expected, expected]
