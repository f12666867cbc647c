"""Geometry writers and vertex access beside shapely, in one run.

toWkt of a 1,000-vertex line and polygon dict against shapely building the
same geometry from the dict and writing its WKT; getXY and swapXY of a
10,000-vertex multipolygon against shapely listing its coordinates and
exchanging its axes, from the dict and on a geometry built once.  Prints the
time per call and the ratio shapely / orbalt (above 1: orbalt is faster).
Run with `make bench` or `.venv/bin/python bench/writers.py`; shapely is a
dependency of the module, so nothing further needs installing.
"""
import timeit

import shapely
import shapely.geometry

from models.orbalt import Geometry


def best(fn, number):
    return min(timeit.repeat(fn, number=number, repeat=5)) / number


def line(n):
    return [[100.0 + i * 0.001234567, 30.0 + (i % 97) * 0.000987654] for i in range(n)]


def ring(n, cx=0.0, cy=0.0, r=1.0):
    import math
    pts = [[cx + r * math.cos(2 * math.pi * i / n), cy + r * math.sin(2 * math.pi * i / n)]
           for i in range(n - 1)]
    return pts + [pts[0]]


def row(name, ours, theirs):
    print(f"{name:<38} {ours * 1e6:10.1f} us {theirs * 1e6:10.1f} us {theirs / ours:8.2f}x")


def main():
    print(f"{'':<38} {'orbalt':>13} {'shapely':>13} {'ratio':>9}")
    line_dict = {"type": "LineString", "coordinates": line(1000)}
    polygon_dict = {"type": "Polygon", "coordinates": [ring(1000, 100.0, 30.0)]}
    for name, geometry in (("toWkt 1,000-vertex LineString", line_dict),
                           ("toWkt 1,000-vertex Polygon", polygon_dict)):
        ours = best(lambda: Geometry.toWkt(geometry), 200)
        theirs = best(lambda: shapely.to_wkt(shapely.geometry.shape(geometry)), 200)
        row(name, ours, theirs)

    # 100 polygons of 100 vertices: 10,000 vertices.
    multi = {"type": "MultiPolygon",
             "coordinates": [[ring(100, 10.0 * k, 5.0)] for k in range(100)]}
    shape = shapely.geometry.shape(multi)
    cases = [
        ("getXY 10,000-vertex MultiPolygon", lambda: Geometry.getXY(multi, False),
         lambda: shapely.get_coordinates(shapely.geometry.shape(multi)),
         lambda: shapely.get_coordinates(shape)),
        ("getXY endpoints, same", lambda: Geometry.getXY(multi),
         lambda: shapely.get_coordinates(shapely.geometry.shape(multi)),
         lambda: shapely.get_coordinates(shape)),
        ("swapXY 10,000-vertex MultiPolygon", lambda: Geometry.swapXY(multi),
         lambda: shapely.transform(shapely.geometry.shape(multi), lambda xy: xy[:, ::-1]),
         lambda: shapely.transform(shape, lambda xy: xy[:, ::-1])),
    ]
    print()
    print(f"{'':<38} {'orbalt':>13} {'from dict':>13} {'ratio':>9} {'prebuilt':>13} {'ratio':>9}")
    for name, ours, from_dict, prebuilt in cases:
        t, d, p = best(ours, 50), best(from_dict, 50), best(prebuilt, 50)
        print(f"{name:<38} {t * 1e6:10.1f} us {d * 1e6:10.1f} us {d / t:8.2f}x"
              f" {p * 1e6:10.1f} us {p / t:8.2f}x")
    print("shapely side: get_coordinates (getXY) or transform exchanging the axes (swapXY),")
    print("on shape() of the dict ('from dict') and on a geometry built once ('prebuilt').")


if __name__ == "__main__":
    main()
