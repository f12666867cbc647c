"""Geometry.loads side by side with the nearest shapely path.

For a 1,000-vertex line and a 100-vertex polygon, each given as a list, WKT
text, GeoJSON text and hexadecimal WKB, times one call of Geometry.loads
against shapely's reader of the same form followed by
shapely.geometry.mapping: shapely.geometry.shape for the dict, from_wkt,
from_geojson and from_wkb for the texts.  Prints the time per call and the
ratio shapely / loads (above 1: loads is faster).

    .venv/bin/python bench/geometry_loads.py
"""
import json
import math
import timeit

import shapely
import shapely.geometry

from models.orbalt import Geometry

REPEAT = 5


def line_coords(n):
    return [[100.0 + i * 0.001, 30.0 + math.sin(i / 50.0)] for i in range(n)]


def ring_coords(n):
    ring = [[100.0 + math.cos(2 * math.pi * i / n), 30.0 + math.sin(2 * math.pi * i / n)]
            for i in range(n)]
    return [ring + [list(ring[0])]]


def per_call(fn):
    number = 1
    while timeit.timeit(fn, number=number) < 0.05:
        number *= 4
    return min(timeit.repeat(fn, number=number, repeat=REPEAT)) / number


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
        yield (f"{name} list", lambda: Geometry.loads(coords),
               lambda: shapely.geometry.mapping(shapely.geometry.shape(geom)))
        yield (f"{name} dict", lambda: Geometry.loads(geom),
               lambda: shapely.geometry.mapping(shapely.geometry.shape(geom)))
        yield (f"{name} WKT", lambda: Geometry.loads(wkt),
               lambda: shapely.geometry.mapping(shapely.from_wkt(wkt)))
        yield (f"{name} GeoJSON", lambda: Geometry.loads(geojson),
               lambda: shapely.geometry.mapping(shapely.from_geojson(geojson)))
        yield (f"{name} WKB hex", lambda: Geometry.loads(wkb),
               lambda: shapely.geometry.mapping(shapely.from_wkb(wkb)))


def main():
    print(f"{'case':<24}{'loads us':>12}{'shapely us':>12}{'ratio':>8}")
    for name, ours, theirs in cases():
        a = per_call(ours) * 1e6
        b = per_call(theirs) * 1e6
        print(f"{name:<24}{a:>12.2f}{b:>12.2f}{b / a:>8.2f}")


if __name__ == "__main__":
    main()
