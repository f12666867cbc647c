"""Per-call time of the point projections of Projection beside pyproj.

For each projection: one scalar call of the module, pyproj's
Transformer.transform called once per point for the same projection, and
pyproj's array call divided by the number of points.  Run with
`.venv/bin/python bench/projection.py`.
"""
import random
import sys
import timeit

try:
    import numpy as np
    import pyproj
except ImportError:
    print("bench/projection.py needs pyproj and numpy: "
          ".venv/bin/pip install -c constraints.txt pyproj numpy")
    sys.exit(0)

from models.orbalt import Projection

N = 20000
A, RF = 6378137.0, 298.257222101
GEO = f"+proj=longlat +a={A} +rf={RF} +no_defs"
UNIT = 0.0174532925199433

rng = random.Random(7)
lons = [rng.uniform(114.1, 119.9) for _ in range(N)]
lats = [rng.uniform(20.0, 50.0) for _ in range(N)]


def per_call(f, args):
    """Best of seven passes over the points, per point, in microseconds."""
    def run():
        for a in args:
            f(*a)
    return min(timeit.repeat(run, number=1, repeat=7)) / len(args) * 1e6


def per_point_array(t, xs, ys):
    xs, ys = np.asarray(xs), np.asarray(ys)
    return min(timeit.repeat(lambda: t.transform(xs, ys), number=1, repeat=7)) / len(xs) * 1e6


def case(name, ours, ours_args, transformer, xs, ys):
    """One row: the module's call, pyproj's scalar call, pyproj's array call."""
    t_ours = per_call(ours, ours_args)
    t_scalar = per_call(transformer.transform, list(zip(xs, ys)))
    t_array = per_point_array(transformer, xs, ys)
    print(f"{name:28s} {t_ours:8.3f} {t_scalar:10.3f} {t_array:10.3f} {t_scalar / t_ours:9.1f}x")


def main():
    print(f"{N} points, microseconds per point (best of 7)")
    print(f"{'projection':28s} {'orbalt':>8s} {'pyproj 1':>10s} {'pyproj []':>10s} {'vs 1':>10s}")

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


if __name__ == "__main__":
    main()
