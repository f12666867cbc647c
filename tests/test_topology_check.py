"""Topology.check: the findings for points, lines and polygons in their
order, the mask bits, the sorting of members, what the caller's lists
undergo, and the failures."""
import pytest
import shapely

from hostile_support import KINDS, run_call, run_case
from models.orbalt import Topology


def point(x, y):
    return {"type": "Point", "coordinates": [x, y]}


def line(*vertices):
    return {"type": "LineString", "coordinates": [list(v) for v in vertices]}


def polygon(*rings):
    return {"type": "Polygon", "coordinates": [[list(v) for v in r] for r in rings]}


def found(flag, *coordinates):
    if len(coordinates) == 1:
        return {"flag": flag, "type": "Point", "coordinates": coordinates[0]}
    return {"flag": flag, "type": "MultiPoint", "coordinates": list(coordinates)}


X = [line((0, 0), (2, 2)), line((0, 2), (2, 0))]
OUTER = [(0, 0), (4, 0), (4, 4), (0, 4), (0, 0)]
TOUCHING_HOLE = [(0, 0), (1, 2), (2, 1), (0, 0)]


@pytest.mark.parametrize("members, mask, expected", [
    # points: [1, 2] and [1.0, 2.0] are one point; a MultiPoint member counts
    ([point(1, 2), point(1.0, 2.0)], 31,
     {"point": [found("Overlap", [1.0, 2.0])]}),
    ([point(1, 2), point(3, 4)] * 3, 31,
     {"point": [found("Overlap", [1.0, 2.0], [3.0, 4.0])]}),
    ([{"type": "MultiPoint", "coordinates": [[5, 5], [6, 6]]}, point(5, 5)], 1,
     {"point": [found("Overlap", [5.0, 5.0])]}),
    ([{"type": "Point", "coordinates": [1, 2, 3]}, {"type": "Point", "coordinates": [1, 2, 4]},
      {"type": "Point", "coordinates": [1, 2]}], 31, None),
    ([point(1, 2), point(1, 2)], 30, None),
    # lines crossing in an X: their crossing, then the four free ends
    (X, 31, {"line": [found("Intersection", [1.0, 1.0]),
                      found("DangleNode", [0.0, 0.0], [2.0, 2.0], [0.0, 2.0], [2.0, 0.0])]}),
    (X, 16, {"line": [found("Intersection", [1.0, 1.0])]}),
    # three lines crossing pairwise at three points share none
    ([line((0, 0), (4, 4)), line((0, 4), (4, 0)), line((0, 1), (4, 1))], 16, None),
    # lines sharing a stretch: its two ends
    ([line((0, 0), (4, 0)), line((1, 0), (3, 0))], 16,
     {"line": [found("Intersection", [1.0, 0.0], [3.0, 0.0])]}),
    # a closed line: a pseudo node at its start, no self-intersection there
    ([line((0, 0), (1, 0), (1, 1), (0, 0))], 31, {"line": [found("PseudoNode", [0.0, 0.0])]}),
    # a line crossing itself once
    ([line((0, 0), (2, 2), (2, 0), (0, 2))], 31,
     {"line": [found("SelfIntersection", [1.0, 1.0]),
               found("DangleNode", [0.0, 0.0], [0.0, 2.0])]}),
    ([line((0, 0), (2, 2), (2, 0), (0, 2))], 8, {"line": [found("SelfIntersection", [1.0, 1.0])]}),
    # two lines joined end to end: the joint alone, bit 2 being clear
    ([line((0, 0), (1, 0)), line((1, 0), (2, 0))], 4, {"line": [found("PseudoNode", [1.0, 0.0])]}),
    # three line ends meeting are neither dangling nor pseudo
    ([line((0, 0), (1, 0)), line((1, 0), (2, 0)), line((1, 0), (1, 1))], 6,
     {"line": [found("DangleNode", [0.0, 0.0], [2.0, 0.0], [1.0, 1.0])]}),
    # rings that are not closed: both ends, ring by ring
    ([polygon([(0, 0), (1, 0), (1, 1)])], 2, {"polygon": [found("DangleNode", [0, 0], [1, 1])]}),
    ([polygon([(0, 0), (1, 0), (1, 1)], [(5, 5), (6, 5), (6, 6)])], 2,
     {"polygon": [found("DangleNode", [0, 0], [1, 1], [5, 5], [6, 6])]}),
    # a hole touching its outer ring at one point
    ([polygon(OUTER, TOUCHING_HOLE)], 16, {"polygon": [found("Intersection", [0.0, 0.0])]}),
    ([polygon(OUTER, [(1, 1), (2, 1), (2, 2), (1, 1)])], 31, None),
    # a ring crossing itself (a bow tie), and one repeating a vertex
    ([polygon([(0, 0), (2, 2), (2, 0), (0, 2), (0, 0)])], 8,
     {"polygon": [found("SelfIntersection", [1.0, 1.0])]}),
    ([polygon([(0, 0), (1, 0), (1, 0), (1, 1), (0, 0)])], 1,
     {"polygon": [found("Overlap", [1, 0])]}),
    # -1 has every bit set
    ([line((0, 0), (1, 0))], -1, {"line": [found("DangleNode", [0.0, 0.0], [1.0, 0.0])]}),
    # points, lines and polygons are never compared with one another
    ([point(0, 0), line((0, 0), (1, 0)), polygon([(0, 0), (1, 0), (1, 1), (0, 0)])], 17, None),
])
def test_findings(members, mask, expected):
    result = Topology.check(members, mask)
    assert result == expected
    if expected:
        assert list(result) == list(expected)


class Sequence(list):
    """A vertex that is not exactly a list: sliced by its own subscript."""


NAN = float("nan")


@pytest.mark.parametrize("members, mask, expected", [
    # the first two values as floats decide; -0.0 differs, NaN meets NaN
    ([{"type": "Polygon", "coordinates": [[(0, 0), (1, 0), (1, 1), (0, 0)]]}], 2, None),
    ([{"type": "Polygon", "coordinates": [[(0, 0), (1, 0), (1, 1), (0.0, -0.0)]]}], 2,
     {"polygon": [found("DangleNode", (0, 0), (0.0, -0.0))]}),
    ([{"type": "Polygon", "coordinates": [[["1", "2"], [1, 0], [1, 1], [1, 2]]]}], 2, None),
    ([{"type": "Polygon", "coordinates": [[[NAN, 0], [1, 0], [1, 1], [NAN, 0.0]]]}], 2, None),
    # one value against one, and against two
    ([{"type": "Polygon", "coordinates": [[[5], [1, 0], [1, 1], [5.0]]]}], 2, None),
    ([{"type": "Polygon", "coordinates": [[[5], [1, 0], [1, 1], [5, 7]]]}], 2,
     {"polygon": [found("DangleNode", [5], [5, 7])]}),
    # vertices that are not lists, and values beyond the second
    ([{"type": "Polygon", "coordinates": [[Sequence([0, 0, 9]), [1, 0], [1, 1], (0, 0, 3)]]}], 2,
     None),
    ([{"type": "LineString", "coordinates": [[0, 0], (0.0, 0.0, 5), [1, 1], [1, -0.0]]}], 1,
     {"line": [found("Overlap", (0.0, 0.0, 5))]}),
    ([{"type": "LineString", "coordinates": [[True, 2], Sequence([1, "2"]), [3, 3]]}], 1,
     {"line": [found("Overlap", [1, "2"])]}),
])
def test_vertices_compare_by_the_floats_of_x_and_y(members, mask, expected):
    assert Topology.check(members, mask) == expected


def test_line_findings_come_in_flag_order():
    members = [line((0, 0), (1, 1), (1, 1), (2, 0), (0, 1)), line((1, -1), (1, 3))]
    result = Topology.check(members)
    assert [f["flag"] for f in result["line"]] == [
        "Overlap", "SelfIntersection", "Intersection", "DangleNode"]


def test_polygon_intersections_come_first_in_polygon_order():
    first = polygon(OUTER, TOUCHING_HOLE)
    second = polygon([(10, 10), (14, 10), (14, 14), (10, 14), (10, 10)],
                     [(14, 14), (12, 13), (13, 12), (14, 14)])
    opened = polygon([(0, 0), (1, 0), (1, 0), (1, 1)])
    result = Topology.check([first, opened, second])
    assert result == {"polygon": [
        found("Intersection", [0.0, 0.0]),
        found("Intersection", [14.0, 14.0]),
        found("Overlap", [1.0, 0.0]),
        found("DangleNode", [0, 0], [1, 1]),
    ]}


def test_overlap_reports_the_callers_vertex_before_the_line_is_cleaned():
    vertices = [[0, 0], [1, 1], [1, 1], [2, 0]]
    result = Topology.check([{"type": "LineString", "coordinates": vertices}], 1)
    assert result == {"line": [found("Overlap", [1, 1])]}
    assert result["line"][0]["coordinates"] is vertices[2]
    assert vertices == [[0, 0], [1, 1], [1, 1], [2, 0]]  # bit 8 clear: untouched

    result = Topology.check([{"type": "LineString", "coordinates": vertices}])
    assert result["line"][0] == found("Overlap", [1, 1])
    assert vertices == [[0.0, 0.0], [1.0, 1.0], [2.0, 0.0]]


@pytest.mark.parametrize("make", [
    lambda: [[0, 0], [2, 2]],
    lambda: "LINESTRING (0 0, 2 2)",
    lambda: shapely.LineString([(0, 0), (2, 2)]),
    lambda: {"type": "GeometryCollection", "geometries": ["LINESTRING (0 0, 2 2)"]},
    lambda: {"type": "MultiLineString", "coordinates": [[[0, 0], [2, 2]]]},
], ids=["list", "text", "shapely", "collection", "multiline"])
def test_every_input_form_is_sorted(make):
    result = Topology.check([make(), "LINESTRING (0 2, 2 0)"], 16)
    assert result == {"line": [found("Intersection", [1.0, 1.0])]}


def test_members_go_through_the_class():
    calls = []

    class Recording(Topology):
        @classmethod
        def unions(cls, geometries, gridSize=None, axis=None, srid=None):
            calls.append("unions")
            return super().unions(geometries)

        @classmethod
        def intersections(cls, geometries):
            calls.append(("intersections", len(geometries)))
            return super().intersections(geometries)

        @classmethod
        def loads(cls, coordinates, code=-1):
            calls.append("loads")
            return super().loads(coordinates, code)

    Recording.check(["LINESTRING (0 0, 2 2)", X[1]], 24)
    # The text member is loaded first; unions() loads each bare line again.
    assert calls[0] == "loads"
    assert [c for c in calls if c != "loads"] == ["unions", "unions", ("intersections", 2)]


@pytest.mark.parametrize("members", [
    [],
    [{"type": "", "coordinates": [1, 2]}, {"type": None, "coordinates": [1, 2]}],
    [{"type": "GeometryCollection", "geometries": (point(1, 2), point(1, 2))}],
    [{"type": "MultiPoint", "geometries": [point(1, 2), point(1, 2)]}],
    [{"type": "Point"}, {"type": "Point"}],
])
def test_members_that_count_for_nothing(members):
    assert Topology.check(members) is None


def test_mask_zero_looks_at_nothing_and_mask_32_still_sorts():
    invalid = [{"type": "Foo", "coordinates": []}]
    assert Topology.check(invalid, 0) is None
    assert Topology.check([point(1, 2), point(1, 2)], 32) is None
    with pytest.raises(Exception, match=r"^Invalid geometry type\.$"):
        Topology.check(invalid, 32)


@pytest.mark.parametrize("args, error, message", [
    (([{"type": "Foo", "coordinates": []}],), Exception, "Invalid geometry type."),
    (([{"type": "GeometryCollection", "geometries": [{"type": "Curve", "coordinates": []}]}],),
     Exception, "Invalid geometry type."),
    (([{"coordinates": [1, 2]}],), KeyError, "'type'"),
    (([point(1, 2)], True), TypeError,
     "Argument 'mask' has incorrect type (expected int, got bool)"),
    (((point(1, 2),),), TypeError,
     "Argument 'geometries' has incorrect type (expected list, got tuple)"),
    (([{"type": "Point", "coordinates": [[1], 2]}],), TypeError, "float() argument"),
    (([{"type": "Point", "coordinates": [1, 2, [3]]}] * 2,), TypeError, "unhashable type: 'list'"),
    (([{"type": "LineString", "coordinates": []}],), IndexError, ""),
])
def test_failures(args, error, message):
    with pytest.raises(error) as caught:
        Topology.check(*args)
    assert type(caught.value) is error
    assert message in str(caught.value)



# --- values whose conversion changes the caller's lists ------------------------

@pytest.mark.parametrize("kind", KINDS)
@pytest.mark.parametrize("hook", ["__float__", "__index__"])
def test_a_vertex_changed_while_its_first_value_converts(hook, kind):
    # The first vertex is read as [1.0, y] whatever its value then does to
    # it, so the ring stays open; the full check ends with a result or an
    # error of what it then reads.  y is a large int, freed when popped.
    lines = run_case(f"""
        def members():
            h = hostile(1, {hook!r}, {kind!r})
            h.home = v = [h, int("39" * 10)]
            rings = [[v, [117.0, 39.0], [117.0, 40.0], [116.0, 39.0]]]
            return [{{"type": "Polygon", "coordinates": rings}}]
        print([f["flag"] for f in Topology.check(members(), 2)["polygon"]])
        print(outcome(Topology.check, members()))
    """)
    assert lines[0] == "['DangleNode']"


# `h` is the hostile value; the builder places it and gives it a home.
@pytest.mark.parametrize("build, hook, kind", [
    # a line vertex, read for the repeat test, loses a value
    ("h = hostile(1.0, HOOK, KIND); h.home = v = [h, 1.0];"
     "arg = [{'type': 'LineString', 'coordinates': [[0.0, 0.0], v, [2.0, 2.0]]}]",
     "__float__", "pop"),
    # x of a point, converted for the count, grows the point list
    ("h = hostile(1, HOOK, KIND); pts = [[h, 2.0], [1.0, 2.0]]; h.home = pts;"
     "arg = [{'type': 'MultiPoint', 'coordinates': pts}]", "__index__", "append"),
    # a third value of a point, hashed by the count, empties the point list
    ("h = hostile(3, HOOK, KIND); pts = [[1.0, 2.0, h], [1.0, 2.0, h]]; h.home = pts;"
     "arg = [{'type': 'MultiPoint', 'coordinates': pts}]", "__hash__", "clear"),
    # the type, compared with the type names, renews the member's values
    ("h = hostile('LineString', HOOK, KIND, base=str);"
     "h.home = g = {'type': h, 'coordinates': [[0.0, 0.0], [1.0, 1.0], [1.0, 1.0]]};"
     "arg = [g, g]", "__eq__", "replace"),
])
def test_members_changed_while_they_are_checked(build, hook, kind):
    run_call(build, hook, kind, "Topology.check(arg)")
