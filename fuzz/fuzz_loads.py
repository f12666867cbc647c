"""Fuzz target: Geometry.loads under every code on random and mutated input.

Inputs are random text, mutations of WKT, GeoJSON, free text and hexadecimal
WKB seeds, and random nested lists and dicts.  Each goes through
Geometry.loads with every code.  A run passes when nothing crashes or hangs
(no example may take longer than the deadline) and every exception is one
the loading may raise: the module's own Exception, the interpreter's errors
of the operations it performs on the input and shapely's errors.

    fuzz/run.sh [seconds]          # against the sanitized build (make fuzz)
    .venv/bin/python fuzz/fuzz_loads.py [seconds]
"""
import copy
import datetime
import json
import sys
import time

import shapely
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

from models.orbalt import Geometry

CODES = [-1, 0, 1, 2, None, 1.0, True, 3, "x"]

# Exceptions the loading may raise, besides the base Exception raised with
# one of its own messages.  RecursionError: the interpreter's depth limit on
# deeply nested input; OverflowError: float() of a huge int; AttributeError:
# appending a closing vertex to a tuple ring.
ALLOWED = (TypeError, ValueError, IndexError, KeyError, RecursionError, OverflowError,
           AttributeError, shapely.errors.ShapelyError)

SEEDS = [
    "POINT (-115.81 37.24)", "POINT Z (1 2 3)", "MULTIPOINT ((1 2), (3 4))",
    "MULTIPOINT(-155.52 19.61,-156.22  20.74)", "LINESTRING (1 2, 3 4, 1 2)",
    "MULTILINESTRING ((1 2, 3 4), (5 6, 7 8))",
    "POLYGON ((0 0, 1 0, 1 1, 0 0), (0.2 0.2, 0.5 0.2, 0.5 0.5))",
    "MULTIPOLYGON (((0 0,1 0,1 1)),((5 5,6 5,6 6,5 5)))",
    "GEOMETRYCOLLECTION (POINT (1 2), POLYGON ((0 0,1 0,1 1)), GEOMETRYCOLLECTION (POINT (3 4)))",
    "((1 2) (3 4) , (5 6))", "(1 2)",
    '{"type": "Point", "coordinates": [1, 2]}',
    '{"type": "GeometryCollection", "geometries": [{"type": "LineString", "coordinates": [[1, 2], [3, 4]]}]}',
    '{"coordinates": [[[0, 0], [1, 0], [1, 1]]]}', "[[1, 2], [3, 4]]",
    "1 2", "1，2,, 3 4", "0 0 1 0 1 1", "1e3 -2.5",
    "0101000020E6100000A4703D0AD7F35CC01F85EB51B89E4240",
    shapely.to_wkb(shapely.Polygon([(0, 0), (1, 0), (1, 1)]), hex=True),
    shapely.to_wkb(shapely.GeometryCollection([shapely.Point(1, 2)]), hex=True),
]
ALPHABET = "()[]{},， \t\n\u3000.-+eE0123456789abcdefABCDEFMZNaIn\":;=POINTLSRGYMUC"


@st.composite
def mutated(draw):
    text = draw(st.sampled_from(SEEDS))
    for _ in range(draw(st.integers(0, 6))):
        at = draw(st.integers(0, len(text)))
        how = draw(st.integers(0, 3))
        piece = draw(st.text(alphabet=ALPHABET, max_size=6))
        if how == 0:
            text = text[:at] + piece + text[at:]
        elif how == 1:
            text = text[:at] + text[at + draw(st.integers(1, 8)):]
        elif how == 2:
            text = text[:at] + piece + text[at + len(piece):]
        else:
            text = text[:at] + text[at:] * draw(st.integers(1, 4))
    return text


scalars = st.one_of(st.integers(-3, 3), st.integers(), st.floats(), st.booleans(), st.none(),
                    st.text(alphabet="0123456789.-e x", max_size=5))
vertices = st.lists(scalars, max_size=5)
structures = st.recursive(
    st.one_of(vertices, st.tuples(scalars, scalars)),
    lambda inner: st.one_of(
        st.lists(inner, max_size=5),
        st.dictionaries(st.sampled_from(["type", "coordinates", "geometries", "x"]),
                        st.one_of(inner, st.sampled_from(
                            ["Point", "MultiPoint", "LineString", "MultiLineString", "Polygon",
                             "MultiPolygon", "GeometryCollection", "point", None])),
                        max_size=3)),
    max_leaves=30)
inputs = st.one_of(mutated(), st.text(alphabet=ALPHABET, max_size=80), st.text(max_size=40),
                   structures)


tried = 0


def check(value):
    global tried
    tried += 1
    for code in CODES:
        argument = copy.deepcopy(value)
        try:
            result = Geometry.loads(argument, code)
        except Exception as e:                  # noqa: BLE001 - classifying is the point
            if type(e) is not Exception and not isinstance(e, ALLOWED):
                raise AssertionError(f"loads({value!r}, {code!r}) raised {type(e).__name__}: {e}")
            continue
        assert type(result) is dict and list(result)[0] == "type", (value, code, result)
        json.dumps(result, allow_nan=True)      # plain dicts, lists and values only


def run(seconds):
    @settings(max_examples=2000, deadline=datetime.timedelta(seconds=5), database=None,
              suppress_health_check=list(HealthCheck), derandomize=False)
    @given(inputs)
    def one_round(value):
        check(value)

    end = time.monotonic() + seconds
    rounds = 0
    while time.monotonic() < end:
        one_round()
        rounds += 1
    print(f"fuzz_loads: {tried} inputs x {len(CODES)} codes in {rounds} rounds, "
          f"{seconds:.0f} s, no failure")


if __name__ == "__main__":
    run(float(sys.argv[1]) if len(sys.argv) > 1 else 60.0)
