"""MapGrid: sheet numbers of a point, sheet bounds of a number, grid lines."""
import hashlib
import math
import random
import re
from fractions import Fraction

import pytest

from hostile_support import run_case
from models.orbalt import MapGrid

SCALES = [1000000, 500000, 250000, 200000, 100000, 50000, 25000, 10000, 5000, 2000, 1000, 500]
INVALID = "Invalid [code] parameter."
UNRECOGNIZED = "Unable to recognize [code] parameter."


def edges(result):
    b = result["boundary"]
    return [b["north"], b["south"], b["west"], b["east"]]


def assert_boundary_types(result, scale):
    b = result["boundary"]
    assert list(b) == ["north", "south", "west", "east"]
    kind = int if scale == 1000000 else float
    assert all(type(v) is kind for v in b.values()), b


# --- map ---------------------------------------------------------------------

LADDER = [
    # One point in the north-east, one in the south-west.
    (116.4, 39.9, 1000000, "J50", "J-50", [40, 36, 114, 120]),
    (116.4, 39.9, 500000, "J50B001001", "J-50-A", [40.0, 38.0, 114.0, 117.0]),
    (116.4, 39.9, 250000, "J50C001002", "J-50-[2]", [40.0, 39.0, 115.5, 117.0]),
    (116.4, 39.9, 200000, "J-50-(03)", "J-50-(03)", [40.0, 39.333333333333336, 116.0, 117.0]),
    (116.4, 39.9, 100000, "J50D001005", "J-50-5", [40.0, 39.666666666666664, 116.0, 116.5]),
    (116.4, 39.9, 50000, "J50E001010", "J-50-5-B", [40.0, 39.833333333333336, 116.25, 116.5]),
    (116.4, 39.9, 25000, "J50F002020", "J-50-5-B-4",
     [39.91666666666667, 39.833333333333336, 116.375, 116.5]),
    (116.4, 39.9, 10000, "J50G003039", "J-50-5-(23)",
     [39.916666666666664, 39.875, 116.375, 116.4375]),
    (116.4, 39.9, 5000, "J50H005077", "J-50-5-(23)-a",
     [39.91666666666667, 39.895833333333336, 116.375, 116.40625]),
    (116.4, 39.9, 2000, "J50I015231", "J-50-5-(23)-a-9",
     [39.90277777777778, 39.895833333333336, 116.39583333333333, 116.40625]),
    (116.4, 39.9, 1000, "J50J00290461", "J-50-5-(23)-a-9-1",
     [39.90277777777778, 39.89930555555556, 116.39583333333333, 116.40104166666666]),
    (116.4, 39.9, 500, "J50K00580922", "J-50-5-(23)-a-9-1-4",
     [39.90104166666667, 39.89930555555556, 116.3984375, 116.40104166666667]),
    (-43.2, -22.9, 1000000, "SF23", "SF-23", [-20, -24, -48, -42]),
    (-43.2, -22.9, 500000, "SF23B002002", "SF-23-D", [-22.0, -24.0, -45.0, -42.0]),
    (-43.2, -22.9, 250000, "SF23C003004", "SF-23-[12]", [-22.0, -23.0, -43.5, -42.0]),
    (-43.2, -22.9, 200000, "SF-23-(29)", "SF-23-(29)",
     [-22.666666666666664, -23.333333333333332, -44.0, -43.0]),
    (-43.2, -22.9, 100000, "SF23D009010", "SF-23-106", [-22.666666666666668, -23.0, -43.5, -43.0]),
    (-43.2, -22.9, 50000, "SF23E018020", "SF-23-106-D",
     [-22.833333333333332, -23.0, -43.25, -43.0]),
    (-43.2, -22.9, 25000, "SF23F035039", "SF-23-106-D-1",
     [-22.833333333333336, -22.916666666666668, -43.25, -43.125]),
    (-43.2, -22.9, 10000, "SF23G070077", "SF-23-106-(45)",
     [-22.875, -22.916666666666668, -43.25, -43.1875]),
    (-43.2, -22.9, 5000, "SF23H140154", "SF-23-106-(45)-d",
     [-22.895833333333336, -22.916666666666668, -43.21875, -43.1875]),
    (-43.2, -22.9, 2000, "SF23I418461", "SF-23-106-(45)-d-2",
     [-22.895833333333336, -22.90277777777778, -43.208333333333336, -43.19791666666667]),
    (-43.2, -22.9, 1000, "SF23J08360922", "SF-23-106-(45)-d-2-4",
     [-22.899305555555557, -22.90277777777778, -43.203125, -43.197916666666664]),
    (-43.2, -22.9, 500, "SF23K16711844", "SF-23-106-(45)-d-2-4-2",
     [-22.899305555555557, -22.901041666666668, -43.200520833333336, -43.19791666666667]),
]


@pytest.mark.parametrize("lon, lat, scale, new, old, bounds", LADDER)
def test_map_ladder(lon, lat, scale, new, old, bounds):
    r = MapGrid.map(lon, lat, scale)
    assert list(r) == ["new", "old", "boundary"]
    assert (r["new"], r["old"], edges(r)) == (new, old, bounds)
    assert_boundary_types(r, scale)
    # Both numbers read back into the same sheet.
    for code in (new, old):
        assert MapGrid.parse(code) == {"scale": scale, "boundary": r["boundary"]}


@pytest.mark.parametrize("lon, lat, scale, new, old, bounds", [
    # A corner of a 1:1,000,000 sheet belongs to the sheets north-east of it.
    (6, 4, 1000000, "B32", "B-32", [8, 4, 6, 12]),
    (6, 4, 500000, "B32B002001", "B-32-C", [6.0, 4.0, 6.0, 9.0]),
    (0, 0, 1000000, "A31", "A-31", [4, 0, 0, 6]),
    (0, -0.0, 1000000, "A31", "A-31", [4, 0, 0, 6]),
    (-180, 0, 1000000, "A01", "A-01", [4, 0, -180, -174]),
    # The poles fall in row W.
    (116.4, 90, 1000000, "W50", "W-50", [92, 88, 114, 120]),
    (116.4, 90, 500000, "W50B001001", "W-50-A", [92.0, 90.0, 114.0, 117.0]),
    (116.4, -90, 1000000, "SW50", "SW-50", [-88, -92, 114, 120]),
    (116.4, -90, 500000, "SW50B001001", "SW-50-A", [-88.0, -90.0, 114.0, 117.0]),
    # Row letters that are also prefix letters.
    (116.4, 73, 1000000, "S50", "S-50", [76, 72, 114, 120]),
    (116.4, -73, 1000000, "SS50", "SS-50", [-72, -76, 114, 120]),
    (116.4, 53, 1000000, "N50", "N-50", [56, 52, 114, 120]),
])
def test_map_edges_of_the_series(lon, lat, scale, new, old, bounds):
    r = MapGrid.map(lon, lat, scale)
    assert (r["new"], r["old"], edges(r)) == (new, old, bounds)
    assert_boundary_types(r, scale)


@pytest.mark.parametrize("lat", [-4.0, -8.0, -40.0, -88.0, -1e-17, -4.000000000000001])
@pytest.mark.parametrize("scale", SCALES[1:])
def test_map_point_on_a_southern_parallel_keeps_its_sheet(lat, scale):
    # The 1:1,000,000 sheet is the one south of the parallel; below it the
    # point lies in that sheet's top row, not in a row 0.
    r = MapGrid.map(116.4, lat, scale)
    top = MapGrid.map(116.4, lat, 1000000)
    assert r["old"].startswith(top["old"] + "-")
    if scale != 200000:
        digits = 4 if scale <= 1000 else 3
        assert int(r["new"][len(top["new"]) + 1:][:digits]) == 1, r
    assert math.isclose(r["boundary"]["north"], top["boundary"]["north"], abs_tol=1e-12)
    for code in (r["new"], r["old"]):
        assert MapGrid.parse(code) == {"scale": scale, "boundary": r["boundary"]}


def test_map_point_on_minus_four_at_500000():
    assert MapGrid.map(116.4, -4.0, 500000) == {
        "new": "SB50B001001", "old": "SB-50-A",
        "boundary": {"north": -4.0, "south": -6.0, "west": 114.0, "east": 117.0}}


@pytest.mark.parametrize("lon, column", [(-1e-16, 30), (-6.000000000000001, 29), (-120.00000000000001, 10)])
@pytest.mark.parametrize("scale", SCALES[1:])
def test_map_negative_longitude_rounding_onto_a_meridian(lon, column, scale):
    # (lon - west edge) rounds onto 6 degrees: the sheet column stays n, the
    # east column of the 1:1,000,000 sheet named, at every scale.
    r = MapGrid.map(lon, 10.0, scale)
    assert r["old"].startswith("C-%02d" % column)
    assert math.isclose(r["boundary"]["east"], (column - 30) * 6, abs_tol=1e-12)
    for code in (r["new"], r["old"]):
        assert MapGrid.parse(code) == {"scale": scale, "boundary": r["boundary"]}


def test_map_negative_longitude_at_500000_and_200000():
    assert MapGrid.map(-1e-16, 10.0, 500000)["old"] == "C-30-B"
    assert MapGrid.map(-1e-16, 10.0, 200000) == {
        "new": "C-30-(18)", "old": "C-30-(18)",
        "boundary": {"north": 10.666666666666666, "south": 10.0, "west": -1.0, "east": 0.0}}


@pytest.mark.parametrize("scale", SCALES)
def test_map_longitude_180_is_in_column_60(scale):
    r = MapGrid.map(180, 39.9, scale)
    assert r["old"].startswith("J-60")
    assert r["boundary"]["east"] == 180
    assert MapGrid.parse(r["old"]) == {"scale": scale, "boundary": r["boundary"]}


@pytest.mark.parametrize("args, message", [
    ((200, 0), "[200.0] should be between [-180 ～ +180] in [longitude] parameter."),
    ((float("nan"), 0), "[nan] should be between [-180 ～ +180] in [longitude] parameter."),
    ((0, 90.5), "[90.5] should be between [-90 ～ +90] in [latitude] parameter."),
    ((0, float("nan")), "[nan] should be between [-90 ～ +90] in [latitude] parameter."),
    # A bad position is reported before a bad scale.
    ((200, 0, 1234), "[200.0] should be between [-180 ～ +180] in [longitude] parameter."),
    ((0, 0, 1234), "[1234] Should be one of [1000000, 500000, 250000, 200000, 100000, 50000, "
                   "25000, 10000, 5000, 2000, 1000, 500] in [scale] parameter."),
    ((0, 0, 10**30), "[1000000000000000000000000000000] Should be one of [1000000, 500000, "
                     "250000, 200000, 100000, 50000, 25000, 10000, 5000, 2000, 1000, 500] in "
                     "[scale] parameter."),
])
def test_map_messages(args, message):
    with pytest.raises(Exception) as e:
        MapGrid.map(*args)
    assert type(e.value) is Exception and str(e.value) == message


@pytest.mark.parametrize("scale", [True, 1000000.0, None])
def test_map_scale_must_be_an_int(scale):
    with pytest.raises(TypeError, match="Argument 'scale' has incorrect type"):
        MapGrid.map(116.4, 39.9, scale)


# --- the 1:1,000,000 corner -----------------------------------------------------

CORNER = MapGrid._MapGrid__corner1000000


@pytest.mark.parametrize("code, lon, lat", [
    ("J50", 114, 36), ("J-50", 114, 36), ("J-50-5-B-2", 114, 36), ("NJ50", 114, 36),
    ("SJ50", 114, -40), ("sj-50", 114, -40), ("SA01", -180, -4), ("A01", -180, 0),
    ("W60", 174, 88), ("S50", 114, 72), ("SS50", 114, -76), (" j - 50", 114, 36),
    ("J600", 174, 36), ("sheet\nJ50", 114, 36),
    # white space of every kind, within a line and across lines
    ("\n\nJ50", 114, 36), ("\r\nJ-50", 114, 36), (" \n J \n - \n 50", 114, 36),
    ("\u3000J\u300050", 114, 36), ("N\nJ50", 114, 36), ("S\r\nJ-\r\n50", 114, -40),
    ("x\n\n  SJ50", 114, -40), ("J\t-\t50", 114, 36), ("\x85\u2028J50", 114, 36),
    ("\n \n n \n W \n 60", 174, 88), ("sheet\n\n\n  J50", 114, 36), ("J-\n\nx\nK51", 120, 40),
    ("\n\nS\n\nS\n\n50", 114, -76),
])
def test_corner(code, lon, lat):
    r = CORNER(code)
    assert r == {"longitude": lon, "latitude": lat} and list(r) == ["longitude", "latitude"]
    assert all(type(v) is int for v in r.values())


@pytest.mark.parametrize("code", ["J61", "J00", "J5", "X50", "*J50", "\u212a50", "\u013050",
                                  "J\n-\n-50", "J 5 0", "\n\n\n", " " * 40 + "x",
                                  "J" + "\n" * 5 + "x", "N\n\n"])
def test_corner_refuses(code):
    # The Kelvin sign and the dotted capital I match only by case folding.
    with pytest.raises(Exception, match=r"^Invalid \[code\] parameter\.$"):
        CORNER(code)


# --- parse -------------------------------------------------------------------

@pytest.mark.parametrize("codes, scale, bounds", [
    (["J50", "J-50", "j 50", "NJ-50"], 1000000, [40, 36, 114, 120]),
    (["J50B001001", "J-50-A", "j-50-a", "J50-A", "J-50B001001", "J 50 B 001 001"],
     500000, [40.0, 38.0, 114.0, 117.0]),
    (["SJ-50-A", "sj50b001001"], 500000, [-36.0, -38.0, 114.0, 117.0]),
    (["J-50-[2]", "J-50-[02]", "J50C001002"], 250000, [40.0, 39.0, 115.5, 117.0]),
    (["J-50-(03)", "J-50-(3)", " J - 50 - (3) "], 200000,
     [40.0, 39.333333333333336, 116.0, 117.0]),
    (["J-50-5", "J-50-005", "J50D001005"], 100000, [40.0, 39.666666666666664, 116.0, 116.5]),
    (["J-50-5-B", "J50E001010"], 50000, [40.0, 39.833333333333336, 116.25, 116.5]),
    (["J-50-5-B-2", "J-50-5-b - 2", "J50F001020"], 25000,
     [40.0, 39.916666666666664, 116.375, 116.5]),
    (["J-50-5-(15)", "J50G002039"], 10000, [39.95833333333333, 39.916666666666664, 116.375, 116.4375]),
    (["J-50-5-(15)-a", "J-50-5-(15)-A", "J50H003077"], 5000,
     [39.958333333333336, 39.9375, 116.375, 116.40625]),
    (["J-50-5-(15)-a-6", "J50I008231"], 2000,
     [39.951388888888886, 39.94444444444444, 116.39583333333333, 116.40625]),
    (["J-50-5-(15)-a-6-1", "J50J00150461"], 1000,
     [39.951388888888886, 39.947916666666664, 116.39583333333333, 116.40104166666666]),
    # After the 1:500 digit nothing is read.
    (["J-50-5-(15)-a-6-1-2", "J-50-5-(15)-a-6-1-2-3", "J50K00290922"], 500,
     [39.95138888888889, 39.94965277777778, 116.3984375, 116.40104166666667]),
    (["S-50"], 1000000, [76, 72, 114, 120]),
    # The hyphenated form is searched in every line before the compact one.
    (["J50B001001\nJ-51"], 1000000, [40, 36, 120, 126]),
    # Letters that case-insensitive matching admits and upper-casing maps
    # onto a row letter: the long s is S, the dotless i is I.
    (["\u017f50"], 1000000, [76, 72, 114, 120]),
    (["J50\u0131008231"], 2000,
     [39.951388888888886, 39.94444444444444, 116.39583333333333, 116.40625]),
])
def test_parse_accepted_forms(codes, scale, bounds):
    for code in codes:
        r = MapGrid.parse(code)
        assert list(r) == ["scale", "boundary"]
        assert (r["scale"], edges(r)) == (scale, bounds), code
        assert_boundary_types(r, scale)


@pytest.mark.parametrize("code, message", [
    ("J50B000001", "[000 001] should be greater than 0 in [code] parameter."),
    ("J50B001000", "[001 000] should be greater than 0 in [code] parameter."),
    ("J50B003001", "[003] should be between [1～2] in [code] parameter."),
    ("J50B001003", "[003] should be between [1～2] in [code] parameter."),
    ("J50K99990001", "[9999] should be between [1～2304] in [code] parameter."),
    ("J50K00019999", "[9999] should be between [1～2304] in [code] parameter."),
    ("J50J20000001", "[2000] should be between [1～1152] in [code] parameter."),
    ("J50\u212a00010001", "[\u212a] should be one of [BCDEFGHIJK] in [code] parameter."),
    ("J50\u0130008231", "[\u0130] should be one of [BCDEFGHIJK] in [code] parameter."),
    ("J-50-[17]", "[17] should be between [1～16] in [code] parameter."),
    ("J-50-[0]", "[0] should be between [1～16] in [code] parameter."),
    ("J-50-(37)", "[37] should be between [1～36] in [code] parameter."),
    ("J-50-145", "[145] should be between [1～144] in [code] parameter."),
    ("J-50-0", "[0] should be between [1～144] in [code] parameter."),
    ("J-50-600", "[600] should be between [1～144] in [code] parameter."),
    ("J-50-5-(65)", "[65] should be between [1～64] in [code] parameter."),
    ("J-50-5-B-5", "[J-50-5-B-5] should be between [1～4] in [code] parameter."),
    ("J-50-5-B-1-1", "[J-50-5-B-1-1] should be between [1～4] in [code] parameter."),
    ("J-50-5-Bx", "[J-50-5-Bx] should be between [1～4] in [code] parameter."),
    ("J-50-A-1", INVALID), ("J-50-(03)-1", INVALID), ("J-600", INVALID),
    ("J50B0010010", INVALID), ("J50J001001", INVALID), ("J-50-5-(15)-a-0", INVALID),
    ("J-50-5-(15)-a-6-5", INVALID), ("J-50-5-(15)-a-6-1x", INVALID), ("J-50-5-x", INVALID),
    ("J-50-", INVALID), ("*J50", INVALID), ("\u212a50", INVALID),
    ("X50", UNRECOGNIZED), ("J-61", UNRECOGNIZED), ("", UNRECOGNIZED),
])
def test_parse_messages(code, message):
    with pytest.raises(Exception) as e:
        MapGrid.parse(code)
    assert type(e.value) is Exception and str(e.value) == message


def test_parse_code_must_be_a_str():
    with pytest.raises(TypeError, match="Argument 'code' has incorrect type"):
        MapGrid.parse(b"J50")


# --- round trip --------------------------------------------------------------

def sample_points(rnd):
    for _ in range(2500):
        yield rnd.uniform(-180, 180), rnd.uniform(-90, 90)
    for _ in range(300):
        # On and next to the 4-degree parallels and 6-degree meridians.
        yield rnd.uniform(-180, 180), 4.0 * rnd.randint(-22, 22) + rnd.choice([0, 1e-15, -1e-15, -1e-17])
        yield 6.0 * rnd.randint(-30, 30) + rnd.choice([0, 1e-15, -1e-15, -1e-16, 2e-14]), rnd.uniform(-90, 90)
    yield from [(180, 0), (180, 90), (-180, -90), (180, -90), (0.0, -0.0), (-1e-300, -1e-300)]


def test_round_trip_through_both_numbers():
    rnd = random.Random(20261210)
    for lon, lat in sample_points(rnd):
        lon, lat = max(-180.0, min(180.0, lon)), max(-90.0, min(90.0, lat))
        for scale in SCALES:
            r = MapGrid.map(lon, lat, scale)
            want = {"scale": scale, "boundary": r["boundary"]}
            assert MapGrid.parse(r["new"]) == want, (lon, lat, r)
            assert MapGrid.parse(r["old"]) == want, (lon, lat, r)
            b = r["boundary"]
            # The sheet holds the point (its north and east edges are one
            # sheet past the south and west ones, so allow their last digit).
            assert b["south"] - 1e-12 <= lat <= b["north"] + 1e-12, (lon, lat, r)
            assert b["west"] - 1e-12 <= lon <= b["east"] + 1e-12, (lon, lat, r)


# --- calls through the class -------------------------------------------------

class Recording(MapGrid):
    """Overrides every method with a pass-through that records the call."""
    calls = []

    @classmethod
    def map(cls, longitude, latitude, scale=1000000):
        cls.calls.append(("map", scale))
        return MapGrid.map.__func__(cls, longitude, latitude, scale)

    @classmethod
    def parse(cls, code):
        cls.calls.append(("parse", code))
        return MapGrid.parse.__func__(cls, code)

    @classmethod
    def _MapGrid__corner1000000(cls, code):
        cls.calls.append(("corner", code))
        return MapGrid._MapGrid__corner1000000.__func__(cls, code)


def test_subclass_overrides_are_called():
    Recording.calls = []
    r = Recording.map(116.4, 39.9, 500)
    assert r == MapGrid.map(116.4, 39.9, 500)
    assert [c for c in Recording.calls if c[0] == "map"] == [
        ("map", 500), ("map", 1000), ("map", 2000), ("map", 5000), ("map", 10000), ("map", 100000)]
    assert Recording.calls.count(("corner", "J50")) == 6

    Recording.calls = []
    assert Recording.parse("j-50-5-(23)-A-9") == MapGrid.parse("J50I015231")
    assert Recording.calls == [("parse", "j-50-5-(23)-A-9"), ("corner", "NJ50"),
                               ("parse", "NJ50I015231"), ("corner", "NJ50")]


def test_overridden_paths_agree_with_the_class():
    rnd = random.Random(7)
    for lon, lat in list(sample_points(rnd))[::10]:
        lon, lat = max(-180.0, min(180.0, lon)), max(-90.0, min(90.0, lat))
        for scale in SCALES:
            r = MapGrid.map(lon, lat, scale)
            assert repr(Recording.map(lon, lat, scale)) == repr(r)
            for code in (r["new"], r["old"]):
                assert repr(Recording.parse(code)) == repr(MapGrid.parse(code))


def test_letter_tables_are_read_through_the_class():
    class Letters(MapGrid):
        _MapGrid__mapword = "DCBA"
        _MapGrid__mapword5000 = "dcba"

    assert Letters.map(116.4, 39.9, 500000)["old"] == "J-50-D"
    assert Letters.map(116.4, 39.9, 5000)["old"] == "J-50-5-(23)-d"
    assert Letters.parse("J-50-A") == MapGrid.parse("J-50-D")
    for scale in (500000, 50000, 25000, 5000, 500):
        r = Letters.map(-43.2, -22.9, scale)
        assert Letters.parse(r["old"]) == {"scale": scale, "boundary": r["boundary"]}
        assert r["boundary"] == MapGrid.map(-43.2, -22.9, scale)["boundary"]


def test_corner_override_moves_the_sheet():
    class Shifted(MapGrid):
        @classmethod
        def _MapGrid__corner1000000(cls, code):
            return {"longitude": 0, "latitude": 0}

    assert Shifted.map(116.4, 39.9)["boundary"] == {"north": 4, "south": 0, "west": 0, "east": 6}
    assert Shifted.parse("J-50-A")["boundary"] == {"north": 4.0, "south": 2.0, "west": 0.0, "east": 3.0}


# --- sheet lines against a plain reference of the numbering -----------------

# The national numbering written out on its own: each scale divides the
# 6 x 4 degree sheet into n x n sheets, rows from the north, columns from the
# west; the old number walks from the 1:1,000,000 sheet down the chain of
# parent scales, naming each sheet by its block inside the parent (k x k).
# scale: (n, scale letter, parent scale, block form)
REF_LADDER = {
    500000: (2, "B", 1000000, "ABCD"),
    250000: (4, "C", 1000000, "[{}]"),
    100000: (12, "D", 1000000, "{}"),
    50000: (24, "E", 100000, "ABCD"),
    25000: (48, "F", 50000, "{}"),
    10000: (96, "G", 100000, "({})"),
    5000: (192, "H", 10000, "abcd"),
    2000: (576, "I", 5000, "{}"),
    1000: (1152, "J", 2000, "{}"),
    500: (2304, "K", 1000, "{}"),
}


def ref_decode(new):
    prefix, band, column, letter, digits = re.fullmatch(
        r"(S?)([A-W])(\d\d)([B-K])(\d+)", new).groups()
    scale = next(s for s, v in REF_LADDER.items() if v[1] == letter)
    half = len(digits) // 2
    return prefix, band, int(column), scale, int(digits[:half]), int(digits[half:])


def ref_old(new):
    prefix, band, column, scale, row, col = ref_decode(new)
    steps = []
    while scale != 1000000:
        n, _, parent, form = REF_LADDER[scale]
        k = n // (REF_LADDER[parent][0] if parent != 1000000 else 1)
        block = ((row - 1) % k) * k + (col - 1) % k
        steps.append(form[block] if form.isalpha() else form.format(block + 1))
        row, col, scale = (row - 1) // k + 1, (col - 1) // k + 1, parent
    return f"{prefix}{band}-{column:02d}" + "".join("-" + step for step in reversed(steps))


def ref_bounds(new):
    """Exact north, south, west, east of the sheet a new number names."""
    prefix, band, column, scale, row, col = ref_decode(new)
    n = REF_LADDER[scale][0]
    i = "ABCDEFGHIJKLMNOPQRSTUVW".index(band)
    lat0 = -4 * i - 4 if prefix else 4 * i
    south = lat0 + (n - row) * Fraction(4, n)
    west = (column - 1) * 6 - 180 + (col - 1) * Fraction(6, n)
    return south + Fraction(4, n), south, west, west + Fraction(6, n)


@pytest.mark.parametrize("new, old", [
    ("J50K00580922", "J-50-5-(23)-a-9-1-4"),
    ("SF23J08360922", "SF-23-106-(45)-d-2-4"),
    ("J50C001002", "J-50-[2]"),
    ("J50E001010", "J-50-5-B"),
])
def test_reference_numbering_matches_the_worked_examples(new, old):
    assert ref_old(new) == old


@pytest.mark.parametrize("lat, scale, new, old", [
    (-1.0416666666666667, 2000, "SA43I151347", "SA-43-44-(10)-b-2"),
    (-1.0416666666666667, 1000, "SA43J03010693", "SA-43-44-(10)-b-2-1"),
    (-1.0416666666666667, 500, "SA43K06011385", "SA-43-44-(10)-b-2-1-1"),
])
def test_old_number_names_the_sheet_of_the_new_on_a_sheet_line(lat, scale, new, old):
    r = MapGrid.map(75.60420193504282, lat, scale)
    assert (r["new"], r["old"]) == (new, old) == (new, ref_old(new))
    assert MapGrid.parse(old) == MapGrid.parse(new) == {"scale": scale, "boundary": r["boundary"]}
    assert repr(Recording.map(75.60420193504282, lat, scale)) == repr(r)


def sheet_line_points(axis, index, other):
    """Every parallel of every scale in band `index` (4-degree steps from the
    equator) at longitude `other`, or every meridian in column `index` at
    latitude `other`, each line as its nearest double."""
    for scale, (n, *_) in REF_LADDER.items():
        for j in range(n + 1):
            if axis == "parallel":
                yield other, float(4 * index + Fraction(4 * j, n)), scale
            else:
                yield float(6 * (index - 31) + Fraction(6 * j, n)), other, scale


# Digests of the new numbers of each sweep, recorded before the old numbers
# were tied to them: the new numbers themselves do not change.
@pytest.mark.parametrize("axis, index, other, digest", [
    ("parallel", -2, 75.60420193504282, "d2de354a387cd2e1"),
    ("parallel", -1, 75.60420193504282, "3a3423b1068c95a7"),
    ("parallel", 0, 75.60420193504282, "4243536221bdaada"),
    ("parallel", 1, 75.60420193504282, "7b2e6ae5f1b75b94"),
    ("parallel", 9, 116.4, "13813e7d4a3b13cb"),
    ("parallel", -6, -43.2, "f3856bbfee1e6938"),
    ("meridian", 30, -1.23, "fafd9831392ae7f5"),
    ("meridian", 31, 39.9, "875e6db1de3f1b96"),
])
def test_sheet_lines_old_and_new_name_one_sheet(axis, index, other, digest):
    news = []
    for lon, lat, scale in sheet_line_points(axis, index, other):
        r = MapGrid.map(lon, lat, scale)
        news.append(r["new"])
        where = (lon, lat, r)
        assert r["old"] == ref_old(r["new"]), where
        assert MapGrid.parse(r["old"]) == MapGrid.parse(r["new"]) == {
            "scale": scale, "boundary": r["boundary"]}, where
        # The sheet holds the point, its edges taken as their nearest doubles
        # (the point is the nearest double of one of them).
        north, south, west, east = ref_bounds(r["new"])
        assert float(south) <= lat <= float(north) and float(west) <= lon <= float(east), where
        assert edges(r) == pytest.approx([north, south, west, east], abs=1e-12), where
        if scale <= 2000:
            assert repr(Recording.map(lon, lat, scale)) == repr(r), where
    assert hashlib.sha256("\n".join(news).encode()).hexdigest()[:16] == digest


@pytest.mark.parametrize("lon, lat, scale, new, old", [
    (75.60420193504282, -1.0416666566666668, 25000, "SA43F013029", "SA-43-44-A-1"),
    (75.60420193504282, -1.0416666566666668, 2000, "SA43I150347", "SA-43-44-(2)-d-8"),
    (75.60420193504282, -1.0416666566666668, 500, "SA43K06001385", "SA-43-44-(2)-d-8-3-3"),
    (75.60420193504282, -1.0416666766666667, 2000, "SA43I151347", "SA-43-44-(10)-b-2"),
    (75.60420193504282, -1.0416666766666667, 500, "SA43K06011385", "SA-43-44-(10)-b-2-1-1"),
    (12.345678, -5.4321, 25000, "SB33F018003", "SB-33-49-B-3"),
    (12.345678, -5.4321, 500, "SB33K08250133", "SB-33-49-(22)-b-7-1-1"),
    (-179.99, 6.789, 2000, "B01I175001", "B-01-37-(41)-a-1"),
    (-179.99, 6.789, 500, "B01K06980004", "B-01-37-(41)-a-1-2-4"),
    (179.999, -89.99, 500, "SW60K11472304", "SW-60-72-(64)-d-6-4-2"),
    (0.3, 0.2, 500, "A31K21890116", "A-31-133-(29)-b-5-2-2"),
    (-2.7, -3.3, 2000, "SA30I476317", "SA-30-115-(61)-b-5"),
    (-2.7, -3.3, 500, "SA30K19011268", "SA-30-115-(61)-b-5-2-2"),
    (100.0, -4.0, 500, "SB47K00011537", "SB-47-9-(1)-a-1-1-1"),
    (116.4, -1e-17, 500, "SA50K00010922", "SA-50-5-(7)-a-3-1-2"),
    (-1e-16, 45.0, 500, "L30K17282304", "L-30-108-(64)-d-9-4-4"),
    (180.0, 90.0, 2000, "W60I288576", "W-60-72-(64)-d-9"),
    (180.0, 90.0, 500, "W60K11522304", "W-60-72-(64)-d-9-4-4"),
])
def test_numbers_off_sheet_lines_unchanged(lon, lat, scale, new, old):
    r = MapGrid.map(lon, lat, scale)
    assert (r["new"], r["old"]) == (new, old)
    assert repr(Recording.map(lon, lat, scale)) == repr(r)


# --- grid --------------------------------------------------------------------

def lines(*args):
    out = {"longitude": [], "latitude": []}
    for item in MapGrid.grid(*args):
        assert list(item) == ["remarks", "type", "coordinates", "scale"]
        assert item["type"] == "LineString"
        out[item["remarks"]].append(item["coordinates"])
    return out


def test_grid_lines_of_a_window():
    got = lines(40, 30, 110, 120, 0)
    assert got["longitude"] == [[[114.0, 30.0], [114.0, 40.0]], [[120.0, 30.0], [120.0, 40.0]]]
    assert got["latitude"] == [[[110.0, y], [120.0, y]] for y in (32.0, 36.0, 40.0)]
    assert list(MapGrid.grid(40, 30, 110, 120, 0, True)) == [
        {"count": [3, 4], "step": [6.0, 4.0], "scale": 1000000}]

    got = lines(40, 30, 110, 120, 6)
    assert [c[0][0] for c in got["longitude"]] == [111.0, 114.0, 117.0, 120.0]
    assert [c[0][1] for c in got["latitude"]] == [30.0, 32.0, 34.0, 36.0, 38.0, 40.0]
    assert next(MapGrid.grid(40, 30, 110, 120, 6, True))["count"] == [5, 6]


def test_grid_lines_lie_on_sheet_edges():
    # No drift: the parallels are the sheets' own south edges, and a line on
    # the window's edge is drawn.
    got = lines(41, 39, 115, 117, 9)
    assert [c[0][0] for c in got["longitude"]] == [115.0, 115.5, 116.0, 116.5, 117.0]
    assert [c[0][1] for c in got["latitude"]] == [
        39.0, 39.333333333333336, 39.666666666666664, 40.0, 40.333333333333336,
        40.666666666666664, 41.0]
    assert next(MapGrid.grid(41, 39, 115, 117, 9, True))["count"] == [5, 7]


@pytest.mark.parametrize("zoom, scale", [(7, 250000), (8, 200000), (9, 100000), (11, 25000),
                                         (14, 2000), (16, 500)])
@pytest.mark.parametrize("lat", [39.9, -22.9])
def test_grid_lines_are_the_edges_map_reports(zoom, scale, lat):
    # A window whose four edges are sheet edges: every position of the
    # widened window is drawn, the summary counts them, and every sheet edge
    # inside is one of the lines.
    lon = 116.4 if lat > 0 else -43.2
    sw = MapGrid.map(lon, lat, scale)["boundary"]
    ne = MapGrid.map(lon + 0.3, lat + 0.2, scale)["boundary"]
    north, south, west, east = ne["south"], sw["south"], sw["west"], ne["west"]
    got = lines(north, south, west, east, zoom)
    meridians = [c[0][0] for c in got["longitude"]]
    parallels = [c[0][1] for c in got["latitude"]]
    assert meridians[0] == west and meridians[-1] == east
    assert parallels[0] == south and parallels[-1] == north
    assert next(MapGrid.grid(north, south, west, east, zoom, True))["count"] == [
        len(meridians), len(parallels)]
    rnd = random.Random(zoom)
    for _ in range(200):
        b = MapGrid.map(rnd.uniform(west, east), rnd.uniform(south, north), scale)["boundary"]
        assert b["west"] in meridians and b["south"] in parallels


def test_grid_whole_world_at_the_largest_scale():
    count = {"longitude": 0, "latitude": 0}
    first = last = top = None
    for item in MapGrid.grid(90, -90, -180, 180, 16):
        count[item["remarks"]] += 1
        if item["remarks"] == "longitude":
            first = first or item["coordinates"]
            last = item["coordinates"]
        else:
            top = item["coordinates"]
    assert count == {"longitude": 138241, "latitude": 103681}
    assert next(MapGrid.grid(90, -90, -180, 180, 16, True))["count"] == [138241, 103681]
    assert first == [[-180.0, -90.0], [-180.0, 90.0]] and last == [[180.0, -90.0], [180.0, 90.0]]
    assert top == [[-180.0, 90.0], [180.0, 90.0]]


def test_grid_whole_world_and_a_point():
    got = lines(90, -90, -180, 180, 0)
    assert [c[0][0] for c in got["longitude"]] == [float(x) for x in range(-180, 181, 6)]
    assert [c[0][1] for c in got["latitude"]] == [float(y) for y in range(-88, 89, 4)]
    assert next(MapGrid.grid(90, -90, -180, 180, 0, True))["count"] == [61, 47]
    assert lines(0, 0, 0, 0) == {"longitude": [[[0.0, 0.0], [0.0, 0.0]]],
                                 "latitude": [[[0.0, 0.0], [0.0, 0.0]]]}


@pytest.mark.parametrize("zoom, scale", [(-3, 1000000), (5, 1000000), (6, 500000), (8, 200000),
                                         (13, 5000), (15, 1000), (16, 500), (100, 500),
                                         (10**30, 500), (-10**30, 1000000)])
def test_grid_zoom_selects_the_scale(zoom, scale):
    assert next(MapGrid.grid(0.001, 0, 0, 0.001, zoom, True))["scale"] == scale


@pytest.mark.parametrize("args, message", [
    ((91, 0, 0, 1), "[91.0] should be between [-90 ～ +90] in [north] parameter."),
    ((float("nan"), 0, 0, 1), "[nan] should be between [-90 ～ +90] in [north] parameter."),
    ((10, -90.5, 0, 1), "[-90.5] should be between [-90 ～ +90] in [south] parameter."),
    ((10, 20, 0, 1), "[north:10.0] should be greater than [south:20.0] in parameters."),
    ((10, 0, -181, 1), "[-181.0] should be between [-180 ～ +180] in [west] parameter."),
    ((10, 0, 0, float("inf")), "[inf] should be between [-180 ～ +180] in [east] parameter."),
    ((10, 0, 5, 1), "[east:1.0] should be greater than [west:5.0] in parameters."),
])
def test_grid_messages_come_at_the_first_request(args, message):
    generator = MapGrid.grid(*args)            # nothing is checked yet
    with pytest.raises(Exception) as e:
        next(generator)
    assert type(e.value) is Exception and str(e.value) == message
    with pytest.raises(StopIteration):          # and the run is over
        next(generator)


def test_grid_binding_errors_come_at_the_call():
    with pytest.raises(TypeError):
        MapGrid.grid("40", 30, 110, 120)
    with pytest.raises(TypeError, match=r"Argument 'zoom' has incorrect type \(expected int, got bool\)"):
        MapGrid.grid(40, 30, 110, 120, True)


def test_grid_is_a_lazy_generator():
    generator = MapGrid.grid(90, -90, -180, 180, 16)
    first = next(generator)
    assert first["coordinates"] == [[-180.0, -90.0], [-180.0, 90.0]]
    assert generator.send("ignored")["coordinates"][0][0] == -180.0 + 6 / 2304
    with pytest.raises(KeyError):
        generator.throw(KeyError("stop"))
    with pytest.raises(StopIteration):
        next(generator)
    closed = MapGrid.grid(10, 0, 0, 10, 16)
    next(closed)
    closed.close()
    assert list(closed) == []


def test_grid_summary_is_the_only_item():
    generator = MapGrid.grid(40, 30, 110, 120, 0, summary=[1])   # any true value
    assert next(generator)["count"] == [3, 4]
    assert list(generator) == []


# --- parse over white space and blank lines -----------------------------------

# The first-part patterns as the method has always read them: the reference
# for the groups it takes from a code.
FIRST_PARTS = [re.compile(p, re.IGNORECASE | re.MULTILINE) for p in (
    r"^\s*([NS]?)\s*(\*?[A-W]{1})\s*-\s*(([1-5][0-9])|(0[1-9])|(60))(.*)$",
    r"^[\s]*([NS]?)[\s]*(\*?[A-W]{1})[\s]*(([1-5][0-9])|(0[1-9])|(60))(.*)$")]

# Codes with a place for white space ({s}) between their parts.
PARSE_FORMS = [
    "J50", "J{s}50", "J{s}-{s}50", "N{s}J{s}-{s}50", "S{s}J{s}50{s}B{s}001{s}001",
    "J50B001001", "J-50-A", "J{s}-{s}50{s}-{s}A{s}", "J-50-[2]", "J-50-{s}[{s}2{s}]", "J-50-(03)",
    "J-50-5", "J-50-5{s}-{s}B{s}-{s}2", "J-50-5-(15)-a-6-1-2", "J50K00580922", "J50J20000001",
    "J50B000001", "J-50-[17]", "J-50-5-B-5", "*J50", "J{s}*{s}50", "X50", "J-61", "x", "-x", "",
    "N", "NS", "S{s}S{s}50", "N{s}N{s}-{s}50", "J{s}6{s}0", "\u017f50", "J-50{s}J-51",
    "J50{s}J-51", "abc", "J-{s}x",
]
PARSE_SEPARATORS = ["", " ", "\t", "\n", "\r\n", "\u3000", "\x85", "\u2028", " \n \n "]
PARSE_LEADING = ["", " ", "\t", "\n", "\r\n", "\n\n\n", " \n\t\n ", "\u3000", "\x85", "\u2028",
                 "\x0b\x0c\x1c", "\xa0\n", "x\n", "J-61\n", "\n\nX50\n\n", "-\n", "\n" * 30,
                 " " * 30 + "\t", "\r\n" * 12]
PARSE_TRAILING = ["", " ", "\t", "\n", "\r\n", "\n\n", " \n ", "\u3000", "\u2028", "\x85", "\nx",
                  "\nJ-51", "\nJ51", " x", "\r", "\n" * 30]


def parse_outcome(code):
    try:
        return repr(MapGrid.parse(code))
    except Exception as e:
        return f"{type(e).__name__}: {e}"


def parse_table(form):
    codes = dict.fromkeys(form.format(s=s) for s in PARSE_SEPARATORS)
    for code in codes:
        for lead in PARSE_LEADING:
            for trail in PARSE_TRAILING:
                yield lead + code + trail


# Digests of the outcomes of each form in every surrounding, recorded before
# the first-part patterns were made to read white space in one pass.
PARSE_DIGESTS = {
    'J50': '22bdefa033dd7aba',
    'J{s}50': '43594ef7a5923cfd',
    'J{s}-{s}50': '127af1ba0a3939aa',
    'N{s}J{s}-{s}50': '127af1ba0a3939aa',
    'S{s}J{s}50{s}B{s}001{s}001': '431c9db5d00ce8a5',
    'J50B001001': 'be28bcb91e751809',
    'J-50-A': '022fcd5c0d09a197',
    'J{s}-{s}50{s}-{s}A{s}': '4cc490155db5f862',
    'J-50-[2]': '5b7ebc0f6222a524',
    'J-50-{s}[{s}2{s}]': 'cf8831d1e8d85f87',
    'J-50-(03)': '8314696ff05b49fd',
    'J-50-5': 'bbc2e6f35dcd5a88',
    'J-50-5{s}-{s}B{s}-{s}2': '819f0b0a33371cc0',
    'J-50-5-(15)-a-6-1-2': 'b47debb2f4e9d8dc',
    'J50K00580922': '9414d2c6188fb75d',
    'J50J20000001': '375c324dff2ee8a9',
    'J50B000001': '6e3a46edb38213f1',
    'J-50-[17]': '0c5a43c87d1dc430',
    'J-50-5-B-5': 'd6073b499145656a',
    '*J50': '6225a0ed8dc55bec',
    'J{s}*{s}50': '8676952d53054a30',
    'X50': '1bf08e3fbeb9d847',
    'J-61': '1bf08e3fbeb9d847',
    'x': '1bf08e3fbeb9d847',
    '-x': '1bf08e3fbeb9d847',
    '': '1bf08e3fbeb9d847',
    'N': '1bf08e3fbeb9d847',
    'NS': '1bf08e3fbeb9d847',
    'S{s}S{s}50': 'd3a80348cf2ff587',
    'N{s}N{s}-{s}50': 'd2532af1989932b1',
    'J{s}6{s}0': '400b7d3588333326',
    'ſ50': '3569715ae9d6dc29',
    'J-50{s}J-51': '25cb721bd1655d78',
    'J50{s}J-51': 'dff06bf8c69bf4b5',
    'abc': '1bf08e3fbeb9d847',
    'J-{s}x': '8676952d53054a30',
}


@pytest.mark.parametrize("form", PARSE_FORMS)
def test_parse_outcomes_in_white_space_unchanged(form):
    outcomes = "\n".join(parse_outcome(code) for code in parse_table(form))
    assert hashlib.sha256(outcomes.encode()).hexdigest()[:16] == PARSE_DIGESTS[form]


def first_part_reference(code):
    """The outcome of parse for `code` as the first-part patterns above read
    it: the outcome of the code made of the groups they find, the first part
    written without white space, or the failure to recognise it."""
    for hyphen, pattern in zip(("-", ""), FIRST_PARTS):
        m = pattern.search(code)
        if m:
            g = m.groups()
            compact = g[0] + g[1] + hyphen + g[2] + g[6]
            # The one message that shows the whole code.
            return parse_outcome(compact).replace(f"[{compact}]", f"[{code}]")
    return f"Exception: {UNRECOGNIZED}"


PARSE_BLANKS = [" ", "\t", "\n", "\r\n", "\u3000", "\x85", "\u2028", "\n\n", " \n ", "\x0b\x0c"]
PARSE_PIECES = PARSE_BLANKS + ["J", "j", "N", "S", "s", "\u017f", "*", "-", "5", "0", "6", "1",
                               "50", "60", "61", "[2]", "(3)", "A", "a", "B", "001", "x"]


def random_code(rnd):
    """Pieces at random, or a first part with blanks at random between its
    parts and pieces at random around it."""
    def blanks():
        return "".join(rnd.choices(PARSE_BLANKS, k=rnd.choice([0, 0, 1, 2, 3])))

    def noise():
        return "".join(rnd.choices(PARSE_PIECES, k=rnd.randrange(0, 6)))

    if rnd.random() < 0.3:
        code = noise() + noise()
    else:
        code = "".join([rnd.choice(["", noise() + "\n", noise()]), blanks(),
                        rnd.choice(["", "", "N", "S", "s", "n", "\u017f", "x"]), blanks(),
                        rnd.choice(["", "", "", "*"]), rnd.choice("JjNSsKWX"), blanks(),
                        rnd.choice(["", "-", "-", "--"]), blanks(),
                        rnd.choice(["50", "50", "60", "05", "01", "61", "00"]), noise(),
                        rnd.choice(["", "-A", "-[2]", "B001001", "-5-(15)-a"]), blanks(), noise()])
    if rnd.random() < 0.05:
        k = rnd.randrange(len(code) + 1)
        code = code[:k] + rnd.choice(["\n", " ", "\r\n"]) * 40 + code[k:]
    return code


def test_parse_reads_the_first_part_as_the_patterns_always_did():
    rnd = random.Random(2027)
    for _ in range(20000):
        code = random_code(rnd)
        assert parse_outcome(code) == first_part_reference(code), code


def test_blanks_within_a_line_are_the_white_space_but_the_line_break():
    # The first-part patterns read the blanks at the head of a line as
    # [^\S\n]: with their flags, the white space of \s less the line break.
    chars = "".join(map(chr, range(0x110000)))
    flags = re.IGNORECASE | re.MULTILINE
    assert re.findall(r"[^\S\n]", chars, flags) == [c for c in chars if c.isspace() and c != "\n"]
    assert re.findall(r"\s", chars, flags) == [c for c in chars if c.isspace()]


# --- the corner over white space and blank lines --------------------------------

# The corner pattern as the method has always read it.
CORNER_PART = re.compile(r"^[\s]*([NS]?)[\s]*([A-W]{1})[\s]*[-]?[\s]*(([1-5][0-9])|(0[1-9])|(60))",
                         re.IGNORECASE | re.MULTILINE)


def corner_outcome(code):
    try:
        return repr(CORNER(code))
    except Exception as e:
        return f"{type(e).__name__}: {e}"


def test_corner_reads_the_first_part_as_the_pattern_always_did():
    # The corner of the code made of the groups the pattern above finds.
    rnd = random.Random(2032)
    for _ in range(20000):
        code = random_code(rnd)
        m = CORNER_PART.search(code)
        expected = corner_outcome("".join(m.groups()[:3])) if m else f"Exception: {INVALID}"
        assert corner_outcome(code) == expected, code


def test_corner_outcomes_in_white_space_unchanged():
    # Recorded before the corner pattern read white space in one pass.
    outcomes = "\n".join(corner_outcome(code) for form in PARSE_FORMS for code in parse_table(form))
    assert hashlib.sha256(outcomes.encode()).hexdigest()[:16] == "f236304882647ef0"


def test_corner_of_long_blank_runs_in_time_linear_in_the_text():
    # Some of these took seconds at 16 kB (blanks in one line: k squared
    # steps) or at 2 kB (blank lines: k cubed); each is a megabyte or more
    # here, written out in the child.
    texts = [
        '" " * k + "x"', '"\\n" * k + "x"', '"\\r\\n" * (k // 2) + "x"', '" \\n" * (k // 2) + "x"',
        '"\\u3000" * k + "x"', '"\\x0b\\x0c\\x1c\\x85\\u2028" * (k // 5) + "x"',
        '"N" + " " * k + "x"',                               # after the prefix
        '"J" + "\\r\\n" * (k // 2) + "x"',                      # after the row letter
        '"J" + " " * (k // 2) + "-" + "\\n" * (k // 2) + "x"',  # around the hyphen
        '"\\n" * k + "S" + "\\r\\n" * k + "J" + "\\u3000" * k + "-" + " \\n" * k + "x"',
        '"\\n" * k + "S" + "\\r\\n" * k + "J" + "\\u3000" * k + "-" + " \\n" * k + "50"',
    ]
    lines = run_case(f"""
        k = 2 ** 20
        for text in [{", ".join(texts)}]:
            try:
                print(orbalt.MapGrid._MapGrid__corner1000000(text))
            except Exception as e:
                print(type(e).__name__, e)
        """, timeout=60)
    assert lines == [f"Exception {INVALID}"] * 10 + ["{'longitude': 114, 'latitude': -40}"]
