"""Fuzz target: Geometry.loads under every code on random and mutated input.

Inputs are random text, mutations of WKT, GeoJSON, free text and hexadecimal
WKB seeds, and random nested lists and dicts.  Each goes through
Geometry.loads with every code.  A run passes when nothing crashes or hangs
(no example may take longer than the deadline) and every exception is one
the loading may raise: the module's own Exception, the interpreter's errors
of the operations it performs on the input and shapely's errors.

Rounds of hostile input alternate with those: collections nested up to
100,000 deep and texts of several megabytes in every form the loader reads
(WKT, hexadecimal and binary WKB with every header form, GeoJSON text, free
text, nested lists and dicts) and in the KML and GML readers.  Besides the
rules above, such an input must not take more memory than a fixed multiple
of its size (the peak resident size of the process is watched).

    fuzz/run.sh [seconds]          # against the sanitized build (make fuzz)
    .venv/bin/python fuzz/fuzz_loads.py [seconds]
"""
import copy
import datetime
import json
import reprlib
import resource
import struct
import sys
import time

import lxml.etree
import shapely
from hypothesis import HealthCheck, example, given, settings
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


# --- hostile input: deep nesting and large texts ---------------------------------

# Depths around the nesting bound, and far past it.
depths = st.one_of(st.sampled_from([0, 1, 2, 100, 101, 102, 10_000, 100_000, 100_000]),
                   st.integers(3, 2_000))
# Sizes of the bulk of a large text, in repetitions of a short piece.
bulks = st.one_of(st.integers(0, 1_000), st.integers(100_000, 600_000))
MEMBERS = ["", "POINT (1 2), ", "LINESTRING (1 2, 3 4), ", "point z(1 2 3),",
           "POLYGON ((0 0, 1 0, 1 1, 0 0)), ", "MULTIPOINT ((1 2), (3 4)), ", "(1 2), ", "x, "]
LEVELS = ["GEOMETRYCOLLECTION (", "geometrycollection(", "GeometryCollection Z (",
          "GEOMETRYCOLLECTION\u3000(", "POLYGON (", "(", "MULTIPOINT ("]
INNER = ["POINT (1 2)", "LINESTRING (1 2, 3 4)", "POINT ()", "GEOMETRYCOLLECTION (POINT (5 6))", ""]


@st.composite
def deep_wkt(draw):
    depth = draw(depths)
    level = draw(st.sampled_from(LEVELS)) + draw(st.sampled_from(MEMBERS))
    # Blanks after each level, the whole kept to a few megabytes.
    pad = draw(st.sampled_from([0, 0, 1, 5_000, 4_000_000]))
    pad = " " * min(pad, 4_000_000 // max(depth, 1))
    inner = draw(st.sampled_from(INNER))
    if draw(st.integers(0, 3)) == 0:        # a large body at the bottom
        inner = "MULTIPOINT (" + "1 2, " * draw(bulks) + "1 2)"
    closing = ")" * depth
    cut = draw(st.sampled_from([0, 0, 0, 1, 2]))           # unbalanced: closers missing
    extra = draw(st.sampled_from(["", "", ")", ", POINT (7 8))"]))
    return (level + pad) * depth + inner + closing[cut:] + extra


@st.composite
def large_wkt(draw):
    kind = draw(st.integers(0, 5))
    blank = draw(st.sampled_from([" ", "  ", "\t", "\u3000", " " * 1_000]))
    n = min(draw(bulks), 4_000_000 // (len(blank) + 8))      # a few megabytes at most
    if kind == 0:
        return "MULTIPOINT (" + ",".join(["1" + blank + "2"] * n) + ")"
    if kind == 1:
        return "LINESTRING(" + ", ".join(f"{i} {i % 7}.5" for i in range(n)) + ")"
    if kind == 2:
        return "POLYGON (" + ", ".join(["(0 0, 1 0, 1 1, 0 0)"] * max(n // 10, 1)) + ")"
    if kind == 3:
        return "GEOMETRYCOLLECTION (" + ", ".join(["POINT (1 2)"] * max(n // 5, 1)) + ")"
    if kind == 4:     # a failing ring search over a long body
        return "POLYGON (" + "(1 2)  " * max(n // 4, 1) + "x)"
    return blank * n + ")(1 2)"


def wkb_header(code, order, flags, srid, iso):
    fmt = ">" if order == 0 else "<"
    word = (code + iso) | flags
    out = bytes([order]) + struct.pack(fmt + "I", word & 0xFFFFFFFF)
    if word & 0x20000000:
        out += struct.pack(fmt + "i", srid)
    return out


@st.composite
def deep_wkb(draw):
    """A chain of headers that each hold one member, in any header form, a
    geometry inside, sometimes cut short; as hexadecimal text in either case
    or as the text of the bytes themselves."""
    depth = draw(depths)
    order = draw(st.sampled_from([0, 1]))
    out = [wkb_header(7, order, 0, 0, 0) + struct.pack(">I" if order == 0 else "<I", 1)]
    big = order == 0
    forms = draw(st.lists(st.tuples(st.sampled_from([4, 5, 6, 7, 7, 7, 9, 10, 11, 12]),
                                    st.sampled_from([0, 1, 1, 2, 0xFF]),
                                    st.sampled_from([0, 0, 0x80000000, 0x40000000, 0x20000000,
                                                     0xE0000000]),
                                    st.sampled_from([0, 0, 1000, 2000, 3000])),
                          min_size=1, max_size=8))
    for i in range(depth):
        code, o, flags, iso = forms[i % len(forms)]
        if o in (0, 1):
            big = o == 0
        out.append(wkb_header(code, o, flags, 4326, iso) + struct.pack(">I" if big else "<I", 1))
    o = draw(st.sampled_from([0, 1]))
    out.append(wkb_header(1, o, 0, 0, 0) + struct.pack(">2d" if o == 0 else "<2d", 1.0, 2.0))
    data = b"".join(out)
    data = data[:len(data) - draw(st.sampled_from([0, 0, 0, 0, 0, 1, 9, 17]))]
    how = draw(st.integers(0, 3))
    if how == 3:
        return data.decode("latin-1")       # binary text (may hold blanks and commas)
    return data.hex().upper() if how else data.hex()


@st.composite
def large_wkb(draw):
    n = draw(bulks)
    line = shapely.LineString([(i, i % 11) for i in range(max(n // 4, 2))])
    return shapely.to_wkb(line, hex=True, include_srid=draw(st.booleans()))


@st.composite
def deep_geojson(draw):
    depth = draw(depths)
    if draw(st.booleans()):
        return ('{"type": "GeometryCollection", "geometries": [' * depth
                + '{"type": "Point", "coordinates": [1, 2]}' + "]}" * depth)
    return "[" * depth + "1, 2" + "]" * depth


@st.composite
def large_geojson(draw):
    n = draw(bulks)
    kind = draw(st.integers(0, 2))
    if kind == 0:
        return '{"type": "MultiPoint", "coordinates": [' + ", ".join(["[1.5, 2]"] * n) + "]}"
    if kind == 1:
        return "[[" + ",".join(f"[{i}, {i % 3}]" for i in range(n)) + "]]"
    return " " * n + '{"type": "Point", "coordinates": [1, 2]}' + "\n" * n


@st.composite
def large_free(draw):
    n = draw(bulks)
    sep = draw(st.sampled_from([" ", ",", " , ", "\uff0c", "\u3000", ",,,"]))
    kind = draw(st.integers(0, 2))
    if kind == 0:
        return sep.join(["1", "2"] * n)
    if kind == 1:
        return "0" * (2 * n)            # one long token: WKB
    return sep * n + "1 2" + sep * n


def deep_list(depth):
    value = [1, 2]
    for _ in range(depth):
        value = [value]
    return value


def deep_dict(depth):
    value = {"type": "Point", "coordinates": [1, 2]}
    for _ in range(depth):
        value = {"type": "GeometryCollection", "geometries": [value]}
    return value


@st.composite
def deep_structure(draw):
    depth = draw(depths)
    make = draw(st.sampled_from([deep_list, deep_dict]))
    return lambda: make(depth)          # built afresh for each call: loads works in place


@st.composite
def deep_xml(draw):
    depth = draw(depths)
    if draw(st.booleans()):
        point = "<Point><coordinates>1,2</coordinates></Point>"
        return "fromKml", "<MultiGeometry>" * depth + point + "</MultiGeometry>" * depth
    gml = 'xmlns:gml="http://www.opengis.net/gml"'
    point = "<gml:Point><gml:pos>1 2</gml:pos></gml:Point>"
    down = "<gml:geometryMember><gml:MultiGeometry>"
    up = "</gml:MultiGeometry></gml:geometryMember>"
    return "fromGml", (f"<gml:MultiGeometry {gml}>" + down * depth + "<gml:geometryMember>" + point
                       + "</gml:geometryMember>" + up * depth + "</gml:MultiGeometry>")


hostile = st.one_of(
    *(st.tuples(st.just("loads"), form) for form in (
        deep_wkt(), large_wkt(), deep_wkb(), large_wkb(), deep_geojson(), large_geojson(),
        large_free(), deep_structure())),
    deep_xml(),
)
HOSTILE_CODES = [-1, None, 0, 1, 2]
XML_ALLOWED = ALLOWED + (lxml.etree.XMLSyntaxError,)
# Memory an input may take beyond the peak so far: a fixed allowance (the
# sanitizer's quarantine of freed blocks included) and a multiple of its
# size that a result of plain lists and floats stays within.
MEMORY_ALLOWANCE = 300 * 2**20
MEMORY_PER_CHARACTER = 100
# Time an input may take; under the sanitizer the largest ordinary ones take
# a few seconds.  Hypothesis does not hold its deadline against the known
# cases below, so it is tested here as well.
HOSTILE_SECONDS = 60
hostile_tried = 0
largest = 0


def peak_memory():
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024


def check_hostile(method, value, code):
    global hostile_tried, largest
    hostile_tried += 1
    argument = value() if callable(value) else value
    size = len(argument) if isinstance(argument, str) else 0
    largest = max(largest, size)
    before = peak_memory()
    started = time.monotonic()
    try:
        if method == "loads":
            result = Geometry.loads(argument, code)
        else:
            result = getattr(Geometry, method)(argument)
    except Exception as e:                  # noqa: BLE001 - classifying is the point
        allowed = XML_ALLOWED if method != "loads" else ALLOWED
        if type(e) is not Exception and not isinstance(e, allowed):
            raise AssertionError(f"{method} of {kind_of(argument)} raised "
                                 f"{type(e).__name__}: {str(e)[:300]}")
        result = None
    took = time.monotonic() - started
    assert took <= HOSTILE_SECONDS, f"{method} of {kind_of(argument)} took {took:.0f} s"
    grown = peak_memory() - before
    assert grown <= MEMORY_ALLOWANCE + MEMORY_PER_CHARACTER * size, (
        f"{method} of {kind_of(argument)} took {grown >> 20} MB for {size} characters")
    if result is not None:
        assert type(result) is dict and list(result)[0] == "type", (method, kind_of(argument))
    return took


def kind_of(value):
    """A short description of a large input for the failure message."""
    if isinstance(value, str):
        return f"text of {len(value)} characters starting {value[:120]!r}"
    return f"{type(value).__name__} {reprlib.repr(value)}"


def nested_wkb(depth):
    level = b"\x01" + struct.pack("<II", 7, 1)
    return (level * depth + b"\x01" + struct.pack("<Idd", 1, 1.0, 2.0)).hex()


# Every hostile round starts with these: faults once found, each the kind
# the strategies above generate.
KNOWN = [
    ("loads", nested_wkb(100_000)),      # a crash in shapely's reader
    ("loads", nested_wkb(10_000)),       # most of a minute in shapely's GeoJSON writer
    ("loads", "GEOMETRYCOLLECTION (" * 400 + "MULTIPOINT (" + "1 2, " * 200_000 + "1 2)"
     + ")" * 400),                       # a copy of the rest of the text per level
]


def run(seconds):
    @settings(max_examples=500, deadline=datetime.timedelta(seconds=5), database=None,
              suppress_health_check=list(HealthCheck), derandomize=False)
    @given(inputs)
    def one_round(value):
        check(value)

    # Large inputs under the sanitizer take seconds each; a round stays short
    # so that the run ends close to its time.
    @settings(max_examples=8, deadline=datetime.timedelta(seconds=HOSTILE_SECONDS), database=None,
              suppress_health_check=list(HealthCheck), derandomize=False)
    @given(hostile, st.sampled_from(HOSTILE_CODES))
    def hostile_round(case, code):
        method, value = case
        check_hostile(method, value, code)

    for case in KNOWN:
        hostile_round = example(case, -1)(hostile_round)

    end = time.monotonic() + seconds
    rounds = hostile_rounds = 0
    while time.monotonic() < end:
        hostile_round()
        hostile_rounds += 1
        if time.monotonic() < end:
            one_round()
            rounds += 1
    print(f"fuzz_loads: {tried} inputs x {len(CODES)} codes in {rounds} rounds, "
          f"{hostile_tried} deep or large inputs (largest {largest} characters) in "
          f"{hostile_rounds} rounds, {seconds:.0f} s, no failure")


if __name__ == "__main__":
    run(float(sys.argv[1]) if len(sys.argv) > 1 else 60.0)
