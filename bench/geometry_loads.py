"""Geometry.loads side by side with the nearest shapely path.

For a 1,000-vertex line and a 100-vertex polygon, each given as a list, a
dict, WKT text, GeoJSON text and hexadecimal WKB, times one call of
Geometry.loads against shapely's reader of the same form followed by
shapely.geometry.mapping: shapely.geometry.shape for the list and the dict,
from_wkt, from_geojson and from_wkb for the texts.

    .venv/bin/python bench/geometry_loads.py
"""
import json
import math

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


def main():
    print("Geometry.loads per call")
    for name, value, theirs in cases():
        compare(f"loads {name}", lambda: Geometry.loads(value), lambda: FLOOR(value),
                [("shapely", theirs)])


if __name__ == "__main__":
    main()
