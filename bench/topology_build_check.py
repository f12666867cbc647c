"""Topology.build and Topology.check beside shapely, in one run.

build: 1,000 polygons (concave, some with holes, a few units across so the
search refines several levels at its tolerance 1.0) against
shapely.ops.polylabel on the same polygons made ready as shapely geometries.
Then 1,000 polygons 0.05 to 0.8 across (C shapes and squares with a square
hole, whose first label lies outside them, so the label is the centre of
their maximum inscribed circle) against polylabel to a thousandth of a unit.
Then thin polygons (an arc 5e-5 wide of 2,003 vertices, a ring 1e-6 wide of
1,000 vertices a side, a river 1e-4 wide of some 13,500 vertices, a zig-zag
band 1e-6 wide of 4,003 vertices), each against shapely's
maximum_inscribed_circle of the same polygon.  Then the shapes whose search
makes many cells, each cell asking for a distance to every ring: in metres,
a river 20 m wide winding 27 km over 10 km and a sliver 100,000 by 1, and a
square 30 across with 1,000 holes, each against polylabel to the same
tolerance 1.0 and maximum_inscribed_circle.

check: 1,000 lines with every check (default mask) against the shapely work
it cannot avoid, done directly on ready geometries: one union_all per line
(the self-noding), one intersection_all of all lines, and the GeoJSON
read-back of each noded line.

The floor passes the same freshly copied arguments to a builtin that does
nothing with them.  Every figure is per polygon or line.

    .venv/bin/python bench/topology_build_check.py
"""
import json
import os
import random
import sys

import shapely
from shapely.ops import polylabel

from models.orbalt import Topology
from timer import FLOOR, REPEAT, compare

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
from thin_polygons import (holed_square, river, sliver, thin_annulus, thin_arc,  # noqa: E402
                           zigzag)  # (the tests' shapes)

COUNT = 1000


def polygons(rng):
    out = []
    for _ in range(COUNT):
        x, y = rng.uniform(-50, 50), rng.uniform(-50, 50)
        w, h = rng.uniform(4, 30), rng.uniform(4, 30)
        outer = [[x, y], [x + w, y], [x + w, y + h], [x + w / 2, y + h / 3],
                 [x, y + h], [x, y]]
        rings = [outer]
        if rng.random() < 0.5:
            hx, hy = x + w * 0.7, y + h * 0.1
            rings.append([[hx, hy], [hx + w * 0.1, hy], [hx + w * 0.1, hy + h * 0.1],
                          [hx, hy + h * 0.1], [hx, hy]])
        out.append(rings)
    return out


def small_polygons(rng):
    out = []
    for i in range(COUNT):
        x, y = rng.uniform(-179, 179), rng.uniform(-80, 80)
        s, t = rng.uniform(0.05, 0.8), rng.uniform(0.1, 0.3)
        if i % 2:
            ring = [(0, 0), (1, 0), (1, t), (t, t), (t, 1 - t), (1, 1 - t), (1, 1), (0, 1), (0, 0)]
            out.append([[[x + s * u, y + s * v] for u, v in ring]])
        else:
            square = [(0, 0), (1, 0), (1, 1), (0, 1), (0, 0)]
            out.append([[[x + s * u, y + s * v] for u, v in square],
                        [[x + s * (t + (1 - 2 * t) * u), y + s * (t + (1 - 2 * t) * v)]
                         for u, v in square]])
    return out


def compare_thin(name, rings, tolerance=None, repeat=REPEAT):
    """Topology.build on one polygon beside the inscribed circle, and beside
    polylabel to `tolerance` when one is given; `repeat` calm rounds (fewer
    for labels of seconds)."""
    ready = shapely.geometry.shape({"type": "Polygon", "coordinates": rings})

    def build_one():
        Topology.build([[list(v) for v in r] for r in rings])

    def circle_one():
        shapely.maximum_inscribed_circle(ready)

    def build_floor():
        FLOOR([[list(v) for v in r] for r in rings])

    peers = [("maximum_inscribed_circle", circle_one)]
    if tolerance is not None:
        peers.append((f"polylabel {tolerance}", lambda: polylabel(ready, tolerance)))
    compare(name, build_one, build_floor, peers, repeat=repeat)


def lines(rng):
    out = []
    for _ in range(COUNT):
        x, y = rng.uniform(-50, 50), rng.uniform(-50, 50)
        out.append([[x + rng.uniform(-2, 2), y + rng.uniform(-2, 2)] for _ in range(6)])
    return out


def compare_build(name, shapes, peer, tolerance):
    """Topology.build on `shapes` beside polylabel to `tolerance`."""
    ready = [shapely.geometry.shape({"type": "Polygon", "coordinates": p}) for p in shapes]

    def build_all():
        # build cleans the caller's rings in place: give it fresh lists.
        for p in shapes:
            Topology.build([[list(v) for v in r] for r in p])

    def polylabel_all():
        for g in ready:
            polylabel(g, tolerance)

    def build_floor():
        for p in shapes:
            FLOOR([[list(v) for v in r] for r in p])

    compare(name, build_all, build_floor, [(peer, polylabel_all)], per=COUNT)


def main():
    rng = random.Random(11)
    print("Topology.build and Topology.check per item")
    compare_build("build, 1,000 polygons", polygons(rng), "polylabel", 1.0)
    compare_build("build, 1,000 small polygons", small_polygons(rng), "polylabel 0.001", 0.001)
    compare_thin("build, arc 5e-5 wide, 2,003 vertices", thin_arc(0.5, 0.49995, 1000))
    compare_thin("build, ring 1e-6 wide, 1,000 vertices a side", thin_annulus(0.5, 1e-6, 999))
    band = river(0.5, 1e-4, 4700)
    compare_thin(f"build, river 1e-4 wide, {len(band[0]):,} vertices", band)
    band = zigzag(1e-6, 1000)
    compare_thin(f"build, zig-zag 1e-6 wide, {len(band[0]):,} vertices", band, repeat=3)
    band = river(10000.0, 20.0, 1500, start=(0.0, 0.0), meander=1000.0)
    compare_thin(f"build, river 27 km x 20 m in metres, {len(band[0]):,} vertices", band, 1.0,
                 repeat=3)
    compare_thin("build, sliver 100,000 x 1, 2,003 vertices", sliver(100000.0, 1.0, 1000), 1.0,
                 repeat=3)
    compare_thin("build, square 30 across, 1,000 holes", holed_square(30.0, 40, 25), 1.0, repeat=3)

    paths = lines(rng)
    ready_lines = [shapely.LineString(p) for p in paths]

    def check_all():
        Topology.check([{"type": "LineString", "coordinates": [list(v) for v in p]}
                        for p in paths])

    def shapely_all():
        for g in ready_lines:
            json.loads(shapely.to_geojson(shapely.union_all([g])))
        shapely.intersection_all(ready_lines)

    def check_floor():
        FLOOR([{"type": "LineString", "coordinates": [list(v) for v in p]} for p in paths])

    compare("check, 1,000 lines (mask 31)", check_all, check_floor, [("shapely", shapely_all)],
            per=COUNT)


if __name__ == "__main__":
    main()
