"""Geometry dicts of every coordinate type, in two and three dimensions,
shared by the format converter tests.  The converters must not change
them: a test that needs to change a geometry makes its own."""

RING = [[0, 0], [4, 0], [4, 4], [0, 0]]
HOLE = [[1, 1], [2, 1], [2, 2], [1, 1]]


def with_z(coordinates):
    """The coordinates with a third ordinate 10 on every vertex."""
    if isinstance(coordinates[0], (int, float)):
        return [*coordinates, 10]
    return [with_z(c) for c in coordinates]


def as_floats(value):
    """A coordinate nesting as lists of floats at every level."""
    if isinstance(value, (list, tuple)):
        return [as_floats(v) for v in value]
    return float(value)


SIMPLE = [
    {"type": "Point", "coordinates": [1.5, 2]},
    {"type": "MultiPoint", "coordinates": [[1, 2], [3, 4]]},
    {"type": "LineString", "coordinates": [[0, 0], [1, 1], [2, 0]]},
    {"type": "MultiLineString", "coordinates": [[[0, 0], [1, 1]], [[2, 2], [3, 3]]]},
    {"type": "Polygon", "coordinates": [RING, HOLE]},
    {"type": "MultiPolygon", "coordinates": [[RING, HOLE], [RING]]},
]
# The six in two dimensions, then the same six with z.
GEOMETRIES = SIMPLE + [{"type": g["type"], "coordinates": with_z(g["coordinates"])} for g in SIMPLE]
