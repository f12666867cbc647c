"""Geometry writers and vertex access beside shapely, in one run.

toWkt of a 1,000-vertex line and polygon dict against shapely building the
same geometry from the dict and writing its WKT; getXY and swapXY of a
10,000-vertex multipolygon against shapely listing its coordinates
(get_coordinates) or exchanging its axes (transform), on shape() of the dict
("from dict") and on a geometry built once ("prebuilt").
Run with `make bench` or `.venv/bin/python bench/writers.py`; shapely is a
dependency of the module, so nothing further needs installing.
"""
import math

import shapely
import shapely.geometry

from models.orbalt import Geometry
from timer import FLOOR, compare


def line(n):
    return [[100.0 + i * 0.001234567, 30.0 + (i % 97) * 0.000987654] for i in range(n)]


def ring(n, cx=0.0, cy=0.0, r=1.0):
    pts = [[cx + r * math.cos(2 * math.pi * i / n), cy + r * math.sin(2 * math.pi * i / n)]
           for i in range(n - 1)]
    return pts + [pts[0]]


def main():
    print("Geometry writers per call")
    line_dict = {"type": "LineString", "coordinates": line(1000)}
    polygon_dict = {"type": "Polygon", "coordinates": [ring(1000, 100.0, 30.0)]}
    for name, geometry in (("toWkt 1,000-vertex LineString", line_dict),
                           ("toWkt 1,000-vertex Polygon", polygon_dict)):
        compare(name, lambda: Geometry.toWkt(geometry), lambda: FLOOR(geometry),
                [("shapely", lambda: shapely.to_wkt(shapely.geometry.shape(geometry)))])

    # 100 polygons of 100 vertices: 10,000 vertices.
    multi = {"type": "MultiPolygon",
             "coordinates": [[ring(100, 10.0 * k, 5.0)] for k in range(100)]}
    shape = shapely.geometry.shape(multi)
    compare("getXY 10,000-vertex MultiPolygon",
            lambda: Geometry.getXY(multi, False), lambda: FLOOR(multi, False),
            [("from dict", lambda: shapely.get_coordinates(shapely.geometry.shape(multi))),
             ("prebuilt", lambda: shapely.get_coordinates(shape))])
    compare("getXY endpoints, same",
            lambda: Geometry.getXY(multi), lambda: FLOOR(multi),
            [("from dict", lambda: shapely.get_coordinates(shapely.geometry.shape(multi))),
             ("prebuilt", lambda: shapely.get_coordinates(shape))])
    compare("swapXY 10,000-vertex MultiPolygon",
            lambda: Geometry.swapXY(multi), lambda: FLOOR(multi),
            [("from dict", lambda: shapely.transform(shapely.geometry.shape(multi),
                                                     lambda xy: xy[:, ::-1])),
             ("prebuilt", lambda: shapely.transform(shape, lambda xy: xy[:, ::-1]))])


if __name__ == "__main__":
    main()
