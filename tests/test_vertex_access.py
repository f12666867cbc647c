"""Geometry.getXY and Geometry.swapXY: the walk by type, endpoints, in-place swap."""
from collections import Counter, OrderedDict

import pytest

from models.orbalt import Geometry

LINE = [[0, 0], [1, 1], [2, 2]]
RING = [[0, 0], [4, 0], [4, 4], [0, 0]]
HOLE = [[1, 1], [2, 1], [2, 2], [1, 1]]


@pytest.mark.parametrize("geometry, ends, every", [
    ({"type": "Point", "coordinates": [1, 2, 3]}, [(1, 2, 3)], [(1, 2, 3)]),
    ({"type": "MultiPoint", "coordinates": LINE}, [(0, 0), (1, 1), (2, 2)], [(0, 0), (1, 1), (2, 2)]),
    ({"type": "LineString", "coordinates": LINE}, [(0, 0), (2, 2)], [(0, 0), (1, 1), (2, 2)]),
    ({"type": "LineString", "coordinates": [[5, 6]]}, [(5, 6), (5, 6)], [(5, 6)]),
    ({"type": "MultiLineString", "coordinates": [LINE, [[7, 7], [8, 8, 9]]]},
     [(0, 0), (2, 2), (7, 7), (8, 8, 9)], [(0, 0), (1, 1), (2, 2), (7, 7), (8, 8, 9)]),
    ({"type": "Polygon", "coordinates": [RING, HOLE]},
     [(0, 0), (0, 0), (1, 1), (1, 1)], [tuple(v) for v in RING + HOLE]),
    ({"type": "MultiPolygon", "coordinates": [[RING], [HOLE, [[9, 9], [9, 8], [8, 8]]]]},
     [(0, 0), (0, 0), (1, 1), (1, 1), (9, 9), (8, 8)],
     [tuple(v) for v in RING + HOLE + [[9, 9], [9, 8], [8, 8]]]),
    ({"type": "GeometryCollection", "geometries": [
        {"type": "Point", "coordinates": [9, 9]}, {"type": "LineString", "coordinates": LINE}]},
     [(9, 9), (0, 0), (2, 2)], [(9, 9), (0, 0), (1, 1), (2, 2)]),
    # empty where the type or keys give nothing to walk
    ({"type": "MultiPoint", "coordinates": []}, [], []),
    ({"type": "GeometryCollection", "geometries": []}, [], []),
    ({"type": None, "coordinates": LINE}, [], []),
    ({"type": "", "coordinates": LINE}, [], []),
    ({"type": "Point"}, [], []),
    ({"type": "GeometryCollection", "geometries": ({"type": "Point", "coordinates": [1, 2]},)}, [], []),
    ({"type": "Point", "geometries": [{"type": "Point", "coordinates": [1, 2]}]}, [], []),
    # any iterable above the vertices; a tuple line is read by index
    ({"type": "Polygon", "coordinates": ((v for v in RING),)}, None, [tuple(v) for v in RING]),
    ({"type": "LineString", "coordinates": ((0, 1), (2, 3), (4, 5))}, [(0, 1), (4, 5)], None),
])
def test_getxy_by_type_and_endpoint(geometry, ends, every):
    if ends is not None:
        assert Geometry.getXY(geometry) == ends
        assert Geometry.getXY(geometry, True) == ends
    if every is not None:
        assert Geometry.getXY(geometry, endpoint=False) == every


def test_getxy_values_are_stored_values_and_tuples_are_kept():
    vertex = (1, 2.5, "z")
    result = Geometry.getXY({"type": "MultiPoint", "coordinates": [vertex, [1, 2.5, "z"]]})
    assert result[0] is vertex
    assert result[1] == vertex and result[1] is not vertex
    assert [type(v) for v in result[1]] == [int, float, str]


@pytest.mark.parametrize("endpoint, ends",
                         [(0, False), ("", False), ([], False), ("no", True), (2, True)])
def test_getxy_endpoint_is_used_by_truth(endpoint, ends):
    line = {"type": "LineString", "coordinates": LINE}
    assert (len(Geometry.getXY(line, endpoint)) == 2) == ends


def test_getxy_counts_every_end_of_every_line():
    # Two lines meeting at (1, 1): the shared end twice, free ends once.
    lines = {"type": "MultiLineString",
             "coordinates": [[[0, 0], [1, 1]], [[1, 1], [2, 0]], [[5, 5], [6, 6], [5, 5]]]}
    assert list(Counter(Geometry.getXY(lines)).items()) == \
        [((0, 0), 1), ((1, 1), 2), ((2, 0), 1), ((5, 5), 2)]


@pytest.mark.parametrize("geometry, endpoint, error, message", [
    ({"type": "LineString", "coordinates": []}, True, IndexError, "list index out of range"),
    ({"type": "Polygon", "coordinates": [[]]}, True, IndexError, "list index out of range"),
    ({"type": "point", "coordinates": [1, 2]}, True, Exception, "Invalid geometry type."),
    ({"type": "GeometryCollection", "coordinates": [], "geometries": []}, True, Exception,
     "Invalid geometry type."),
    ({"coordinates": [1, 2]}, True, KeyError, "'type'"),
    ({"type": "MultiPoint", "coordinates": [1, 2]}, True, TypeError, "'int' object is not iterable"),
])
def test_getxy_errors(geometry, endpoint, error, message):
    with pytest.raises(error) as info:
        Geometry.getXY(geometry, endpoint)
    assert type(info.value) is error and str(info.value) == message


def test_getxy_empty_line_without_endpoint_is_empty():
    assert Geometry.getXY({"type": "LineString", "coordinates": []}, False) == []


def test_getxy_of_a_list_is_loaded_first():
    line = [[0, 0], [0, 0], [1, 1], [2, 2]]
    assert Geometry.getXY(line) == [(0.0, 0.0), (2.0, 2.0)]
    assert line == [[0.0, 0.0], [1.0, 1.0], [2.0, 2.0]]


def test_calls_go_through_the_class():
    calls = []

    class Traced(Geometry):
        @classmethod
        def loads(cls, coordinates, code=-1):
            calls.append(("loads", coordinates))
            return {"type": "Point", "coordinates": [5, 6]}

        @classmethod
        def getXY(cls, geometry, endpoint=True):
            calls.append(("getXY", geometry, endpoint))
            return Geometry.getXY.__func__(cls, geometry, endpoint)

        @classmethod
        def swapXY(cls, geometry):
            calls.append(("swapXY", geometry))
            return Geometry.swapXY.__func__(cls, geometry)

    member = {"type": "Point", "coordinates": [1, 2]}
    collection = {"type": "GeometryCollection", "geometries": [member, "text"]}
    assert Traced.getXY(collection, 0) == [(1, 2), (5, 6)]
    assert calls[1:] == [("getXY", member, 0), ("getXY", "text", 0), ("loads", "text")]
    calls.clear()
    assert Traced.swapXY(collection) is collection
    assert calls[1:] == [("swapXY", member), ("swapXY", "text"), ("loads", "text")]
    assert member["coordinates"] == [2, 1]
    calls.clear()
    ordered = OrderedDict(type="Point", coordinates=[1, 2])
    # a dict subclass is loaded
    assert Traced.swapXY(ordered) == {"type": "Point", "coordinates": [6, 5]}
    assert ordered["coordinates"] == [1, 2]


# --- swapXY ------------------------------------------------------------------

def test_swap_is_in_place_and_returns_the_same_dict():
    vertex = [1.0, 2.0, 3.0, 4.0]
    geometry = {"type": "Point", "coordinates": vertex, "extra": 1}
    assert Geometry.swapXY(geometry) is geometry
    assert geometry == {"type": "Point", "coordinates": [2.0, 1.0, 3.0, 4.0], "extra": 1}
    assert geometry["coordinates"] is vertex
    Geometry.swapXY(geometry)
    assert vertex == [1.0, 2.0, 3.0, 4.0]


@pytest.mark.parametrize("kind, nest", [
    ("MultiPoint", lambda vs: vs),
    ("LineString", lambda vs: vs),
    ("MultiLineString", lambda vs: [vs[:2], vs[2:]]),
    ("Polygon", lambda vs: [vs]),
    ("MultiPolygon", lambda vs: [[vs[:2]], [vs[2:]]]),
])
def test_swap_reaches_every_vertex_of_each_type(kind, nest):
    vertices = [[1, 2], [3, 4, 5], [6, 7], [8, 9]]
    Geometry.swapXY({"type": kind, "coordinates": nest(vertices)})
    assert vertices == [[2, 1], [4, 3, 5], [7, 6], [9, 8]]


def test_shared_vertex_objects_are_swapped_once():
    first = [0.0, 1.0]
    ring = [first, [5.0, 1.0], [5.0, 6.0], first]           # closed with its own first vertex
    shared = [9.0, 8.0]
    polygon = {"type": "MultiPolygon", "coordinates": [[ring], [[shared, [1.0, 2.0], [3.0, 4.0], shared]],
                                                      [[shared, [7.0, 7.0], [6.0, 6.0], shared]]]}
    Geometry.swapXY(polygon)
    assert ring == [[1.0, 0.0], [1.0, 5.0], [6.0, 5.0], [1.0, 0.0]] and ring[0] is ring[-1]
    assert shared == [8.0, 9.0]                              # once, though met in two polygons
    # equal but distinct vertex objects are each swapped
    line = [[1, 2], [1, 2]]
    Geometry.swapXY({"type": "LineString", "coordinates": line})
    assert line == [[2, 1], [2, 1]]


class FirstLineAgain:
    """Iterates the first line of a geometry again, found only when iterated."""

    def __init__(self, geometry):
        self.geometry = geometry

    def __iter__(self):
        return iter(self.geometry["coordinates"][0])


def layout(kind, coordinates):
    # Only the dict holds the structure, so unshared vertices are held by one slot.
    return {"type": kind, "coordinates": coordinates}


def again():
    geometry = layout("MultiLineString", [[[1, 2], [3, 4], [5, 6]], None])
    geometry["coordinates"][1] = FirstLineAgain(geometry)
    return geometry


SHARED = {
    "unshared": (lambda: layout("MultiLineString", [[[1, 2], [3, 4]], [[5, 6]]]),
                 lambda c: c[0] + c[1]),
    "same ring twice": (lambda: layout("Polygon", [[[1, 2], [3, 4], [5, 6]]] * 2), lambda c: c[0]),
    "same polygon twice": (lambda: layout("MultiPolygon", [[[[1, 2], [3, 4], [5, 6]]]] * 2),
                           lambda c: c[0][0]),
    "same vertex in two lines": (
        lambda: (lambda v: layout("MultiLineString", [[v, [3, 4]], [[5, 6], v]]))([1, 2]),
        lambda c: c[0] + c[1][:1]),
    "tuples around lists": (lambda: layout("MultiLineString", ((([1, 2]), [3, 4]), ([5, 6],))),
                            lambda c: list(c[0]) + list(c[1])),
    "met again through an iterator": (again, lambda c: c[0]),
    "generator of fresh vertices": (lambda: layout("LineString", (v for v in [[1, 2], [3, 4], [5, 6]])),
                                    None),
}


@pytest.mark.parametrize("name", list(SHARED))
def test_each_vertex_object_is_swapped_once(name):
    build, distinct = SHARED[name]
    geometry = build()
    Geometry.swapXY(geometry)
    if distinct is not None:
        assert [list(v) for v in distinct(geometry["coordinates"])] == [[2, 1], [4, 3], [6, 5]]


def test_swap_of_a_collection_changes_members_in_place():
    point = {"type": "Point", "coordinates": [1, 2]}
    inner = {"type": "MultiPoint", "coordinates": [[5, 6]]}
    members = [point, {"type": "GeometryCollection", "geometries": [inner]}]
    collection = {"type": "GeometryCollection", "geometries": members}
    assert Geometry.swapXY(collection) is collection
    assert collection["geometries"] is members and members[0] is point
    assert point["coordinates"] == [2, 1]
    assert members[1]["geometries"][0]["coordinates"] == [[6, 5]]


class Vertex(list):
    """A vertex that logs item access, to show the order of the exchange."""
    log = []

    def __getitem__(self, i):
        Vertex.log.append(("get", i))
        return super().__getitem__(i)

    def __setitem__(self, i, value):
        Vertex.log.append(("set", i, value))
        super().__setitem__(i, value)


def test_swap_reads_one_then_zero_and_sets_zero_then_one():
    Vertex.log = []
    v = Vertex([1, 2, 3])
    Geometry.swapXY({"type": "Point", "coordinates": v})
    assert v == [2, 1, 3]
    assert Vertex.log == [("get", 1), ("get", 0), ("set", 0, 2), ("set", 1, 1)]


@pytest.mark.parametrize("geometry, error, message", [
    ({"type": None, "coordinates": [1, 2]}, Exception, "Invalid geometry type."),
    ({"type": "", "coordinates": [1, 2]}, Exception, "Invalid geometry type."),
    ({"type": "Circle", "coordinates": [1, 2]}, Exception, "Invalid geometry type."),
    ({"type": "GeometryCollection", "coordinates": [], "geometries": []}, Exception,
     "Invalid geometry type."),
    ({"type": "GeometryCollection", "geometries": ()}, Exception, "Invalid geometry type."),
    ({"type": "MultiPoint", "geometries": []}, Exception, "Invalid geometry type."),
    ({"type": "Point"}, Exception, "Invalid geometry type."),
    ({"coordinates": [1, 2]}, KeyError, "'type'"),
    ({"type": "Point", "coordinates": [1]}, IndexError, "list index out of range"),
    ({"type": "Point", "coordinates": (1, 2)}, TypeError,
     "'tuple' object does not support item assignment"),
    ({"type": "LineString", "coordinates": 5}, TypeError, "'int' object is not iterable"),
])
def test_swap_errors(geometry, error, message):
    with pytest.raises(error) as info:
        Geometry.swapXY(geometry)
    assert type(info.value) is error and str(info.value) == message


def test_swap_keeps_what_it_did_before_an_error():
    done, bad = [1, 2], [3]
    with pytest.raises(IndexError):
        Geometry.swapXY({"type": "LineString", "coordinates": [done, bad, [5, 6]]})
    assert done == [2, 1] and bad == [3]
    first = {"type": "Point", "coordinates": [1, 2]}
    with pytest.raises(Exception, match="Invalid geometry type."):
        Geometry.swapXY({"type": "GeometryCollection", "geometries": [first, {"type": "Point"}]})
    assert first["coordinates"] == [2, 1]


def test_swap_of_loaded_input():
    polygon = [[[0, 1], [1, 0], [1, 1]]]                    # depth 3: a Polygon, closed by loads
    result = Geometry.swapXY(polygon)
    assert result == {"type": "Polygon", "coordinates": polygon} and result["coordinates"] is polygon
    ring = polygon[0]
    assert ring == [[1.0, 0.0], [0.0, 1.0], [1.0, 1.0], [1.0, 0.0]] and ring[0] is ring[-1]
    line = [[0, 1], [1, 0], [0, 1]]                          # depth 2: a LineString, not closed
    Geometry.swapXY(line)
    assert line == [[1.0, 0.0], [0.0, 1.0], [1.0, 0.0]] and line[0] is not line[-1]
    assert Geometry.swapXY("POINT (1 2)") == {"type": "Point", "coordinates": [2.0, 1.0]}
    member = [3, 4]
    collection = {"type": "GeometryCollection", "geometries": [member]}
    Geometry.swapXY(collection)
    assert member == [4.0, 3.0]             # the loaded dict held the caller's list


@pytest.mark.parametrize("method", [Geometry.getXY, Geometry.swapXY])
def test_deep_collections_raise_recursion_error(method):
    geometry = {"type": "Point", "coordinates": [1, 2]}
    for _ in range(100_000):
        geometry = {"type": "GeometryCollection", "geometries": [geometry]}
    with pytest.raises(RecursionError):
        method(geometry)
