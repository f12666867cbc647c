"""Topology.area and Topology.length against pyproj's Geod on the same
vertices, side by side in one run: polygon_area_perimeter for rings of 1,000,
10,000 and 100,000 vertices in the Gauss-Kruger and the Albers plane, a
ring of 10,000 float-subclass latitudes half on the pole (the real calls to
Projection, edge by edge), and line_length for a dense 100,000-vertex line and a sparse line of long
(geodesic) segments.  pyproj gets numpy arrays made beforehand, the module
its coordinate lists.

Run: .venv/bin/python bench/measure.py   (pyproj is installed with the test
dependencies, pinned in constraints.txt)."""

import math
import random
import sys

from models.orbalt import Projection, Topology
from timer import FLOOR, compare

try:
    import numpy as np
    from pyproj import Geod
except ImportError:
    sys.exit("bench/measure.py needs pyproj: .venv/bin/pip install -c constraints.txt pyproj")

CRS = 2000


def ring(n, lon, lat, rx, ry):
    """An open counter-clockwise ring of n vertices on an ellipse."""
    return [[lon + rx * math.cos(2 * math.pi * i / n), lat + ry * math.sin(2 * math.pi * i / n)]
            for i in range(n)]


def dense_line(n):
    """A random walk of n vertices with steps of about 100 m near 116 E."""
    rnd = random.Random(1)
    x, y, out = 116.0, 39.0, []
    for _ in range(n):
        out.append([x, y])
        x = min(max(x + rnd.uniform(-1e-3, 1e-3), 113.0), 119.0)
        y = min(max(y + rnd.uniform(-1e-3, 1e-3), 30.0), 45.0)
    return out


def sparse_line(n):
    """n vertices hopping tens of degrees at a time."""
    rnd = random.Random(2)
    return [[rnd.uniform(-180.0, 180.0), rnd.uniform(-80.0, 80.0)] for _ in range(n)]


class Latitude(float):
    """A float subclass, as a host's number type may be: such values take
    the real calls to Projection, edge by edge."""


def pole_cap(n):
    """A ring of n vertices from 60 N to the pole, 30 degrees wide, half of
    them on the pole, every latitude a Latitude."""
    half = n // 2
    south = [[-15.0 + 30.0 * i / (half - 1), Latitude(60.0)] for i in range(half)]
    pole = [[15.0 - 30.0 * i / (n - half - 1), Latitude(90.0)] for i in range(n - half)]
    return south + pole


def row(label, ours, floor, theirs, agree):
    print(f"  ({label}: results differ by {agree:.1e} relative)")
    compare(label, ours, floor, [("pyproj Geod", theirs)])


def main():
    rec = Projection.datum[CRS]
    geod = Geod(a=rec.a, f=rec.f)
    print(f"Topology.area / Geod.polygon_area_perimeter, code {CRS}")
    for plane, centre in (("Gauss-Kruger", (117.0, 30.0, 2.0, 1.5)),
                          ("Albers", (105.0, 35.0, 10.0, 8.0))):
        for n in (1_000, 10_000, 100_000):
            polygon = [ring(n, *centre)]
            lons = np.array([p[0] for p in polygon[0]])
            lats = np.array([p[1] for p in polygon[0]])
            ours = Topology.area(polygon, CRS)["area"]
            theirs = abs(geod.polygon_area_perimeter(lons, lats)[0])
            row(f"area, {plane}, {n:,} vertices", lambda: Topology.area(polygon, CRS),
                lambda: FLOOR(polygon, CRS), lambda: geod.polygon_area_perimeter(lons, lats),
                abs(ours / theirs - 1))
    # the worst input of the pole test on the real calls: every edge tests
    # two latitudes that are not exact floats, and half the edges lie on
    # the pole (an edge on the pole is one point: its length is 0 for Geod)
    polygon = [pole_cap(10_000)]
    lons = np.array([p[0] for p in polygon[0]])
    lats = np.array([float(p[1]) for p in polygon[0]])
    ours = Topology.area(polygon, CRS)["area"]
    theirs = abs(geod.polygon_area_perimeter(lons, lats)[0])
    row("area, Albers, 10,000 vertices, float subclass, half on the pole",
        lambda: Topology.area(polygon, CRS), lambda: FLOOR(polygon, CRS),
        lambda: geod.polygon_area_perimeter(lons, lats), abs(ours / theirs - 1))
    print(f"Topology.length / Geod.line_length, code {CRS}")
    for label, line in (("100,000 vertices", dense_line(100_000)),
                        ("10,000 long segments", sparse_line(10_001))):
        lons = np.array([p[0] for p in line])
        lats = np.array([p[1] for p in line])
        ours = Topology.length(line, CRS)["length"]
        theirs = geod.line_length(lons, lats)
        row(f"length, {label}", lambda: Topology.length(line, CRS), lambda: FLOOR(line, CRS),
            lambda: geod.line_length(lons, lats), abs(ours / theirs - 1))


if __name__ == "__main__":
    main()
