"""Topology's spatial predicates beside the same shapely calls, in one run.

Each row times the module's method on one input form against
shapely.prepare + the shapely predicate on ready shapely geometries, which
are the calls the method makes once its arguments are converted.  So
peer/ours is below 1, and its inverse is the cost of the method over those
calls: for shapely input that is the module's own overhead (conversion
through the class, which hands a shapely geometry back unchanged); for dict
and WKT input it includes building the shapely geometry.  Every figure is
per call, from passes over PAIRS calls.

Run: .venv/bin/python bench/topology.py   (shapely is a dependency of the
module, nothing further to install)."""

import json
import math
import random

import shapely

from models.orbalt import Topology
from timer import FLOOR, compare

PAIRS = 2000

rng = random.Random(11)


def polygon(cx, cy, r, n=12):
    """A star-shaped polygon of n vertices about (cx, cy)."""
    pts = []
    for i in range(n):
        t = 2 * math.pi * i / n
        k = r * (0.6 + 0.4 * rng.random())
        pts.append((cx + k * math.cos(t), cy + k * math.sin(t)))
    return shapely.Polygon(pts)


def forms(geometries):
    """The same geometries as dicts, WKT text and shapely objects."""
    return {
        "dict": [json.loads(shapely.to_geojson(g)) for g in geometries],
        "WKT": [shapely.to_wkt(g) for g in geometries],
        "shapely": list(geometries),
    }


def predicates():
    a = [polygon(rng.uniform(100, 120), rng.uniform(20, 40), 1.0) for _ in range(PAIRS)]
    b = [polygon(g.centroid.x + rng.uniform(-2, 2), g.centroid.y + rng.uniform(-2, 2), 1.0)
         for g in a]
    xy = [(g.centroid.x + rng.uniform(-1, 1), g.centroid.y + rng.uniform(-1, 1)) for g in a]
    ready_a, ready_b = [shapely.Polygon(g) for g in a], [shapely.Polygon(g) for g in b]
    for g in ready_a:
        shapely.prepare(g)

    prepare, intersects, contains_xy = shapely.prepare, shapely.intersects, shapely.contains_xy

    def shapely_intersects():
        for p, q in zip(ready_a, ready_b):
            prepare(p)
            intersects(p, q)

    def shapely_contains_xy():
        for p, (x, y) in zip(ready_a, xy):
            prepare(p)
            contains_xy(p, x, y)

    fa, fb = forms(a), forms(b)
    for form in fa:
        pairs = list(zip(fa[form], fb[form]))
        # the first pass prepares the caller's shapely geometries; every
        # pass after it finds them prepared, as shapely's own row does
        Topology.intersects(*pairs[0])

        def ours(f=Topology.intersects, pairs=pairs):
            for p, q in pairs:
                f(p, q)

        def floor(f=FLOOR, pairs=pairs):
            for p, q in pairs:
                f(p, q)
        compare(f"intersects, {form}", ours, floor, [("shapely", shapely_intersects)], per=PAIRS)
    for form in fa:
        points = [(g, x, y) for g, (x, y) in zip(fa[form], xy)]

        def ours(f=Topology.containsPoint, points=points):
            for g, x, y in points:
                f(g, x, y)

        def floor(f=FLOOR, points=points):
            for g, x, y in points:
                f(g, x, y)
        compare(f"containsPoint, {form}", ours, floor, [("shapely", shapely_contains_xy)],
                per=PAIRS)


def main():
    print(f"Topology predicates per call, over {PAIRS} calls")
    predicates()


if __name__ == "__main__":
    main()
