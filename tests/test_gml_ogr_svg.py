"""GML 3.2 (pygml), OGR and SVG converters of Geometry."""
import copy

import pytest
import shapely
from lxml import etree
from osgeo import ogr

from geometry_samples import GEOMETRIES, RING, as_floats
from hostile_support import run_case
from models.orbalt import Geometry


def only_lists(value):
    """True when every level of a coordinate nesting is a list."""
    if isinstance(value, (int, float)):
        return True
    return type(value) is list and all(only_lists(v) for v in value)


# --- GML -------------------------------------------------------------------

@pytest.mark.parametrize("geometry", GEOMETRIES, ids=lambda g: g["type"])
def test_gml_round_trip(geometry):
    before = copy.deepcopy(geometry)
    element = Geometry.toGml(geometry)
    assert geometry == before
    assert element.get("{http://www.opengis.net/gml/3.2}id") == "-1"
    for source in (element, etree.tostring(element).decode()):
        read = Geometry.fromGml(source)
        assert read["type"] == geometry["type"]
        assert read["coordinates"] == geometry["coordinates"]
        assert only_lists(read["coordinates"])


def test_gml_multi_point_members_are_point_members():
    element = Geometry.toGml(GEOMETRIES[1])
    assert [child.tag for child in element] == ["{http://www.opengis.net/gml/3.2}pointMembers"]


def test_gml_collection_is_read_member_by_member():
    collection = {"type": "GeometryCollection", "geometries": [GEOMETRIES[0], GEOMETRIES[10]]}
    read = Geometry.fromGml(Geometry.toGml(collection))
    assert read["type"] == "GeometryCollection"
    assert [(m["type"], m["coordinates"]) for m in read["geometries"]] == [
        (m["type"], m["coordinates"]) for m in collection["geometries"]]
    assert all(only_lists(m["coordinates"]) for m in read["geometries"])


def test_gml_reading_keeps_pygml_keys_and_the_ring_as_given():
    text = ('<gml:Polygon xmlns:gml="http://www.opengis.net/gml/3.2" gml:id="p">'
            "<gml:exterior><gml:LinearRing><gml:posList>0 0 1 0 1 0 1 1</gml:posList>"
            "</gml:LinearRing></gml:exterior></gml:Polygon>")
    read = Geometry.fromGml(text)
    assert list(read) == ["type", "coordinates"]
    assert read["coordinates"] == [[[0.0, 0.0], [1.0, 0.0], [1.0, 0.0], [1.0, 1.0]]]


LATITUDE_FIRST = {"type": "name", "properties": {"name": "EPSG:4326"}}


@pytest.mark.parametrize("geometry", [
    {"type": "Point", "coordinates": [116.0, 39.0], "crs": LATITUDE_FIRST},
    {"type": "GeometryCollection", "geometries": [
        {"type": "Point", "coordinates": [116.0, 39.0], "crs": LATITUDE_FIRST}]},
], ids=["point", "collection"])
def test_to_gml_leaves_a_dict_in_latitude_first_crs_unchanged(geometry):
    before = copy.deepcopy(geometry)
    element = Geometry.toGml(geometry)
    assert geometry == before
    # latitude first on the wire, as that reference system orders its axes
    assert element.findtext(".//{http://www.opengis.net/gml/3.2}pos") == "39.0 116.0"


def test_to_gml_holds_what_it_walks_while_a_callers_iterator_runs():
    decoy = {"type": "LineString", "coordinates": [[5, 5, 5], [6, 6, 6]]}
    kept = []

    class Lines(list):
        """Lines whose second walk (after the encoder's) drops the members."""
        walks = 0

        def __iter__(self):
            Lines.walks += 1
            if Lines.walks == 2:
                collection["geometries"] = None
                kept.append([decoy, decoy, decoy])   # may take the freed list's place
            return super().__iter__()

    collection = {"type": "GeometryCollection", "geometries": [
        {"type": "MultiLineString", "coordinates": Lines([[[0, 0, 1], [1, 1, 1]]])}]}
    element = Geometry.toGml(collection)
    assert Lines.walks == 2
    assert [e.get("srsDimension") for e in element.iter("{http://www.opengis.net/gml/3.2}posList")] == ["3"]


def test_from_gml_errors_pass_through():
    with pytest.raises(Exception):
        Geometry.fromGml("<nothing/>")


def test_to_gml_loads_other_values_through_the_class():
    class Loader(Geometry):
        @classmethod
        def loads(cls, coordinates, code=-1):
            return {"type": "Point", "coordinates": [float(v) for v in coordinates]}

    element = Loader.toGml([3, 4])
    assert element.findtext("{http://www.opengis.net/gml/3.2}pos") == "3.0 4.0"


# --- OGR -------------------------------------------------------------------

def _first_vertex(coordinates):
    while isinstance(coordinates[0], list):
        coordinates = coordinates[0]
    return coordinates


@pytest.mark.parametrize("geometry", GEOMETRIES, ids=lambda g: g["type"])
def test_ogr_round_trip(geometry):
    made = Geometry.toOgr(geometry)
    assert isinstance(made, ogr.Geometry)
    assert made.Is3D() == (len(_first_vertex(geometry["coordinates"])) == 3)
    assert Geometry.fromOgr(made) == {"type": geometry["type"],
                                      "coordinates": as_floats(geometry["coordinates"])}


@pytest.mark.parametrize("geometry", [
    {"type": "MultiPoint", "coordinates": []},
    {"type": "GeometryCollection", "geometries": []},
    {"type": "Nothing", "coordinates": []},   # OGR makes no geometry of it
])
def test_to_ogr_none_for_no_or_empty_geometry(geometry):
    assert Geometry.toOgr(geometry) is None


def test_from_ogr_needs_an_ogr_geometry():
    with pytest.raises(AttributeError):
        Geometry.fromOgr({"type": "Point", "coordinates": [1, 2]})


@pytest.mark.parametrize("members", [GEOMETRIES[:6], GEOMETRIES[6:]], ids=["2d", "3d"])
def test_ogr_collection_round_trip(members):
    collection = {"type": "GeometryCollection", "geometries": members}
    read = Geometry.fromOgr(Geometry.toOgr(collection))
    assert read == {"type": "GeometryCollection", "geometries": [
        {"type": m["type"], "coordinates": as_floats(m["coordinates"])} for m in collection["geometries"]]}


# --- SVG -------------------------------------------------------------------

class Shapes(Geometry):
    """toShapely stand-in: shapely's shape of a dict, None when empty."""
    calls = []

    @classmethod
    def toShapely(cls, geometry, srid=4326):
        cls.calls.append(srid)
        shape = geometry if not isinstance(geometry, dict) else shapely.geometry.shape(geometry)
        return None if shape.is_empty else shape


OPEN = '<svg xmlns="http://www.w3.org/2000/svg">'


@pytest.mark.parametrize("geometry, args", [
    ({"type": "Point", "coordinates": [1, 2]}, (1.0, None, None)),
    ({"type": "LineString", "coordinates": [[0, 0], [1, 1]]}, (2.0, "#ff0000", 0.5)),
    ({"type": "Polygon", "coordinates": [RING]}, (1.0, "#00ff00", 1.0)),
])
def test_svg_wraps_shapely_fragment(geometry, args):
    Shapes.calls.clear()
    text = Shapes.toSvg(geometry, *args)
    assert Shapes.calls == [None]
    assert text == OPEN + shapely.geometry.shape(geometry).svg(*args) + "</svg>"


def test_svg_of_a_collection_ignores_opacity():
    collection = shapely.GeometryCollection([shapely.Point(1, 2), shapely.LineString([(0, 0), (1, 1)])])
    assert Shapes.toSvg(collection, 1.0, None, 0.1) == OPEN + collection.svg(1.0, None) + "</svg>"
    assert "0.1" not in Shapes.toSvg(collection, 1.0, None, 0.1)


def test_svg_argument_types():
    point = shapely.Point(1, 2)
    assert Shapes.toSvg(point, 2) == OPEN + point.svg(2.0) + "</svg>"
    assert Shapes.toSvg(point, opacity=1.0) == OPEN + point.svg(1.0, None, 1.0) + "</svg>"
    with pytest.raises(TypeError, match="Argument 'opacity' has incorrect type"):
        Shapes.toSvg(point, opacity=1)
    with pytest.raises(TypeError, match="Argument 'color' has incorrect type"):
        Shapes.toSvg(point, color=1)


def test_svg_of_an_empty_geometry_is_none():
    assert Shapes.toSvg({"type": "MultiPoint", "coordinates": []}) is None
    assert Shapes.toSvg(shapely.Point()) is None


# --- with the real loads and toShapely -------------------------------------

def test_writers_normalise_a_callers_list_in_place():
    line = [[0, 0], [0, 0], [1, 1]]
    element = Geometry.toGml(line)
    assert line == [[0.0, 0.0], [1.0, 1.0]]
    assert element.findtext("{http://www.opengis.net/gml/3.2}posList") == "0.0 0.0 1.0 1.0"
    line = [[0, 0], [0, 0], [1, 1]]
    assert Geometry.fromOgr(Geometry.toOgr(line)) == {"type": "LineString",
                                                       "coordinates": [[0.0, 0.0], [1.0, 1.0]]}
    assert line == [[0.0, 0.0], [1.0, 1.0]]


def test_svg_through_to_shapely():
    point = shapely.Point(1, 2)
    assert Geometry.toSvg(point) == OPEN + point.svg(1.0) + "</svg>"
    assert Geometry.toSvg("POINT (1 2)") == OPEN + point.svg(1.0) + "</svg>"
    assert Geometry.toSvg({"type": "MultiPoint", "coordinates": []}) is None
    with pytest.raises(Exception, match=r"^\[tuple\] is not a valid type in \[geometry\] parameter\.$"):
        Geometry.toSvg((1, 2))


def test_gml_members_changed_while_they_are_converted():
    # A reader whose result holds a key hashed during the conversion that
    # empties the vertex list being converted.
    lines = run_case("""
        import types
        h = hostile("k", "__hash__", "clear", base=str)
        h.home = coordinates = [[1.0, 2.0], {h: 1.0}, [3.0, 4.0], [5.0, 6.0]]
        parsed = types.SimpleNamespace(
            __geo_interface__={"type": "LineString", "coordinates": coordinates})
        orbalt.pygml = types.SimpleNamespace(parse=lambda text: parsed)
        print(Geometry.fromGml("<unused/>")["coordinates"])
    """)
    assert lines == ["[[1.0, 2.0], {'k': 1.0}]"]
