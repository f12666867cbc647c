"""A short tour of models.orbalt: a few calls of each class, with results."""
import inspect

from models import orbalt
from models.orbalt import Astronomy, Geometry, MapGrid, Projection, ProjectionHelper, Topology

print(f"models.orbalt {orbalt.__version__}: {', '.join(orbalt.__all__)}")
print()
print("Coordinate systems (Projection.datum):")
for code in (1954, 1980, 1984, 2000):
    crs = Projection.datum[code]
    print(f"  {code}: {crs.name}, {crs.spheroid}, a={crs.a}, 1/f={1 / crs.f:.9f}")
print()

CALLS = [
    ("Geometry.loads", lambda: Geometry.loads("POINT (116.4 39.9)")),
    ("Geometry.toWkt", lambda: Geometry.toWkt({"type": "LineString",
                                               "coordinates": [[0, 0], [1, 1]]})),
    ("Topology.area", lambda: Topology.area([[116.0, 39.0], [117.0, 39.0], [117.0, 40.0]])),
    ("Topology.length", lambda: Topology.length([[116.0, 39.0], [117.0, 40.0]])),
    ("MapGrid.map", lambda: MapGrid.map(116.4, 39.9, 100000)),
    ("MapGrid.parse", lambda: MapGrid.parse("J50D001001")),
    ("MapGrid.grid", lambda: list(MapGrid.grid(40.0, 39.0, 116.0, 117.0, 8))[:2]),
    ("Projection.gaussKruger", lambda: Projection.gaussKruger(longitude=116.4, latitude=39.9)),
    ("Projection.angle", lambda: (Projection.angle(116.4, digit=2), Projection.angle(dms="39°54′31″"))),
    ("ProjectionHelper.definition", lambda: ProjectionHelper.definition()[:60] + "..."),
    ("Astronomy.UTCtoJulian", lambda: Astronomy.UTCtoJulian(2000, 1, 1, 12)),
    ("Astronomy.sun", lambda: {k: v for k, v in Astronomy.sun(116.4, 39.9, 0.0, 2024, 6, 21).items()
                               if k in ("Body", "Azimuth", "Altitude")}),
    ("Astronomy.moon", lambda: Astronomy.moon(116.4, 39.9, 0.0, 2024, 6, 21)["Phase"]),
    ("Astronomy.geostationarySatellite",
     lambda: Astronomy.geostationarySatellite(116.4, 39.9, 0.0, 140.0)),
]

for name, make in CALLS:
    owner, method = name.split(".")
    sig = inspect.signature(getattr(getattr(orbalt, owner), method))
    print(f"{name}{sig}")
    try:
        print(f"  -> {make()!r}")
    except NotImplementedError:
        print("  -> (not built yet)")
