"""Projection.angle, Projection.zone and Projection.centralMeridian."""
import hashlib
import math
import random
import re

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


# Angle texts with a place for white space ({s}) inside them.
ANGLE_FORMS = [
    "120.5", "-120.5", "+1", "1.", "1.25", "0", "007", "360", "361", "390", "400", "1203045.5",
    "-1203045", "1006000", "120304", "12°30′45.5″", "12度30分", "10°60′", "45.5″", "", "-", "+",
    "abc", "1{s}2", "12{s}°", "12{s}度{s}", "-{s}1", "1e5", "١٢٣", "1.٣", "12°{s}30′", "1.5{s}°{s}°",
]
ANGLE_SEPARATORS = ["", " ", "\t", "\n", "\r\n", "\u3000", "\x85", "\u2028"]
ANGLE_LEADING = ["", " ", "\t", "\n", "\r\n", "\u3000", "\x85", "\u2028", " \n ", "x", " " * 30]
ANGLE_TRAILING = ["", " ", "\n", "\n\n", " \n", "\r\n", "\u3000", "\x85", "\u2028", "°", "°\n",
                  " ° ", "x", "\nx", " " * 30 + "x", " " * 30 + "\n"]


def angle_outcome(**kwargs):
    try:
        return repr(Projection.angle(**kwargs))
    except Exception as e:
        return f"{type(e).__name__}: {e}"


def angle_table(form):
    texts = dict.fromkeys(form.format(s=s) for s in ANGLE_SEPARATORS)
    for text in texts:
        for lead in ANGLE_LEADING:
            for trail in ANGLE_TRAILING:
                s = lead + text + trail
                for kwargs in ({"dms": s}, {"dms": s, "digit": 3}, {"deg": s},
                               {"deg": s, "digit": 2}):
                    yield kwargs


# Digests of the outcomes of each form in every surrounding, recorded before
# the decimal and marked patterns were made to read white space in one pass.
ANGLE_DIGESTS = {
    '120.5': 'd3356aaaa4b22d93',
    '-120.5': '65d2191fdf4ad6d4',
    '+1': 'd49b2bc6205f54db',
    '1.': 'd49b2bc6205f54db',
    '1.25': '911c7d15babd01f0',
    '0': '68917150fff35525',
    '007': 'b577a5513be186af',
    '360': 'd6bac5724390e6b6',
    '361': '61dc12b9650fa699',
    '390': 'c70f25d85c3ea607',
    '400': '7aea6d19ffff6b55',
    '1203045.5': '471c628954820539',
    '-1203045': '89a2b6ee0eb925e0',
    '1006000': 'b3e32f05b7660f39',
    '120304': 'cd49058a9095172e',
    '12°30′45.5″': 'cb99bc3c9b9b6731',
    '12度30分': '9a299d77051c87fb',
    '10°60′': 'd4d24ef253425ce4',
    '45.5″': 'a96b90e098ce6994',
    '': 'd6f9a53b0dadf47e',
    '-': '712f2dcb7a29bffb',
    '+': 'd6f9a53b0dadf47e',
    'abc': '7aea6d19ffff6b55',
    '1{s}2': 'c0e730716c2149b4',
    '12{s}°': 'f30885dd1d7462c4',
    '12{s}度{s}': 'f30885dd1d7462c4',
    '-{s}1': '9ee154eb02101f25',
    '1e5': '7aea6d19ffff6b55',
    '١٢٣': '7aea6d19ffff6b55',
    '1.٣': '7c96ef5b4cceb859',
    '12°{s}30′': '2556bc7125e9e822',
    '1.5{s}°{s}°': 'c8c673cfafbd9951',
}


@pytest.mark.parametrize("form", ANGLE_FORMS)
def test_angle_outcomes_in_white_space_unchanged(form):
    outcomes = "\n".join(angle_outcome(**kwargs) for kwargs in angle_table(form))
    assert hashlib.sha256(outcomes.encode()).hexdigest()[:16] == ANGLE_DIGESTS[form]



# The three forms as angle has always read them, and angle written plainly
# with them: the reference for any text.
DECIMAL = re.compile(r"^\s*([+-]?)([0-3]?[0-9]{1,2}((\.\d*)|()))\s*(度|°)?\s*$")
PACKED = re.compile(r"^\s*([\-+]?)([0-3]?[0-9]{1,2})(([0-5][0-9])|(60))((([0-5][0-9])|(60))"
                    r"((\.\d*)|()))(度|°)?\s*$")
MARKED = re.compile(r"^\s*([\-+]?)(([0-3]?\d{1,2})[°度])?((([0-5]?\d)|(60))[′分])?"
                    r"(((([0-5]?\d)|(60))((\.\d*)|()))[″秒])?\s*$")


def angle_model(deg=None, dms=None, digit=None):
    if deg is not None:
        m = DECIMAL.search(deg if type(deg) is str else str(deg))
        if not m:
            raise Exception("Invalid [deg] parameter.")
        v = float(m.group(2))
        if not v <= 360:
            raise Exception(f"[{v}] {RANGE} in [deg] parameter.")
        d = math.floor(v)
        mi = math.floor((v - d) * 60)
        s = (v - d) * 3600.0 - mi * 60.0
        if s >= 60.0:
            s, mi = s - 60, mi + 1
        if mi >= 60:
            mi, d = mi - 60, d + 1
        if digit is not None:
            s = round(s, abs(int(digit)))
        return "{}{}°{}′{}″".format("-" if m.group(1) == "-" else "", d, mi, s)
    if dms is None:
        raise Exception("Invalid parameter.")
    text = dms if type(dms) is str else str(dms)
    m = DECIMAL.search(text)
    if m:
        result = float(m.group(2)) * (-1 if m.group(1) == "-" else 1)
    else:
        m = PACKED.search(text)
        if m:
            d, mi, s = int(m.group(2)), int(m.group(3)), float(m.group(6))
        else:
            m = MARKED.search(text)
            if not m:
                raise Exception("Invalid [dms] parameter.")
            d, mi = int(m.group(3) or 0), int(m.group(5) or 0)
            s = float(m.group(9)) if m.group(9) is not None else 0.0
        result = (-1 if m.group(1) == "-" else 1) * (d + mi / 60.0 + s / 3600.0)
    if not abs(result) <= 360:
        raise Exception(f"[{dms}] {RANGE} in [dms] parameter.")
    return result if digit is None else round(result, abs(int(digit)))


def model_outcome(**kwargs):
    try:
        return repr(angle_model(**kwargs))
    except Exception as e:
        return f"{type(e).__name__}: {e}"


ANGLE_PIECES = ["0", "1", "2", "3", "5", "9", "12", "60", "120", "400", ".", "+", "-", "°", "度",
                "′", "分", "″", "秒", " ", "\t", "\n", "\r\n", "\u3000", "\x85", "\u2028", "x",
                "١", "e"]


ANGLE_BLANKS = [" ", "\t", "\n", "\r\n", "\u3000", "\x85", "\u2028"]


def random_angle_text(rnd):
    """Pieces at random, or a number of one to seven digits with an optional
    sign, fraction and mark, blanks at random around them."""
    def blanks():
        return "".join(rnd.choices(ANGLE_BLANKS, k=rnd.choice([0, 0, 1, 2])))

    if rnd.random() < 0.4:
        pieces = rnd.choices(ANGLE_PIECES, k=rnd.randrange(0, 12))
    else:
        digits = "".join(rnd.choices("0123456789", k=rnd.randrange(1, 8)))
        pieces = [blanks(), rnd.choice(["", "", "-", "+"]), digits,
                  rnd.choice(["", "", ".", ".5", ".25", ".٣"]), blanks(),
                  rnd.choice(["", "", "°", "度", "′", "″", "°30′", "分", "x"]), blanks()]
    if rnd.random() < 0.05:
        pieces.insert(rnd.randrange(len(pieces) + 1), rnd.choice([" ", "\n", "\u3000"]) * 40)
    return "".join(pieces)


def test_angle_reads_texts_as_the_patterns_always_did():
    rnd = random.Random(2027)
    for _ in range(20000):
        text = random_angle_text(rnd)
        for kwargs in ({"dms": text}, {"dms": text, "digit": 2}, {"deg": text},
                       {"deg": text, "digit": 3}):
            assert angle_outcome(**kwargs) == model_outcome(**kwargs), kwargs


def test_angle_model_reads_the_table_as_recorded():
    # The recorded table through the plain version agrees too.
    for form in ("120.5", "12°30′45.5″", "1203045.5", "12{s}度{s}", "1.5{s}°{s}°"):
        outcomes = "\n".join(model_outcome(**kwargs) for kwargs in angle_table(form))
        assert hashlib.sha256(outcomes.encode()).hexdigest()[:16] == ANGLE_DIGESTS[form]


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
