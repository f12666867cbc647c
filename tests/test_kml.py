"""KML: Geometry.toKml element trees and Geometry.fromKml reading."""
from collections import OrderedDict

import pytest
from lxml import etree

from geometry_samples import GEOMETRIES, as_floats
from models.orbalt import Geometry

GX = "http://www.google.com/kml/ext/2.2"


def kml_text(geometry):
    return etree.tostring(Geometry.toKml(geometry)).decode()


# --- writing ---------------------------------------------------------------

POLYGON_HOLES = [[[0, 0], [9, 0], [9, 9], [0, 0]], [[1, 1], [2, 1], [2, 2]], [[5, 5], [6, 5], [6, 6]]]


@pytest.mark.parametrize("geometry, expected", [
    ({"type": "Point", "coordinates": [1.0, 2.0]},
     "<Point><coordinates>1.0,2.0</coordinates></Point>"),
    # every ordinate is written, each as str() gives it
    ({"type": "Point", "coordinates": [1, 2.5, 3, 1e-05]},
     "<Point><coordinates>1,2.5,3,1e-05</coordinates></Point>"),
    ({"type": "Point"}, "<Point><coordinates></coordinates></Point>"),
    ({"type": "LineString", "coordinates": []},
     "<LineString><coordinates></coordinates></LineString>"),
    # tuples as vertices are fine; the ring is written exactly as held (open)
    ({"type": "LineString", "coordinates": [(0.0, 0.0), (4.0, 0.0), [4.0, 4.0, 12]]},
     "<LineString><coordinates>0.0,0.0 4.0,0.0 4.0,4.0,12</coordinates></LineString>"),
    ({"type": "MultiPoint", "coordinates": [(1, 2), [3, 4]]},
     "<MultiGeometry><Point><coordinates>1,2</coordinates></Point>"
     "<Point><coordinates>3,4</coordinates></Point></MultiGeometry>"),
    ({"type": "MultiLineString", "coordinates": [[[0, 0], [1, 1]], [[2, 2], [3, 3]]]},
     "<MultiGeometry><LineString><coordinates>0,0 1,1</coordinates></LineString>"
     "<LineString><coordinates>2,2 3,3</coordinates></LineString></MultiGeometry>"),
    ({"type": "Polygon", "coordinates": [[[0, 0], [1, 0], [1, 1]]]},
     "<Polygon><outerBoundaryIs><LinearRing><coordinates>0,0 1,0 1,1</coordinates>"
     "</LinearRing></outerBoundaryIs></Polygon>"),
    ({"type": "Polygon", "coordinates": POLYGON_HOLES},
     "<Polygon><outerBoundaryIs><LinearRing><coordinates>0,0 9,0 9,9 0,0</coordinates>"
     "</LinearRing></outerBoundaryIs>"
     "<innerBoundaryIs><LinearRing><coordinates>1,1 2,1 2,2</coordinates></LinearRing>"
     "</innerBoundaryIs>"
     "<innerBoundaryIs><LinearRing><coordinates>5,5 6,5 6,6</coordinates></LinearRing>"
     "</innerBoundaryIs></Polygon>"),
    ({"type": "MultiPolygon", "coordinates": [[[[0, 0], [1, 0], [1, 1], [0, 0]]]]},
     "<MultiGeometry><Polygon><outerBoundaryIs><LinearRing>"
     "<coordinates>0,0 1,0 1,1 0,0</coordinates></LinearRing></outerBoundaryIs></Polygon>"
     "</MultiGeometry>"),
    ({"type": "GeometryCollection", "geometries": [
        {"type": "MultiPoint", "coordinates": [[1, 2]]},
        {"type": "LineString", "coordinates": [[0, 0], [1, 1]]}]},
     "<MultiGeometry><MultiGeometry><Point><coordinates>1,2</coordinates></Point>"
     "</MultiGeometry><LineString><coordinates>0,0 1,1</coordinates></LineString>"
     "</MultiGeometry>"),
] + [({"type": t}, "<MultiGeometry/>")
     for t in ("MultiPoint", "MultiLineString", "MultiPolygon", "GeometryCollection")])
def test_to_kml_trees(geometry, expected):
    assert kml_text(geometry) == expected


def test_to_kml_returns_a_plain_element_and_leaves_the_dict_alone():
    geometry = {"type": "Polygon", "coordinates": [[[0, 0], [1, 0], [1, 1]]], "extra": 1}
    before = repr(geometry)
    root = Geometry.toKml(geometry)
    assert etree.iselement(root) and root.getparent() is None
    assert all(e.nsmap == {} and not e.attrib for e in root.iter())
    assert repr(geometry) == before


@pytest.mark.parametrize("geometry, error, message", [
    ({}, Exception, "[] is not a valid type in [geometry] parameter."),
    ({"type": "point"}, Exception, "[point] is not a valid type in [geometry] parameter."),
    ({"type": None}, Exception, "[None] is not a valid type in [geometry] parameter."),
    ({"type": "GeometryCollection", "geometries": [{"type": "Ring"}]},
     Exception, "[Ring] is not a valid type in [geometry] parameter."),
    ({"type": ["Point"]}, TypeError, "unhashable type: 'list'"),
    ({"type": "LineString", "coordinates": ((0, 0), (1, 1))}, TypeError, "Expected list, got tuple"),
    ({"type": "MultiLineString", "coordinates": [((0, 0), (1, 1))]},
     TypeError, "Expected list, got tuple"),
    ({"type": "Polygon", "coordinates": [[[0, 0], [1, 0], [1, 1]], ((0, 0), (1, 1), (1, 0))]},
     TypeError, "Expected list, got tuple"),
    ({"type": "GeometryCollection", "geometries": [[1, 2]]}, TypeError, "Expected dict, got list"),
    # a missing line, ring or member is refused before any element is built
    ({"type": "LineString", "coordinates": None}, TypeError, "Expected list, got NoneType"),
    ({"type": "Polygon", "coordinates": [None]}, TypeError, "Expected list, got NoneType"),
    ({"type": "MultiLineString", "coordinates": [None]}, TypeError, "Expected list, got NoneType"),
    ({"type": "GeometryCollection", "geometries": [None]}, TypeError, "Expected dict, got NoneType"),
    ({"type": "Polygon", "coordinates": []}, IndexError, "list index out of range"),
    ({"type": "MultiPolygon", "coordinates": [[]]}, IndexError, "list index out of range"),
    ({"type": "LineString", "coordinates": [1, 2]}, TypeError, "'int' object is not iterable"),
])
def test_to_kml_errors(geometry, error, message):
    with pytest.raises(error) as caught:
        Geometry.toKml(geometry)
    assert type(caught.value) is error and str(caught.value) == message


def test_unknown_type_is_raised_from_the_failed_lookup():
    with pytest.raises(Exception) as caught:
        Geometry.toKml({"type": "Ring"})
    assert isinstance(caught.value.__context__, KeyError)


def test_nesting_is_bounded():
    loop = {"type": "GeometryCollection"}
    loop["geometries"] = [loop]
    with pytest.raises(Exception, match="nested more than 100 deep"):
        Geometry.toKml(loop)
    deep = {"type": "Point", "coordinates": [0, 0]}
    for _ in range(100):
        deep = {"type": "GeometryCollection", "geometries": [deep]}
    assert Geometry.toKml(deep).tag == "MultiGeometry"


def test_non_dict_input_goes_through_loads_of_the_class():
    seen = []

    class Loader(Geometry):
        @classmethod
        def loads(cls, coordinates, code=-1):
            seen.append((coordinates, code))
            return {"type": "Point", "coordinates": [1.0, 2.0]}

    class NoDict(Geometry):
        @classmethod
        def loads(cls, coordinates, code=-1):
            return None

    odd = OrderedDict(type="Point", coordinates=[5, 6])
    assert etree.tostring(Loader.toKml(odd)) == b"<Point><coordinates>1.0,2.0</coordinates></Point>"
    assert seen == [(odd, -1)]
    with pytest.raises(TypeError, match="^Expected dict, got NoneType$"):
        NoDict.toKml([1, 2])


@pytest.mark.parametrize("value, name", [((1, 2), "tuple"), (None, "NoneType"),
                                         (OrderedDict(type="Point"), "OrderedDict")])
def test_values_loads_refuses_are_refused(value, name):
    with pytest.raises(Exception) as caught:
        Geometry.toKml(value)
    assert str(caught.value) == f"[{name}] is not a valid type in [coordinates] parameter."


def test_lists_are_loaded_and_closed():
    ring = [[[0, 0], [1, 0], [1, 1]]]
    assert kml_text(ring) == ("<Polygon><outerBoundaryIs><LinearRing>"
                              "<coordinates>0.0,0.0 1.0,0.0 1.0,1.0 0.0,0.0</coordinates>"
                              "</LinearRing></outerBoundaryIs></Polygon>")


# --- reading ---------------------------------------------------------------

@pytest.mark.parametrize("text, expected", [
    ("<Point><coordinates>1,2 3,4</coordinates></Point>", {"type": "Point", "coordinates": [1.0, 2.0]}),
    ("<Point><coordinates>\n\t1,2,3,4\n</coordinates></Point>",
     {"type": "Point", "coordinates": [1.0, 2.0, 3.0, 4.0]}),
    ("<LineString/>", {"type": "LineString", "coordinates": None}),
    ("<LineString><coordinates>1,2</coordinates></LineString>",
     {"type": "LineString", "coordinates": [[1.0, 2.0]]}),
    ("<LineString><coordinates> </coordinates></LineString>", {"type": "LineString", "coordinates": []}),
    # numbers are the interpreter's float(): exponents, inf, underscores
    ("<LineString><coordinates>1e3,-2.5E-1 inf,1_0</coordinates></LineString>",
     {"type": "LineString", "coordinates": [[1000.0, -0.25], [float("inf"), 10.0]]}),
    # open rings stay open, repeated vertices stay; holes in one or several boundaries
    ("<Polygon><outerBoundaryIs><LinearRing><coordinates>0,0 1,0 1,0 1,1</coordinates></LinearRing>"
     "</outerBoundaryIs><innerBoundaryIs><LinearRing><coordinates>2,2 3,3</coordinates></LinearRing>"
     "<LinearRing/></innerBoundaryIs>"
     "<innerBoundaryIs><LinearRing><coordinates>4,4 5,5</coordinates></LinearRing></innerBoundaryIs>"
     "</Polygon>",
     {"type": "Polygon", "coordinates": [[[0.0, 0.0], [1.0, 0.0], [1.0, 0.0], [1.0, 1.0]],
                                         [[2.0, 2.0], [3.0, 3.0]], None, [[4.0, 4.0], [5.0, 5.0]]]}),
    ("<MultiGeometry><Point><coordinates>1,2</coordinates></Point>"
     "<Point><coordinates>3,4</coordinates></Point></MultiGeometry>",
     {"type": "MultiPoint", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}),
    ("<MultiGeometry><LineString/><LineString><coordinates>0,0 1,1</coordinates></LineString>"
     "</MultiGeometry>",
     {"type": "MultiLineString", "coordinates": [None, [[0.0, 0.0], [1.0, 1.0]]]}),
    # a mix is grouped by kind: points, then lines, then polygons
    ("<MultiGeometry><Polygon><outerBoundaryIs><LinearRing><coordinates>0,0 1,0 1,1</coordinates>"
     "</LinearRing></outerBoundaryIs></Polygon><LineString><coordinates>0,0 1,1</coordinates>"
     "</LineString><Point><coordinates>7,8</coordinates></Point></MultiGeometry>",
     {"type": "GeometryCollection", "geometries": [
         {"type": "Point", "coordinates": [7.0, 8.0]},
         {"type": "LineString", "coordinates": [[0.0, 0.0], [1.0, 1.0]]},
         {"type": "Polygon", "coordinates": [[[0.0, 0.0], [1.0, 0.0], [1.0, 1.0]]]}]}),
    # nested multi-parts and tracks follow the grouped members, in document order
    ("<MultiGeometry><MultiGeometry><Point><coordinates>1,2</coordinates></Point></MultiGeometry>"
     "<Point><coordinates>3,4</coordinates></Point>"
     f'<gx:Track xmlns:gx="{GX}"><gx:coord>5 6 7</gx:coord></gx:Track></MultiGeometry>',
     {"type": "GeometryCollection", "geometries": [
         {"type": "Point", "coordinates": [3.0, 4.0]},
         {"type": "MultiPoint", "coordinates": [[1.0, 2.0]]},
         {"type": "LineString", "coordinates": [[5.0, 6.0, 7.0]]}]}),
    ("<MultiGeometry><MultiGeometry/><MultiGeometry/></MultiGeometry>", None),
    ("<MultiGeometry><!-- nothing --><Other/></MultiGeometry>", None),
    (f'<Track xmlns:gx="{GX}"><gx:coord>1 2</gx:coord><coord>8 9</coord><gx:coord>3 4 5</gx:coord></Track>',
     {"type": "LineString", "coordinates": [[1.0, 2.0], [3.0, 4.0, 5.0]]}),
    ("<Track><coord>1 2</coord></Track>", {"type": "LineString", "coordinates": [[1.0, 2.0]]}),
    # non-ASCII digits and whitespace, as float() and str.split() read them
    ("<Track><coord>\u0661\u0662 +1\u00a0-0 1e-400</coord></Track>",
     {"type": "LineString", "coordinates": [[12.0, 1.0, -0.0, 0.0]]}),
    ("<Track/>", {"type": "LineString", "coordinates": []}),
    # only the geometry element itself, without a namespace, is read
    ('<Point xmlns="http://www.opengis.net/kml/2.2"><coordinates>1,2</coordinates></Point>', None),
    ('<Track xmlns="http://www.opengis.net/kml/2.2"><coord>1 2</coord></Track>', None),
    ("<LinearRing><coordinates>0,0 1,1 1,0</coordinates></LinearRing>", None),
    ("<Placemark><Point><coordinates>1,2</coordinates></Point></Placemark>", None),
])
def test_from_kml(text, expected):
    assert Geometry.fromKml(text) == expected
    assert Geometry.fromKml(etree.fromstring(text)) == expected


@pytest.mark.parametrize("text, error, message", [
    ("<Point><coordinates>116.4, 39.9</coordinates></Point>",
     ValueError, "could not convert string to float: ''"),
    ("<Point><coordinates>1,,2</coordinates></Point>", ValueError, "could not convert string to float: ''"),
    ("<Point><coordinates>1,x</coordinates></Point>", ValueError, "could not convert string to float: 'x'"),
    ("<Point/>", TypeError, "'NoneType' object is not subscriptable"),
    ("<Point><coordinates> </coordinates></Point>", IndexError, "list index out of range"),
    ("<Point><coordinates/></Point>", AttributeError, "'NoneType' object has no attribute 'strip'"),
    ("<Polygon/>", AttributeError, "'NoneType' object has no attribute 'find'"),
    ("<MultiGeometry><Point/></MultiGeometry>", TypeError, "'NoneType' object is not subscriptable"),
    ("<Track><coord>1,2</coord></Track>", ValueError, "could not convert string to float: '1,2'"),
    ("<Track><coord/></Track>", AttributeError, "'NoneType' object has no attribute 'split'"),
])
def test_from_kml_errors(text, error, message):
    with pytest.raises(error) as caught:
        Geometry.fromKml(text)
    assert str(caught.value) == message


def test_unparsable_text_raises_lxml_error():
    with pytest.raises(etree.XMLSyntaxError):
        Geometry.fromKml("<Point>")


class Text(str):
    pass


@pytest.mark.parametrize("value", [
    b"<Point><coordinates>1,2</coordinates></Point>",
    Text("<Point><coordinates>1,2</coordinates></Point>"),
    etree.ElementTree(etree.fromstring("<Point><coordinates>1,2</coordinates></Point>")),
    etree.Comment("x"),
    None,
])
def test_from_kml_refuses_other_types(value):
    with pytest.raises(Exception) as caught:
        Geometry.fromKml(value)
    assert type(caught.value) is Exception
    assert str(caught.value) == "The [geometry] parameter type not supported."


def test_nested_multigeometry_reading_is_bounded():
    root = leaf = etree.Element("MultiGeometry")
    for _ in range(150):
        leaf = etree.SubElement(leaf, "MultiGeometry")
    etree.SubElement(etree.SubElement(leaf, "Point"), "coordinates").text = "1,2"
    with pytest.raises(Exception, match="nested more than 100 deep"):
        Geometry.fromKml(root)


# --- untrusted text --------------------------------------------------------

def test_entities_are_not_expanded():
    laughs = ('<!DOCTYPE p [<!ENTITY a "9,9 "><!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">'
              '<!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;"><!ENTITY d "&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;">]>'
              "<LineString><coordinates>1,2 &d;</coordinates></LineString>")
    assert Geometry.fromKml(laughs) == {"type": "LineString", "coordinates": [[1.0, 2.0]]}


def test_external_entities_are_not_loaded(tmp_path):
    secret = tmp_path / "secret.txt"
    secret.write_text("7,7")
    text = (f'<!DOCTYPE p [<!ENTITY x SYSTEM "{secret.as_uri()}">]>'
            "<LineString><coordinates>1,2 &x;</coordinates></LineString>")
    assert Geometry.fromKml(text) == {"type": "LineString", "coordinates": [[1.0, 2.0]]}
    dtd = tmp_path / "evil.dtd"
    dtd.write_text('<!ENTITY y "8,8">')
    text = (f'<!DOCTYPE p SYSTEM "{dtd.as_uri()}">'
            "<Point><coordinates>1,2 &y;</coordinates></Point>")
    assert Geometry.fromKml(text) == {"type": "Point", "coordinates": [1.0, 2.0]}


# --- round trips -----------------------------------------------------------

@pytest.mark.parametrize("geometry", GEOMETRIES, ids=lambda g: g["type"])
def test_round_trip(geometry):
    expected = {"type": geometry["type"], "coordinates": as_floats(geometry["coordinates"])}
    assert Geometry.fromKml(Geometry.toKml(geometry)) == expected
    assert Geometry.fromKml(kml_text(geometry)) == expected


def test_collection_round_trip_keeps_multi_part_members():
    members = [GEOMETRIES[1], GEOMETRIES[0], GEOMETRIES[11], GEOMETRIES[8]]
    collection = {"type": "GeometryCollection", "geometries": members}
    read = Geometry.fromKml(Geometry.toKml(collection))
    # grouped members first (the point, then the line), then the multi-parts
    expected = [members[1], members[3], members[0], members[2]]
    assert read == {"type": "GeometryCollection", "geometries": [
        {"type": m["type"], "coordinates": as_floats(m["coordinates"])} for m in expected]}
