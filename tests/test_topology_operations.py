"""Spatial operations of Topology: conversion through the class, the shapely
call each one makes, the preparation of the first geometry, and the result
rules (None for empty overlays, lists of parts, NaN guards, the Voronoi
failure)."""
import math
import warnings

import pytest
import shapely

import geometry_forms as gf
import models.orbalt as orbalt
from models.orbalt import Topology

SQUARE = "POLYGON ((0 0, 2 0, 2 2, 0 2, 0 0))"
SHIFTED = "POLYGON ((1 1, 3 1, 3 3, 1 3, 1 1))"
CORNER = "POLYGON ((1 0, 3 0, 3 2, 1 2, 1 0))"
FAR = "POLYGON ((5 5, 6 5, 6 6, 5 6, 5 5))"
BOWTIE = "POLYGON ((0 0, 2 2, 2 0, 0 2, 0 0))"
CONCAVE = "POLYGON ((0 0, 4 0, 4 4, 2 1, 0 4, 0 0))"
ZIGZAG = "LINESTRING (0 0, 1 1, 2 0, 3 1, 4 0)"
NEAR_ZIGZAG = "LINESTRING (0 0.2, 2 0.3, 4 0.1)"
CENTRE = "POINT (2 1)"
ORIGIN = "POINT (0 0)"


def same(result, expected):
    """Equal results: geometries exactly (same vertices in the same order),
    lists member by member, numbers as numbers."""
    if isinstance(expected, list):
        return type(result) is list and len(result) == len(expected) and all(
            same(r, e) for r, e in zip(result, expected))
    if isinstance(expected, shapely.Geometry):
        return shapely.equals_exact(result, expected, tolerance=0) or (
            expected.is_empty and result.is_empty)
    return result == expected


def parts(collection):
    return list(collection.geoms)


S = gf.shape
# method, geometry arguments (WKT), other arguments, shapely's own answer
CASES = [
    ("buffer", [ORIGIN], [2], lambda: shapely.buffer(S(ORIGIN), 2.0)),
    ("buffer", [ZIGZAG], [0.5, 4, "flat", "mitre", 2, True],
     lambda: shapely.buffer(S(ZIGZAG), 0.5, quad_segs=4, cap_style="flat", join_style="mitre",
                            mitre_limit=2.0, single_sided=True)),
    ("clearance", [CONCAVE], [], lambda: shapely.minimum_clearance(S(CONCAVE))),
    ("clip", [ZIGZAG], [0.5, 0, 3, 0.5], lambda: shapely.clip_by_rect(S(ZIGZAG), 0.5, 0, 3, 0.5)),
    ("convexHull", [CONCAVE], [], lambda: S(CONCAVE).convex_hull),
    ("difference", [SQUARE, SHIFTED], [], lambda: shapely.difference(S(SQUARE), S(SHIFTED))),
    ("distanceOnLine", [ZIGZAG, CENTRE], [], lambda: shapely.line_locate_point(S(ZIGZAG), S(CENTRE))),
    ("intersection", [SQUARE, SHIFTED], [], lambda: shapely.intersection(S(SQUARE), S(SHIFTED))),
    ("pointOnLine", [ZIGZAG], [2], lambda: shapely.line_interpolate_point(S(ZIGZAG), 2.0)),
    ("pointOnLine", [ZIGZAG], [-1], lambda: shapely.line_interpolate_point(S(ZIGZAG), -1.0)),
    ("rectangle", [ZIGZAG], [], lambda: S(ZIGZAG).minimum_rotated_rectangle),
    ("repair", [BOWTIE], [], lambda: shapely.make_valid(S(BOWTIE))),
    ("shortest", [SQUARE, FAR], [], lambda: shapely.shortest_line(S(SQUARE), S(FAR))),
    ("similarity", [ZIGZAG, NEAR_ZIGZAG], [], lambda: shapely.frechet_distance(S(ZIGZAG), S(NEAR_ZIGZAG))),
    ("similarity", [ZIGZAG, NEAR_ZIGZAG], [0.25],
     lambda: shapely.frechet_distance(S(ZIGZAG), S(NEAR_ZIGZAG), 0.25)),
    ("simplify", [ZIGZAG], [1], lambda: shapely.simplify(S(ZIGZAG), 1.0)),
    ("simplify", [CONCAVE], [2, False],
     lambda: shapely.simplify(S(CONCAVE), 2.0, preserve_topology=False)),
    ("snap", [ZIGZAG, CENTRE], [0.5], lambda: shapely.snap(S(ZIGZAG), S(CENTRE), 0.5)),
    ("triangulate", [CONCAVE], [], lambda: parts(shapely.delaunay_triangles(S(CONCAVE)))),
    ("triangulate", [CONCAVE], [0, True],
     lambda: parts(shapely.delaunay_triangles(S(CONCAVE), only_edges=True))),
    ("union", [SQUARE, SHIFTED], [], lambda: shapely.union(S(SQUARE), S(SHIFTED))),
    ("voronoiDiagram", [CONCAVE], [], lambda: parts(shapely.voronoi_polygons(S(CONCAVE)))),
    ("voronoiDiagram", [CONCAVE], [None, 0, True],
     lambda: parts(shapely.voronoi_polygons(S(CONCAVE), only_edges=True))),
]


@pytest.mark.parametrize("form", gf.FORMS)
@pytest.mark.parametrize("method,geometries,options,expected", CASES,
                         ids=[f"{c[0]}-{i}" for i, c in enumerate(CASES)])
def test_results_in_every_input_form(method, geometries, options, expected, form):
    args = [gf.make(g, form) for g in geometries] + options
    with warnings.catch_warnings():
        # shapely's deprecated positional options must not be used
        warnings.simplefilter("error")
        result = getattr(Topology, method)(*args)
    assert same(result, expected())


@pytest.mark.parametrize("form", gf.FORMS)
@pytest.mark.parametrize("method,members,expected", [
    ("intersections", [SQUARE, SHIFTED, CORNER],
     lambda: shapely.intersection_all([S(SQUARE), S(SHIFTED), S(CORNER)])),
    ("unions", [SQUARE, SHIFTED, FAR], lambda: shapely.union_all([S(SQUARE), S(SHIFTED), S(FAR)])),
])
def test_lists_of_geometries_in_every_input_form(method, members, expected, form):
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        result = getattr(Topology, method)([gf.make(m, form) for m in members])
    assert same(result, expected())


class Spy:
    """Stands for the module's shapely global: records every call of a shapely
    function with its arguments, then makes the real call."""

    def __init__(self, replies=None):
        self.calls = []
        self.replies = replies or {}

    def __getattr__(self, name):
        real = getattr(shapely, name)
        if not callable(real) or isinstance(real, type):
            return real

        def recorded(*args, **kwargs):
            self.calls.append((name, args, kwargs))
            if name in self.replies:
                return self.replies[name]
            return real(*args, **kwargs)
        return recorded

    def call(self, name):
        found = [c for c in self.calls if c[0] == name]
        assert len(found) == 1, self.calls
        return found[0][1:]


@pytest.fixture
def spy(monkeypatch):
    s = Spy()
    monkeypatch.setattr(orbalt, "shapely", s)
    return s


def exact(values):
    """Values with their types, so that 2 and 2.0 differ."""
    return [(type(v), v) for v in values]


def test_buffer_hands_shapely_its_options_as_given(spy):
    point = S(ORIGIN)
    Topology.buffer(point, 2)
    args, kwargs = spy.call("buffer")
    assert args[0] is point and exact(args[1:]) == [(float, 2.0)]
    assert kwargs == {"quad_segs": 8, "cap_style": "round", "join_style": "round",
                      "mitre_limit": 5.0, "single_sided": False}
    spy.calls.clear()
    Topology.buffer(point, 1.5, 3, "square", "bevel", 2, 1)
    args, kwargs = spy.call("buffer")
    assert exact(kwargs.values()) == [(int, 3), (str, "square"), (str, "bevel"), (float, 2.0),
                                      (int, 1)]


@pytest.mark.parametrize("quad_segs,got", [(8.0, "float"), (True, "bool")])
def test_buffer_refuses_a_quad_segs_that_is_not_an_int_before_converting(quad_segs, got):
    line = [[0, 0], [0, 0], [1, 1]]
    with pytest.raises(TypeError, match=rf"'quad_segs' has incorrect type \(expected int, got {got}\)"):
        Topology.buffer(line, 1, quad_segs)
    assert line == [[0, 0], [0, 0], [1, 1]]


def test_float_options_reach_shapely_as_floats(spy):
    Topology.clip(S(ZIGZAG), 0, 1, 2, 3)
    assert exact(spy.call("clip_by_rect")[0][1:]) == [(float, 0.0), (float, 1.0), (float, 2.0),
                                                        (float, 3.0)]
    Topology.simplify(S(ZIGZAG), 1)
    args, kwargs = spy.call("simplify")
    assert exact(args[1:]) == [(float, 1.0)] and kwargs == {"preserve_topology": True}
    Topology.snap(S(ZIGZAG), S(CENTRE), 1)
    assert exact(spy.call("snap")[0][2:]) == [(float, 1.0)]
    Topology.pointOnLine(S(ZIGZAG), -3)
    assert exact(spy.call("line_interpolate_point")[0][1:]) == [(float, -3.0)]
    Topology.similarity(S(ZIGZAG), S(ZIGZAG), 0.5)
    assert exact(spy.call("frechet_distance")[0][2:]) == [(float, 0.5)]
    Topology.triangulate(S(CONCAVE), 1)
    assert spy.call("delaunay_triangles")[1] == {"tolerance": 1.0, "only_edges": False}
    envelope = S(FAR)
    Topology.voronoiDiagram(S(CONCAVE), envelope, 0, True)
    kwargs = spy.call("voronoi_polygons")[1]
    assert kwargs == {"tolerance": 0.0, "extend_to": envelope, "only_edges": True}
    assert kwargs["extend_to"] is envelope


def test_unions_hands_grid_size_and_axis_to_shapely(spy):
    Topology.unions([S(SQUARE), S(SHIFTED)], 0.5)
    args, kwargs = spy.call("union_all")
    assert kwargs == {"grid_size": 0.5, "axis": None}
    spy.calls.clear()
    Topology.unions([S(SQUARE)], None, 0)
    assert spy.call("union_all")[1] == {"grid_size": None, "axis": 0}


@pytest.mark.parametrize("args,name,expected,got", [
    (((S(SQUARE),), 1), "geometries", "list", "tuple"),
    (([S(SQUARE)], 1, 0.0, True), "gridSize", "float", "int"),
    (([S(SQUARE)], None, 0.0, True), "axis", "int", "float"),
    (([S(SQUARE)], None, None, True), "srid", "int", "bool"),
])
def test_unions_tests_its_arguments_in_order(args, name, expected, got):
    with pytest.raises(TypeError, match=rf"'{name}' has incorrect type \(expected {expected}, got {got}\)"):
        Topology.unions(*args)


def test_similarity_refuses_an_int_densify():
    with pytest.raises(TypeError, match=r"'densify' has incorrect type \(expected float, got int\)"):
        Topology.similarity(S(ZIGZAG), S(ZIGZAG), 1)


class Recording(Topology):
    """Records every conversion with its SRID argument, and which geometries
    converted so far were prepared at that moment."""
    calls = []

    @classmethod
    def toShapely(cls, geometry, srid=4326):
        prepared = [bool(shapely.is_prepared(g)) for g, _, _ in cls.calls]
        cls.calls.append((geometry, srid, prepared))
        return geometry


@pytest.fixture
def recording():
    Recording.calls = []
    return Recording


# method, geometry arguments, other arguments, prepares its first geometry
SHAPES = [
    ("buffer", [ORIGIN], [1], True),
    ("clearance", [SQUARE], [], False),
    ("clip", [ZIGZAG], [0, 0, 1, 1], False),
    ("convexHull", [ZIGZAG], [], False),
    ("difference", [SQUARE, SHIFTED], [], False),
    ("distanceOnLine", [ZIGZAG, CENTRE], [], False),
    ("intersection", [SQUARE, SHIFTED], [], False),
    ("pointOnLine", [ZIGZAG], [1], False),
    ("rectangle", [ZIGZAG], [], False),
    ("repair", [BOWTIE], [], False),
    ("shortest", [SQUARE, FAR], [], True),
    ("similarity", [ZIGZAG, NEAR_ZIGZAG], [], False),
    ("simplify", [ZIGZAG], [1], True),
    ("snap", [ZIGZAG, CENTRE], [1], False),
    ("triangulate", [CONCAVE], [], False),
    ("union", [SQUARE, SHIFTED], [], False),
    ("voronoiDiagram", [CONCAVE], [], False),
]


@pytest.mark.parametrize("method,geometries,options,prepares", SHAPES)
def test_conversion_order_and_preparation(recording, method, geometries, options, prepares):
    shapes = [S(g) for g in geometries]
    getattr(recording, method)(*shapes, *options)
    assert [(g, srid) for g, srid, _ in recording.calls] == [(s, None) for s in shapes]
    # the caller's own first geometry is prepared, before a second one is
    # converted; no other geometry is
    assert bool(shapely.is_prepared(shapes[0])) is prepares
    assert not any(shapely.is_prepared(s) for s in shapes[1:])
    if len(shapes) == 2:
        assert recording.calls[1][2] == [prepares]


@pytest.mark.parametrize("method,srid", [("intersections", None), ("unions", None),
                                         ("unions", 4490)])
def test_members_converted_in_order_before_the_call(recording, method, srid):
    members = [S(SQUARE), S(SHIFTED), S(CORNER)]
    extra = [None, None, srid] if method == "unions" else []
    getattr(recording, method)(members, *extra)
    assert [(g, s) for g, s, _ in recording.calls] == [(m, srid) for m in members]
    assert not any(shapely.is_prepared(m) for m in members)


@pytest.mark.parametrize("method", ["intersections", "unions"])
def test_first_unconvertible_member_ends_the_call(method):
    later = [[0, 0], [0, 0], [1, 1]]
    with pytest.raises(Exception, match=r"^\[tuple\] is not a valid type in \[geometry\] parameter\.$"):
        getattr(Topology, method)([S(SQUARE), (1, 2), later])
    assert later == [[0, 0], [0, 0], [1, 1]]


def test_unions_sets_the_srid_on_every_member(spy):
    Topology.unions([gf.make(SQUARE, "dict"), S(SHIFTED)], srid=4490)
    members = spy.call("union_all")[0][0]
    assert [shapely.get_srid(m) for m in members] == [4490, 4490]


# --- result rules -------------------------------------------------------------

@pytest.mark.parametrize("method,args", [
    ("intersection", (SQUARE, FAR)),
    ("intersections", ([SQUARE, SHIFTED, FAR],)),
    ("unions", ([shapely.Polygon(), shapely.Point()],)),
    ("unions", ([],)),
])
def test_empty_overlays_give_none(method, args):
    assert getattr(Topology, method)(*args) is None


def test_empty_difference_comes_back_as_shapely_gives_it():
    result = Topology.difference(SQUARE, SQUARE)
    assert isinstance(result, shapely.Polygon) and result.is_empty


def test_empty_members_stand_as_none(spy):
    Topology.unions([shapely.Polygon(), S(SQUARE)])
    assert spy.call("union_all")[0][0][0] is None


def test_clearance_of_a_point_is_the_int_zero():
    result = Topology.clearance("POINT (1 2)")
    assert result == 0 and type(result) is int


def test_clearance_infinity_of_either_sign_is_zero(monkeypatch):
    for value in (math.inf, -math.inf):
        monkeypatch.setattr(orbalt, "shapely", Spy({"minimum_clearance": value}))
        assert type(Topology.clearance(S(SQUARE))) is int


@pytest.mark.parametrize("method,args,message", [
    ("clearance", (shapely.Polygon(),), "Invalid [geometry] parameter."),
    ("similarity", (shapely.LineString(), ZIGZAG), "Invalid parameter."),
])
def test_nan_measures_raise(method, args, message):
    with pytest.raises(Exception) as caught:
        getattr(Topology, method)(*args)
    assert type(caught.value) is Exception and str(caught.value) == message


def test_similarity_returns_an_infinite_distance_unchanged(monkeypatch):
    monkeypatch.setattr(orbalt, "shapely", Spy({"frechet_distance": math.inf}))
    assert Topology.similarity(S(ZIGZAG), S(ZIGZAG)) == math.inf


@pytest.mark.parametrize("method", ["convexHull", "rectangle", "triangulate"])
def test_empty_geometry_has_no_attributes(method):
    with pytest.raises(AttributeError):
        getattr(Topology, method)(shapely.Polygon())


def test_triangles_and_their_edges():
    points = "MULTIPOINT (0 0, 2 0, 1 2)"
    triangles = Topology.triangulate(points)
    assert [g.geom_type for g in triangles] == ["Polygon"]
    edges = Topology.triangulate(points, edges=True)
    assert [g.geom_type for g in edges] == ["LineString"] * 3


def test_voronoi_cells_in_shapely_order():
    points = "MULTIPOINT (0 0, 3 1, 1 4, 5 5)"
    cells = Topology.voronoiDiagram(points)
    assert same(cells, parts(shapely.voronoi_polygons(S(points))))
    assert {g.geom_type for g in cells} == {"Polygon"} and len(cells) == 4
    edges = Topology.voronoiDiagram(points, edges=True)
    assert {g.geom_type for g in edges} == {"LineString"}
    # two calls give two new lists
    assert Topology.voronoiDiagram(points) is not Topology.voronoiDiagram(points)


def test_voronoi_without_a_diagram_gives_none():
    assert Topology.voronoiDiagram("MULTIPOINT (0 0, 1 1)", tolerance=math.nan) is None


FAILS = shapely.MultiPoint([(0, 0), (math.inf, 1)])
VORONOI = "Could not create Voronoi Diagram with the specified inputs ({})."
HINT = " Try running again with default tolerance value."


@pytest.mark.parametrize("tolerance,hint", [(0.0, ""), (-0.0, ""), (0, ""), (0.5, HINT),
                                            (-1, HINT)])
def test_voronoi_failure(tolerance, hint):
    with pytest.raises(ValueError) as caught:
        Topology.voronoiDiagram(FAILS, tolerance=tolerance)
    cause = caught.value.__cause__
    assert isinstance(cause, shapely.errors.GEOSException)
    assert str(caught.value) == VORONOI.format(cause) + hint
    assert caught.value.__suppress_context__


def test_voronoi_lets_other_errors_pass():
    with pytest.raises(TypeError, match="incorrect type"):
        Topology.voronoiDiagram(S(CONCAVE), "not a geometry")
    with pytest.raises(Exception, match=r"^\[tuple\] is not a valid type"):
        Topology.voronoiDiagram((0, 0))


def test_point_on_line_counts_from_either_end():
    line = "LINESTRING (0 0, 10 0)"
    assert Topology.pointOnLine(line, -2).equals(shapely.Point(8, 0))
    assert Topology.pointOnLine(line, 25).equals(shapely.Point(10, 0))
    assert Topology.pointOnLine(line, -25).equals(shapely.Point(0, 0))


def test_shortest_line_runs_from_a_to_b():
    line = Topology.shortest(SQUARE, FAR)
    assert list(line.coords) == [(2.0, 2.0), (5.0, 5.0)]


@pytest.mark.parametrize("method,options", [("buffer", [1]), ("intersection", [S(SQUARE)]),
                                            ("convexHull", [])])
def test_lists_are_normalised_in_place(method, options):
    ring = [[0, 0], [2, 0], [2, 0], [2, 2], [0, 2]]
    getattr(Topology, method)([ring], *options)
    assert ring == [[0.0, 0.0], [2.0, 0.0], [2.0, 2.0], [0.0, 2.0], [0.0, 0.0]]
    assert all(type(v) is float for vertex in ring for v in vertex)
