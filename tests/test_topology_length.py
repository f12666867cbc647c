"""Topology.length: plane results, repeat removal, segment modes against
geodesics, antipodal points, wrapped failures, and both routes to
Projection."""
import inspect
import math
import random

import pytest

import models.orbalt as orbalt
from hostile_support import KINDS, run_call, run_case
from measure_support import (Convertible, RecordingProjection, copy,  # noqa: F401
                             geodesic, outcome, recording, reference_length)
from models.orbalt import Topology
from repeat_support import (EDITED_LINES, NUMBER_CHILD, NUMBER_LINES, check_edited, digest,
                            plain_lines, removal_model, removal_outcome)

BOX = ("west", "south", "east", "north")


def bounds(r):
    return tuple(r["boundary"][k] for k in BOX)


# --- plane mode ---------------------------------------------------------------------

@pytest.mark.parametrize("coordinates, length, box", [
    ([[0, 0], [3, 4]], 5.0, (0.0, 0.0, 3.0, 4.0)),
    ([[0, 0], [0, 0], [3, 4]], 5.0, (0.0, 0.0, 3.0, 4.0)),
    ([[0, 0], [0.0, 0.0], [3, 4]], 5.0, (0.0, 0.0, 3.0, 4.0)),
    ([[0, 0], [1, 0], [1, 1]], 2.0, (0.0, 0.0, 1.0, 1.0)),
    ([[0, 0], [1, 0], [1, 1], [0, 0]], 2 + math.sqrt(2), (0.0, 0.0, 1.0, 1.0)),
    ([[[0, 0], [3, 4]], [[10, 10], [10, 12]]], 7.0, (0.0, 0.0, 10.0, 12.0)),
    ([[[0, 0], [3, 4]]], 5.0, (0.0, 0.0, 3.0, 4.0)),
    ([[0, 0], (3, 4), [3, 4]], 5.0, (0.0, 0.0, 3.0, 4.0)),   # a tuple never repeats a list
    ([[0, 0, 9], [0, 0, 7], [3, 4]], 5.0, (0.0, 0.0, 3.0, 4.0)),
    ({"type": "LineString", "coordinates": [[1000, 0], [1000, 10 ** 20]]}, 1e20,
     (1000.0, 0.0, 1000.0, 1e20)),
])
def test_plane_line(coordinates, length, box):
    r = Topology.length(coordinates, 0)
    assert list(r) == ["length", "boundary"] and list(r["boundary"]) == list(BOX)
    assert r["length"] == pytest.approx(length, rel=1e-15) and bounds(r) == box


def test_repeats_are_removed_in_place_even_on_failure():
    line = [[0, 0], [0, 0], [3, 4], [3, 4]]
    Topology.length(line, 0)
    assert line == [[0, 0], [3, 4]]
    short = [[1, 2], [1, 2]]
    with pytest.raises(Exception, match=r"^At least 2 vertices"):
        Topology.length(short, 0)
    assert short == [[1, 2]]


def test_lines_sum_is_compensated():
    lines = [[[0.0, 0.0], [0.0, 1e16]], [[0.0, 0.0], [1.0, 0.0]], [[0.0, 0.0], [1.0, 0.0]]]
    assert Topology.length(lines, 0)["length"] == sum([1e16, 1.0, 1.0]) != (1e16 + 1.0) + 1.0


# --- segments on the spheroid ----------------------------------------------------------

@pytest.mark.parametrize("crs, line, tolerance", [
    (2000, [[116.0, 39.0], [117.5, 40.0], [119.9, 38.5]], 1e-3),        # one zone
    (1954, [[119.0, 30.0], [122.0, 31.0]], 2e-4),                       # two zones, mean meridian
    (1980, [[-1.0, 51.0], [4.0, 52.0]], 1e-3),
    (2000, [[100.0, 20.0], [130.0, 45.0], [-170.0, 10.0]], 1e-9),       # geodesic
    (1984, [[0.0, 0.0], [90.0, 0.0]], 1e-9),
    (2000, [[179.0, -60.0], [-175.0, -62.0]], 1e-9),                    # across 180 degrees
])
def test_segments_match_geodesics(crs, line, tolerance):
    r = Topology.length(line, crs)
    assert r["length"] == pytest.approx(reference_length(line, crs), rel=tolerance)


def test_gauss_kruger_segments_accuracy():
    # The plane is not corrected for scale: segments come out long by up to
    # 0.14%, most at 3 degrees from the central meridian on the equator.
    rng = random.Random(17)
    errors = []
    for _ in range(400):
        lon, lat = rng.uniform(-170.0, 170.0), rng.uniform(-85.0, 85.0)
        end = max(-89.0, min(89.0, lat + rng.uniform(-30.0, 30.0)))
        line = [[lon, lat], [lon + rng.uniform(-6.0, 6.0), end]]
        errors.append(Topology.length(line, 2000)["length"] / reference_length(line, 2000) - 1)
    edge = [[119.9, 0.5], [119.9, 1.5]]                      # zone 20, 2.9 degrees off 117
    errors.append(Topology.length(edge, 2000)["length"] / reference_length(edge, 2000) - 1)
    assert -1e-9 < min(errors) and max(errors) <= 1.4e-3
    assert errors[-1] > 1.2e-3


@pytest.mark.parametrize("crs", [1954, 1980, 1984, 2000])
def test_geodesic_segments_accuracy(crs):
    rng = random.Random(crs)
    for _ in range(300):
        lon1, lon2 = rng.uniform(-180.0, 180.0), rng.uniform(-180.0, 180.0)
        if abs(lon2 - lon1) <= 6.5:
            continue
        line = [[lon1, rng.uniform(-89.9, 89.9)], [lon2, rng.uniform(-89.9, 89.9)]]
        assert Topology.length(line, crs)["length"] == pytest.approx(
            reference_length(line, crs), rel=1e-11)


def test_quarter_equator():
    a = orbalt.Projection.datum[2000].a
    assert Topology.length([[0.0, 0.0], [90.0, 0.0]], 2000)["length"] == pytest.approx(
        a * math.pi / 2, abs=1e-5)


@pytest.mark.parametrize("start, end", [
    ((0.0, 0.0), (180.0, 0.0)),          # antipodal on the equator
    ((0.0, 10.0), (180.0, -10.0)),
    ((0.0, 90.0), (0.0, -90.0)),         # pole to pole
    ((0.0, 0.0), (179.5, 0.5)),          # near-antipodal: no convergence
    ((0.0, 0.0), (179.8, 0.0)),
    ((10.0, -0.2), (-170.1, 0.3)),
    ((0.0, 0.0), (179.0, 0.1)),
])
def test_antipodal_and_near_antipodal(start, end):
    line = [list(start), list(end)]
    r = Topology.length(line, 2000)["length"]
    assert r == pytest.approx(reference_length(line, 2000), abs=1e-3)
    assert r > 19_900_000


def test_coincident_points_measure_zero():
    # Different texts, the same place: the pole seen from two meridians.
    assert Topology.length([[0.0, 90.0], [45.0, 90.0]], 2000)["length"] == 0.0


# --- failures ----------------------------------------------------------------------------

RANGE = "Invalid [longitude: {}] parameter. Should be between -180 and +180."


@pytest.mark.parametrize("coordinates, crs, error, message", [
    ([], 0, Exception, "Invalid [coordinates] parameter."),
    ([[]], 0, Exception, "Invalid [coordinates] parameter."),
    ([1.0, 2.0], 0, Exception, "Invalid [coordinates] parameter."),
    ({"coordinates": "LINESTRING (0 0, 1 1)"}, 0, Exception, "Invalid [coordinates] parameter."),
    ({"type": "LineString"}, 0, Exception,
     'Invalid [coordinates] parameter. ["coordinates" not found]'),
    ([[1, 2]], 0, Exception, "At least 2 vertices are required in [coordinates] parameter."),
    ([[[0, 0], [1, 1]], None], 0, TypeError, "Expected list, got NoneType"),
    ([[[0, 0], [1, 1]], ((0, 0), (1, 1))], 0, TypeError, "Expected list, got tuple"),
    ([[[[0, 0], [1, 1]]]], 0, TypeError, "float() argument must be a string or a real number, not 'list'"),
    ([[0, 0], 7], 0, TypeError, "'int' object is unsliceable"),
    ([[0, 0], [1]], 0, ValueError, "need more than 1 value to unpack"),
    ([[0.0, 0.0], [200.0, 0.0]], 2000, Exception,
     "[" + RANGE.format(200.0) + "] in [coordinates] parameter."),
    ([[0.0, 0.0], [1.0, 95.0]], 2000, Exception,
     "[Invalid [latitude: 95.0] parameter. Should be between -90 and +90.] in [coordinates] parameter."),
    # the geodesic route tests latitudes too
    ([[0.0, 0.0], [90.0, -91.0]], 2000, Exception,
     "[Invalid [latitude: -91.0] parameter. Should be between -90 and +90.] in [coordinates] parameter."),
    ([[0.0, 0.0], [90.0, math.nan]], 2000, Exception,
     "[Invalid [latitude: nan] parameter. Should be between -90 and +90.] in [coordinates] parameter."),
    ([[0.0, 0.0], ["1.5", 0.0]], 2000, Exception,
     "[must be real number, not str] in [coordinates] parameter."),
    ([[0, 0], ["1.5", 0]], 0, Exception,
     "[unsupported operand type(s) for -: 'str' and 'int'] in [coordinates] parameter."),
    # x2 - x1 fails before y2 - y1 is tried
    ([[Convertible(0), "0"], [Convertible(1), "1"]], 0, Exception,
     "[unsupported operand type(s) for -: 'Convertible' and 'Convertible'] in [coordinates] parameter."),
])
def test_failures(coordinates, crs, error, message):
    with pytest.raises(error) as e:
        Topology.length(coordinates, crs)
    assert type(e.value) is error and str(e.value) == message


def test_wrapped_failure_keeps_the_caught_one_as_context():
    with pytest.raises(Exception) as e:
        Topology.length([[0.0, 0.0], [181.0, 0.0]], 2000)
    assert str(e.value.__context__) == RANGE.format(181.0)


def test_integer_vertices_measure_on_the_spheroid():
    assert Topology.length([[116, 39], [117, 40]], 2000) == Topology.length(
        [[116.0, 39.0], [117.0, 40.0]], 2000)


# --- the two routes to Projection --------------------------------------------------------

ROUTE_CASES = [
    ([[116.0, 39.0], [117.5, 40.0], [119.9, 38.5], [121.0, 38.0], [140.0, 10.0]], 2000),
    ([[[119.0, 30.0], [122.0, 31.0]], [[-1.0, 51.0], [4.0, 52.0], [4.0, 52.0]]], 1954),
    ([[0.0, 0.0], [179.5, 0.5], [-179.0, 1.0]], 1984),
    ([[116, 39], [117, 40]], 1980),
    ([[0.0, 0.0], [200.0, 0.0]], 2000),
    ([[0.0, 0.0], [1.0, 95.0]], 2000),
    ([[0.0, 0.0], [1.0, 2.0]], 0),
]


@pytest.mark.parametrize("coordinates, crs", ROUTE_CASES)
def test_direct_cores_and_real_calls_agree(monkeypatch, coordinates, crs):
    direct_input, called_input = copy(coordinates), copy(coordinates)
    direct = outcome(Topology.length, direct_input, crs)
    stand_in = RecordingProjection(orbalt.Projection)
    monkeypatch.setattr(orbalt, "Projection", stand_in)
    called = outcome(Topology.length, called_input, crs)
    assert called == direct and called_input == direct_input
    if crs:
        assert stand_in.names()[:2] == ["centralMeridian", "centralMeridian"]


def test_segment_calls_in_order(recording):
    Topology.length([[116.0, 39.0], [121.0, 40.0]], 2000)
    assert recording.calls == [
        ("centralMeridian", {"longitude": 116.0}),
        ("centralMeridian", {"longitude": 121.0}),
        ("gaussKruger", {"centralMeridian": 118.5, "longitude": 116.0, "latitude": 39.0, "crs": 2000}),
        ("gaussKruger", {"centralMeridian": 118.5, "longitude": 121.0, "latitude": 40.0, "crs": 2000}),
    ]


# --- text input ----------------------------------------------------------------------

@pytest.mark.parametrize("text, length", [
    ("POLYGON ((0 0, 4 0, 4 4, 0 4, 0 0), (1 1, 2 1, 2 2, 1 2, 1 1))", 20.0),   # holes count
    ("MULTIPOINT (0 0, 3 4)", 5.0),
    ("MULTILINESTRING ((0 0, 3 4), (10 10, 10 12))", 7.0),
])
def test_text_is_loaded_first(text, length):
    assert Topology.length(text, 0)["length"] == length


def test_text_that_is_no_line():
    with pytest.raises(Exception, match=r"^Invalid \[coordinates\] parameter\.$"):
        Topology.length("POINT (1 2)", 0)
    with pytest.raises(KeyError):
        Topology.length("GEOMETRYCOLLECTION (POINT (1 2))", 0)


@pytest.mark.parametrize("crs", [0, -1, 4326, 10 ** 30])
def test_codes_outside_the_table_measure_in_the_plane(crs):
    # no range test of the coordinates there
    assert Topology.length([[500000, 0], [500003, 4]], crs)["length"] == 5.0


# --- values whose conversion changes the caller's lists ------------------------

# `h` is the hostile value; the builder places it and gives it a home.
@pytest.mark.parametrize("build, hook, kind", [
    # x of the first vertex, converted for the box, empties the line
    ("h = hostile(116.0, HOOK, KIND); h.home = arg = [[h, 39.0], [116.5, 39.5], [117.0, 39.0]]",
     "__float__", "clear"),
    # the same through __index__, the line's vertices renewed
    ("h = hostile(116, HOOK, KIND); h.home = arg = [[h, 39.0], [116.5, 39.5], [117.0, 39.0]]",
     "__index__", "replace"),
    # a value compared by its repr for the repeat test shortens the line
    ("h = hostile(116.0, HOOK, KIND);"
     "h.home = arg = [[116.0, 39.0], [h, 39.0], [h, 39.0], [117.0, 39.0]]", "__repr__", "pop"),
    # a key met first in the look-up of "coordinates" empties the dict
    ("h = hostile('x', HOOK, KIND, hash_as='coordinates');"
     "h.home = arg = {h: 0, 'type': 'LineString', 'coordinates': [[0, 0], [3, 4]]}",
     "__eq__", "clear"),
])
def test_lines_changed_while_they_are_measured(build, hook, kind):
    run_call(build, hook, kind, "Topology.length(arg)")


def test_a_spheroid_record_that_leaves_the_table_while_it_is_read():
    # Measured with the values the record gave, or in the plane once the
    # code is gone from the table.
    lines = run_case("""
        class Record:
            f = Projection.datum[2000].f
            @property
            def a(self):
                Projection.datum.clear()
                return 6378137.0
        Projection.datum = dict(Projection.datum, **{"x": 0})
        Projection.datum[2000] = Record()
        print(Topology.length([[116.0, 39.0], [116.5, 39.5]])["length"])
    """)
    assert lines == [repr(0.5 ** 0.5)]


# Digest of the outcomes and of the lines as left behind, recorded before
# the removal deleted the repeats in one pass.
REMOVAL_DIGEST = "29edd1e63954b33b"


def test_removal_matches_the_model():
    rows = []
    for line in plain_lines(27, 3000):
        outcome, got, expected = removal_outcome(lambda l: Topology.length(l, 0), line, True)
        assert got == expected, (line, outcome)
        rows.append(f"{outcome} {got} {line!r}")
    assert digest(rows) == REMOVAL_DIGEST


def length_model(line):
    """Topology.length of a bare line: the removal written plainly, then the
    measurement of a copy of what is left (whose box may differ)."""
    removal_model(line, True)
    if len(line) < 2:
        raise Exception("At least 2 vertices are required in [coordinates] parameter.")
    return Topology.length([list(v) for v in line], 0) and "measured"


# For a child interpreter: the length of a line made by build() beside the
# model.
BOTH_LENGTHS = inspect.getsource(length_model) + """
both(build, lambda line: Topology.length(line, 0) and "measured", length_model)
"""


@pytest.mark.parametrize("build", EDITED_LINES)
@pytest.mark.parametrize("kind", ["clear", "pop", "append", "replace"])
def test_removal_from_a_line_edited_under_it_matches_the_model(build, kind):
    check_edited(build, kind, BOTH_LENGTHS)


@pytest.mark.parametrize("number", list(NUMBER_LINES))
def test_removal_of_other_numbers_from_a_line_edited_under_it_matches_the_model(number):
    check_edited(NUMBER_LINES[number], KINDS, BOTH_LENGTHS, NUMBER_CHILD)
