"""Spatial predicates of Topology: conversion through the class, in-place
preparation of the first geometry, point range tests and shapely's answers."""
import math

import pytest
import shapely

import geometry_forms as gf
from models.orbalt import Topology

SQUARE = "POLYGON ((0 0, 2 0, 2 2, 0 2, 0 0))"
SQUARE_REVERSED = "POLYGON ((0 0, 0 2, 2 2, 2 0, 0 0))"
SQUARE_SHIFTED = "POLYGON ((1 1, 3 1, 3 3, 1 3, 1 1))"
SQUARE_BESIDE = "POLYGON ((2 0, 4 0, 4 2, 2 2, 2 0))"
SQUARE_FAR = "POLYGON ((5 5, 6 5, 6 6, 5 6, 5 5))"
INSIDE = "POINT (1 1)"
ON_EDGE = "POINT (1 0)"
FAR = "POINT (5 5)"
ACROSS = "LINESTRING (-1 1, 3 1)"

# method, a, b, expected answer
CASES = [
    ("contains", SQUARE, INSIDE, True),
    ("contains", SQUARE, ON_EDGE, False),
    ("covers", SQUARE, ON_EDGE, True),
    ("covers", SQUARE, FAR, False),
    ("crosses", ACROSS, SQUARE, True),
    ("crosses", SQUARE_SHIFTED, SQUARE, False),
    ("intersects", SQUARE, ON_EDGE, True),
    ("intersects", SQUARE, FAR, False),
    ("overlaps", SQUARE, SQUARE_SHIFTED, True),
    ("overlaps", SQUARE, SQUARE, False),
    ("touches", SQUARE, SQUARE_BESIDE, True),
    ("touches", SQUARE, SQUARE_SHIFTED, False),
    ("equals", SQUARE, SQUARE_REVERSED, True),
    ("equals", SQUARE, SQUARE_SHIFTED, False),
    ("equal", SQUARE, SQUARE, True),
    ("equal", SQUARE, SQUARE_REVERSED, False),
    ("relate", SQUARE, SQUARE_FAR, "FF2FF1212"),
    ("relate", SQUARE, SQUARE, "2FFF1FFF2"),
]

PREPARING = ["contains", "covers", "crosses", "equals", "equal", "intersects", "overlaps",
             "touches"]


@pytest.mark.parametrize("form", gf.FORMS)
@pytest.mark.parametrize("method,a,b,expected", CASES)
def test_answers_in_every_input_form(method, a, b, expected, form):
    result = getattr(Topology, method)(gf.make(a, form), gf.make(b, form))
    assert result == expected
    # shapely's own value comes back unconverted (a numpy bool from its
    # functions, a plain bool from the geometry's operations).
    if method == "equals":
        reference = gf.shape(a).equals(gf.shape(b))
    elif method == "equal":
        reference = gf.shape(a) == gf.shape(b)
    else:
        reference = getattr(shapely, method)(gf.shape(a), gf.shape(b))
    assert type(result) is type(reference)
    assert result == reference


@pytest.mark.parametrize("method", PREPARING + ["relate"])
def test_first_geometry_prepared_in_place(method):
    a, b = gf.shape(SQUARE), gf.shape(INSIDE)
    getattr(Topology, method)(a, b)
    assert bool(shapely.is_prepared(a)) is (method != "relate")
    assert not shapely.is_prepared(b)


class Recording(Topology):
    """Records every conversion, and whether the first geometry was already
    prepared when each one was made."""
    calls = []

    @classmethod
    def toShapely(cls, geometry, srid=4326):
        cls.calls.append((geometry, srid, [bool(shapely.is_prepared(g)) for g, _, _ in cls.calls]))
        return geometry


@pytest.mark.parametrize("method", PREPARING + ["relate"])
def test_conversion_through_the_class_in_order(method):
    a, b = gf.shape(SQUARE), gf.shape(SQUARE_SHIFTED)
    Recording.calls = []
    getattr(Recording, method)(a, b)
    assert [(g, srid) for g, srid, _ in Recording.calls] == [(a, None), (b, None)]
    # b is converted after a has been prepared (relate prepares nothing).
    assert Recording.calls[1][2] == [method != "relate"]


def test_unaccepted_first_geometry_stops_before_the_second():
    b = [[0, 0], [0, 0], [1, 1]]
    with pytest.raises(Exception, match=r"^\[tuple\] is not a valid type in \[geometry\] parameter\.$"):
        Topology.contains((0, 0), b)
    assert b == [[0, 0], [0, 0], [1, 1]]


def test_unaccepted_second_geometry_after_the_first_is_prepared():
    a = gf.shape(SQUARE)
    with pytest.raises(Exception, match=r"^\[NoneType\] is not a valid type"):
        Topology.intersects(a, None)
    assert shapely.is_prepared(a)


@pytest.mark.parametrize("method", ["equals", "equal"])
@pytest.mark.parametrize("a,b,expected", [
    (shapely.Polygon(), shapely.Polygon(), True),
    ({"type": "LineString", "coordinates": []}, shapely.Point(), True),
    (shapely.Polygon(), SQUARE, False),
    (SQUARE, shapely.Polygon(), False),
])
def test_empty_geometries_are_equal_only_to_each_other(method, a, b, expected):
    assert getattr(Topology, method)(a, b) is expected


# --- point forms ---------------------------------------------------------------

POINT_METHODS = ["containsPoint", "intersectsPoint"]


@pytest.mark.parametrize("form", gf.FORMS)
@pytest.mark.parametrize("method,x,y,expected", [
    ("containsPoint", 1, 1, True),
    ("containsPoint", 1, 0, False),
    ("containsPoint", 3, 1, False),
    ("intersectsPoint", 1, 0, True),
    ("intersectsPoint", 1, 1, True),
    ("intersectsPoint", 3, 1, False),
])
def test_point_answers(method, x, y, expected, form):
    square = gf.make(SQUARE, form)
    result = getattr(Topology, method)(square, x, y)
    assert result == expected
    assert type(result) is type(shapely.contains_xy(gf.shape(SQUARE), 1.0, 1.0))


@pytest.mark.parametrize("method", POINT_METHODS)
def test_point_geometry_prepared_and_bounds_inclusive(method):
    world = shapely.box(-180, -90, 180, 90)
    for x, y in [(-180, -90), (180, 90), (-180.0, 90.0)]:
        assert getattr(Topology, method)(world, x, y) == (method == "intersectsPoint")
    assert shapely.is_prepared(world)


LON = "should be between [-180 \uff5e +180] in [longitude] parameter."
LAT = "should be between [-90 \uff5e +90] in [latitude] parameter."


@pytest.mark.parametrize("method", POINT_METHODS)
@pytest.mark.parametrize("x,y,message", [
    (180.5, 95, f"[180.5] {LON}"),
    (200, 0, f"[200.0] {LON}"),
    (-180.0000001, 0, f"[-180.0000001] {LON}"),
    (math.nan, 0, f"[nan] {LON}"),
    (math.inf, 0, f"[inf] {LON}"),
    (0, math.nan, f"[nan] {LAT}"),
    (0, -90.5, f"[-90.5] {LAT}"),
    (0, -math.inf, f"[-inf] {LAT}"),
])
def test_point_range_messages(method, x, y, message):
    with pytest.raises(Exception) as caught:
        getattr(Topology, method)(gf.shape(SQUARE), x, y)
    assert type(caught.value) is Exception
    assert str(caught.value) == message


@pytest.mark.parametrize("method", POINT_METHODS)
def test_point_failures_in_order(method):
    call = getattr(Topology, method)
    # a text number is refused while binding, before the invalid geometry
    with pytest.raises(TypeError):
        call((1, 2), "1", 0)
    with pytest.raises(TypeError):
        call((1, 2), 0, "1")
    # the geometry fails before the range tests
    with pytest.raises(Exception, match=r"^\[tuple\] is not a valid type"):
        call((1, 2), 500, 500)
    # a geometry that converts is prepared even when the point is refused
    square = gf.shape(SQUARE)
    with pytest.raises(Exception, match="longitude"):
        call(square, 500, 0)
    assert shapely.is_prepared(square)


@pytest.mark.parametrize("method", ["contains", "relate"])
def test_lists_are_normalised_in_place(method):
    ring = [[0, 0], [2, 0], [2, 0], [2, 2], [0, 2]]
    getattr(Topology, method)([ring], gf.shape(INSIDE))
    assert ring == [[0.0, 0.0], [2.0, 0.0], [2.0, 2.0], [0.0, 2.0], [0.0, 0.0]]
    assert all(type(v) is float for vertex in ring for v in vertex)


# While shapely's own wrapper functions are in place the module calls their
# compiled targets in shapely.lib directly; that is only sound while each
# wrapper forwards its arguments unchanged (or, for the point forms, also
# prepares the geometry first).  A shapely release that changes a wrapper
# fails here.
FORWARDING = ["is_empty", "prepare", "contains", "covers", "crosses", "intersects", "overlaps",
              "touches", "relate"]


@pytest.mark.parametrize("name", FORWARDING + ["contains_xy", "intersects_xy"])
def test_shapely_wrappers_only_forward(name):
    import ast
    import inspect
    import textwrap
    function = ast.parse(textwrap.dedent(inspect.getsource(inspect.unwrap(getattr(shapely, name))))).body[0]
    body = [ast.unparse(s) for s in function.body
            if not (isinstance(s, ast.Expr) and isinstance(s.value, ast.Constant))]
    params = ", ".join(a.arg for a in function.args.args)
    if name in FORWARDING:
        assert body in ([f"return lib.{name}({params}, **kwargs)"], [f"lib.{name}({params}, **kwargs)"])
    else:
        assert body[1:] == ["if isinstance(geom, lib.Geometry):\n    lib.prepare(geom)",
                            f"return lib.{name}(geom, x, y, **kwargs)"]
        assert body[0].startswith("if y is None:")


@pytest.mark.parametrize("method,patched,args", [
    ("intersects", "intersects", (SQUARE, INSIDE)),
    ("relate", "relate", (SQUARE, INSIDE)),
    ("intersects", "is_empty", (SQUARE, INSIDE)),
    ("intersects", "prepare", (SQUARE, INSIDE)),
    ("containsPoint", "contains_xy", (SQUARE, 1, 1)),
    ("intersectsPoint", "intersects_xy", (SQUARE, 1, 1)),
    ("containsPoint", "prepare", (SQUARE, 1, 1)),
])
def test_patched_shapely_functions_are_obeyed(monkeypatch, method, patched, args):
    seen = []
    real = getattr(shapely, patched)

    def spy(*a, **k):
        seen.append(a)
        result = real(*a, **k)
        return "spied" if patched not in ("is_empty", "prepare") else result

    monkeypatch.setattr(shapely, patched, spy)
    geometries = [gf.shape(a) if isinstance(a, str) else a for a in args]
    result = getattr(Topology, method)(*geometries)
    assert seen
    if patched not in ("is_empty", "prepare"):
        assert result == "spied"
    # the module global itself is read at the call too
    import models.orbalt as m
    monkeypatch.setattr(m, "shapely", type("Stand", (), {
        "__getattr__": lambda self, n: spy if n == patched else getattr(shapely, n)})())
    seen.clear()
    monkeypatch.setattr(shapely, patched, real)
    getattr(Topology, method)(*geometries)
    assert seen
