"""Geometry.loads of lists and dicts: typing by depth and code, the
normalisation type by type, the in-place vertex conventions and ownership."""
import copy
import inspect

import pytest
import shapely

from hostile_support import KINDS, run_call, run_case
from repeat_support import (EDITED_LINES, NUMBER_CHILD, NUMBER_LINES, NUMBER_VALUES, check_edited,
                            digest, random_lines, removal_model, removal_outcome)

from models.orbalt import Geometry, Topology

DIM = "Invalid [coordinates] parameter. Dimension should be greater than 1."
LINE_N = "Invalid [coordinates] parameter. The number of vertices should be greater than 1."
RING_N = "Invalid [coordinates] parameter. The number of vertices should be greater than 2."
BAD = "Invalid [coordinates] parameter."
SHOULD_LIST = "Invalid type in [coordinates] parameter. Should be [list]"
SHOULD_DICT = "Invalid type in [coordinates] parameter. Should be [dict]"
NOT_FOUND = 'Invalid [coordinates] parameter. ["coordinates/geometries" not found]'
INVALID = "Invalid parameter."


def code_msg(codes, code):
    return f"[{code}] should be one of [{codes}] in [code] parameter."


def raises_exactly(exc_type, message, fn, *args):
    with pytest.raises(exc_type) as info:
        fn(*args)
    assert type(info.value) is exc_type
    assert str(info.value) == message
    return info.value


D1 = [1, 2]
D2 = [[1, 2], [3, 4]]
D3 = [[[0, 0], [1, 0], [1, 1]]]
D4 = [[[[0, 0], [1, 0], [1, 1]]]]

# depth, code -> type name, or the code message that lists the codes
DEPTH_TABLE = [
    (D1, -1, "Point"), (D1, 0, "Point"), (D1, 1, "-1,0"), (D1, 2, "-1,0"),
    (D1, None, "Point"), (D1, 7, "-1,0"), (D1, 0.0, "Point"), (D1, False, "Point"),
    (D2, -1, "LineString"), (D2, 0, "MultiPoint"), (D2, 1, "LineString"), (D2, 2, "-1,0,1"),
    (D2, None, "-1,0,1"), (D2, "1", "-1,0,1"), (D2, 1.0, "LineString"), (D2, True, "LineString"),
    (D2, False, "MultiPoint"),
    (D3, -1, "Polygon"), (D3, 0, "-1,1,2"), (D3, 1, "MultiLineString"), (D3, 2, "Polygon"),
    (D3, None, "-1,1,2"), (D3, 2.0, "Polygon"), (D3, -1.0, "Polygon"),
    (D4, -1, "MultiPolygon"), (D4, 0, "-1,2"), (D4, 1, "-1,2"), (D4, 2, "MultiPolygon"),
    (D4, None, "MultiPolygon"), (D4, 3, "-1,2"),
]


@pytest.mark.parametrize("value, code, outcome", DEPTH_TABLE)
def test_untyped_list_by_depth_and_code(value, code, outcome):
    import copy
    value = copy.deepcopy(value)
    if outcome[0].isupper():
        assert Geometry.loads(value, code)["type"] == outcome
    else:
        raises_exactly(Exception, code_msg(outcome, code), Geometry.loads, value, code)


@pytest.mark.parametrize("value, code, error, message", [
    ([], -1, IndexError, "list index out of range"),
    ([[]], -1, IndexError, "list index out of range"),
    ([[[]]], 2, IndexError, "list index out of range"),
    ([5], 2, Exception, DIM),                      # length before the code
    ([[[[[1, 2]]]]], 0, Exception, BAD),           # depth 5, whatever the code
    ([[1, 2], 3], -1, TypeError, "'int' object is not subscriptable"),
    ([["a", 2], [3, 4]], -1, ValueError, "could not convert string to float: 'a'"),
    ([[None, 2], [3, 4]], -1, TypeError,
     "float() argument must be a string or a real number, not 'NoneType'"),
    ([[1], [3, 4]], -1, Exception, DIM),
    ([[1, 2], (3, 4)], -1, Exception, DIM),        # a tuple vertex is not a list
    ([[1, 2], [1, 2]], -1, Exception, LINE_N),
    ([[[0, 0], [0, 0], [1, 1]]], -1, Exception, RING_N),
    ([[[1, 2], [1, 2]], [[0, 0], [1, 1]]], 1, Exception, LINE_N),
    ([[[0, 0], [1, 0], [1, 1]], ((0, 0), (0, 0), (1, 1), (2, 2))], 2, TypeError,
     "'tuple' object doesn't support item deletion"),
    ([[[0, 0], [1, 0], [1, 1]], ((0, 0), (1, 0), (1, 1))], 2, AttributeError,
     "'tuple' object has no attribute 'append'"),
    ([[[0, 0], [1, 0], [1, 1]], {0: [1, 2], 1: [3, 4]}], 1, Exception, DIM),
    ([[[0, 0], [1, 0], [1, 1]], {"a": 1, "b": 2}], 1, KeyError, "0"),
    ([[[0, 0], [1, 0], [1, 1]], 7], 1, TypeError, "object of type 'int' has no len()"),
    ([[[1, 2]]], 1, Exception, LINE_N),
    ([[[[0, 0], [1, 0], [1, 1]]], [(0, 0), (1, 0), (1, 1)]], 2, Exception, SHOULD_LIST),
    ([[[[0, 0], [1, 0], [1, 1]]], ([[0, 0], [1, 0], [1, 1]],)], 2, Exception, SHOULD_LIST),
    ([[[[0, 0], [1, 0]]]], 2, Exception, RING_N),
    ([[10 ** 400, 2], [3, 4]], -1, OverflowError, "int too large to convert to float"),
])
def test_list_failures(value, code, error, message):
    raises_exactly(error, message, Geometry.loads, value, code)


@pytest.mark.parametrize("value, message", [
    ({"coordinates": (1, 2)}, SHOULD_LIST),
    ({"type": "Point", "coordinates": None}, SHOULD_LIST),
    ({"geometries": ({"coordinates": [1, 2]},)}, SHOULD_LIST),
    ({"geometries": [[1, 2]]}, SHOULD_DICT),
    ({"type": "Point"}, NOT_FOUND),
    ({}, NOT_FOUND),
    ({"type": "point", "coordinates": [1, 2]}, INVALID),
    ({"type": 5, "coordinates": [1, 2]}, INVALID),
    ({"type": "GeometryCollection", "coordinates": [], "geometries": []}, INVALID),
    ({"type": "LineString", "coordinates": []}, LINE_N),
    ({"type": "Point", "coordinates": []}, DIM),
    ({"type": "Point", "coordinates": [[1, 2]]}, None),   # float of a list
    ({"type": "Polygon", "coordinates": [1, 2]}, None),
])
def test_dict_failures(value, message):
    if message is None:
        with pytest.raises(TypeError):
            Geometry.loads(value)
    else:
        raises_exactly(Exception, message, Geometry.loads, value)


@pytest.mark.parametrize("type_name, coordinates, code, message", [
    ("Point", [1, 2], 1, code_msg("-1,0", 1)),
    ("MultiPoint", [[1, 2]], 2, code_msg("-1,0", 2)),
    ("LineString", [[1, 2], [3, 4]], 0, code_msg("-1,1", 0)),
    ("MultiLineString", [[[1, 2], [3, 4]]], 2, code_msg("-1,1", 2)),
    ("Polygon", [[[0, 0], [1, 0], [1, 1]]], 1, code_msg("-1,2", 1)),
    ("MultiPolygon", [], "x", code_msg("-1,2", "x")),
])
def test_typed_dict_code_test_comes_before_any_edit(type_name, coordinates, code, message):
    raises_exactly(Exception, message, Geometry.loads,
                   {"type": type_name, "coordinates": coordinates}, code)
    assert isinstance(str(coordinates), str) and "." not in str(coordinates)  # untouched


def test_typed_dict_passes_none_code_and_keeps_the_callers_type_object():
    kind = "".join(["Line", "String"])            # a new, non-interned text
    d = {"type": kind, "coordinates": [[1, 2], [3, 4]], "bbox": [0, 0, 1, 1]}
    r = Geometry.loads(d, None)
    assert r == {"type": "LineString", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}
    assert list(r) == ["type", "coordinates"]
    assert r["type"] is kind and r["coordinates"] is d["coordinates"]
    assert list(d) == ["type", "coordinates", "bbox"] and d["bbox"] == [0, 0, 1, 1]


def test_type_compared_by_the_objects_own_equality():
    class Named:
        def __eq__(self, other):
            return other == "MultiPoint"
        __hash__ = object.__hash__
    name = Named()
    r = Geometry.loads({"type": name, "coordinates": [[1, 2], [1, 2]]})
    assert r["type"] is name and r["coordinates"] == [[1.0, 2.0], [1.0, 2.0]]


def test_list_comes_back_as_the_same_object_edited_in_place():
    vertex = [3, 4]
    line = [[1, 2], [1, 2], vertex]
    r = Geometry.loads(line)
    assert r == {"type": "LineString", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}
    assert r["coordinates"] is line and line[1] is vertex
    assert all(type(v) is float for v in vertex)


@pytest.mark.parametrize("line, kept", [
    ([[1, 2], [1.0, 2.0], [3, 4]], 3),           # written differently: both stay
    ([[1, 2, 5], [1, 2, 6], [3, 4]], 2),          # only x and y are compared
    ([[1.0, 2.0], [1.0, 2.0], [1.0, 2.0], [3, 4], [3, 4]], 2),
    ([[0.0, 1], [-0.0, 1], [3, 4]], 3),            # repr "0.0" and "-0.0" differ
    ([[float("nan"), 1], [float("nan"), 1], [3, 4]], 2),   # every NaN prints "nan"
    ([["1", 2], [1, 2], [3, 4]], 3),
    ([["1", 2], ["1", 2], [3, 4]], 2),
    ([[True, 2], [1, 2], [3, 4]], 3),
    ([[2 ** 70, 1], [2 ** 70, 1], [3, 4]], 2),     # ints past 64 bits
    ([[1, 2, 3, 4, 5, 6], [1, 2], [3, 4]], 2),
])
def test_repeated_vertex_removal_compares_repr_of_x_and_y(line, kept):
    assert len(Geometry.loads(line)["coordinates"]) == kept


class Repr:
    """A value whose repr is chosen, to meet a plain number's text."""
    def __init__(self, text, number):
        self.text, self.number = text, number

    def __repr__(self):
        return self.text

    def __float__(self):
        return self.number


def test_repr_text_decides_against_objects_of_other_types():
    line = [[1.0, 2], [Repr("1.0", 9.0), 2], [3, 4]]
    assert Geometry.loads(line)["coordinates"] == [[1.0, 2.0], [3.0, 4.0]]
    ring = [[Repr("0", 5.0), 0], [1, 0], [1, 1], [0, 0]]   # ends print the same
    assert len(Geometry.loads([ring])["coordinates"][0]) == 4


def test_tuple_and_list_vertices_never_match():
    line = [[0, 5], (1, 2), [1, 2]]
    with pytest.raises(Exception, match="Dimension"):   # kept, then refused as a tuple
        Geometry.loads(line)
    assert line == [[0.0, 5.0], (1, 2), [1, 2]]


@pytest.mark.parametrize("ring, length", [
    ([[0, 0], [1, 0], [1, 1]], 4),
    ([[0, 0], [1, 0], [1, 1], [0, 0]], 4),
    ([[0, 0], [1, 1], [0, 0]], 3),                  # equal ends: nothing appended
    ([[0, 0, 1], [1, 0, 1], [1, 1, 1], [0, 0, 2]], 5),  # whole vertex compared
    ([[0, 0], [1, 0], [1, 1], [0.0, 0.0]], 5),
])
def test_ring_closing_appends_the_first_vertex_object(ring, length):
    first, given = ring[0], len(ring)
    r = Geometry.loads([ring])
    assert r["coordinates"][0] is ring and len(ring) == length
    if length > given:
        assert ring[-1] is first
        first.append("edited")
        assert ring[-1][-1] == "edited"


def test_set_point_converts_x_and_y_only():
    assert Geometry.loads([1, 2, None, None, 7])["coordinates"] == [1.0, 2.0, None, None, 7]
    assert Geometry.loads(["1.5", "2"])["coordinates"] == [1.5, 2.0]
    p = Geometry.loads([True, 2, "3"])["coordinates"]
    assert p == [1.0, 2.0, "3"] and type(p[0]) is float


def test_edits_before_a_failure_stay():
    lines = [[[1, 2], [1, 2], [3, 4]], [[5, 6], [7, 8]], [[1, 2], ["x", 1]]]
    with pytest.raises(ValueError):
        Geometry.loads(lines, 1)
    assert lines[0] == [[1.0, 2.0], [3.0, 4.0]] and lines[1] == [[5.0, 6.0], [7.0, 8.0]]
    assert lines[2] == [[1.0, 2.0], ["x", 1]]


def test_empty_containers_pass():
    for t in ("MultiPoint", "MultiLineString", "Polygon", "MultiPolygon"):
        assert Geometry.loads({"type": t, "coordinates": []}) == {"type": t, "coordinates": []}


def test_multipoint_keeps_repeats_and_multipolygon_closes_every_ring():
    assert Geometry.loads([[1, 2], [1, 2]], 0)["coordinates"] == [[1.0, 2.0], [1.0, 2.0]]
    mp = [[[[0, 0], [1, 0], [1, 1]], [[0, 0], [0, 0], [2, 0], [2, 2]]], [[[5, 5], [6, 5], [6, 6]]]]
    r = Geometry.loads(mp)
    assert r["type"] == "MultiPolygon"
    assert [len(ring) for poly in mp for ring in poly] == [4, 4, 4]


def test_collection_members_are_loaded_in_place_with_code_minus_one():
    line = [[1, 2], [3, 4]]
    members = [{"coordinates": line}, {"type": "Point", "coordinates": [5, 6]}]
    d = {"type": "Point", "geometries": members}
    r = Geometry.loads(d, 2)          # the caller's code is not tested here
    assert r == {"type": "GeometryCollection", "geometries": [
        {"type": "LineString", "coordinates": [[1.0, 2.0], [3.0, 4.0]]},
        {"type": "Point", "coordinates": [5.0, 6.0]}]}
    assert r["geometries"] is not members and r["geometries"][0]["coordinates"] is line


def test_dict_subclass_member_refused_by_its_own_load():
    from collections import OrderedDict
    raises_exactly(Exception, "[OrderedDict] is not a valid type in [coordinates] parameter.",
                   Geometry.loads, {"geometries": [OrderedDict(coordinates=[1, 2])]})


@pytest.mark.parametrize("value, name", [
    ((1, 2), "tuple"), (None, "NoneType"), (b"POINT (1 2)", "bytes"), (5, "int"),
    (shapely.LinearRing([(0, 0), (1, 0), (1, 1)]), "LinearRing"),
])
def test_other_values_refused_with_their_class_name(value, name):
    raises_exactly(Exception, f"[{name}] is not a valid type in [coordinates] parameter.",
                   Geometry.loads, value)


def test_subclasses_of_list_and_str_are_other_values():
    class L(list):
        pass

    class S(str):
        pass
    raises_exactly(Exception, "[L] is not a valid type in [coordinates] parameter.",
                   Geometry.loads, L([1, 2]))
    raises_exactly(Exception, "[S] is not a valid type in [coordinates] parameter.",
                   Geometry.loads, S("POINT (1 2)"))


def test_shapely_geometry_is_converted_then_loaded_without_the_code():
    assert Geometry.loads(shapely.Point(1, 2), 2) == {"type": "Point", "coordinates": [1.0, 2.0]}
    gc = shapely.GeometryCollection([shapely.Point(1, 2), shapely.LineString([(0, 0), (1, 1)])])
    assert [m["type"] for m in Geometry.loads(gc, 0)["geometries"]] == ["Point", "LineString"]
    with pytest.raises(Exception, match="Dimension"):
        Geometry.loads(shapely.Point())            # empty: no coordinates to load


def test_a_class_named_like_a_geometry_goes_to_fromShapely():
    Point = type("Point", (), {})
    with pytest.raises(Exception) as info:
        Geometry.loads(Point())
    assert "is not a valid type" not in str(info.value)


def test_nested_calls_go_through_the_class_it_was_called_on():
    seen = []

    class Traced(Geometry):
        @classmethod
        def loads(cls, coordinates, code=-1):
            seen.append(coordinates)
            return Geometry.loads.__func__(cls, coordinates, code)

    Traced.loads({"geometries": [{"coordinates": [1, 2]}]})
    Traced.loads("GEOMETRYCOLLECTION (POINT (1 2))")
    assert seen[1] == {"coordinates": [1.0, 2.0]} and seen[3] == "POINT (1 2)"
    assert Topology.loads([1, 2]) == {"type": "Point", "coordinates": [1.0, 2.0]}


def test_code_with_its_own_equality_is_asked():
    class Two:
        def __eq__(self, other):
            return other == 2
        __hash__ = object.__hash__

        def __format__(self, spec):
            return "two"
    assert Geometry.loads([[[0, 0], [1, 0], [1, 1]]], Two())["type"] == "Polygon"
    raises_exactly(Exception, code_msg("-1,0,1", "two"), Geometry.loads, [[1, 2], [3, 4]], Two())


def test_deep_collections_raise_recursion_error():
    d = {"coordinates": [1, 2]}
    for _ in range(100_000):
        d = {"geometries": [d]}
    with pytest.raises(RecursionError):
        Geometry.loads(d)


# --- values whose conversion changes the caller's lists ------------------------

# `h` is the hostile value; the builder places it and gives it a home.
@pytest.mark.parametrize("build, hook, kind", [
    # x of a point, converted in place, empties the point
    ("h = hostile(1, HOOK, KIND); h.home = arg = [h, 2]", "__index__", "clear"),
    ("h = hostile(1.0, HOOK, KIND); h.home = arg = [h, 2]", "__float__", "append"),
    # a value compared by its repr for the repeat test shortens the line
    ("h = hostile(1.0, HOOK, KIND); h.home = arg = [[0, 0], [h, 1], [h, 1], [2, 2]]",
     "__repr__", "pop"),
    # the last vertex, compared by its repr for the closing test, renews the ring
    ("h = hostile(5.0, HOOK, KIND); ring = [[0, 0], [1, 0], [1, 1], [h, 0]]; h.home = ring;"
     "arg = [ring]", "__repr__", "replace"),
    # a key met first in the look-up of "coordinates" empties the dict
    ("h = hostile('x', HOOK, KIND, hash_as='coordinates');"
     "h.home = arg = {h: 0, 'type': 'Point', 'coordinates': [1.0, 2.0]}", "__eq__", "clear"),
    # the type, compared with the type names, grows the line
    ("h = hostile('LineString', HOOK, KIND, base=str);"
     "h.home = line = [[0, 0], [1, 1], [1, 1]]; arg = {'type': h, 'coordinates': line}",
     "__eq__", "append"),
])
def test_input_changed_while_it_is_loaded(build, hook, kind):
    run_call(build, hook, kind, "Geometry.loads(arg)")


# --- repeated-vertex removal against a plain model ------------------------------

LOADERS = {
    "LineString": lambda line: Geometry.loads({"type": "LineString", "coordinates": line}),
    "MultiLineString": lambda line: Geometry.loads({"type": "MultiLineString",
                                                    "coordinates": [line]}),
    "Polygon": lambda line: Geometry.loads({"type": "Polygon", "coordinates": [line]}),
}

# Digests of the outcomes and of the lines as left behind, recorded before
# the removal deleted the repeats in one pass.
REMOVAL_DIGESTS = {
    "LineString": "9483819441f98116",
    "MultiLineString": "ec40fda990846dd3",
    "Polygon": "f8173cd709cea8cc",
}


@pytest.mark.parametrize("kind", list(LOADERS))
def test_removal_matches_the_model(kind):
    rows = []
    for line in random_lines(27, 3000):
        outcome, got, expected = removal_outcome(LOADERS[kind], line)
        # The closing vertex of a ring comes after the removal.
        if kind == "Polygon" and len(got) == len(expected) + 1:
            got = got[:-1]
        assert got == expected, (line, outcome)
        rows.append(f"{outcome} {got} {line!r}")
    assert digest(rows) == REMOVAL_DIGESTS[kind]


def test_removal_of_a_long_line_of_repeats():
    # Runs of every length, the first vertex of each run kept.
    line, kept = [], []
    for i in range(2000):
        v = [float(i), 0.0]
        kept.append(v)
        line += [v] + [list(v) for _ in range(i % 5)]
    originals = list(line)
    assert Geometry.loads(line)["coordinates"] is line
    assert [id(v) for v in line] == [id(v) for v in kept]
    assert len(originals) > 2 * len(line)


@pytest.mark.parametrize("write", [
    lambda line: "LINESTRING (" + ", ".join(f"{x!r} {y!r}" for x, y in line) + ")",
    lambda line: '{"type": "LineString", "coordinates": %s}' % line,
])
def test_text_with_repeats_loads_as_the_text_without_them(write):
    once = [[100 + i * 1e-3, 30.0 + (i % 7) * 0.5] for i in range(3000)]
    repeated = [v for i, v in enumerate(once) for _ in range(1 + i % 4)]
    assert Geometry.loads(write(repeated)) == Geometry.loads(write(once)) == {
        "type": "LineString", "coordinates": once}


def test_removal_deletes_nothing_when_the_line_shrank_under_it():
    # The last repeat lies beyond the end of a line that the repr of its
    # last vertex shortened: the deletion fails at once and the line stays
    # as the repr left it.
    class Shrinks(float):
        def __repr__(self):
            del line[3:]
            return "1.5"
    line = [[0, 0], [0, 0], [5, 5], [5, 5], [Shrinks(1.5), 0]]
    raises_exactly(IndexError, "list assignment index out of range", Geometry.loads, line)
    assert line == [[0, 0], [0, 0], [5, 5]]


def loads_model(line):
    """Geometry.loads of a bare line written plainly."""
    removal_model(line)
    if len(line) < 2:
        raise Exception(LINE_N)
    for v in line:
        if type(v) is not list:
            raise Exception(DIM)
        for k in range(min(len(v), 2)):
            v[k] = float(v[k])
        if len(v) < 2:
            raise Exception(DIM)
    return {"type": "LineString", "coordinates": line}


# For a child interpreter: the loads of a line made by build() and of a
# collection of it, each beside the model.
BOTH_LOADS = inspect.getsource(loads_model).replace(
    "LINE_N", repr(LINE_N)).replace("DIM", repr(DIM)) + """
both(build, Geometry.loads, loads_model)
def lines_model(lines):
    loads_model(lines[0])
    return {"type": "MultiLineString", "coordinates": lines}
both(lambda: [build()], lambda lines: Geometry.loads(lines, 1), lines_model)
"""


@pytest.mark.parametrize("build", EDITED_LINES)
@pytest.mark.parametrize("kind", ["clear", "pop", "append", "replace"])
def test_removal_from_a_line_edited_under_it_matches_the_model(build, kind):
    check_edited(build, kind, BOTH_LOADS)


# --- repeats of Decimal, numpy and Fraction values --------------------------------

@pytest.mark.parametrize("number", list(NUMBER_LINES))
def test_removal_of_other_numbers_from_a_line_edited_under_it_matches_the_model(number):
    # Freed in one pass with their neighbours, except where a value runs
    # code when freed: the line is then as the model leaves it.
    check_edited(NUMBER_LINES[number], KINDS, BOTH_LOADS, NUMBER_CHILD)


def test_removal_of_other_numbers_matches_the_model():
    for line in random_lines(32, 3000, values=NUMBER_VALUES):
        model_line = copy.deepcopy(line)
        outcome, got, expected = removal_outcome(LOADERS["LineString"], line)
        assert got == expected, (line, outcome)
        try:
            model = repr(loads_model(model_line))
        except Exception as e:
            model = f"{type(e).__name__}: {e}"
        assert (outcome, repr(line)) == (model, repr(model_line))


def test_repeats_of_other_numbers_leave_a_long_line_at_once():
    # Each of the first vertices given twice, two million vertices after
    # them: deleted one at a time, the repeats would take some 40 s for each
    # kind of number (each deletion moving the rest of the line); all at
    # once, well under one.
    lines = run_case("""
        from decimal import Decimal
        from fractions import Fraction
        import numpy
        for number in (Decimal, numpy.float64, Fraction):
            line = []
            for i in range(2 ** 16):
                v = [number(i), number(1)]
                line += [v, list(v)]
            line += [[0.5, 0.5], [1.5, 1.5]] * 2 ** 20
            r = Geometry.loads(line, 1)["coordinates"]
            print(len(r), r[2 ** 16 - 1])
        """, timeout=20)
    assert lines == [f"{2 ** 16 + 2 ** 21} [65535.0, 1.0]"] * 3