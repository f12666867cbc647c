"""Layout of the six classes as the host sees it: kinds, defaults,
annotation texts, names, signatures, namespace order and class attributes."""

import inspect

import pytest

from models import orbalt

CLASS, STATIC, INSTANCE, GENERATOR = "class", "static", "instance", "generator"

GEO = "dict | list | str"  # geometry parameters of the converters and shapely operations
SLD = "str | list | dict"  # Geometry.loads and the measurements
SHAPE = "shapely.geometry"
YEAR_TO_MINUTE = "int | None"

# (class, name as stored in the class namespace, kind, __defaults__,
#  __annotations__), in namespace order.
METHODS = [
    # Geometry
    ("Geometry", "loads", CLASS, (-1,),
     {"coordinates": SLD, "code": "int | None", "return": "dict"}),
    ("Geometry", "dumps", CLASS, ("json",),
     {"geometry": GEO, "format": "str", "return": "str"}),
    ("Geometry", "fromKml", CLASS, None,
     {"geometry": "str | etree._Element", "return": "dict"}),
    ("Geometry", "fromGml", CLASS, None,
     {"geometry": "str | etree._Element", "return": "dict"}),
    ("Geometry", "fromShapely", CLASS, None, {"geometry": SHAPE, "return": "dict"}),
    ("Geometry", "fromOgr", CLASS, None, {"geometry": "ogr.Geometry", "return": "dict"}),
    ("Geometry", "toSvg", CLASS, (1.0, None, None),
     {"geometry": GEO, "scale_factor": "float", "color": "str", "opacity": "float",
      "return": "str"}),
    ("Geometry", "toKml", CLASS, None, {"geometry": GEO, "return": "etree._Element"}),
    ("Geometry", "toWkt", CLASS, None, {"geometry": GEO, "return": "str"}),
    ("Geometry", "toWkb", CLASS, (4326,),
     {"geometry": GEO, "srid": "int | None", "return": "str"}),
    ("Geometry", "toShapely", CLASS, (4326,),
     {"geometry": GEO, "srid": "int | None", "return": SHAPE}),
    ("Geometry", "toGml", CLASS, None, {"geometry": GEO, "return": "etree._Element"}),
    ("Geometry", "toOgr", CLASS, None, {"geometry": GEO, "return": "ogr.Geometry | None"}),
    ("Geometry", "swapXY", CLASS, None, {"geometry": GEO, "return": "dict"}),
    ("Geometry", "getXY", CLASS, (True,),
     {"geometry": GEO, "endpoint": "bool", "return": "list"}),
    ("Geometry", "rotate", CLASS, ((0, 0, 0),),
     {"geometry": GEO, "angle": "float", "origin": "str | tuple", "return": SHAPE}),
    ("Geometry", "scale", CLASS, (1.0, 1.0, 1.0, (0, 0, 0)),
     {"geometry": GEO, "xfact": "float", "yfact": "float", "zfact": "float",
      "origin": "str | tuple", "return": SHAPE}),
    ("Geometry", "skew", CLASS, (0.0, 0.0, (0, 0, 0)),
     {"geometry": GEO, "xs": "float", "ys": "float", "origin": "str | tuple",
      "return": SHAPE}),
    ("Geometry", "translate", CLASS, (0.0, 0.0, 0.0),
     {"geometry": GEO, "xoff": "float", "yoff": "float", "zoff": "float",
      "return": SHAPE}),
    # Topology
    ("Topology", "area", CLASS, (2000,),
     {"coordinates": SLD, "crs": "int", "return": "dict"}),
    ("Topology", "buffer", CLASS, (8, "round", "round", 5.0, False),
     {"geometry": GEO, "distance": "float", "quad_segs": "int",
      "cap_style": "shapely.BufferCapStyle", "join_style": "shapely.BufferJoinStyle",
      "mitre_limit": "float", "single_sided": "bool", "return": SHAPE}),
    ("Topology", "build", CLASS, None, {"coordinates": SLD, "return": "dict"}),
    ("Topology", "check", CLASS, (31,),
     {"geometries": "list", "mask": "int", "return": "dict | None"}),
    ("Topology", "clearance", CLASS, None, {"geometry": GEO, "return": "float"}),
    ("Topology", "clip", CLASS, None,
     {"geometry": GEO, "west": "float", "south": "float", "east": "float",
      "north": "float", "return": SHAPE}),
    ("Topology", "contains", CLASS, None, {"a": GEO, "b": GEO, "return": "bool"}),
    ("Topology", "containsPoint", CLASS, None,
     {"geometry": GEO, "longitude": "float", "latitude": "float", "return": "bool"}),
    ("Topology", "convexHull", CLASS, None, {"geometry": GEO, "return": SHAPE}),
    ("Topology", "covers", CLASS, None, {"a": GEO, "b": GEO, "return": "bool"}),
    ("Topology", "crosses", CLASS, None, {"a": GEO, "b": GEO, "return": "bool"}),
    ("Topology", "difference", CLASS, None, {"a": GEO, "b": GEO, "return": SHAPE}),
    ("Topology", "distanceOnLine", CLASS, None,
     {"line": GEO, "point": GEO, "return": "float"}),
    ("Topology", "equals", CLASS, None, {"a": GEO, "b": GEO, "return": "bool"}),
    ("Topology", "equal", CLASS, None, {"a": GEO, "b": GEO, "return": "bool"}),
    ("Topology", "intersection", CLASS, None, {"a": GEO, "b": GEO, "return": SHAPE}),
    ("Topology", "intersections", CLASS, None, {"geometries": "list", "return": SHAPE}),
    ("Topology", "intersects", CLASS, None, {"a": GEO, "b": GEO, "return": "bool"}),
    ("Topology", "intersectsPoint", CLASS, None,
     {"geometry": GEO, "longitude": "float", "latitude": "float", "return": "bool"}),
    ("Topology", "length", CLASS, (2000,),
     {"coordinates": SLD, "crs": "int", "return": "dict"}),
    ("Topology", "overlaps", CLASS, None, {"a": GEO, "b": GEO, "return": "bool"}),
    ("Topology", "pointOnLine", CLASS, None,
     {"line": GEO, "distance": "float", "return": "shapely.geometry.point"}),
    ("Topology", "rectangle", CLASS, None, {"geometry": GEO, "return": SHAPE}),
    ("Topology", "relate", CLASS, None, {"a": GEO, "b": GEO, "return": "str"}),
    ("Topology", "repair", CLASS, None, {"geometry": GEO, "return": SHAPE}),
    ("Topology", "shortest", CLASS, None, {"a": GEO, "b": GEO, "return": SHAPE}),
    ("Topology", "similarity", CLASS, (None,),
     {"a": GEO, "b": GEO, "densify": "float", "return": "float"}),
    ("Topology", "simplify", CLASS, (True,),
     {"geometry": GEO, "tolerance": "float", "preserveTopology": "bool", "return": SHAPE}),
    ("Topology", "snap", CLASS, None,
     {"geometry": GEO, "reference": GEO, "tolerance": "float", "return": SHAPE}),
    ("Topology", "touches", CLASS, None, {"a": GEO, "b": GEO, "return": "bool"}),
    ("Topology", "triangulate", CLASS, (0.0, False),
     {"geometry": GEO, "tolerance": "float", "edges": "bool", "return": "list"}),
    ("Topology", "unions", CLASS, (None, None, None),
     {"geometries": "list", "gridSize": "float", "axis": "int", "srid": "int",
      "return": SHAPE}),
    ("Topology", "union", CLASS, None, {"a": GEO, "b": GEO, "return": SHAPE}),
    ("Topology", "voronoiDiagram", CLASS, (None, 0.0, False),
     {"geometry": GEO, "envelope": SHAPE, "tolerance": "float", "edges": "bool",
      "return": "list"}),
    # MapGrid
    ("MapGrid", "_MapGrid__corner1000000", CLASS, None,
     {"code": "str", "return": "dict | None"}),
    ("MapGrid", "map", CLASS, (1000000,),
     {"longitude": "float", "latitude": "float", "scale": "int", "return": "dict"}),
    ("MapGrid", "grid", GENERATOR, (0, False),
     {"north": "float", "south": "float", "west": "float", "east": "float",
      "zoom": "int", "summary": "bool", "return": "Iterator"}),
    ("MapGrid", "parse", CLASS, None, {"code": "str", "return": "dict"}),
    # Projection
    ("Projection", "angle", STATIC, (None, None, None),
     {"deg": "float | str", "dms": "float | str", "digit": "int | str",
      "return": "float | str"}),
    ("Projection", "zone", CLASS, (6,),
     {"longitude": "float", "zoneCode": "int", "return": "int"}),
    ("Projection", "centralMeridian", CLASS, (None, None, 6),
     {"longitude": "float", "zone": "int", "zoneCode": "int", "return": "float"}),
    ("Projection", "webMercator", CLASS, (None, None, None, None),
     {"longitude": "float", "latitude": "float", "x": "float", "y": "float",
      "return": "tuple"}),
    ("Projection", "gaussKruger", CLASS, (None, None, None, None, None, 2000),
     {"centralMeridian": "float", "x": "float", "y": "float", "longitude": "float",
      "latitude": "float", "crs": "int", "return": "tuple"}),
    ("Projection", "albers", CLASS, (None, None, 0.0, 0.0, 20.0, 50.0, None, None, 2000),
     {"longitude": "float", "latitude": "float", "centralMeridian": "float",
      "originLatitude": "float", "parallel1": "float", "parallel2": "float",
      "x": "float", "y": "float", "crs": "int", "return": "tuple"}),
    ("Projection", "lambert", CLASS, (None, None, 0.0, 0.0, 20.0, 50.0, None, None, 2000),
     {"longitude": "float", "latitude": "float", "centralMeridian": "float",
      "originLatitude": "float", "parallel1": "float", "parallel2": "float",
      "x": "float", "y": "float", "crs": "int", "return": "tuple"}),
    # ProjectionHelper
    ("ProjectionHelper", "definition", CLASS,
     ("GaussKruger", 2000, None, 0.0, None, 0.0, 25.0, 47.0),
     {"projection": "str", "crs": "int", "centralMeridian": "float | None",
      "originLatitude": "float", "falseEasting": "float | None",
      "falseNorthing": "float", "standard_parallel_1": "float",
      "standard_parallel_2": "float", "return": "str"}),
    ("ProjectionHelper", "__init__", INSTANCE, (None, None, 1, 1),
     {"sourceProjection": "str | int", "targetProjection": "str | int",
      "sourceScale": "int", "targetScale": "int"}),
    ("ProjectionHelper", "project", INSTANCE, None, {"geometry": "dict", "return": "dict"}),
    # Astronomy
    ("Astronomy", "UTCtoJulian", STATIC, (1970, 1, 1, 0, 0, 0.0),
     {"year": "int | str | tuple | datetime", "month": "int", "day": "int",
      "hour": "int", "minute": "int", "second": "float", "return": "float"}),
    ("Astronomy", "JulianToUTC", STATIC, (2440587.5,),
     {"julian": "float", "return": "datetime"}),
    ("Astronomy", "_Astronomy__to2000Year", CLASS, None,
     {"date": "datetime", "return": "float"}),
    ("Astronomy", "_Astronomy__rightAscension", CLASS, None,
     {"l": "float", "b": "float", "return": "float"}),
    ("Astronomy", "_Astronomy__declination", CLASS, None,
     {"l": "float", "b": "float", "return": "float"}),
    ("Astronomy", "_Astronomy__azimuth", CLASS, None, {"return": "float"}),
    ("Astronomy", "_Astronomy__altitude", CLASS, None, {"return": "float"}),
    ("Astronomy", "_Astronomy__siderealTime", CLASS, None, {}),
    ("Astronomy", "_Astronomy__solarMeanAnomaly", CLASS, None, {}),
    ("Astronomy", "_Astronomy__eclipticLongitude", CLASS, None, {}),
    ("Astronomy", "_Astronomy__sunCoords", CLASS, None, {"return": "tuple"}),
    ("Astronomy", "sun", CLASS, (0.0, 1970, 1, 1, 0, 0, 0.0),
     {"longitude": "float", "latitude": "float", "elevation": "float",
      "year": YEAR_TO_MINUTE, "month": YEAR_TO_MINUTE, "day": YEAR_TO_MINUTE,
      "hour": YEAR_TO_MINUTE, "minute": YEAR_TO_MINUTE, "second": "float | None",
      "return": "dict"}),
    ("Astronomy", "moon", CLASS, (0.0, 1970, 1, 1, 0, 0, 0.0),
     {"longitude": "float", "latitude": "float", "elevation": "float",
      "year": YEAR_TO_MINUTE, "month": YEAR_TO_MINUTE, "day": YEAR_TO_MINUTE,
      "hour": YEAR_TO_MINUTE, "minute": YEAR_TO_MINUTE, "second": "float | None",
      "return": "dict"}),
    ("Astronomy", "geostationarySatellite", CLASS, (0.0, 140.0),
     {"longitude": "float", "latitude": "float", "elevation": "float",
      "satelliteLongitude": "float", "return": "dict"}),
]

CLASS_NAMES = ["Geometry", "Topology", "MapGrid", "Projection", "ProjectionHelper", "Astronomy"]

# Class attributes stored before the methods, in namespace order.
ATTRIBUTES = {
    "MapGrid": ["_MapGrid__mapcode", "_MapGrid__mapword", "_MapGrid__mapword5000",
                "_MapGrid__scalecode"],
    "Projection": ["__annotations__", "CRS", "datum"],
    "Astronomy": ["_rad", "_J20000101", "_alfa", "_sunshine"],
}

# Entries the interpreter itself puts into every class dict.
TYPE_ENTRIES = {"__module__", "__qualname__", "__doc__", "__dict__", "__weakref__"}

PRIVATE_WITHOUT_DOC = {
    "_Astronomy__to2000Year", "_Astronomy__rightAscension", "_Astronomy__declination",
    "_Astronomy__azimuth", "_Astronomy__altitude", "_Astronomy__siderealTime",
    "_Astronomy__solarMeanAnomaly", "_Astronomy__eclipticLongitude",
    "_Astronomy__sunCoords",
}


def _raw(cls_name, name):
    """The object stored in the class namespace, without descriptor binding."""
    return vars(getattr(orbalt, cls_name))[name]


def _function(raw):
    return raw.__func__ if isinstance(raw, (classmethod, staticmethod)) else raw


def _declared_name(cls_name, stored):
    prefix = "_" + cls_name + "__"
    return stored[len(prefix) - 2:] if stored.startswith(prefix) else stored


def _same(a, b):
    """Equality that also tells 1 from 1.0 and True from 1, inside tuples too."""
    if type(a) is not type(b):
        return False
    if isinstance(a, tuple):
        return len(a) == len(b) and all(map(_same, a, b))
    return a == b


def _method_id(row):
    return f"{row[0]}.{row[1]}"


@pytest.mark.parametrize("cls_name, name, kind, defaults, annotations", METHODS,
                         ids=map(_method_id, METHODS))
def test_method_declaration(cls_name, name, kind, defaults, annotations):
    raw = _raw(cls_name, name)
    if kind == CLASS:
        assert type(raw) is classmethod
    elif kind in (STATIC, GENERATOR):
        assert type(raw) is staticmethod
    else:
        assert not isinstance(raw, (classmethod, staticmethod))
        assert callable(raw)
    func = _function(raw)
    assert _same(func.__defaults__, defaults), func.__defaults__
    # Key order matters: annotated parameters in order, then "return".
    assert list(func.__annotations__.items()) == list(annotations.items())
    assert func.__kwdefaults__ is None


@pytest.mark.parametrize("cls_name, name", [row[:2] for row in METHODS],
                         ids=map(_method_id, METHODS))
def test_method_names_and_doc(cls_name, name):
    func = _function(_raw(cls_name, name))
    declared = _declared_name(cls_name, name)
    assert func.__name__ == declared
    assert func.__qualname__ == f"{cls_name}.{declared}"
    assert func.__module__ == "models.orbalt"
    if name in PRIVATE_WITHOUT_DOC:
        assert func.__doc__ is None
    else:
        assert isinstance(func.__doc__, str) and func.__doc__.strip()


@pytest.mark.parametrize("cls_name", CLASS_NAMES)
def test_class_identity(cls_name):
    cls = getattr(orbalt, cls_name)
    assert type(cls) is type
    assert cls.__name__ == cls.__qualname__ == cls_name
    assert cls.__module__ == "models.orbalt"
    assert isinstance(cls.__doc__, str) and cls.__doc__.strip()


@pytest.mark.parametrize("cls_name, mro", [
    ("Geometry", ["Geometry"]),
    ("Topology", ["Topology", "Geometry"]),
    ("MapGrid", ["MapGrid"]),
    ("Projection", ["Projection"]),
    ("ProjectionHelper", ["ProjectionHelper", "Projection"]),
    ("Astronomy", ["Astronomy"]),
])
def test_mro(cls_name, mro):
    cls = getattr(orbalt, cls_name)
    assert cls.__mro__ == tuple(getattr(orbalt, n) for n in mro) + (object,)


@pytest.mark.parametrize("cls_name", CLASS_NAMES)
def test_namespace_order(cls_name):
    expected = ATTRIBUTES.get(cls_name, []) + [row[1] for row in METHODS if row[0] == cls_name]
    # Reading a class's __annotations__ stores an empty dict in its namespace;
    # only Projection declares one of its own.
    ignored = TYPE_ENTRIES if cls_name == "Projection" else TYPE_ENTRIES | {"__annotations__"}
    assert [n for n in vars(getattr(orbalt, cls_name)) if n not in ignored] == expected


def test_private_names_are_stored_mangled():
    assert not hasattr(orbalt.MapGrid, "__corner1000000")
    assert not hasattr(orbalt.MapGrid, "__mapcode")
    assert not hasattr(orbalt.Astronomy, "__sunCoords")
    assert orbalt.MapGrid._MapGrid__corner1000000.__name__ == "__corner1000000"


@pytest.mark.parametrize("owner, name, text", [
    ("Geometry", "loads", "(coordinates: 'str | list | dict', code: 'int | None' = -1) -> 'dict'"),
    ("Geometry", "rotate",
     "(geometry: 'dict | list | str', angle: 'float', origin: 'str | tuple' = (0, 0, 0))"
     " -> 'shapely.geometry'"),
    ("Topology", "buffer",
     "(geometry: 'dict | list | str', distance: 'float', quad_segs: 'int' = 8,"
     " cap_style: 'shapely.BufferCapStyle' = 'round',"
     " join_style: 'shapely.BufferJoinStyle' = 'round', mitre_limit: 'float' = 5.0,"
     " single_sided: 'bool' = False) -> 'shapely.geometry'"),
    # inherited class method, reached through the subclass
    ("ProjectionHelper", "gaussKruger",
     "(centralMeridian: 'float' = None, x: 'float' = None, y: 'float' = None,"
     " longitude: 'float' = None, latitude: 'float' = None, crs: 'int' = 2000) -> 'tuple'"),
    ("ProjectionHelper", "__init__",
     "(self, sourceProjection: 'str | int' = None, targetProjection: 'str | int' = None,"
     " sourceScale: 'int' = 1, targetScale: 'int' = 1)"),
    ("MapGrid", "grid",
     "(north: 'float', south: 'float', west: 'float', east: 'float', zoom: 'int' = 0,"
     " summary: 'bool' = False) -> 'Iterator'"),
    ("MapGrid", "_MapGrid__corner1000000", "(code: 'str') -> 'dict | None'"),
    ("Astronomy", "UTCtoJulian",
     "(year: 'int | str | tuple | datetime' = 1970, month: 'int' = 1, day: 'int' = 1,"
     " hour: 'int' = 0, minute: 'int' = 0, second: 'float' = 0.0) -> 'float'"),
    ("Astronomy", "_Astronomy__azimuth", "(H, phi, dec) -> 'float'"),
    ("Astronomy", "_Astronomy__siderealTime", "(d, lw)"),
    ("Astronomy", "_Astronomy__eclipticLongitude", "(M)"),
])
def test_signature_through_class(owner, name, text):
    signature = inspect.signature(getattr(getattr(orbalt, owner), name))
    assert str(signature) == text
    assert {p.kind for p in signature.parameters.values()} == {
        inspect.Parameter.POSITIONAL_OR_KEYWORD}


def test_grid_binds_at_call_and_runs_lazily():
    # North out of range is only checked when the generator is iterated.
    generator = orbalt.MapGrid.grid(91.0, 0.0, 0.0, 1.0)
    assert iter(generator) is generator
    assert all(callable(getattr(generator, n)) for n in ("send", "throw", "close"))
    generator.close()
    # Arguments are bound when grid is called, before any generator exists.
    with pytest.raises(TypeError, match=r"Argument 'zoom' has incorrect type \(expected int, got bool\)"):
        orbalt.MapGrid.grid(1.0, 0.0, 0.0, 1.0, True)


def test_projection_class_annotations():
    assert orbalt.Projection.__annotations__ == {"datum": "dict[int | str, CRS]"}
    assert orbalt.ProjectionHelper.__annotations__ == {}


def test_mapgrid_letter_tables():
    ns = vars(orbalt.MapGrid)
    tables = {
        "_MapGrid__mapcode": "ABCDEFGHIJKLMNOPQRSTUVW",
        "_MapGrid__mapword": "ABCD",
        "_MapGrid__mapword5000": "abcd",
        "_MapGrid__scalecode": "BCDEFGHIJK",
    }
    for name, value in tables.items():
        assert type(ns[name]) is str and ns[name] == value, name


def test_astronomy_constants():
    astronomy = orbalt.Astronomy
    assert type(astronomy._rad) is float and astronomy._rad == 0.017453292519943295
    assert type(astronomy._J20000101) is int and astronomy._J20000101 == 2451545
    assert type(astronomy._alfa) is float and astronomy._alfa == 0.40909994067971484


def test_astronomy_sunshine_table():
    rows = orbalt.Astronomy._sunshine
    assert rows == [
        ["-0.833", "sunrise", "sunset"],
        ["-0.3", "sunriseEnd", "sunsetStart"],
        ["-6", "dawn", "dusk"],
        ["-12", "nauticalDawn", "nauticalDusk"],
        ["-18", "nightEnd", "night"],
        ["6", "morning", "evening"],
    ]
    # A list of six distinct lists of texts: the altitudes stay text.
    assert type(rows) is list
    assert all(type(row) is list for row in rows)
    assert len({id(row) for row in rows}) == 6
    assert all(type(item) is str for row in rows for item in row)
