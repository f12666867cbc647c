"""Thin polygons whose label search ends outside them: an arc with a gap,
a ring round a hole, a river (a meandering line buffered to a narrow band).
The label tests and the bench share them."""
import math

import shapely


def thin_arc(r_out, r_in, n, gap=10.0):
    """An arc between the radii r_out and r_in, open by `gap` degrees, with
    n + 1 vertices on each side."""
    a0 = math.radians(gap / 2)
    a1 = 2 * math.pi - a0
    angles = [a0 + (a1 - a0) * k / n for k in range(n + 1)]
    out = [[r_out * math.cos(a), r_out * math.sin(a)] for a in angles]
    inn = [[r_in * math.cos(a), r_in * math.sin(a)] for a in reversed(angles)]
    return [out + inn + [out[0]]]


def thin_annulus(r, rim, n):
    """A ring of radius r, `rim` wide, n vertices on each circle."""
    def circle(radius, sense):
        return [[radius * math.cos(sense * 2 * math.pi * k / n),
                 radius * math.sin(sense * 2 * math.pi * k / n)] for k in range(n + 1)]
    return [circle(r, 1), circle(r - rim, -1)]


def river(length, width, n):
    """A centre line of n + 1 vertices meandering east from (116, 39.9),
    buffered to a band of the given width."""
    line = shapely.LineString([(116.0 + length * k / n, 39.9 + 0.05 * math.sin(12 * math.pi * k / n + 1))
                               for k in range(n + 1)])
    return [list(map(list, line.buffer(width / 2).exterior.coords))]
