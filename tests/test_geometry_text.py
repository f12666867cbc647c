"""Geometry.loads of text: the block chosen by the code, GeoJSON text, WKT
body tests, collections of member texts, free text and hexadecimal WKB."""
import json
import re
import struct
import subprocess
import sys
import textwrap

import pytest
import shapely

import models.orbalt as orbalt
from models.orbalt import Geometry

BAD = "Invalid [coordinates] parameter."
BAD_TYPE = "Invalid type in [coordinates] parameter."
BAD_CODE = "Invalid [code] parameter."
INVALID = "Invalid parameter."
DIM = "Invalid [coordinates] parameter. Dimension should be greater than 1."
LINE_N = "Invalid [coordinates] parameter. The number of vertices should be greater than 1."
RING_N = "Invalid [coordinates] parameter. The number of vertices should be greater than 2."


def outcome(text, code):
    """The result's type and coordinates, or the exception's type and text."""
    try:
        r = Geometry.loads(text, code)
    except Exception as e:               # noqa: BLE001 - the outcome is the point
        return type(e), str(e)
    if r["type"] == "GeometryCollection":
        return r["type"], [outcome_of(m) for m in r["geometries"]]
    return r["type"], r["coordinates"]


def outcome_of(d):
    return d["type"], d.get("coordinates")


def assert_by_code(text, expected):
    """`expected` maps each code to a type name, or to a whole outcome."""
    for code, want in expected.items():
        got = outcome(text, code)
        assert (got[0] if isinstance(want, str) else got) == want, code


# --- choosing the block -------------------------------------------------------

@pytest.mark.parametrize("code", ["-1", 3, -2, 0.5, [1], b"0"])
def test_text_code_outside_the_blocks(code):
    assert outcome("POINT (1 2)", code) == (Exception,
                                           f"[{code}] should be one of [-1,0,1,2] in [code] parameter.")


def test_float_and_bool_codes_select_their_block():
    assert outcome("((0 0,1 0,1 1))", 2.0)[0] == "Polygon"
    assert outcome("((0 0,1 0,1 1))", True)[0] == "MultiLineString"
    assert outcome("(1 2,3 4)", False)[0] == "MultiPoint"
    assert outcome("(1 2,3 4)", None)[0] == "LineString"


# --- WKT --------------------------------------------------------------------

MPT = "MULTIPOINT(-155.52 19.61,-156.22  20.74,-157.97  21.46)"
MPT_COORDS = [[-155.52, 19.61], [-156.22, 20.74], [-157.97, 21.46]]
RINGS = "((3.75 9.25,-130.95 1.52,0 0),(23.15 -34.25,-1.35 -4.65,3.45 77.95))"
POLY = ("POLYGON((2.38 57.322,-120.43 19.15,23.194 -20.28,2.38 57.322),"
        "(-5.21 23.51,15.21 -10.81,-20.51 1.51,-5.21 23.51))")
MPOLY = ("MULTIPOLYGON(((3.78 9.28,-130.91 1.52,35.12 72.234,3.78 9.28)),"
         "((23.18 -34.29,-1.31 -4.61,3.41 77.91,23.18 -34.29)))")
GC = ("GEOMETRYCOLLECTION (POINT (-115.81 37.24),LINESTRING (8.919 44.4074,8.923 44.4075),"
      "POLYGON ((2.38 57.322,-120.43 19.15,23.194 -20.28,2.38 57.322)))")

# text, {code: type name, or (exception type, message)}
WKT_TABLE = [
    ("POINT(-115.81 37.24)", {-1: "Point", 0: "Point", 1: (Exception, BAD_TYPE),
                              2: (Exception, BAD_TYPE)}),
    ("(-115.81 37.24)", {-1: "Point", 0: "Point", 1: (Exception, LINE_N), 2: (Exception, BAD)}),
    ("  point  Z (1 2 3)", {-1: "Point", None: "Point"}),
    (MPT, {-1: "MultiPoint", 0: "MultiPoint", 1: (Exception, BAD_TYPE)}),
    (MPT[10:], {-1: "LineString", 0: "MultiPoint", 1: "LineString", 2: (Exception, BAD)}),
    ("LINESTRING (1 2)", {-1: (Exception, BAD_TYPE), 1: (Exception, LINE_N),
                          0: (Exception, BAD_TYPE)}),
    ("MULTIPOINT (1 2)", {-1: (Exception, BAD_TYPE), 0: (Exception, BAD_TYPE),
                          1: (Exception, BAD_TYPE)}),
    ("MULTIPOINT ((1 2), (3 4))", {-1: (Exception, BAD_TYPE), 0: (Exception, BAD)}),
    (RINGS, {1: "MultiLineString", -1: "Polygon", 2: "Polygon", 0: (Exception, BAD)}),
    ("MULTILINESTRING ((1 2,3 4),(5 6,7 8))", {-1: "MultiLineString", 1: "MultiLineString",
                                               2: (Exception, BAD_TYPE)}),
    ("POLYGON ((0 0,1 1))", {-1: (Exception, RING_N)}),
    (POLY, {-1: "Polygon", 2: "Polygon", 1: (Exception, BAD_TYPE)}),
    (MPOLY, {-1: "MultiPolygon", 2: "MultiPolygon", 0: (Exception, BAD_TYPE)}),
    ("POLYGON (((0 0,1 0,1 1)),((5 5,6 5,6 6)))", {-1: "MultiPolygon", 2: "MultiPolygon"}),
    ("POINT Z(1 2 3)", {-1: "Point"}),
    ("POINTZ (1 2 3)", {-1: (Exception, BAD_TYPE), 0: (Exception, BAD_TYPE)}),
    ("SRID=4326;POINT (1 2)", {-1: (Exception, BAD_TYPE)}),
    ("CIRCLE (1 2)", {-1: (Exception, BAD_TYPE)}),
    ("GEOMETRYCOLLECTION (1 2)", {-1: (Exception, BAD_TYPE)}),
    ("POINT ( 1   2 )", {-1: "Point"}),
    ("POINT (   )", {-1: (Exception, DIM)}),
    ("((1 2),,(3 4))", {-1: (Exception, BAD)}),      # a second comma between rings
    ("((1 2)) trailing words", {-1: (Exception, RING_N)}),  # text after the body ignored
]


@pytest.mark.parametrize("text, expected", WKT_TABLE, ids=[t[0][:30] for t in WKT_TABLE])
def test_wkt_body_tests_by_code(text, expected):
    assert_by_code(text, expected)


def test_wkt_values_as_json_reads_them():
    assert outcome("POINT(-115.81 37.24)", -1) == ("Point", [-115.81, 37.24])
    assert outcome(MPT, 0) == ("MultiPoint", MPT_COORDS)
    assert outcome("POINT Z (1 2 3)", -1) == ("Point", [1.0, 2.0, 3])     # z stays an int
    assert outcome("POINT M (1 2 1e3)", -1) == ("Point", [1.0, 2.0, 1000.0])
    p = outcome("POINT (NaN Infinity)", -1)[1]
    assert p[0] != p[0] and p[1] == float("inf")
    assert outcome("LINESTRING (1 2,,, 3 4)", -1)[1] == [[1.0, 2.0], [3.0, 4.0]]
    assert outcome("LINESTRING (1 2, 3 4,)", -1) == (Exception, DIM)   # empty vertex
    assert outcome("LINESTRING\u3000(1\u30002 ,\u00a03 4)", -1)[1] == [[1.0, 2.0], [3.0, 4.0]]


@pytest.mark.parametrize("ordinate", ["+1", "01", "1.", ".5", "--1", "abc"])
def test_wkt_ordinates_that_are_not_json_values(ordinate):
    with pytest.raises(json.JSONDecodeError):
        Geometry.loads(f"POINT ({ordinate} 2)")


def test_polygon_rings_in_order_and_multipolygon_holes():
    assert outcome(POLY, -1)[1] == [
        [[2.38, 57.322], [-120.43, 19.15], [23.194, -20.28], [2.38, 57.322]],
        [[-5.21, 23.51], [15.21, -10.81], [-20.51, 1.51], [-5.21, 23.51]]]
    text = "MULTIPOLYGON (((0 0,4 0,4 4,0 0) , (1 1,2 1,2 2,1 1)),((5 5,6 5,6 6,5 5)))"
    assert [len(p) for p in outcome(text, 2)[1]] == [2, 1]


def test_text_is_never_changed_and_results_are_new():
    text = "LINESTRING (1 2, 1 2, 3 4)"
    a, b = Geometry.loads(text), Geometry.loads(text)
    assert a == b and a["coordinates"] is not b["coordinates"]
    assert a["coordinates"] == [[1.0, 2.0], [3.0, 4.0]]


# --- collections of member texts --------------------------------------------

def test_collection_reads_every_member_in_order():
    want = ("GeometryCollection", [
        ("Point", [-115.81, 37.24]),
        ("LineString", [[8.919, 44.4074], [8.923, 44.4075]]),
        ("Polygon", [[[2.38, 57.322], [-120.43, 19.15], [23.194, -20.28], [2.38, 57.322]]])])
    for code in (-1, 0, 1, 2, None):            # no code test on the collection
        assert outcome(GC, code) == want


@pytest.mark.parametrize("text, members", [
    ("GEOMETRYCOLLECTION (POLYGON ((0 0,1 0,1 1,0 0)), POLYGON ((5 5,6 5,6 6,5 5)))",
     ["Polygon", "Polygon"]),
    ("GEOMETRYCOLLECTION(POINT Z (1 2 3),point m(1 2 3), LineString ZM (1 2 3 4,5 6 7 8))",
     ["Point", "Point", "LineString"]),
    ("GEOMETRYCOLLECTION (MULTIPOLYGON (((0 0,1 0,1 1))), MULTILINESTRING ((1 2,3 4)))",
     ["MultiPolygon", "MultiLineString"]),
    ("GEOMETRYCOLLECTION (GEOMETRYCOLLECTION (POINT (1 2)), POINT (3 4))",
     ["GeometryCollection", "Point"]),
    ("(POINT (1 2), LINESTRING (1 2, 3 4))", ["Point", "LineString"]),   # no type word
    ("MULTIPOINT (POINT (1 2), POINT (3 4))", ["Point", "Point"]),       # word not consulted
])
def test_members_with_nested_bodies_and_tags_are_kept(text, members):
    r = Geometry.loads(text)
    assert r["type"] == "GeometryCollection"
    assert [m["type"] for m in r["geometries"]] == members


@pytest.mark.parametrize("text", [
    "GEOMETRYCOLLECTION (POINT (1 2), (3 4))",
    "GEOMETRYCOLLECTION (POINT (1 2) LINESTRING (1 2, 3 4))",
    "GEOMETRYCOLLECTION (POINT (1 2), POINT EMPTY)",
    "GEOMETRYCOLLECTION (POINT (1 2),)",
    "GEOMETRYCOLLECTION (POLYGON ((0 0,1 0,1 1)), ((5 5,6 5,6 6)))",
    "POLYGON ((0 0, 1 1, POINT (1 1)))",
])
def test_members_mixed_with_anything_else_are_refused(text):
    assert outcome(text, -1) == (Exception, BAD)


def test_member_failure_passes_unchanged():
    assert outcome("GEOMETRYCOLLECTION (POINT (1 2), LINESTRING (1 2))", 0) == (Exception, BAD_TYPE)


def test_failing_ring_searches_return_at_once():
    # Each blank pair between rings can be cut three ways; a backtracking
    # search of the whole body would take on the order of 3**40 steps.
    rings = "(1 2)  " * 40
    assert outcome(f"POLYGON ({rings}x)", -1) == (Exception, BAD)
    assert outcome(f"({rings}x) ((0 0,1 0,1 1))", 2)[0] == "MultiPolygon"
    assert outcome(" " * 5000 + ")(1 2)", -1)[0] == "Point"


# --- GeoJSON text -------------------------------------------------------------

GJ_POINT = '{"type": "Point", "coordinates": [1, 2]}'
FEATURE = '{"type": "Feature", "geometry": {"type": "Point", "coordinates": [1, 2]}}'

GEOJSON_TABLE = [
    (GJ_POINT, {-1: "Point", None: "Point", 0: "Point", 1: (Exception, BAD_CODE),
                2: (Exception, BAD_CODE)}),
    (FEATURE, {-1: (Exception, INVALID), 0: (Exception, BAD_CODE), 2: (Exception, BAD_CODE)}),
    ('{"type": "point", "coordinates": [1, 2]}', {-1: (Exception, INVALID),
                                                  0: (Exception, BAD_CODE)}),
    ('{"type": null, "coordinates": [[1, 2], [3, 4]]}', {-1: "LineString",
                                                          0: (Exception, BAD_CODE)}),
    ('{"coordinates": [[1, 2], [3, 4]]}', {-1: "LineString", 0: "MultiPoint", 1: "LineString",
                                          2: (Exception, INVALID)}),
    ('{"coordinates": [[[0, 0], [1, 0], [1, 1]]]}', {-1: "Polygon", 1: "MultiLineString",
                                                    2: "Polygon",
                                                    0: (TypeError, "float() argument must be a "
                                                        "string or a real number, not 'list'")}),
    ('{"coordinates": [[[[0, 0], [1, 0], [1, 1]]]]}', {2: "MultiPolygon", 1: (Exception, INVALID)}),
    ('{"type": "Point", "coordinates": "1 2", "x": [1]}', {-1: (Exception, BAD),
                                                           0: (Exception, BAD)}),
    ('{"type": "GeometryCollection", "coordinates": [1, 2]}', {-1: (Exception, INVALID),
                                                               0: (Exception, INVALID)}),
    ('{"type": "LineString", "bbox": [1, 2]}', {1: (TypeError, "object of type 'NoneType' has no len()")}),
    ('{"type": "Point", "bbox": [1, 2]}', {-1: (Exception,
        'Invalid [coordinates] parameter. ["coordinates/geometries" not found]')}),
    ('{"bbox": [1, 2]}', {-1: (Exception, INVALID),
                          1: (TypeError, "'NoneType' object is not subscriptable")}),
    ('[[1, 2], [3, 4]]', {-1: "LineString", 0: "MultiPoint", 1: "LineString",
                          2: (Exception, INVALID)}),
    ('[1, 2]', {-1: "Point", 0: "Point", 1: (Exception, INVALID)}),
    ('[ ]', {-1: (IndexError, "list index out of range"), 0: (IndexError, "list index out of range")}),
    ('[{"a": 1}]', {1: (Exception, BAD), 2: (Exception, BAD)}),
    ('"[1, 2]"', {-1: (Exception, INVALID), 0: (TypeError, "'NoneType' object is not subscriptable")}),
]


@pytest.mark.parametrize("text, expected", GEOJSON_TABLE, ids=[t[0][:30] for t in GEOJSON_TABLE])
def test_geojson_text_by_code(text, expected):
    assert_by_code(text, expected)


def test_geojson_collection_members_read_under_minus_one():
    text = json.dumps({"type": "GeometryCollection", "geometries": [
        {"type": "LineString", "coordinates": [[1, 2], [3, 4]]},
        {"type": "Polygon", "coordinates": [[[0, 0], [1, 0], [1, 1]]]}]})
    r = Geometry.loads(text, 0)
    assert [m["type"] for m in r["geometries"]] == ["LineString", "Polygon"]
    assert len(r["geometries"][1]["coordinates"][0]) == 4


@pytest.mark.parametrize("text", [
    "{'type': 'Point', 'coordinates': [1, 2]}",
    "POINT (1 2) [x]",
    "1 2 [3]",
])
def test_any_bracketed_run_makes_the_whole_text_json(text):
    with pytest.raises(json.JSONDecodeError):
        Geometry.loads(text)


# Texts without blanks or commas, so that free text is one token for WKB.
READER_TABLE = [
    ("[]", "free"), ("[x]", "json"), ("][x", "free"), ("x[\n]", "json"), ("[[", "free"),
    ("[]]", "json"), ("[[]", "json"), ("a[b]c", "json"), ("]x[", "free"),
    ("()", "free"), ("(x)", "wkt"), (")(x", "free"), ("((", "free"), ("())", "wkt"),
    ("(()", "wkt"), ("[(x)", "wkt"), ("(x)[]", "wkt"), ("(x)[y]", "json"),
]


@pytest.mark.parametrize("text, reader", READER_TABLE)
def test_reader_is_chosen_by_a_bracketed_then_a_parenthesised_run(text, reader, monkeypatch):
    # the rule: re.search of an opening character, at least one character
    # and a closing one, brackets first
    expected = ("json" if re.search(r"\[[\s\S]+?\]", text) else
                "wkt" if re.search(r"\([\s\S]+?\)", text) else "free")
    assert reader == expected
    decoded, wkb = [], []

    class Json:
        dumps = staticmethod(json.dumps)

        @staticmethod
        def loads(s):
            decoded.append(s)
            return json.loads(s)

    class Shapely:
        @staticmethod
        def from_wkb(token):
            wkb.append(token)
            raise ValueError("not wkb")

    monkeypatch.setattr(orbalt, "json", Json)
    monkeypatch.setattr(orbalt, "shapely", Shapely)
    with pytest.raises(Exception):
        Geometry.loads(text)
    got = "json" if decoded[:1] == [text] else "free" if wkb == [text] else "wkt"
    assert got == reader


# --- free text ------------------------------------------------------------------

FREE_TABLE = [
    ("1 2", {-1: ("Point", [1.0, 2.0]), 0: "Point", 1: (Exception, INVALID),
             2: (Exception, INVALID)}),
    ("1 2 3", {-1: (Exception, INVALID), 0: (Exception, INVALID), 1: (Exception, INVALID),
               2: (Exception, INVALID)}),
    ("1 2 3 4", {-1: ("LineString", [[1.0, 2.0], [3.0, 4.0]]), 1: "LineString",
                 0: ("MultiPoint", [[1.0, 2.0], [3.0, 4.0]]), 2: (Exception, INVALID)}),
    ("0 0 1 0 1 1", {2: ("Polygon", [[[0.0, 0.0], [1.0, 0.0], [1.0, 1.0], [0.0, 0.0]]]),
                     -1: "LineString"}),
    (" 1，2 ,, 3\u30004 ", {-1: ("LineString", [[1.0, 2.0], [3.0, 4.0]])}),
    # a run of blanks and commas of both kinds is one separator
    ("1\t，\u3000, ，\n2", {-1: ("Point", [1.0, 2.0])}),
    ("1 \u3000 2，3" + " " * 50 + "4", {-1: ("LineString", [[1.0, 2.0], [3.0, 4.0]])}),
    ("1 2,3 4", {-1: ("LineString", [[1.0, 2.0], [3.0, 4.0]])}),
    ("1,2 3,4", {-1: ("LineString", [[1.0, 2.0], [3.0, 4.0]])}),
    ("1 2,", {-1: (Exception, INVALID)}),
    ("1 2 3 4,", {-1: (Exception, INVALID)}),
    ("1 2 1 2", {-1: (Exception, LINE_N), 0: ("MultiPoint", [[1.0, 2.0], [1.0, 2.0]])}),
    ("1e3 -2.5E-1", {-1: ("Point", [1000.0, -0.25])}),
]


@pytest.mark.parametrize("text, expected", FREE_TABLE, ids=[t[0] for t in FREE_TABLE])
def test_free_text_by_token_count_and_code(text, expected):
    assert_by_code(text, expected)


@pytest.mark.parametrize("token", ["+1", "01", "1.", ".5", "x"])
def test_free_text_tokens_are_json_values(token):
    with pytest.raises(json.JSONDecodeError):
        Geometry.loads(f"{token} 2")


# --- hexadecimal WKB and EWKB ------------------------------------------------------

EWKB = "0101000020E6100000A4703D0AD7F35CC01F85EB51B89E4240"


@pytest.mark.parametrize("code", [-1, 0, 1, 2, None])
def test_ewkb_point_under_every_code(code):
    assert Geometry.loads(EWKB, code) == {"type": "Point", "coordinates": [-115.81, 37.24]}
    assert Geometry.loads("  " + EWKB.lower() + "\n", code)["type"] == "Point"


def test_wkb_comes_back_unnormalised():
    line = shapely.LineString([(0, 0), (0, 0), (1, 1)])
    assert Geometry.loads(shapely.to_wkb(line, hex=True), 2) == {
        "type": "LineString", "coordinates": [[0.0, 0.0], [0.0, 0.0], [1.0, 1.0]]}
    ring = shapely.Polygon([(0, 0), (1, 0), (1, 1)])
    assert Geometry.loads(shapely.to_wkb(ring, hex=True))["type"] == "Polygon"


@pytest.mark.parametrize("text", ["", "   ", "[]", "0101", "zz"])
def test_single_tokens_that_are_not_wkb_fail_in_shapely(text):
    with pytest.raises(shapely.errors.ShapelyError):
        Geometry.loads(text)


# --- nesting: the bound, memory, shapely's reader -------------------------

NESTED = "Invalid [coordinates] parameter. Collections are nested more than 100 deep."


def run_fresh(code):
    """Runs `code` in a new interpreter (a crash fails one test, not the run)
    and returns its standard output."""
    done = subprocess.run([sys.executable, "-c", textwrap.dedent(code)],
                          capture_output=True, text=True, timeout=300)
    assert done.returncode == 0, done.stderr[-2000:]
    return done.stdout.strip()


def nested_wkt(depth, inner="POINT (1 2)", pad=""):
    return "GEOMETRYCOLLECTION (POINT (3 4)," + pad + " " + (
        "GEOMETRYCOLLECTION (" * (depth - 1)) + inner + ")" * depth


def innermost(r, depth):
    for _ in range(depth - 1):
        r = r["geometries"][-1]
    return r["geometries"][-1]


class Traced(Geometry):
    """Members go back through an override of loads."""
    @classmethod
    def loads(cls, coordinates, code=-1):
        return Geometry.loads.__func__(cls, coordinates, code)


@pytest.mark.parametrize("cls", [Geometry, Traced])
def test_wkt_collections_nest_up_to_the_bound(cls):
    # The outermost collection stands at depth 0, as in the KML reader.
    r = cls.loads(nested_wkt(101, "POINT (1 2)"))
    assert innermost(r, 101) == {"type": "Point", "coordinates": [1.0, 2.0]}
    assert cls.loads(nested_wkt(101), 2) == r
    with pytest.raises(Exception) as info:
        cls.loads(nested_wkt(102))
    assert type(info.value) is Exception and str(info.value) == NESTED
    # The depth counts on the way back out of a refused text too.
    assert innermost(cls.loads(nested_wkt(101)), 101)["type"] == "Point"


def test_wkt_members_past_the_bound_are_refused_in_every_form():
    # Hundreds of thousands of levels once ran out of stack or memory.
    out = run_fresh("""
        from models.orbalt import Geometry
        for depth in (5000, 100_000):
            for text in ("GEOMETRYCOLLECTION (" * depth + "POINT (1 2)" + ")" * depth,
                         "geometrycollection(point(1 2)," * depth + "point(1 2)" + ")" * depth):
                try:
                    Geometry.loads(text)
                except Exception as e:
                    print(type(e).__name__, e)
    """)
    assert out.splitlines() == ["Exception " + NESTED] * 4


MEASURE = """
    import resource, sys
    from models.orbalt import Geometry
    depth, pad = {depth}, " " * {pad}
    text = "GEOMETRYCOLLECTION (POINT (3 4)," + pad + " " + (
        "GEOMETRYCOLLECTION (POINT (3 4)," + pad + " ") * (depth - 1) + "POINT (1 2)" + ")" * depth
    before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    try:
        Geometry.loads(text)
        result = "read"
    except Exception as e:
        result = str(e)
    grown = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before
    print(len(text), grown * 1024, result)
"""


@pytest.mark.parametrize("depth, pad, result", [
    (100, 10_000, "read"),      # each level held a copy of the rest: ~100 MB
    (400, 2_500, NESTED),       # ~400 MB
])
def test_wkt_memory_stays_proportional_to_the_text(depth, pad, result):
    size, grown, got = run_fresh(MEASURE.format(depth=depth, pad=pad)).split(" ", 2)
    assert got == result and 900_000 < int(size) < 1_100_000
    assert int(grown) < 20 * int(size)


# Collection texts with the outcome they had when every member was a copy.
COLLECTIONS_AS_BEFORE = [
    ('GEOMETRYCOLLECTION (POINT (1 2), GEOMETRYCOLLECTION (LINESTRING (1 2, 3 4), GEOMETRYCOLLECTION (POLYGON ((0 0, 1 0, 1 1)))))',
     "{'type': 'GeometryCollection', 'geometries': [{'type': 'Point', 'coordinates': [1.0, 2.0]}, {'type': 'GeometryCollection', 'geometries': [{'type': 'LineString', 'coordinates': [[1.0, 2.0], [3.0, 4.0]]}, {'type': 'GeometryCollection', 'geometries': [{'type': 'Polygon', 'coordinates': [[[0.0, 0.0], [1.0, 0.0], [1.0, 1.0], [0.0, 0.0]]]}]}]}]}"),
    ('geometrycollection(point z(1 2 3),GEOMETRYCOLLECTION ( MULTIPOINT ((1 2), (3 4)) ) , multipolygon (((0 0,1 0,1 1)),((5 5,6 5,6 6))))',
     "('Exception', 'Invalid type in [coordinates] parameter.')"),
    ('  GEOMETRYCOLLECTION\t(\u3000POINT (1e3 -2.5)\n,  (POINT (1 2), POINT (3 4)))',
     "('Exception', 'Invalid [coordinates] parameter.')"),
    ('GEOMETRYCOLLECTION (MULTILINESTRING ((1 2, 3 4), (5 6, 7 8)), GEOMETRYCOLLECTION (POINT (NaN 1)))',
     "{'type': 'GeometryCollection', 'geometries': [{'type': 'MultiLineString', 'coordinates': [[[1.0, 2.0], [3.0, 4.0]], [[5.0, 6.0], [7.0, 8.0]]]}, {'type': 'GeometryCollection', 'geometries': [{'type': 'Point', 'coordinates': [nan, 1.0]}]}]}"),
    ('GEOMETRYCOLLECTION (GEOMETRYCOLLECTION (GEOMETRYCOLLECTION ()), POINT (1 2))',
     "('JSONDecodeError', 'Expecting value: line 1 column 2 (char 1)')"),
    ('GEOMETRYCOLLECTION (POINT (1 2), GEOMETRYCOLLECTION (POINT (1 2), (3 4)))',
     "('Exception', 'Invalid [coordinates] parameter.')"),
    ('GEOMETRYCOLLECTION (POINT (1 2), GEOMETRYCOLLECTION (LINESTRING (1 2)))',
     "('Exception', 'Invalid type in [coordinates] parameter.')"),
    ('GEOMETRYCOLLECTION (POINT ( 1  2 ), GEOMETRYCOLLECTION (POINT (+1 2)))',
     "('JSONDecodeError', 'Expecting value: line 1 column 2 (char 1)')"),
    ('POLYGON (POINT (1 2), GEOMETRYCOLLECTION (POINT (3 4)))',
     "{'type': 'GeometryCollection', 'geometries': [{'type': 'Point', 'coordinates': [1.0, 2.0]}, {'type': 'GeometryCollection', 'geometries': [{'type': 'Point', 'coordinates': [3.0, 4.0]}]}]}"),
    ('GEOMETRYCOLLECTION (POINT (1 2), POINT ()) trailing',
     "('JSONDecodeError', 'Expecting value: line 1 column 2 (char 1)')"),
    ('GEOMETRYCOLLECTION (GEOMETRYCOLLECTION (MULTIPOLYGON (((0 0,1 0,1 1)), ((5 5,6 5,6 6)))), POLYGON ((0 0,1 0,1 1),(0.2 0.2,0.5 0.2,0.5 0.5)))',
     "{'type': 'GeometryCollection', 'geometries': [{'type': 'GeometryCollection', 'geometries': [{'type': 'MultiPolygon', 'coordinates': [[[[0.0, 0.0], [1.0, 0.0], [1.0, 1.0], [0.0, 0.0]]], [[[5.0, 5.0], [6.0, 5.0], [6.0, 6.0], [5.0, 5.0]]]]}]}, {'type': 'Polygon', 'coordinates': [[[0.0, 0.0], [1.0, 0.0], [1.0, 1.0], [0.0, 0.0]], [[0.2, 0.2], [0.5, 0.2], [0.5, 0.5], [0.2, 0.2]]]}]}"),
]


@pytest.mark.parametrize("text, expected", COLLECTIONS_AS_BEFORE)
def test_collection_text_outcomes_are_unchanged(text, expected):
    for cls in (Geometry, Traced):
        for code in (-1, 2):
            try:
                got = repr(cls.loads(text, code))
            except Exception as e:       # noqa: BLE001 - the outcome is the point
                got = repr((type(e).__name__, str(e)))
            assert got == expected


def wkb(*parts):
    return b"".join(parts)


def header(code, order=1, srid=None):
    """Byte order, type word and optional SRID of one geometry."""
    fmt = "<" if order else ">"
    word = code | (0x20000000 if srid is not None else 0)
    out = bytes([order]) + struct.pack(fmt + "I", word)
    return out + (struct.pack(fmt + "i", srid) if srid is not None else b"")


def count(n, order=1):
    return struct.pack(("<" if order else ">") + "I", n)


POINT_WKB = header(1) + struct.pack("<2d", 1.0, 2.0)

# Collection headers of several forms; a chain of them nests a point.
LEVELS = {
    "plain": header(7) + count(1),
    "big-endian": header(7, order=0) + count(1, order=0),
    "ewkb srid": header(7, srid=4326) + count(1),
    "ewkb z flag": header(7 | 0x80000000) + count(1),
    "iso zm code": header(3007) + count(1),
    "byte order kept": header(7, order=9) + count(1),
}


@pytest.mark.parametrize("form", LEVELS)
@pytest.mark.parametrize("depth, refused", [(1, False), (101, False), (102, True)])
def test_wkb_nesting_is_bounded_before_shapely_reads_it(form, depth, refused):
    data = LEVELS[form] * depth + POINT_WKB
    for text in (data.hex(), data.hex().upper()):
        if refused:
            assert outcome(text, -1) == (Exception, NESTED)
        else:
            got = Geometry.loads(text)
            assert got == Geometry.fromShapely(shapely.from_wkb(text))
            assert innermost(got, depth) == {"type": "Point", "coordinates": [1.0, 2.0]}


@pytest.mark.parametrize("level", [
    header(4) + count(1),           # multi-part types hold full geometries too
    header(6) + count(1),
    header(9) + count(1),           # and so do the curve types shapely's reader knows
    header(12) + count(1),
])
def test_wkb_nesting_counts_every_geometry_with_members(level):
    data = LEVELS["plain"] * 101 + level + POINT_WKB
    assert outcome(data.hex(), -1) == (Exception, NESTED)


def test_wkb_nesting_is_followed_past_coordinates_and_in_binary_text():
    # Lines, rings and Z/M/SRID vertices are skipped by their size, so the
    # deep collection after them is found.
    line = header(2 | 0x80000000) + count(2) + struct.pack("<6d", *range(6))
    ring = header(3, srid=3857) + count(1) + count(4) + struct.pack("<8d", 0, 0, 1, 0, 1, 1, 0, 0)
    data = header(7) + count(3) + line + ring + LEVELS["plain"] * 101 + POINT_WKB
    assert outcome(data.hex(), -1) == (Exception, NESTED)
    # Text that does not start with a hexadecimal 0 or 1 is read by shapely
    # as the bytes of the text (these are all below 0x80 and no blank).
    point = header(1) + struct.pack("<2d", 2.0, 4.0)
    assert shapely.from_wkb(point.decode("ascii")) == shapely.Point(2, 4)
    for depth, want in ((101, "read"), (102, NESTED)):
        text = (LEVELS["plain"] * depth + point).decode("ascii")
        try:
            got = Geometry.loads(text)
            assert innermost(got, depth) == {"type": "Point", "coordinates": [2.0, 4.0]}
            got = "read"
        except Exception as e:           # noqa: BLE001 - the outcome is the point
            got = str(e)
        assert got == want


@pytest.mark.parametrize("data", [
    LEVELS["plain"] * 50 + header(7) + count(3) + POINT_WKB,      # members missing
    LEVELS["plain"] * 50 + header(99) + count(1) + POINT_WKB,     # unknown type
    LEVELS["plain"] * 50 + header(7)[:3],                         # cut in a header
])
def test_malformed_wkb_keeps_shapely_error(data):
    with pytest.raises(shapely.errors.ShapelyError):
        Geometry.loads(data.hex())
    with pytest.raises(shapely.errors.ShapelyError):
        Geometry.loads(data.hex() + "z")         # not hexadecimal: shapely says so


def test_deep_wkb_no_longer_reaches_shapely():
    # 100,000 levels crashed shapely's reader; 10,000 took most of a minute.
    out = run_fresh("""
        import struct
        from models.orbalt import Geometry
        level = b"\\x01" + struct.pack("<II", 7, 1)
        point = b"\\x01" + struct.pack("<Idd", 1, 1.0, 2.0)
        for depth in (10_000, 100_000):
            try:
                Geometry.loads((level * depth + point).hex())
            except Exception as e:
                print(e)
    """)
    assert out.splitlines() == [NESTED] * 2
