"""Projection.angle, Projection.zone and Projection.centralMeridian."""
import math

import pytest

from models.orbalt import Projection

RANGE = "should be between [-360 \uff5e +360]"


@pytest.mark.parametrize("deg, digit, text", [
    (120.5, None, "120°30′0.0″"),
    ("-120.5°", None, "-120°30′0.0″"),
    ("  120.5度 ", None, "120°30′0.0″"),
    (-360, None, "-360°0′0.0″"),
    (0.0, None, "0°0′0.0″"),
    # without digit the seconds keep the noise of the subtraction
    (120.51, None, "120°30′%s″" % ((120.51 - 120) * 3600.0 - 30 * 60.0)),
    (120.51, 2, "120°30′36.0″"),
    (120.51, "-2", "120°30′36.0″"),     # abs(int(digit))
    (120.51, 2.7, "120°30′36.0″"),
    (120.51, 10 ** 30, "120°30′%s″" % ((120.51 - 120) * 3600.0 - 30 * 60.0)),
    # rounding follows the carries, so seconds just below 60 show as 60.0
    (10.99999999, 2, "10°59′60.0″"),
    (120.5, True, "120°30′0.0″"),
])
def test_degrees_to_text(deg, digit, text):
    assert Projection.angle(deg, digit=digit) == text


def test_deg_wins_over_dms():
    assert Projection.angle(120.5, "abc") == "120°30′0.0″"
    assert Projection.angle(deg=120.5, dms=1e300) == "120°30′0.0″"


@pytest.mark.parametrize("dms, digit, value", [
    ("120.5", None, 120.5),
    ("-120.5°", None, -120.5),
    (120.25, None, 120.25),
    ("1203045", None, 120 + 30 / 60.0 + 45 / 3600.0),       # packed
    ("1203045.5度", None, 120 + 30 / 60.0 + 45.5 / 3600.0),
    ("120304", None, 12 + 3 / 60.0 + 4 / 3600.0),           # the degrees give up a digit
    ("1006000", None, 101.0),                                # 60 minutes count as 60
    ("-1203045", None, -(120 + 30 / 60.0 + 45 / 3600.0)),
    ("12°30′45.5″", None, 12 + 30 / 60.0 + 45.5 / 3600.0),  # marked
    ("12度30分", None, 12.5),
    ("10°60′", None, 11.0),
    ("45.5″", None, 45.5 / 3600.0),
    ("-12°30′", None, -12.5),
    ("١٢°٣′", None, 12 + 3 / 60.0),                         # Unicode digits, read as int() does
    ("12°30′45.5″", 3, 12.513),
    ("1203045", "4", 120.5125),
])
def test_text_to_degrees(dms, digit, value):
    result = Projection.angle(dms=dms, digit=digit)
    assert type(result) is float and result == value


@pytest.mark.parametrize("dms, value", [("", 0.0), ("-", -0.0), ("  ", 0.0)])
def test_empty_marked_form_reads_zero(dms, value):
    result = Projection.angle(dms=dms)
    assert result == value and math.copysign(1, result) == math.copysign(1, value)


@pytest.mark.parametrize("kwargs, message", [
    ({"deg": 390}, "[390.0] %s in [deg] parameter." % RANGE),
    ({"deg": "-390"}, "[390.0] %s in [deg] parameter." % RANGE),
    ({"deg": 400}, "Invalid [deg] parameter."),
    ({"deg": 1e-05}, "Invalid [deg] parameter."),              # written with an exponent
    ({"deg": "12°30′"}, "Invalid [deg] parameter."),
    ({"dms": "abc"}, "Invalid [dms] parameter."),
    ({"dms": "390"}, "[390] %s in [dms] parameter." % RANGE),  # the argument unchanged
    ({"dms": 390.0}, "[390.0] %s in [dms] parameter." % RANGE),
    ({"dms": "399°59′"}, "[399°59′] %s in [dms] parameter." % RANGE),
    ({}, "Invalid parameter."),
    ({"digit": 2}, "Invalid parameter."),
])
def test_angle_errors(kwargs, message):
    with pytest.raises(Exception) as info:
        Projection.angle(**kwargs)
    assert type(info.value) is Exception and str(info.value) == message


def test_digit_errors_are_the_interpreters():
    with pytest.raises(ValueError):
        Projection.angle(120.5, digit="x")
    with pytest.raises(ValueError):
        Projection.angle(dms="120.5", digit=math.nan)
    # the range is tested before digit is read
    with pytest.raises(Exception, match=r"^\[390\.0\]"):
        Projection.angle(390, digit="x")


@pytest.mark.parametrize("longitude, zone_code, zone, meridian", [
    (0.0, 6, 1, 3.0),
    (6.0, 6, 2, 9.0),
    (117.5, 6, 20, 117.0),
    (179.999, 6, 30, 177.0),
    (180.0, 6, 31, -177.0),
    (-180.0, 6, 31, -177.0),
    (-3.0, 6, 60, -3.0),
    (-1e-20, 6, 1, 3.0),           # (longitude + 360) rounds to 360, mod 360 is 0
    (0.0, 3, 1, 3),
    (1.5, 3, 1, 3),
    (4.5, 3, 2, 6),
    (180.0, 3, 60, 180),
    (-0.5, 3, 120, 0),
    (-3.0, 3, 119, -3),
    (10.0, 5, 2, 9.0),             # any code but 3 is 6-degree zoning
    (10.0, 10 ** 30, 2, 9.0),
])
def test_zone_and_meridian(longitude, zone_code, zone, meridian):
    assert Projection.zone(longitude, zone_code) == zone
    result = Projection.centralMeridian(longitude, zoneCode=zone_code)
    assert result == meridian and type(result) is type(meridian)


def test_zone_accepts_int_longitude():
    assert Projection.zone(117) == 20
    with pytest.raises(TypeError, match="Argument 'longitude'"):
        Projection.centralMeridian(117)


def test_meridian_of_zone_number():
    assert Projection.centralMeridian(zone=20) == 117.0
    assert Projection.centralMeridian(zone=31) == -177.0
    result = Projection.centralMeridian(zone=39, zoneCode=3)
    assert result == 117 and type(result) is int
    assert Projection.centralMeridian(zone=61, zoneCode=3) == -177
    assert Projection.centralMeridian(10.0, 50) == 9.0   # the longitude wins


@pytest.mark.parametrize("method, kwargs, message", [
    ("centralMeridian", {}, "Invalid [zone] parameter."),
    ("centralMeridian", {"zone": 61}, "Invalid [zone: 61] parameter. Should be between 1 and 60."),
    ("centralMeridian", {"zone": 0}, "Invalid [zone: 0] parameter. Should be between 1 and 60."),
    ("centralMeridian", {"zone": 121, "zoneCode": 3},
     "Invalid [zone: 121] parameter. Should be between 1 and 120."),
    ("centralMeridian", {"zone": 10 ** 30},
     "Invalid [zone: %d] parameter. Should be between 1 and 60." % 10 ** 30),
    ("centralMeridian", {"longitude": 200.0},
     "Invalid [longitude: 200.0] parameter. Should be between -180 and +180."),
    ("centralMeridian", {"longitude": math.nan, "zone": 20},
     "Invalid [longitude: nan] parameter. Should be between -180 and +180."),
    ("zone", {"longitude": 200},
     "Invalid [longitude: 200.0] parameter. Should be between -180 and +180."),
    ("zone", {"longitude": -math.inf},
     "Invalid [longitude: -inf] parameter. Should be between -180 and +180."),
])
def test_zone_errors(method, kwargs, message):
    with pytest.raises(Exception) as info:
        getattr(Projection, method)(**kwargs)
    assert type(info.value) is Exception and str(info.value) == message


class Shifted(Projection):
    """Overrides zone: centralMeridian must call it through the class."""
    calls = []

    @classmethod
    def zone(cls, longitude, zoneCode=6):
        cls.calls.append((longitude, zoneCode))
        return 20.0 if zoneCode == 6 else 40


def test_meridian_calls_zone_through_the_class():
    assert Shifted.centralMeridian(1.0) == 117.0          # (20.0 - 0.5) * 6
    assert Shifted.centralMeridian(1.0, zoneCode=3) == 120
    assert Shifted.calls == [(1.0, 6), (1.0, 3)]
