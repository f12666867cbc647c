"""Geometry.toWkt: numbers as str() writes them, bodies by type, collections, messages."""
from decimal import Decimal
from fractions import Fraction

import pytest

from hostile_support import run_call

from models.orbalt import Geometry


def point(*values):
    return {"type": "Point", "coordinates": list(values)}


@pytest.mark.parametrize("values, text", [
    ((1, 2), "POINT (1 2)"),                            # an exact dict is not loaded: ints stay
    ((1.0, 2.0), "POINT (1.0 2.0)"),
    ((0.00001, 1e16), "POINT (1e-05 1e+16)"),
    ((0.0001, 1e15), "POINT (0.0001 1000000000000000.0)"),  # either side of the switch
    ((0.1 + 0.2, -0.0), "POINT (0.30000000000000004 -0.0)"),
    ((5e-324, 1.7976931348623157e308), "POINT (5e-324 1.7976931348623157e+308)"),
    ((float("inf"), float("nan")), "POINT (inf nan)"),
    ((2**63, -2**63 - 1), "POINT (9223372036854775808 -9223372036854775809)"),
    ((-2**63, 2**100), "POINT (-9223372036854775808 1267650600228229401496703205376)"),
    ((True, None), "POINT (True None)"),
    ((Decimal("1.50"), Fraction(1, 3)), "POINT (1.50 1/3)"),
    (("12.5", "x y"), "POINT (12.5 x y)"),              # text is written unchanged
    (("\u00e9\u4e2d", "\udcff"), "POINT (\u00e9\u4e2d \udcff)"),  # a lone surrogate survives
    ((1.0, 2.0, 3, 4.5, 6), "POINT (1.0 2.0 3 4.5 6)"),  # every ordinate, no dimension tag
])
def test_ordinates_are_str_of_each_value(values, text):
    assert Geometry.toWkt(point(*values)) == text
    assert text == "POINT (" + " ".join(map(str, values)) + ")"


class Number:
    def __str__(self):
        return "forty-two"


def test_ordinate_of_any_class_uses_its_str():
    assert Geometry.toWkt(point(Number(), 1)) == "POINT (forty-two 1)"


SQUARE = [[0.0, 0.0], [1.0, 0.0], [1.0, 1.0], [0.0, 0.0]]


@pytest.mark.parametrize("geometry, text", [
    ({"type": "MultiPoint", "coordinates": [[1.0, 2.0], [3.0, 4.0]]},
     "MULTIPOINT (1.0 2.0,3.0 4.0)"),
    ({"type": "LineString", "coordinates": [[0.0, 0.0], [1.0, 1.0]]},
     "LINESTRING (0.0 0.0,1.0 1.0)"),
    ({"type": "MultiLineString", "coordinates": [[[0.0, 0.0], [1.0, 1.0]], [[2.0, 2.0], [3.0, 3.0]]]},
     "MULTILINESTRING ((0.0 0.0,1.0 1.0),(2.0 2.0,3.0 3.0))"),
    ({"type": "Polygon", "coordinates": [SQUARE, [[0.2, 0.2], [0.4, 0.2], [0.2, 0.4], [0.2, 0.2]]]},
     "POLYGON ((0.0 0.0,1.0 0.0,1.0 1.0,0.0 0.0),(0.2 0.2,0.4 0.2,0.2 0.4,0.2 0.2))"),
    ({"type": "MultiPolygon", "coordinates": [[SQUARE], [[[5.0, 5.0], [6.0, 5.0], [6.0, 6.0], [5.0, 5.0]]]]},
     "MULTIPOLYGON (((0.0 0.0,1.0 0.0,1.0 1.0,0.0 0.0)),((5.0 5.0,6.0 5.0,6.0 6.0,5.0 5.0)))"),
    # empty levels give empty parentheses, never EMPTY
    ({"type": "LineString", "coordinates": []}, "LINESTRING ()"),
    ({"type": "Point", "coordinates": []}, "POINT ()"),
    ({"type": "MultiPolygon", "coordinates": [[]]}, "MULTIPOLYGON (())"),
    ({"type": "GeometryCollection", "geometries": []}, "GEOMETRYCOLLECTION ()"),
    # any iterable at any level; nesting that does not fit is written as far as it goes
    ({"type": "Polygon", "coordinates": ([(0, 0), (1, 0), (0, 0)],)}, "POLYGON ((0 0,1 0,0 0))"),
    ({"type": "LineString", "coordinates": (v for v in [[1, 2], [3, 4]])}, "LINESTRING (1 2,3 4)"),
    ({"type": "Point", "coordinates": [[1, 2]]}, "POINT ([1, 2])"),
    # coordinates are tested before geometries, and other keys are ignored
    ({"type": "Point", "coordinates": [1, 2], "geometries": [], "srid": 4326}, "POINT (1 2)"),
])
def test_body_by_type(geometry, text):
    assert Geometry.toWkt(geometry) == text


def test_collection_members_nest_and_may_be_any_input():
    inner = {"type": "GeometryCollection", "geometries": [point(1, 2)]}
    line = {"type": "LineString", "coordinates": [[0.0, 0.0], [1.0, 1.0]]}
    outer = {"type": "GeometryCollection", "geometries": [point(1.0, 2.0), line, inner]}
    assert Geometry.toWkt(outer) == ("GEOMETRYCOLLECTION (POINT (1.0 2.0),LINESTRING (0.0 0.0,1.0 1.0),"
                                     "GEOMETRYCOLLECTION (POINT (1 2)))")


@pytest.mark.parametrize("value, text", [
    ([1, 2], "POINT (1.0 2.0)"),          # loaded: x and y become floats
    ([1, 2, 3], "POINT (1.0 2.0 3)"),     # ... and further ordinates stay as they are
    ("POINT (1 2)", "POINT (1.0 2.0)"),
])
def test_other_input_is_loaded_first(value, text):
    assert Geometry.toWkt(value) == text
    assert Geometry.toWkt({"type": "GeometryCollection", "geometries": [value]}) == \
        "GEOMETRYCOLLECTION (" + text + ")"


def test_loads_and_members_go_through_the_class():
    calls = []

    class Traced(Geometry):
        @classmethod
        def loads(cls, coordinates, code=-1):
            calls.append(("loads", coordinates))
            return {"type": "Point", "coordinates": [7, 8]}

        @classmethod
        def toWkt(cls, geometry):
            calls.append(("toWkt", geometry))
            return Geometry.toWkt.__func__(cls, geometry)

    member = point(1, 2)
    assert Traced.toWkt({"type": "GeometryCollection", "geometries": [member, (9, 9)]}) == \
        "GEOMETRYCOLLECTION (POINT (1 2),POINT (7 8))"
    assert calls[1:] == [("toWkt", member), ("toWkt", (9, 9)), ("loads", (9, 9))]
    from collections import OrderedDict
    assert Traced.toWkt(OrderedDict(point(1, 2))) == "POINT (7 8)"   # a dict subclass is loaded


@pytest.mark.parametrize("geometry, error, message", [
    ({"coordinates": [1, 2]}, KeyError, "'type'"),
    ({"type": "", "coordinates": [1, 2]}, Exception, "Invalid geometry type."),
    ({"type": None, "coordinates": [1, 2]}, Exception, "Invalid geometry type."),
    ({"type": "point", "coordinates": [1, 2]}, Exception, "Invalid geometry type."),
    ({"type": "GeometryCollection", "coordinates": [], "geometries": []}, Exception,
     "Invalid geometry type."),
    ({"type": "Point", "geometries": []}, Exception, "Invalid geometry type."),
    ({"type": "GeometryCollection", "geometries": ()}, Exception, "Invalid geometry type."),
    ({"type": "Point"}, Exception, "Invalid geometry type."),
    ({"type": "Point", "coordinates": None}, TypeError, "'NoneType' object is not iterable"),
    ({"type": "LineString", "coordinates": [[1, 2], 3]}, TypeError, "'int' object is not iterable"),
    # a failing member ends the call, with no partial text
    ({"type": "GeometryCollection", "geometries": [point(1, 2), {"type": "Circle", "coordinates": []}]},
     Exception, "Invalid geometry type."),
])
def test_errors(geometry, error, message):
    with pytest.raises(error) as info:
        Geometry.toWkt(geometry)
    assert type(info.value) is error
    assert str(info.value) == message


def test_refused_input_reports_the_loads_message():
    class Refusing(Geometry):
        @classmethod
        def loads(cls, coordinates, code=-1):
            name = type(coordinates).__name__
            raise Exception(f"[{name}] is not a valid type in [coordinates] parameter.")

    with pytest.raises(Exception, match=r"^\[tuple\] is not a valid type in \[coordinates\] parameter\.$"):
        Refusing.toWkt((1, 2))


def float_sample():
    """Floats from every binade, the repr() layout boundaries and decimal-looking values."""
    import random
    import struct
    rng = random.Random(20261210)
    values = [struct.unpack("<d", struct.pack("<Q", rng.getrandbits(64)))[0] for _ in range(20000)]
    values += [rng.uniform(-180, 180) for _ in range(5000)]
    values += [round(rng.uniform(-1e7, 1e7), rng.randint(0, 9)) for _ in range(5000)]
    for e in range(-330, 310):
        for m in (1.0, 9.999999999999998, 5.0, 1.2345678901234567):
            values += [m * 10.0 ** e if abs(e) < 300 else float(f"{m}e{e}")]
    values += [9999999999999998.0, 1e16 - 2, 123456789012345678.0, 0.0001, 0.00009999999999999999,
               2.0 ** -1074, 2.0 ** -1022, 1.7976931348623157e308, 2.0 ** 53, 2.0 ** 53 + 2]
    return values


def test_float_ordinates_match_repr_everywhere():
    values = float_sample()
    pairs = [values[i:i + 2] for i in range(0, len(values) - 1, 2)]
    line = {"type": "LineString", "coordinates": pairs}
    expected = "LINESTRING (" + ",".join(f"{x!r} {y!r}" for x, y in pairs) + ")"
    assert Geometry.toWkt(line) == expected
    negative = {"type": "MultiPoint", "coordinates": [[-x, -y] for x, y in pairs]}
    assert Geometry.toWkt(negative) == \
        "MULTIPOINT (" + ",".join(f"{-x!r} {-y!r}" for x, y in pairs) + ")"


def nested_collection(depth):
    geometry = point(1, 2)
    for _ in range(depth):
        geometry = {"type": "GeometryCollection", "geometries": [geometry]}
    return geometry


def test_deep_collections_recurse_or_raise_recursion_error():
    assert Geometry.toWkt(nested_collection(300)) == \
        "GEOMETRYCOLLECTION (" * 300 + "POINT (1 2)" + ")" * 300
    with pytest.raises(RecursionError):
        Geometry.toWkt(nested_collection(100_000))


@pytest.mark.parametrize("hook, kind", [("__repr__", "clear"), ("__repr__", "append")])
def test_vertices_changed_while_they_are_written(hook, kind):
    # str() of a value without __str__ is its repr.
    build = ("h = hostile(1.0, HOOK, KIND); h.home = line = [[0.0, 0.0], [h, 1.0], [2.0, 2.0]];"
             "arg = {'type': 'LineString', 'coordinates': line}")
    assert run_call(build, hook, kind, "Geometry.toWkt(arg)") == "str"
