"""Per-call time of the point projections of Projection beside pyproj.

For each projection, over the same 20,000 points: the module's scalar call
once per point, pyproj's Transformer.transform called once per point for the
same projection ("pyproj 1"), and pyproj's array call over all the points
("pyproj []"); every figure is per point.  Run with
`.venv/bin/python bench/projection.py` (pyproj is installed with the test
dependencies).
"""
import random
import sys

try:
    import numpy as np
    import pyproj
except ImportError:
    sys.exit("bench/projection.py needs pyproj and numpy: "
             ".venv/bin/pip install -c constraints.txt pyproj numpy")

from models.orbalt import Projection
from timer import FLOOR, compare

N = 20000
A, RF = 6378137.0, 298.257222101
GEO = f"+proj=longlat +a={A} +rf={RF} +no_defs"
UNIT = 0.0174532925199433

rng = random.Random(7)
lons = [rng.uniform(114.1, 119.9) for _ in range(N)]
lats = [rng.uniform(20.0, 50.0) for _ in range(N)]


def case(name, ours, ours_args, transformer, xs, ys):
    """One row: the module's call, pyproj's scalar call, pyproj's array call,
    each over every point, and the module's call with the floor in its place."""
    scalar_args = list(zip(xs, ys))
    xs, ys = np.asarray(xs), np.asarray(ys)
    scalar = transformer.transform
    floor = FLOOR

    def run_ours():
        for a in ours_args:
            ours(*a)

    def run_floor():
        for a in ours_args:
            floor(*a)

    def run_scalar():
        for a in scalar_args:
            scalar(*a)

    compare(name, run_ours, run_floor,
            [("pyproj 1", run_scalar), ("pyproj []", lambda: transformer.transform(xs, ys))],
            per=len(ours_args))


def main():
    print(f"Projection per point, over {N} points")

    gk = Projection.gaussKruger
    tm = pyproj.Transformer.from_crs(
        GEO, f"+proj=tmerc +lat_0=0 +lon_0=117 +k=1 +x_0=20500000 +y_0=0 +a={A} +rf={RF} +no_defs",
        always_xy=True)
    fwd = [gk(117.0, longitude=lo, latitude=la) for lo, la in zip(lons, lats)]
    case("gaussKruger forward", gk, [(117.0, None, None, lo, la) for lo, la in zip(lons, lats)],
         tm, lons, lats)
    case("gaussKruger forward, no cm", gk, [(None, None, None, lo, la) for lo, la in zip(lons, lats)],
         tm, lons, lats)
    tm_inv = pyproj.Transformer.from_crs(
        f"+proj=tmerc +lat_0=0 +lon_0=117 +k=1 +x_0=20500000 +y_0=0 +a={A} +rf={RF} +no_defs", GEO,
        always_xy=True)
    case("gaussKruger inverse", gk, [(117.0, n, e) for e, n in fwd], tm_inv,
         [p[0] for p in fwd], [p[1] for p in fwd])

    wm = pyproj.Transformer.from_crs(4326, 3857, always_xy=True)
    case("webMercator forward", Projection.webMercator, list(zip(lons, lats)), wm, lons, lats)
    plane = [Projection.webMercator(lo, la) for lo, la in zip(lons, lats)]
    case("webMercator inverse", Projection.webMercator, [(None, None, x, y) for x, y in plane],
         pyproj.Transformer.from_crs(3857, 4326, always_xy=True),
         [p[0] for p in plane], [p[1] for p in plane])

    cone = (105.0, 0.0, 25.0, 47.0)
    aea = pyproj.Transformer.from_crs(
        f"+proj=longlat +R={A}", f"+proj=aea +R={A} +lat_1=25 +lat_2=47 +lat_0=0 +lon_0=105",
        always_xy=True)
    case("albers forward", Projection.albers, [(lo, la) + cone for lo, la in zip(lons, lats)],
         aea, lons, lats)

    lcc = pyproj.Transformer.from_crs(
        GEO, f"+proj=lcc +a={A} +rf={RF} +lat_1=25 +lat_2=47 +lat_0=0 +lon_0=105", always_xy=True)
    case("lambert forward", Projection.lambert, [(lo, la) + cone for lo, la in zip(lons, lats)],
         lcc, lons, lats)

    angle_texts()


def refused(f, **kwargs):
    try:
        f(**kwargs)
    except Exception:
        pass


def angle_texts(k=100_000):
    """angle of texts that it refuses after a long blank run, beside two
    controls of the same length: digits, which it refuses at the fourth,
    and a number with a long fraction, which it reads to the end."""
    print(f"Projection.angle of a text of {k + 2} characters, per call")
    digits = "1" * (k + 2)
    fraction = "1." + "0" * k
    for label, key, text in [("dms, blanks after a digit", "dms", "1" + " " * k + "x"),
                             ("deg, blanks after a digit", "deg", "1" + " " * k + "x"),
                             ("dms, leading blanks", "dms", " " * (k + 1) + "x"),
                             ("dms, blanks after a mark", "dms", "1°" + " " * (k - 1) + "x")]:
        compare(f"angle {label}", lambda: refused(Projection.angle, **{key: text}),
                lambda: FLOOR(text),
                [("control: digits", lambda: refused(Projection.angle, **{key: digits})),
                 ("control: long fraction", lambda: Projection.angle(**{key: fraction}))])


if __name__ == "__main__":
    main()
