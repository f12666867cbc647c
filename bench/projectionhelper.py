"""ProjectionHelper side by side with GDAL's own calls.

project() of one 10,000-vertex polygon against GDAL's own batch call
(CoordinateTransformation.TransformPoints) on the same vertices, both with the
same transformation.  project() transforms one vertex per TransformPoint call
and re-reads the instance's scales and transformation for each vertex, so the
ratio shows what that walk costs over a single batch call (peer/ours below 1).

Then making an instance, whose reference texts are checked before GDAL reads
them, against the same GDAL calls without the checks: GDAL's reader on the
text (osr.SpatialReference().SetFromUserInput), the ESRI text of a clone,
EPSG:3857, the comparison and the transformation.  First for everyday
references, then for texts of 1 MB of the shapes that cost the checks most
(tests/large_references.py), most of which GDAL's reader refuses at once,
in the instance as alone; and PROJ text of 100 kB, 1 MB and 10 MB built to
cost its plain reading most (PROJ strings and lists of grids of many
tokens and members, init names with many ':', WKT with many PROJ4
extensions, a method PROJ has no name for of many tokens, a PROJJSON list
of many grids), each value of which is looked up as PROJ would open it.

Run: .venv/bin/python bench/projectionhelper.py   (GDAL is a dependency of
the module, nothing further to install)."""

import math
import os
import sys

from osgeo import osr

from models.orbalt import ProjectionHelper
from timer import FLOOR, REPEAT, compare

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
import large_references  # noqa: E402  (the shapes the tests use)

VERTICES = 10_000
LARGE = 1 << 20
PROJ_SIZES = ((100 << 10, "100 kB"), (1 << 20, "1 MB"), (10 << 20, "10 MB"))


def ring(n):
    """A closed ring of n vertices about 99 E, 36 N."""
    pts = [[99.0 + 2.0 * math.cos(2 * math.pi * i / (n - 1)),
            36.0 + 1.5 * math.sin(2 * math.pi * i / (n - 1))] for i in range(n - 1)]
    return pts + [list(pts[0])]


def gdal_instance(text):
    """What ProjectionHelper(text, 3857) asks of GDAL, without the checks."""
    source = osr.SpatialReference()
    source.SetFromUserInput(text)
    source.SetAxisMappingStrategy(osr.OAMS_TRADITIONAL_GIS_ORDER)
    esri = source.Clone()
    esri.MorphToESRI()
    esri.ExportToWkt()
    target = osr.SpatialReference()
    target.ImportFromEPSG(3857)
    target.SetAxisMappingStrategy(osr.OAMS_TRADITIONAL_GIS_ORDER)
    target.Clone().ExportToWkt()
    if not source.IsSame(target):
        osr.CoordinateTransformation(source, target)


def quietly(call, *args):
    """call(*args), its exception (GDAL's refusal of a text) swallowed."""
    try:
        call(*args)
    except Exception:
        pass


def everyday():
    srs = osr.SpatialReference()
    srs.ImportFromEPSG(32650)
    return {
        "Gauss-Kruger WKT": ProjectionHelper.definition("GaussKruger", centralMeridian=99),
        "WKT 2": srs.ExportToWkt(["FORMAT=WKT2_2019"]),
        "PROJJSON": srs.ExportToPROJJSON(),
        "PROJ text": "+proj=utm +zone=50 +datum=WGS84 +units=m +no_defs",
        "EPSG:4326": "EPSG:4326",
    }


def main():
    osr.UseExceptions()
    target = ProjectionHelper.definition("GaussKruger", centralMeridian=99)
    helper = ProjectionHelper(4326, target)
    polygon = {"type": "Polygon", "coordinates": [ring(VERTICES)]}

    transformer = helper._ProjectionHelper__transformer
    batch = [tuple(p) for p in polygon["coordinates"][0]]

    # both give the same vertices
    ours = helper.project(polygon)["coordinates"][0]
    theirs = transformer.TransformPoints(batch)
    worst = max(max(abs(a[0] - b[0]), abs(a[1] - b[1])) for a, b in zip(ours, theirs))
    assert worst == 0.0, worst

    print(f"ProjectionHelper.project, {VERTICES}-vertex polygon (EPSG:4326 -> Gauss-Kruger 99 E)")
    compare(f"project, {VERTICES:,} vertices", lambda: helper.project(polygon),
            lambda: FLOOR(polygon), [("TransformPoints", lambda: transformer.TransformPoints(batch))])

    print("ProjectionHelper(text, 3857), everyday references")
    for name, text in everyday().items():
        compare(f"instance, {name}", lambda: ProjectionHelper(text, 3857), lambda: FLOOR(text),
                [("GDAL, same calls", lambda: gdal_instance(text))])

    print(f"ProjectionHelper(text, 3857), texts of {LARGE:,} characters")
    for shape in large_references.SHAPES:
        if shape in large_references.PROJ_SHAPES:
            continue
        text = large_references.text(shape, LARGE)
        compare(f"instance, 1 MB {shape}", lambda: quietly(ProjectionHelper, text, 3857),
                lambda: FLOOR(text), [("GDAL, same calls", lambda: quietly(gdal_instance, text))])

    print("ProjectionHelper(text, 3857), PROJ text that costs its plain reading most, "
          "100 kB to 10 MB")
    for shape in large_references.PROJ_SHAPES:
        for size, name in PROJ_SIZES:
            # GDAL's own calls on a valid list of 1.5 million grids take some
            # 18 s and 400 MB of their own at 10 MB.
            if shape == "bound grid list" and size > LARGE:
                continue
            text = large_references.text(shape, size)
            compare(f"instance, {name} {shape}", lambda: quietly(ProjectionHelper, text, 3857),
                    lambda: FLOOR(text), [("GDAL, same calls", lambda: quietly(gdal_instance, text))],
                    repeat=3 if size > LARGE else REPEAT)


if __name__ == "__main__":
    main()
