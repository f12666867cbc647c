"""Helpers of the measuring tests: a Python stand-in for Projection, reference
geodesics from geographiclib, and densified rings in longitude and latitude."""
import math

import pytest
from geographiclib.geodesic import Geodesic

import models.orbalt as orbalt

PROJECTION_METHODS = ("centralMeridian", "zone", "gaussKruger", "albers", "webMercator")


class RecordingProjection:
    """Delegates to the real Projection and records each call.  It is not the
    module's own class, so measuring must make the real calls through it."""

    def __init__(self, real):
        self._real = real
        self.calls = []

    def __getattr__(self, name):
        attr = getattr(self._real, name)
        if name not in PROJECTION_METHODS:
            return attr

        def call(*args, **kwargs):
            assert not args, f"{name} called with positional arguments"
            self.calls.append((name, kwargs))
            return attr(**kwargs)

        return call

    def names(self):
        return [name for name, _ in self.calls]


@pytest.fixture
def recording(monkeypatch):
    stand_in = RecordingProjection(orbalt.Projection)
    monkeypatch.setattr(orbalt, "Projection", stand_in)
    return stand_in


class Convertible:
    """A value float() accepts but arithmetic refuses: an edge that meets one
    shows which operation is evaluated first."""

    def __init__(self, value):
        self.value = value

    def __float__(self):
        return float(self.value)

    def __repr__(self):
        return f"Convertible({self.value!r})"


def outcome(f, *args):
    """The result of a call, or its exception's type and text."""
    try:
        return f(*args)
    except Exception as e:  # noqa: BLE001 - compared as outcome
        return (type(e), str(e))


def copy(value):
    """A deep copy of nested lists, the vertex values shared."""
    return [copy(v) for v in value] if isinstance(value, list) else value


def geodesic(crs):
    rec = orbalt.Projection.datum[crs]
    return Geodesic(rec.a, rec.f)


def square(x, y, size):
    """Counter-clockwise closed square of side `size` from (x, y)."""
    return [[x, y], [x + size, y], [x + size, y + size], [x, y + size], [x, y]]


def box(west, south, east, north):
    """Counter-clockwise ring, not closed."""
    return [[west, south], [east, south], [east, north], [west, north]]


def densify(ring, steps):
    """The ring with every edge cut into `steps` straight pieces in degrees."""
    out = []
    for (x1, y1), (x2, y2) in zip(ring, ring[1:] + ring[:1]):
        for k in range(steps):
            t = k / steps
            out.append([x1 + (x2 - x1) * t, y1 + (y2 - y1) * t])
    return out


def across(west, south, east, north, steps=1):
    """Counter-clockwise box from `west` eastward to `east`, not closed, each
    edge cut into `steps` pieces the short way round in longitude and every
    longitude written within [-180, 180]: east < west crosses 180.  The
    corners keep their values exactly."""
    ring = box(west, south, east, north)
    out = []
    for (x1, y1), (x2, y2) in zip(ring, ring[1:] + ring[:1]):
        dx = (x2 - x1 + 180) % 360 - 180
        for k in range(steps):
            x = x1 + dx * k / steps
            out.append([x - 360 if x > 180 else x + 360 if x < -180 else x,
                        y1 + (y2 - y1) * k / steps])
    return out


def parallels(west, south, east, north, step=1.0):
    """Counter-clockwise ring from `west` eastward to `east`, not closed,
    with a vertex every `step` degrees (or closer) along both parallels."""
    k = max(1, math.ceil((east - west) / step))
    xs = [west + (east - west) * i / k for i in range(k + 1)]
    return [[x, south] for x in xs] + [[x, north] for x in xs[::-1]]


def round_pole(latitude, start=-179.5, step=1.0):
    """Ring along one parallel, eastward once round the pole from `start`,
    a vertex every `step` degrees, every longitude written within
    [-180, 180), not closed."""
    return [[(start + k * step + 180) % 360 - 180, latitude] for k in range(round(360 / step))]


def reference_area(ring, crs):
    """Area the ring encloses on its side of at most half the Earth, and
    its perimeter, along geodesics between its vertices."""
    p = geodesic(crs).Polygon()
    for x, y in ring:
        p.AddPoint(y, x)
    _, perimeter, area = p.Compute(False, True)
    return abs(area), perimeter


def reference_length(line, crs):
    g = geodesic(crs)
    return sum(g.Inverse(y1, x1, y2, x2)["s12"] for (x1, y1), (x2, y2) in zip(line, line[1:]))
