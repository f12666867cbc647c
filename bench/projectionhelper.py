"""ProjectionHelper.project of one 10,000-vertex polygon against GDAL's own
batch call (CoordinateTransformation.TransformPoints) on the same vertices,
both with the same transformation, in one run.

project() transforms one vertex per TransformPoint call and re-reads the
instance's scales and transformation for each vertex, so the ratio shows what
that walk costs over a single batch call (peer/ours below 1).

Run: .venv/bin/python bench/projectionhelper.py   (GDAL is a dependency of
the module, nothing further to install)."""

import math

from models.orbalt import ProjectionHelper
from timer import FLOOR, compare

VERTICES = 10_000


def ring(n):
    """A closed ring of n vertices about 99 E, 36 N."""
    pts = [[99.0 + 2.0 * math.cos(2 * math.pi * i / (n - 1)),
            36.0 + 1.5 * math.sin(2 * math.pi * i / (n - 1))] for i in range(n - 1)]
    return pts + [list(pts[0])]


def main():
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


if __name__ == "__main__":
    main()
