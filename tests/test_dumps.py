"""Geometry.dumps: format names, dispatch through the class, JSON text."""
import pytest

from models.orbalt import Geometry

POINT = {"type": "Point", "coordinates": [1, 2]}


class Recorder(Geometry):
    """Every writer replaced, so that the dispatch itself is what is tested."""
    calls = []

    @classmethod
    def _record(cls, name, geometry, result):
        cls.calls.append((name, geometry))
        return result

    @classmethod
    def toGml(cls, geometry):
        from lxml import etree
        return cls._record("toGml", geometry, etree.Element("gml"))

    @classmethod
    def toKml(cls, geometry):
        from lxml import etree
        return cls._record("toKml", geometry, etree.Element("kml"))

    @classmethod
    def toWkt(cls, geometry):
        return cls._record("toWkt", geometry, "WKT")

    @classmethod
    def toWkb(cls, geometry, srid=4326):
        return cls._record("toWkb", geometry, "WKB")

    @classmethod
    def loads(cls, coordinates, code=-1):
        return cls._record("loads", coordinates, {"type": "Point", "coordinates": [9.0, 9.0]})


@pytest.mark.parametrize("name, result, writer", [
    ("gml", "<gml/>", "toGml"), ("GML", "<gml/>", "toGml"),
    ("kml", "<kml/>", "toKml"), ("Kml", "<kml/>", "toKml"),
    ("wkt", "WKT", "toWkt"), ("WKT", "WKT", "toWkt"), ("Wkt", "WKT", "toWkt"),
    ("wkb", "WKB", "toWkb"), ("WKB", "WKB", "toWkb"),
    ("json", '{"type": "Point", "coordinates": [9.0, 9.0]}', "loads"),
    ("JSON", '{"type": "Point", "coordinates": [9.0, 9.0]}', "loads"),
    ("geojson", '{"type": "Point", "coordinates": [9.0, 9.0]}', "loads"),
    ("GeoJSON", '{"type": "Point", "coordinates": [9.0, 9.0]}', "loads"),
])
def test_format_names_dispatch_through_the_class(name, result, writer):
    Recorder.calls.clear()
    value = [1, 2]
    assert Recorder.dumps(value, name) == result
    assert Recorder.calls == [(writer, value)]


def test_default_format_is_json():
    Recorder.calls.clear()
    assert Recorder.dumps("POINT (1 2)") == '{"type": "Point", "coordinates": [9.0, 9.0]}'
    assert Recorder.calls == [("loads", "POINT (1 2)")]


@pytest.mark.parametrize("name", ["json", "geojson"])
def test_exact_dict_is_written_unchanged(name):
    Recorder.calls.clear()
    geometry = {"type": "Point", "coordinates": (1, 2), "name": "\u5317", "z": float("nan")}
    assert Recorder.dumps(geometry, name) == (
        '{"type": "Point", "coordinates": [1, 2], "name": "\\u5317", "z": NaN}')
    assert Recorder.calls == []


@pytest.mark.parametrize("name", [" wkt", "wkt ", "XML", "", "svg", "ogr", "shapely"])
def test_unknown_names_raise_before_reading_the_geometry(name):
    Recorder.calls.clear()
    value = [[1, 2], [1, 2], [3, 4]]
    with pytest.raises(Exception) as caught:
        Recorder.dumps(value, name)
    assert type(caught.value) is Exception
    assert str(caught.value) == f"[{name}] is not a valid type in [format] parameter."
    assert Recorder.calls == [] and value == [[1, 2], [1, 2], [3, 4]]


class Name(str):
    pass


@pytest.mark.parametrize("name", [None, b"json", Name("json")])
def test_format_must_be_exactly_text(name):
    with pytest.raises(TypeError, match="^Argument 'format' has incorrect type"):
        Geometry.dumps(POINT, name)


def test_markup_formats_give_text():
    assert Geometry.dumps(POINT, "kml") == "<Point><coordinates>1,2</coordinates></Point>"
    gml = Geometry.dumps(POINT, "gml")
    assert type(gml) is str
    assert gml == ('<gml:Point xmlns:gml="http://www.opengis.net/gml/3.2" '
                   'srsName="urn:ogc:def:crs:OGC::CRS84" gml:id="-1"><gml:pos>1 2</gml:pos></gml:Point>')


def test_writer_errors_pass_unchanged():
    with pytest.raises(TypeError, match="not JSON serializable"):
        Geometry.dumps({"type": "Point", "coordinates": {1, 2}})
    with pytest.raises(Exception, match=r"^\[point\] is not a valid type in \[geometry\] parameter\.$"):
        Geometry.dumps({"type": "point"}, "kml")


def test_default_json_of_a_list_is_the_loaded_dict():
    assert Geometry.dumps([1, 2]) == '{"type": "Point", "coordinates": [1.0, 2.0]}'
    assert Geometry.dumps([1, 2], "KML") == "<Point><coordinates>1.0,2.0</coordinates></Point>"
