"""KML writing and reading of a 1,000-vertex polygon, beside OGR.

Writing: Geometry.toKml + etree.tostring against OGR's ExportToKML.
Reading: Geometry.fromKml of the KML text against OGR's
CreateGeometryFromGML of the same polygon as GML, the nearest text reader
OGR offers (it has no KML geometry reader of its own), alone ("OGR GML") and
with its result turned into a dict through ExportToJson and json.loads, as
fromKml returns ("GML+dict").

Run: .venv/bin/python bench/kml.py  (GDAL is a dependency of the module.)
"""
import json
import math

from lxml import etree
from osgeo import ogr

from models.orbalt import Geometry
from timer import FLOOR, compare

VERTICES = 1000


def polygon():
    ring = [[116.0 + math.cos(2 * math.pi * i / VERTICES), 39.0 + math.sin(2 * math.pi * i / VERTICES)]
            for i in range(VERTICES - 1)]
    ring.append(ring[0])
    return {"type": "Polygon", "coordinates": [ring]}


def main():
    geometry = polygon()
    shape = ogr.CreateGeometryFromJson(json.dumps(geometry))
    kml_text = etree.tostring(Geometry.toKml(geometry)).decode()
    gml_text = shape.ExportToGML()
    assert Geometry.fromKml(kml_text)["coordinates"][0][:3] == geometry["coordinates"][0][:3]

    print(f"KML of a {VERTICES}-vertex polygon per call")
    compare("write: toKml + tostring",
            lambda: etree.tostring(Geometry.toKml(geometry)), lambda: FLOOR(geometry),
            [("OGR ExportToKML", lambda: shape.ExportToKML())])
    compare("read: fromKml",
            lambda: Geometry.fromKml(kml_text), lambda: FLOOR(kml_text),
            [("OGR GML", lambda: ogr.CreateGeometryFromGML(gml_text)),
             ("GML+dict", lambda: json.loads(ogr.CreateGeometryFromGML(gml_text).ExportToJson()))])


if __name__ == "__main__":
    main()
