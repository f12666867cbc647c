"""ProjectionHelper.project of one 10,000-vertex polygon against GDAL's own
batch call (CoordinateTransformation.TransformPoints) on the same vertices,
both with the same transformation, in one run.

project() transforms one vertex per TransformPoint call and re-reads the
instance's scales and transformation for each vertex, so the ratio shows what
that walk costs over a single batch call.

Run: .venv/bin/python bench/projectionhelper.py   (GDAL is a dependency of
the module, nothing further to install)."""

import math
import timeit

from osgeo import osr

from models.orbalt import ProjectionHelper

VERTICES = 10_000
REPEAT = 7


def ring(n):
    """A closed ring of n vertices about 99 E, 36 N."""
    pts = [[99.0 + 2.0 * math.cos(2 * math.pi * i / (n - 1)),
            36.0 + 1.5 * math.sin(2 * math.pi * i / (n - 1))] for i in range(n - 1)]
    return pts + [list(pts[0])]


def best(stmt, number):
    return min(timeit.repeat(stmt, number=number, repeat=REPEAT)) / number


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

    t_ours = best(lambda: helper.project(polygon), 20)
    t_theirs = best(lambda: transformer.TransformPoints(batch), 20)
    print(f"ProjectionHelper.project, {VERTICES}-vertex polygon (EPSG:4326 -> Gauss-Kruger 99 E)")
    print(f"  project (one TransformPoint per vertex): {t_ours * 1e3:8.3f} ms per call, "
          f"{t_ours / VERTICES * 1e6:6.3f} us per vertex")
    print(f"  osr TransformPoints (one batch call):    {t_theirs * 1e3:8.3f} ms per call, "
          f"{t_theirs / VERTICES * 1e6:6.3f} us per vertex")
    print(f"  ratio project / TransformPoints: {t_ours / t_theirs:.2f}")


if __name__ == "__main__":
    main()
