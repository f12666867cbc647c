"""Geometry.rotate, scale, skew and translate: units, origins, binding, empty input."""
import math

import pytest
import shapely
import shapely.affinity

from models.orbalt import Geometry


POINT = {"type": "Point", "coordinates": [1.0, 0.0]}
LINE = {"type": "LineString", "coordinates": [[1.0, 1.0], [2.0, 2.0]]}


def coords(shape):
    return [tuple(round(c, 12) + 0.0 for c in xy) for xy in shape.coords]


@pytest.mark.parametrize("call, expected", [
    # degrees, counter-clockwise, about (0, 0, 0) unless told otherwise
    (lambda: Geometry.rotate(POINT, 90), [(0.0, 1.0)]),
    (lambda: Geometry.rotate(POINT, -90.0), [(0.0, -1.0)]),
    (lambda: Geometry.rotate(POINT, 90, "center"), [(1.0, 0.0)]),
    (lambda: Geometry.rotate(POINT, 180, (2, 0)), [(3.0, 0.0)]),
    (lambda: Geometry.rotate(LINE, 90, origin="centroid"), [(2.0, 1.0), (1.0, 2.0)]),
    (lambda: Geometry.scale(LINE, 2), [(2.0, 1.0), (4.0, 2.0)]),
    (lambda: Geometry.scale(LINE, xfact=2, origin="center"), [(0.5, 1.0), (2.5, 2.0)]),
    (lambda: Geometry.scale(LINE, 1.0, -1.0, 1.0, (0, 1.5)), [(1.0, 2.0), (2.0, 1.0)]),
    (lambda: Geometry.skew(LINE), [(1.0, 1.0), (2.0, 2.0)]),
    (lambda: Geometry.skew(LINE, 45), [(2.0, 1.0), (4.0, 2.0)]),
    (lambda: Geometry.skew(LINE, ys=45, origin=(1, 1)), [(1.0, 1.0), (2.0, 3.0)]),
    (lambda: Geometry.translate(LINE), [(1.0, 1.0), (2.0, 2.0)]),
    (lambda: Geometry.translate(LINE, -1, 0.5), [(0.0, 1.5), (1.0, 2.5)]),
])
def test_transforms(call, expected):
    assert coords(call()) == expected


def test_z_factors_and_offsets():
    point = {"type": "Point", "coordinates": [1.0, 2.0, 3.0]}
    assert Geometry.scale(point, zfact=2.0).coords[0] == (1.0, 2.0, 6.0)
    assert Geometry.translate(point, zoff=-3).coords[0] == (1.0, 2.0, 0.0)


def test_inputs_are_not_changed_and_repeats_reach_shapely():
    line = {"type": "LineString", "coordinates": [[1.0, 1.0], [1.0, 1.0], [2.0, 2.0]]}
    shape = shapely.set_srid(shapely.LineString([(0, 0), (1, 1)]), 3857)
    assert len(Geometry.translate(line, 1.0).coords) == 3
    assert line["coordinates"] == [[1.0, 1.0], [1.0, 1.0], [2.0, 2.0]]
    moved = Geometry.translate(shape, 1.0)
    assert list(shape.coords) == [(0.0, 0.0), (1.0, 1.0)]
    assert list(moved.coords) == [(1.0, 0.0), (2.0, 1.0)]


@pytest.mark.parametrize("method, args", [
    ("rotate", (30,)), ("scale", ()), ("skew", ()), ("translate", ()),
])
@pytest.mark.parametrize("empty", [
    {"type": "MultiPoint", "coordinates": []},
    {"type": "GeometryCollection", "geometries": []},
    shapely.Point(),
])
def test_empty_geometry_gives_none_without_calling_shapely(monkeypatch, method, args, empty):
    def fail(*a, **k):
        raise AssertionError("shapely called")
    monkeypatch.setattr(shapely.affinity, method, fail)
    assert getattr(Geometry, method)(empty, *args) is None


@pytest.mark.parametrize("call, name, args, kwargs", [
    (lambda: Geometry.rotate(POINT, 30), "rotate", (30.0,), {"origin": (0, 0, 0), "use_radians": False}),
    (lambda: Geometry.rotate(POINT, True, "center"), "rotate", (1.0,),
     {"origin": "center", "use_radians": False}),
    (lambda: Geometry.scale(POINT, 2, yfact=3), "scale", (),
     {"xfact": 2.0, "yfact": 3.0, "zfact": 1.0, "origin": (0, 0, 0)}),
    (lambda: Geometry.skew(POINT, 1, 2, (5, 5)), "skew", (),
     {"xs": 1.0, "ys": 2.0, "origin": (5, 5), "use_radians": False}),
    (lambda: Geometry.translate(POINT, 1, 2, 3), "translate", (), {"xoff": 1.0, "yoff": 2.0, "zoff": 3.0}),
])
def test_what_reaches_shapely(monkeypatch, call, name, args, kwargs):
    seen = []

    def spy(geom, *a, **k):
        seen.append((geom, a, k))
        return "result"
    monkeypatch.setattr(shapely.affinity, name, spy)
    assert call() == "result"                       # the library's result, unchanged
    (geom, a, k), = seen
    assert geom.equals(shapely.Point(1.0, 0.0))
    assert a == args and all(type(x) is float for x in a)
    assert k == kwargs
    assert all(type(v) is float for key, v in k.items() if key not in ("origin", "use_radians"))


def test_conversion_goes_through_the_class_without_srid():
    seen = []
    shape = shapely.set_srid(shapely.Point(1, 0), 4490)

    class Traced(Geometry):
        @classmethod
        def toShapely(cls, *args, **kwargs):
            seen.append((args, kwargs))
            return shape

    result = Traced.rotate("anything", 90)
    assert seen == [(("anything", None), {})]
    assert coords(result) == [(0.0, 1.0)]


@pytest.mark.parametrize("call, error, message", [
    (lambda: Geometry.rotate(POINT), TypeError, "rotate() takes at least 3 positional arguments (2 given)"),
    (lambda: Geometry.rotate(POINT, "90"), TypeError, "must be real number, not str"),
    (lambda: Geometry.scale(POINT, None), TypeError, "must be real number, not NoneType"),
    (lambda: Geometry.translate(POINT, 10**400), OverflowError, "int too large to convert to float"),
    (lambda: Geometry.rotate((1.0, 0.0), 90), Exception,
     "[tuple] is not a valid type in [geometry] parameter."),
    (lambda: Geometry.translate(None), Exception,
     "[NoneType] is not a valid type in [geometry] parameter."),
    (lambda: Geometry.rotate(POINT, 90, "middle"), ValueError, None),  # shapely's error, unchanged
])
def test_errors(call, error, message):
    with pytest.raises(error) as info:
        call()
    assert type(info.value) is error
    if message is not None:
        assert str(info.value) == message


def test_a_coordinate_list_is_normalised_in_place_first():
    ring = [[0, 0], [0, 0], [2, 0], [2, 2]]
    result = Geometry.rotate([ring], 90)
    assert ring == [[0.0, 0.0], [2.0, 0.0], [2.0, 2.0], [0.0, 0.0]] and ring[0] is ring[-1]
    assert [tuple(round(c, 12) + 0.0 for c in xy) for xy in result.exterior.coords] == \
        [(0.0, 0.0), (0.0, 2.0), (-2.0, 2.0), (0.0, 0.0)]
    assert math.isclose(Geometry.rotate("POINT (1 0)", 90).y, 1.0)
