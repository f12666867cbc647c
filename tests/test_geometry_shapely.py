"""Geometry.toShapely and Geometry.fromShapely."""
from collections import OrderedDict

import pytest
import shapely

from models.orbalt import Geometry, Topology


def test_shapely_geometry_with_srid_none_is_the_same_object():
    p = shapely.Point(1, 2)
    assert Geometry.toShapely(p, None) is p
    assert shapely.get_srid(p) == 0
    assert shapely.get_srid(Geometry.toShapely(p)) == 4326
    assert shapely.get_srid(Geometry.toShapely(p, 0)) == 0
    assert shapely.get_srid(Geometry.toShapely(p, srid=3857)) == 3857


@pytest.mark.parametrize("value", [
    shapely.Point(), shapely.GeometryCollection(), shapely.Polygon(),
    {"type": "MultiPoint", "coordinates": []},
    "0101000000000000000000F87F000000000000F87F",          # POINT EMPTY as WKB
])
@pytest.mark.parametrize("srid", [None, 4326])
def test_empty_geometry_gives_none(value, srid):
    assert Geometry.toShapely(value, srid) is None


@pytest.mark.parametrize("value, name", [
    (None, "NoneType"), ((1, 2), "tuple"), (b"0101", "bytes"),
    (shapely.LinearRing([(0, 0), (1, 0), (1, 1)]), "LinearRing"),
    (OrderedDict(type="Point", coordinates=[1, 2]), "OrderedDict"),
])
def test_other_values_refused(value, name):
    with pytest.raises(Exception) as info:
        Geometry.toShapely(value)
    assert type(info.value) is Exception
    assert str(info.value) == f"[{name}] is not a valid type in [geometry] parameter."


def test_list_is_loaded_in_place_and_dict_used_unchanged():
    line = [[0, 0], [0, 0], [1, 1]]
    g = Geometry.toShapely(line)
    assert line == [[0.0, 0.0], [1.0, 1.0]] and len(g.coords) == 2
    d = {"type": "LineString", "coordinates": [[0, 0], [0, 0], [1, 1]]}
    g = Geometry.toShapely(d)
    assert d["coordinates"] == [[0, 0], [0, 0], [1, 1]] and len(g.coords) == 3


@pytest.mark.parametrize("text", [
    "POLYGON ((0 0,1 0,1 1))",
    '{"type": "Polygon", "coordinates": [[[0, 0], [1, 0], [1, 1]]]}',
    shapely.to_wkb(shapely.Polygon([(0, 0), (1, 0), (1, 1)]), hex=True),
])
def test_text_goes_through_loads(text):
    assert Geometry.toShapely(text).equals(shapely.Polygon([(0, 0), (1, 0), (1, 1)]))


def test_loads_errors_and_shapely_errors_pass_through():
    with pytest.raises(Exception, match="Dimension"):
        Geometry.toShapely([5])
    with pytest.raises(Exception):
        Geometry.toShapely({"coordinates": [1, 2]})      # shapely needs a type


def test_to_shapely_loads_through_the_class():
    class Traced(Geometry):
        calls = []

        @classmethod
        def loads(cls, coordinates, code=-1):
            cls.calls.append(coordinates)
            return Geometry.loads.__func__(cls, coordinates, code)
    Traced.toShapely("POINT (1 2)")
    assert Traced.calls == ["POINT (1 2)"]
    assert Topology.toShapely([1, 2], None).equals(shapely.Point(1, 2))


def test_from_shapely_is_shapelys_geojson_decoded():
    poly = shapely.Polygon([(0, 0), (1, 0), (1, 1)], holes=[[(0.2, 0.1), (0.8, 0.1), (0.8, 0.6)]])
    d = Geometry.fromShapely(poly)
    assert list(d) == ["type", "coordinates"] and d["type"] == "Polygon"
    assert d["coordinates"][1][0] == [0.2, 0.1]
    assert Geometry.fromShapely(shapely.Point(1, 2, 3)) == {"type": "Point",
                                                            "coordinates": [1.0, 2.0, 3.0]}
    assert Geometry.fromShapely(Geometry.toShapely({"type": "MultiPoint",
                                                    "coordinates": [[1, 2]]}))["type"] == "MultiPoint"
    with pytest.raises(Exception):
        Geometry.fromShapely("POINT (1 2)")


def test_module_globals_are_read_at_call_time():
    import models.orbalt as m
    real = m.shapely

    class Fake:
        def __getattr__(self, name):
            return getattr(real, name)

        @staticmethod
        def to_geojson(g):
            return '{"type": "Point", "coordinates": [9, 9]}'
    m.shapely = Fake()
    try:
        assert Geometry.fromShapely(shapely.Point(1, 2)) == {"type": "Point", "coordinates": [9, 9]}
    finally:
        m.shapely = real
