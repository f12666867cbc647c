"""Geometry classes for the tests of methods that reach shapely or loads.

`toWkb` and the affine transforms convert through `cls.toShapely`, and every
method loads non-dict input through `cls.loads`.  `shapely_class()` gives
`Geometry` itself once its `toShapely` works, and until then a subclass whose
`toShapely` converts geometry inputs the way the class
documents it, so those methods are tested through the class either way.
"""
import pytest
import shapely
import shapely.geometry

from models.orbalt import Geometry

GEOMETRY_NAMES = ("Point", "MultiPoint", "LineString", "MultiLineString",
                  "Polygon", "MultiPolygon", "GeometryCollection")


def built(method, *args):
    """True when `method(*args)` runs rather than raising NotImplementedError."""
    try:
        method(*args)
    except NotImplementedError:
        return False
    return True


class StandInShapely(Geometry):
    """Geometry with toShapely written in Python, as the class documents it."""

    @classmethod
    def toShapely(cls, geometry, srid=4326):
        if type(geometry) is dict:
            shape = shapely.geometry.shape(geometry)
        elif type(geometry) in (list, str):
            shape = shapely.geometry.shape(cls.loads(geometry))
        elif type(geometry).__name__ in GEOMETRY_NAMES:
            shape = geometry
        else:
            raise Exception(f"[{type(geometry).__name__}] is not a valid type in [geometry] parameter.")
        if srid is not None:
            shape = shapely.set_srid(shape, srid)
        return None if shape is None or shapely.is_empty(shape) else shape


def shapely_class():
    if built(Geometry.toShapely, {"type": "Point", "coordinates": [0.0, 0.0]}):
        return Geometry
    return StandInShapely


LOADS_BUILT = built(Geometry.loads, [1.0, 2.0])
needs_loads = pytest.mark.skipif(not LOADS_BUILT, reason="Geometry.loads not built yet")
