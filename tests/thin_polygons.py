"""Thin polygons whose label search ends outside them: an arc with a gap,
a ring round a hole, a river (a meandering line buffered to a narrow band),
a zig-zag band; and the shapes whose search makes many cells: a long
sliver, a square with many holes.  The label tests and the bench share
them."""
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


def river(length, width, n, start=(116.0, 39.9), meander=0.05):
    """A centre line of n + 1 vertices meandering east from `start`, `meander`
    either side, buffered to a band of the given width."""
    x0, y0 = start
    line = shapely.LineString([(x0 + length * k / n, y0 + meander * math.sin(12 * math.pi * k / n + 1))
                               for k in range(n + 1)])
    return [list(map(list, line.buffer(width / 2).exterior.coords))]


def zigzag(width, n):
    """A line of n + 1 vertices zig-zagging 0.5 up and down every 0.01,
    buffered to a band of the given width with bevelled corners."""
    line = shapely.LineString([(k * 0.01, 0.5 * (k % 2)) for k in range(n + 1)])
    return [list(map(list, line.buffer(width / 2, quad_segs=1).exterior.coords))]


def sliver(length, width, n):
    """A rectangle `length` by `width` with n + 1 vertices along each long
    side."""
    south = [[length * k / n, 0.0] for k in range(n + 1)]
    north = [[length * k / n, width] for k in range(n, -1, -1)]
    return [south + north + [south[0]]]


def holed_square(side, columns, rows):
    """A square of the given side with columns x rows square holes, each a
    two-hundredth of the side across, spread over it."""
    hole = side / 200
    holes = []
    for i in range(columns):
        for j in range(rows):
            x, y = side * (0.01 + 0.98 * i / columns), side * (0.01 + 0.98 * j / rows)
            holes.append([[x, y], [x, y + hole], [x + hole, y + hole], [x + hole, y], [x, y]])
    return [[[0.0, 0.0], [side, 0.0], [side, side], [0.0, side], [0.0, 0.0]]] + holes
