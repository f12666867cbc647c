"""The perimeter error of Topology.area's Albers plane by the latitudes a ring
spans, against geodesic polygons on the same spheroid (GeographicLib).

The docstring states a range per span class (rings spanning up to 10, 20,
30, 60 and 90 degrees of latitude) over rings along two parallels with a
vertex at least every degree, 7 to 360 degrees wide, from the equator up
to at most 89.9 degrees or to the pole.  EDGE_RINGS are the rings where
each class takes its extremes; the test holds them.  Run as a script, the
sweep below searches the whole domain for the extremes and prints, per
class, the figures to state (rounded outward to 0.1%) and the rings where
they fall (a few minutes):

    .venv/bin/python tests/albers_perimeters.py [crs ...]
"""
import math
import sys

from geographiclib.geodesic import Geodesic

import models.orbalt as orbalt
from measure_support import geodesic, parallels, reference_area

SPANS = (10, 20, 30, 60, 90)
# The top of the domain: a ring ends at most this far north, or on the pole.
TOP, POLE = 89.9, 90.0
WIDTHS = (7.0, 8.0, 10.0, 15.0, 20.0, 30.0, 45.0, 60.0, 90.0, 120.0, 180.0, 240.0, 300.0,
          340.0, 359.0, 360.0)
# Degrees between the vertices along the parallels, at most 1.
STEPS = (1.0, 0.25)

# (class, (west, south, east, north, step)) of each class's lowest and
# highest error, as the sweep finds them: the narrowest rings reaching the
# pole lowest; the highest at the widest reaching 89.9, and for spans up to
# 10 degrees at the narrowest on the equator.  Denser vertices raise the
# highest a little: by at most 5e-6 of the perimeter from a vertex every
# degree to one every tenth.
EDGE_RINGS = [
    (10, (-170.0, 80.0, -163.0, 90.0, 1.0)),
    (10, (-170.0, 0.0, -163.0, 10.0, 1.0)),
    (20, (-170.0, 70.0, -163.0, 90.0, 1.0)),
    (20, (-180.0, 69.9, 180.0, 89.9, 0.25)),
    (30, (-170.0, 60.0, -163.0, 90.0, 1.0)),
    (30, (-180.0, 59.9, 180.0, 89.9, 0.25)),
    (60, (-170.0, 30.0, -163.0, 90.0, 1.0)),
    (60, (-180.0, 29.9, 180.0, 89.9, 0.25)),
    (90, (-170.0, 0.0, -163.0, 90.0, 1.0)),
    (90, (-180.0, 0.0, 180.0, 89.9, 0.25)),
]


def perimeter_error(ring, crs=2000):
    """Topology.area's perimeter over the geodesic one, less 1."""
    measured = orbalt.Topology.area([[list(v) for v in ring]], crs)["perimeter"]
    return measured / reference_area(ring, crs)[1] - 1


def outward(lowest, highest):
    """The range as percentages to 0.1, rounded outward."""
    return math.floor(lowest * 1000) / 10, math.ceil(highest * 1000) / 10


# --- the sweep ------------------------------------------------------------------------

def fast_error(g, crs, west, south, width, north, step):
    """perimeter_error of parallels(west, south, west + width, north, step),
    its geodesic perimeter summed from one edge per parallel and the two
    meridians: the edges along a parallel are congruent."""
    k = max(1, math.ceil(width / step))
    d = width / k
    along = k * (g.Inverse(south, 0.0, south, d, Geodesic.DISTANCE)["s12"]
                 + g.Inverse(north, 0.0, north, d, Geodesic.DISTANCE)["s12"])
    meridian = g.Inverse(south, 0.0, north, 0.0, Geodesic.DISTANCE)["s12"]
    ring = parallels(west, south, west + width, north, step)
    measured = orbalt.Topology.area([ring], crs)["perimeter"]
    return measured / (along + 2 * meridian) - 1


def latitude_pairs():
    """(south, north) over the domain: every degree and the top's edges,
    then along each span's edge, the top (89.9 and the pole) and the
    equator every tenth of a degree."""
    lats = [float(v) for v in range(90)] + [89.5, TOP, POLE]
    pairs = {(s, n) for i, s in enumerate(lats) for n in lats[i + 1:]}
    tenths = [v / 10 for v in range(900)] + [TOP]
    for span in SPANS:
        pairs |= {(round(n - span, 1), n) for n in tenths + [POLE] if n - span >= -1e-9}
    pairs |= {(s, top) for top in (TOP, POLE) for s in tenths if s < top}
    pairs |= {(0.0, n) for n in tenths[1:] + [POLE]}
    return sorted((max(s, 0.0), n) for s, n in pairs)


def sweep(crs=2000):
    g = geodesic(crs)
    pairs = latitude_pairs()
    extremes = {span: [(math.inf, None), (-math.inf, None)] for span in SPANS}
    for width in WIDTHS:
        west = -170.0 if width <= 340.0 else -180.0
        for step in STEPS:
            for south, north in pairs:
                e = fast_error(g, crs, west, south, width, north, step)
                ring = (west, south, west + width, north, step)
                for span in SPANS:
                    if north - south <= span + 1e-9:
                        low, high = extremes[span]
                        if e < low[0]:
                            extremes[span][0] = (e, ring)
                        if e > high[0]:
                            extremes[span][1] = (e, ring)
        print(f"  width {width:g} done", file=sys.stderr, flush=True)
    return len(pairs) * len(WIDTHS) * len(STEPS), extremes


def main():
    for crs in [int(c) for c in sys.argv[1:]] or [2000]:
        count, extremes = sweep(crs)
        print(f"code {crs}: {count:,} rings")
        for span, ((low, low_ring), (high, high_ring)) in extremes.items():
            # the extremes again against the full geodesic polygon
            low_check = perimeter_error(parallels(*low_ring), crs)
            high_check = perimeter_error(parallels(*high_ring), crs)
            lo, hi = outward(low, high)
            print(f"  up to {span} degrees: {lo:+.1f}% to {hi:+.1f}%")
            print(f"    lowest  {low * 100:+.4f}% (polygon {low_check * 100:+.4f}%) at {low_ring}")
            print(f"    highest {high * 100:+.4f}% (polygon {high_check * 100:+.4f}%) at {high_ring}")


if __name__ == "__main__":
    main()
