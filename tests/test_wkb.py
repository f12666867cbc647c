"""Geometry.toWkb: little-endian hexadecimal EWKB through toShapely, SRID handling."""
import struct

import pytest
import shapely

from models.orbalt import Geometry


def ewkb(kind, srid, *ordinates, z=False):
    """Expected hex of a one-vertex geometry, built byte by byte."""
    word = kind | (0x80000000 if z else 0) | (0x20000000 if srid else 0)
    out = b"\x01" + struct.pack("<I", word)
    if srid:
        out += struct.pack("<i", srid)
    return (out + struct.pack(f"<{len(ordinates)}d", *ordinates)).hex().upper()


POINT = {"type": "Point", "coordinates": [-115.81, 37.24]}


@pytest.mark.parametrize("geometry, srid, text", [
    (POINT, 4326, "0101000020E6100000A4703D0AD7F35CC01F85EB51B89E4240"),
    (POINT, None, "0101000000A4703D0AD7F35CC01F85EB51B89E4240"),
    (POINT, 0, "0101000000A4703D0AD7F35CC01F85EB51B89E4240"),
    (POINT, 4490, ewkb(1, 4490, -115.81, 37.24)),
    ({"type": "Point", "coordinates": [1.0, 2.0, 3.0]}, 4326, ewkb(1, 4326, 1.0, 2.0, 3.0, z=True)),
    ({"type": "Point", "coordinates": [1.0, 2.0, 3.0]}, 0, ewkb(1, 0, 1.0, 2.0, 3.0, z=True)),
])
def test_point_layout(geometry, srid, text):
    assert Geometry.toWkb(geometry, srid) == text


def test_default_srid_is_4326():
    assert Geometry.toWkb(POINT) == Geometry.toWkb(POINT, 4326)


def test_members_carry_byte_order_but_only_the_outer_geometry_an_srid():
    text = Geometry.toWkb({"type": "MultiPoint", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}, 2000)
    expected = ("01" + struct.pack("<I", 4 | 0x20000000).hex() + struct.pack("<iI", 2000, 2).hex()
                + ewkb(1, 0, 1.0, 2.0).lower() + ewkb(1, 0, 3.0, 4.0).lower())
    assert text == expected.upper()


def test_srid_none_keeps_a_shapely_geometry_own_srid():
    shape = shapely.set_srid(shapely.Point(-115.81, 37.24), 3857)
    assert Geometry.toWkb(shape, None) == ewkb(1, 3857, -115.81, 37.24)
    assert Geometry.toWkb(shape) == ewkb(1, 4326, -115.81, 37.24)
    assert shapely.get_srid(shape) == 3857                # the caller's object is not changed


@pytest.mark.parametrize("geometry", [
    {"type": "MultiPoint", "coordinates": []},
    {"type": "GeometryCollection", "geometries": []},
    shapely.Point(),
])
def test_empty_geometry_gives_none(geometry):
    assert Geometry.toWkb(geometry) is None
    assert Geometry.toWkb(geometry, None) is None


def test_round_trip_of_a_polygon_with_hole():
    polygon = {"type": "Polygon", "coordinates": [
        [[0.0, 0.0], [10.0, 0.0], [10.0, 10.0], [0.0, 0.0]],
        [[1.0, 1.0], [2.0, 1.0], [2.0, 2.0], [1.0, 1.0]]]}
    back = shapely.from_wkb(Geometry.toWkb(polygon, 4326))
    assert shapely.get_srid(back) == 4326
    assert back.equals_exact(shapely.geometry.shape(polygon), 0)


def test_refused_type_names_the_class():
    with pytest.raises(Exception, match=r"^\[tuple\] is not a valid type in \[geometry\] parameter\.$"):
        Geometry.toWkb((1.0, 2.0))


def test_conversion_goes_through_the_class_with_srid_by_position():
    seen = []

    class Traced(Geometry):
        @classmethod
        def toShapely(cls, *args, **kwargs):
            seen.append((args, kwargs))
            return shapely.Point(1, 2)

    assert Traced.toWkb("anything", srid=None) == ewkb(1, 0, 1.0, 2.0)
    assert seen == [(("anything", None), {})]


def test_list_input_is_loaded_in_place():
    line = [[1, 2], [1, 2], [3, 4]]
    Geometry.toWkb(line, 0)
    assert line == [[1.0, 2.0], [3.0, 4.0]]
