"""The WKT reading against a plain reading with the interpreter's re.

Three searches of the WKT reader (the split into name and body, the
ring-list test and the polygon search) are matched in one pass instead of by
backtracking.  This compares the outcome of Geometry.loads with a reading
that uses the patterns themselves, on many short random texts (short enough
for backtracking to stay cheap) without type names in the body, so that
collection members play no part.
"""
import json
import random
import re

import pytest

from models.orbalt import Geometry

SPLIT = re.compile(r"[\s]*([^\(\)]*)[\s]*(\([\s\S]+\))")
WORD = re.compile(r"([\S]+)[\s\S]*", re.MULTILINE)
POINT = re.compile(r"^\(([^\(,\)]*)\)$")
VERTICES = re.compile(r"^\(([^\(\)]*)\)$")
RING_LIST = re.compile(r"^\(\s*((\([^\(\)]+\)\s*,?\s*)*)\s*\)$")
POLYGONS = re.compile(r"(\(\s*(\([^\(\)]+\)\s*,?\s*)+\s*\))")
WORDS = {"POINT": "Point", "MULTIPOINT": "MultiPoint", "LINESTRING": "LineString",
         "MULTILINESTRING": "MultiLineString", "POLYGON": "Polygon",
         "MULTIPOLYGON": "MultiPolygon", "GEOMETRYCOLLECTION": "GeometryCollection"}


def line(s):
    return "[{}]".format(",".join("[{}]".format(re.sub(r"\s+", ",", p.strip()))
                                  for p in re.split(",+", s)))


def polygon(s):
    rings = [re.search(r"\(([\s\S]*)\)", r).group(1) for r in re.findall(r"\([^\(\)]*\)", s)]
    return "[{}]".format(",".join(line(r) for r in rings))


class Refused(Exception):
    pass


def reference(text, block):
    """(type, coordinates) per the patterns, or raises Refused(message)."""
    m = SPLIT.search(text)
    name, body = m.group(1), m.group(2)
    word = None
    if name.strip():
        word = WORDS.get(WORD.sub(r"\1", name).upper())
        kinds = {0: ("Point", "MultiPoint"), 1: ("LineString", "MultiLineString"),
                 2: ("Polygon", "MultiPolygon")}
        if word is None or (block != -1 and word != "GeometryCollection"
                            and word not in kinds[block]):
            raise Refused("Invalid type in [coordinates] parameter.")
    order = {-1: "pvrs", 2: "rs", 1: "vr"}[block]
    for test in order:
        if test == "p" and (g := POINT.search(body)) and g.group(1):
            t = word or "Point"
            if t != "Point":
                raise Refused("Invalid type in [coordinates] parameter.")
            return t, json.loads("[{}]".format(",".join(re.split(r"[\s]+", g.group(1).strip()))))
        if test == "v" and (g := VERTICES.search(body)) and g.group(1):
            t = word or "LineString"
            if t not in ({"MultiPoint", "LineString"} if block == -1 else {"LineString"}):
                raise Refused("Invalid type in [coordinates] parameter.")
            return t, json.loads(line(g.group(1)))
        if test == "r" and (g := RING_LIST.search(body)) and g.group(1):
            t = word or ("MultiLineString" if block == 1 else "Polygon")
            allowed = {-1: {"MultiLineString", "Polygon"}, 1: {"MultiLineString"}, 2: {"Polygon"}}
            if t not in allowed[block]:
                raise Refused("Invalid type in [coordinates] parameter.")
            return t, json.loads(polygon(g.group(1)))
        if test == "s" and (found := POLYGONS.findall(body)):
            return "MultiPolygon", json.loads("[{}]".format(",".join(polygon(p[0]) for p in found)))
    raise Refused("Invalid [coordinates] parameter.")


def outcome_of_loads(text, block):
    try:
        return Geometry.loads(text, block)
    except Exception as e:              # noqa: BLE001
        return type(e).__name__, str(e)


def outcome_of_reference(text, block):
    try:
        t, coordinates = reference(text, block)
    except Refused as e:
        return "Exception", str(e)
    except json.JSONDecodeError as e:
        return "JSONDecodeError", str(e)
    return outcome_of_loads({"type": t, "coordinates": coordinates}, block)


def structured_body(rnd):
    """Polygons of rings with random separators, now and then broken."""
    seps = [",", " ", "  ,  ", ",,", "", "\t,", " ,"]
    vertices = ["0 0,1 0,1 1", "0 0, 0 0,2 2, 1 1", "1 2", "3 4,5 6", " 1 2 ", "1 2,", ""]

    def ring():
        return "(" + rnd.choice(vertices) + ")"

    def rings():
        return rnd.choice(seps).join(ring() for _ in range(rnd.randint(1, 4)))
    if rnd.random() < 0.5:
        body = rings()
    else:
        body = rnd.choice(seps).join("(" + rings() + ")" for _ in range(rnd.randint(1, 3)))
    if rnd.random() < 0.3:
        at = rnd.randint(0, len(body))
        body = body[:at] + rnd.choice(["(", ")", "x", " ", ","]) + body[at:]
    return body


def random_texts(count, seed):
    rnd = random.Random(seed)
    for _ in range(count // 2):
        yield rnd.choice(["", "POLYGON ", "MULTIPOLYGON", "(", " "]) + "(" + structured_body(rnd) + ")"
    pieces = ["(", ")", "(", ")", " ", "  ", ",", "1", "2 3", "\t", "\u3000", "0 0,1 0,1 1"]
    prefixes = ["", " ", "POLYGON ", "MULTIPOLYGON", " LINESTRING\t", "x) ", ") (", "point z "]
    for _ in range(count - count // 2):
        body = "".join(rnd.choice(pieces) for _ in range(rnd.randint(1, 14)))
        text = rnd.choice(prefixes) + "(" + body + ")" + rnd.choice(["", " ", ")", " tail"])
        yield text


@pytest.mark.parametrize("block", [-1, 1, 2])
def test_loads_agrees_with_the_patterns(block):
    for text in random_texts(3000, seed=block + 7):
        if "[" in text:
            continue
        assert outcome_of_loads(text, block) == outcome_of_reference(text, block), text
