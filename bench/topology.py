"""Topology's spatial predicates beside the same shapely calls, in one run.

Each row times the module's method on one input form against
shapely.prepare + the shapely predicate on ready shapely geometries, which
are the calls the method makes once its arguments are converted.  The ratio
is the cost of the method over those calls: for shapely input that is the
module's own overhead (conversion through the class, which hands a shapely
geometry back unchanged); for dict and WKT input it includes building the
shapely geometry.

Run: .venv/bin/python bench/topology.py   (shapely is a dependency of the
module, nothing further to install)."""

import json
import math
import random
import timeit

import shapely

from models.orbalt import Topology

PAIRS = 2000
REPEAT = 7

rng = random.Random(11)


def polygon(cx, cy, r, n=12):
    """A star-shaped polygon of n vertices about (cx, cy)."""
    pts = []
    for i in range(n):
        t = 2 * math.pi * i / n
        k = r * (0.6 + 0.4 * rng.random())
        pts.append((cx + k * math.cos(t), cy + k * math.sin(t)))
    return shapely.Polygon(pts)


def per_call(run, count):
    """Best of REPEAT passes, per call, in microseconds."""
    return min(timeit.repeat(run, number=1, repeat=REPEAT)) / count * 1e6


def forms(geometries):
    """The same geometries as dicts, WKT text and shapely objects."""
    return {
        "dict": [json.loads(shapely.to_geojson(g)) for g in geometries],
        "WKT": [shapely.to_wkt(g) for g in geometries],
        "shapely": list(geometries),
    }


def row(name, ours, theirs):
    print(f"{name:28s} {ours:9.3f} {theirs:9.3f} {ours / theirs:7.2f}x")


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

    t_intersects = per_call(shapely_intersects, PAIRS)
    t_contains = per_call(shapely_contains_xy, PAIRS)

    fa, fb = forms(a), forms(b)
    for form in fa:
        pairs = list(zip(fa[form], fb[form]))
        # the first pass prepares the caller's shapely geometries; every
        # pass after it finds them prepared, as shapely's own row does
        Topology.intersects(*pairs[0])

        def ours(f=Topology.intersects, pairs=pairs):
            for p, q in pairs:
                f(p, q)
        row(f"intersects, {form}", per_call(ours, PAIRS), t_intersects)
    for form in fa:
        points = [(g, x, y) for g, (x, y) in zip(fa[form], xy)]

        def ours(f=Topology.containsPoint, points=points):
            for g, x, y in points:
                f(g, x, y)
        row(f"containsPoint, {form}", per_call(ours, PAIRS), t_contains)


def main():
    print(f"{PAIRS} calls per pass, microseconds per call (best of {REPEAT})")
    print(f"{'method, input':28s} {'orbalt':>9s} {'shapely':>9s} {'ratio':>8s}")
    predicates()


if __name__ == "__main__":
    main()
