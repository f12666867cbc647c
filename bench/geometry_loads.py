"""Geometry.loads side by side with the nearest shapely path.

For a 1,000-vertex line and a 100-vertex polygon, each given as a list, a
dict, WKT text, GeoJSON text and hexadecimal WKB, times one call of
Geometry.loads against shapely's reader of the same form followed by
shapely.geometry.mapping: shapely.geometry.shape for the list and the dict,
from_wkt, from_geojson and from_wkb for the texts.

The last rows load a long line whose every vertex is given twice, beside
the same line without repeats and a line of as many distinct vertices, and
long lines of Decimal, numpy.float64 and Fraction values with one vertex in
ten repeated, beside the same values without repeats.

    .venv/bin/python bench/geometry_loads.py
"""
import json
import math
from decimal import Decimal
from fractions import Fraction

import numpy
import shapely
import shapely.geometry

from models.orbalt import Geometry
from timer import FLOOR, compare


def line_coords(n):
    return [[100.0 + i * 0.001, 30.0 + math.sin(i / 50.0)] for i in range(n)]


def ring_coords(n):
    ring = [[100.0 + math.cos(2 * math.pi * i / n), 30.0 + math.sin(2 * math.pi * i / n)]
            for i in range(n)]
    return [ring + [list(ring[0])]]


def cases():
    for name, geom in (("line 1000", {"type": "LineString", "coordinates": line_coords(1000)}),
                       ("polygon 100", {"type": "Polygon", "coordinates": ring_coords(100)})):
        shp = shapely.geometry.shape(geom)
        wkt = shapely.to_wkt(shp, rounding_precision=-1)
        geojson = json.dumps(geom)
        wkb = shapely.to_wkb(shp, hex=True)
        coords = geom["coordinates"]
        # loads edits its list in place; the data is already in normal form,
        # so every call does the same work.
        yield (f"{name} list", coords,
               lambda: shapely.geometry.mapping(shapely.geometry.shape(geom)))
        yield (f"{name} dict", geom,
               lambda: shapely.geometry.mapping(shapely.geometry.shape(geom)))
        yield (f"{name} WKT", wkt,
               lambda: shapely.geometry.mapping(shapely.from_wkt(wkt)))
        yield (f"{name} GeoJSON", geojson,
               lambda: shapely.geometry.mapping(shapely.from_geojson(geojson)))
        yield (f"{name} WKB hex", wkb,
               lambda: shapely.geometry.mapping(shapely.from_wkb(wkb)))


def repeats(n=256_000):
    """A line of n vertices each given twice (a receiver standing still
    writes each fix again) beside the same line without the repeats and a
    line of 2n distinct vertices as the controls; from lists and from WKT,
    with shapely's reading of the same WKT."""
    print(f"Geometry.loads of {n} vertices each given twice, per call")
    once = line_coords(n)
    twice = [w for v in once for w in (v, list(v))]
    distinct = line_coords(2 * n)
    # Each call loads a new list holding the same vertex lists: the repeats
    # leave it, while the vertices stay alive in the template.
    compare(f"loads {n} vertices twice, list", lambda: Geometry.loads(list(twice)),
            lambda: FLOOR(list(twice)),
            [("control: without repeats", lambda: Geometry.loads(list(once))),
             (f"control: {2 * n} distinct", lambda: Geometry.loads(list(distinct)))])

    def wkt(coords):
        return "LINESTRING (" + ", ".join(f"{x!r} {y!r}" for x, y in coords) + ")"
    texts = {name: wkt(c) for name, c in (("twice", twice), ("once", once), ("distinct", distinct))}
    compare(f"loads {n} vertices twice, WKT", lambda: Geometry.loads(texts["twice"]),
            lambda: FLOOR(texts["twice"]),
            [("control: without repeats", lambda: Geometry.loads(texts["once"])),
             (f"control: {2 * n} distinct", lambda: Geometry.loads(texts["distinct"])),
             ("shapely from_wkt", lambda: shapely.from_wkt(texts["twice"]))])


def fresh(line):
    """New vertex lists holding the line's values."""
    return [list(v) for v in line]


def repeats_of_other_numbers(n=2 ** 19):
    """Lines of n vertices of Decimal values (a database driver's NUMERIC
    columns), numpy.float64 values (the rows of an array as lists) and
    Fractions, one vertex in ten repeated, beside the same values without
    repeats as the control and shapely's LineString of the repeated line.
    Each call loads new vertex lists of the same values, so that every
    repeat is freed as it leaves the line, as a line of fresh vertices is."""
    print(f"Geometry.loads of {n} vertices of other numbers, one in ten repeated, per call")
    kinds = [("Decimal", lambda t: Decimal(repr(t))), ("numpy.float64", numpy.float64),
             ("Fraction", lambda t: Fraction(repr(t)))]
    for name, number in kinds:
        def vertex(i):
            return [number(100 + i * 1e-6), number(30 + i * 1e-6)]
        repeated = [vertex(i * 9 // 10) for i in range(n)]
        once = [vertex(i) for i in range(n)]
        compare(f"loads {n} {name} vertices, 1 in 10 repeated",
                lambda: Geometry.loads(fresh(repeated), 1), lambda: FLOOR(fresh(repeated)),
                [("control: without repeats", lambda: Geometry.loads(fresh(once), 1)),
                 ("shapely LineString", lambda: shapely.LineString(repeated))])
        del repeated, once


def main():
    print("Geometry.loads per call")
    for name, value, theirs in cases():
        compare(f"loads {name}", lambda: Geometry.loads(value), lambda: FLOOR(value),
                [("shapely", theirs)])
    repeats()
    repeats_of_other_numbers()


if __name__ == "__main__":
    main()
