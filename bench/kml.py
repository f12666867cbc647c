"""KML writing and reading of a 1,000-vertex polygon, beside OGR.

Writing: Geometry.toKml + etree.tostring against OGR's ExportToKML.
Reading: Geometry.fromKml of the KML text against OGR's
CreateGeometryFromGML of the same polygon as GML, the nearest text reader
OGR offers (it has no KML geometry reader of its own), alone and with its
result turned into a dict through ExportToJson and json.loads.

Run: .venv/bin/python bench/kml.py  (GDAL is a dependency of the module.)
"""
import json
import math
import timeit

from lxml import etree
from osgeo import ogr

from models.orbalt import Geometry

VERTICES = 1000
RUNS = 200


def polygon():
    ring = [[116.0 + math.cos(2 * math.pi * i / VERTICES), 39.0 + math.sin(2 * math.pi * i / VERTICES)]
            for i in range(VERTICES - 1)]
    ring.append(ring[0])
    return {"type": "Polygon", "coordinates": [ring]}


def per_call(f):
    f()
    return min(timeit.repeat(f, number=RUNS, repeat=5)) / RUNS


def row(label, ours, peer):
    print(f"{label:<34} {ours * 1e6:10.1f} us {peer * 1e6:10.1f} us {ours / peer:8.2f}")


def main():
    geometry = polygon()
    shape = ogr.CreateGeometryFromJson(json.dumps(geometry))
    kml_text = etree.tostring(Geometry.toKml(geometry)).decode()
    gml_text = shape.ExportToGML()
    assert Geometry.fromKml(kml_text)["coordinates"][0][:3] == geometry["coordinates"][0][:3]

    print(f"{VERTICES}-vertex polygon, best of 5 x {RUNS} calls")
    print(f"{'':<34} {'orbalt':>13} {'OGR':>13} {'ratio':>8}")
    row("write: toKml+tostring / ExportToKML",
        per_call(lambda: etree.tostring(Geometry.toKml(geometry))),
        per_call(shape.ExportToKML))
    read = per_call(lambda: Geometry.fromKml(kml_text))
    row("read: fromKml / CreateGeometryFromGML", read,
        per_call(lambda: ogr.CreateGeometryFromGML(gml_text)))
    # The same reader with its result made into a dict, as fromKml returns.
    row("read: fromKml / the same, as a dict", read,
        per_call(lambda: json.loads(ogr.CreateGeometryFromGML(gml_text).ExportToJson())))


if __name__ == "__main__":
    main()
