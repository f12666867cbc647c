"""ProjectionHelper.definition: the four WKT templates, name matching,
defaults by projection, numbers written with str, range messages, that
every text is one GDAL can transform to from EPSG:4326, and that a web
Mercator text means the projection of its parameters as a source and as a
target."""

import decimal
import math

import pyproj
import pytest
from osgeo import osr

from models.orbalt import Projection, ProjectionHelper
from osr_support import reference

# The templates, written out independently of the module's copy.
GAUSS = ('PROJCS["{} / Gauss-Kruger",GEOGCS["{}",DATUM["{}",SPHEROID["{}",{},{},'
         'AUTHORITY["EPSG","1024"]],AUTHORITY["EPSG","1043"]],'
         'PRIMEM["Greenwich",0,AUTHORITY["EPSG","8901"]],'
         'UNIT["degree",0.0174532925199433,AUTHORITY["EPSG","9122"]],AUTHORITY["EPSG","4490"]],'
         'PROJECTION["Transverse_Mercator"],PARAMETER["latitude_of_origin",{}],'
         'PARAMETER["central_meridian",{}],PARAMETER["false_easting",{}],'
         'PARAMETER["false_northing",{}],UNIT["metre",1,AUTHORITY["EPSG","9001"]],'
         'AXIS["Northing",NORTH],AXIS["Easting",EAST]]')
LAMBERT = ('PROJCS["{} / Lambert_Conformal_Conic",GEOGCS["{}",DATUM["{}",SPHEROID["{}",{},{},'
           'AUTHORITY["EPSG","7019"]]],PRIMEM["Greenwich",0,AUTHORITY["EPSG","8901"]],'
           'UNIT["degree",0.0174532925199433,AUTHORITY["EPSG","9122"]]],'
           'PROJECTION["Lambert_Conformal_Conic_2SP"],PARAMETER["latitude_of_origin",{}],'
           'PARAMETER["central_meridian",{}],PARAMETER["standard_parallel_1",{}],'
           'PARAMETER["standard_parallel_2",{}],PARAMETER["false_easting",{}],'
           'PARAMETER["false_northing",{}],UNIT["metre",1,AUTHORITY["EPSG","9001"]],'
           'AXIS["Easting",EAST],AXIS["Northing",NORTH]]')
# The authority of the WGS 84 datum, written only on the WGS 84 spheroid.
WGS84_DATUM_ID = ',AUTHORITY["EPSG","6326"]'
ALBERS = ('PROJCS["{} / Albers_Conic_Equal_Area",GEOGCS["{}",DATUM["{}",SPHEROID["{}",{},{},'
          'AUTHORITY["EPSG","7030"]]' + WGS84_DATUM_ID + '],'
          'PRIMEM["Greenwich",0,AUTHORITY["EPSG","8901"]],'
          'UNIT["degree",0.0174532925199433,AUTHORITY["EPSG","9122"]]],'
          'PROJECTION["Albers_Conic_Equal_Area"],PARAMETER["latitude_of_center",{}],'
          'PARAMETER["longitude_of_center",{}],PARAMETER["standard_parallel_1",{}],'
          'PARAMETER["standard_parallel_2",{}],PARAMETER["false_easting",{}],'
          'PARAMETER["false_northing",{}],UNIT["metre",1,AUTHORITY["EPSG","9001"]],'
          'AXIS["Easting",EAST],AXIS["Northing",NORTH]]')
# Without the WGS 84 datum authority, for the other spheroids.
ALBERS_OWN_DATUM = ALBERS.replace(WGS84_DATUM_ID, "", 1)
MERCATOR = ('PROJCS["{} / Pseudo-Mercator",GEOGCS["{}",DATUM["{}",SPHEROID["{}",{},{},'
            'AUTHORITY["EPSG","7030"]],AUTHORITY["EPSG","6326"]],'
            'PRIMEM["Greenwich",0,AUTHORITY["EPSG","8901"]],'
            'UNIT["degree",0.0174532925199433,AUTHORITY["EPSG","9122"]],'
            'AUTHORITY["EPSG","4326"]],PROJECTION["Mercator_1SP"],'
            'PARAMETER["central_meridian",{}],PARAMETER["false_easting",{}],'
            'PARAMETER["false_northing",{}],UNIT["metre",1,AUTHORITY["EPSG","9001"]],'
            'AXIS["Easting",EAST],AXIS["Northing",NORTH],AUTHORITY["EPSG","3857"]]')
# Every web Mercator text but that of EPSG:3857 itself goes without its
# authority, and on another spheroid without the WGS 84 datum's one.
MERCATOR_ID = ',AUTHORITY["EPSG","3857"]'
MERCATOR_OWN = MERCATOR.replace(MERCATOR_ID, "", 1).replace(WGS84_DATUM_ID, "", 1)

# crs -> spheroid, datum, a and 1/f as written
SPHEROIDS = {
    1954: ("Krassowsky 1940", "Krassowsky_1940", "6378245.0", "298.3"),
    1980: ("IAG 1975", "IAG_1975", "6378140.0", "298.257"),
    1984: ("WGS 84", "WGS_1984", "6378137.0", "298.257223563"),
    2000: ("GRS 1980", "GRS_1980", "6378137.0", "298.257222101"),
}
CODES = [1954, 1980, 1984, 2000, 4326, 0, -1]


def expected(projection, crs):
    """The text of `projection` at its defaults for `crs`."""
    s, d, a, e = SPHEROIDS.get(crs, SPHEROIDS[2000])
    head = (s, s, d, s, a, e)
    if projection == "GaussKruger":
        return GAUSS.format(*head, "0.0", "0", "500000.0", "0.0")
    if projection == "WebMercator":
        return (MERCATOR if d == "WGS_1984" else MERCATOR_OWN).format(*head, "0", "0", "0.0")
    conic = (*head, "0.0", "105.0", "25.0", "47.0", "0", "0.0")
    if projection == "Lambert":
        return LAMBERT.format(*conic)
    return (ALBERS if d == "WGS_1984" else ALBERS_OWN_DATUM).format(*conic)


PROJECTIONS = ["GaussKruger", "Lambert", "Albers", "WebMercator"]


@pytest.mark.parametrize("crs", CODES)
@pytest.mark.parametrize("projection", PROJECTIONS)
def test_text_by_projection_and_code(projection, crs):
    assert ProjectionHelper.definition(projection, crs) == expected(projection, crs)


def test_gauss_kruger_about_99_degrees():
    assert ProjectionHelper.definition("GaussKruger", centralMeridian=99) == (
        'PROJCS["GRS 1980 / Gauss-Kruger",GEOGCS["GRS 1980",DATUM["GRS_1980",SPHEROID["GRS 1980",'
        '6378137.0,298.257222101,AUTHORITY["EPSG","1024"]],AUTHORITY["EPSG","1043"]],'
        'PRIMEM["Greenwich",0,AUTHORITY["EPSG","8901"]],'
        'UNIT["degree",0.0174532925199433,AUTHORITY["EPSG","9122"]],AUTHORITY["EPSG","4490"]],'
        'PROJECTION["Transverse_Mercator"],PARAMETER["latitude_of_origin",0.0],'
        'PARAMETER["central_meridian",99],PARAMETER["false_easting",500000.0],'
        'PARAMETER["false_northing",0.0],UNIT["metre",1,AUTHORITY["EPSG","9001"]],'
        'AXIS["Northing",NORTH],AXIS["Easting",EAST]]')


@pytest.mark.parametrize("name, prefix", [
    (" Albers ", "Albers_Conic_Equal_Area"),
    ("ALBERS", "Albers_Conic_Equal_Area"),
    ("albers_conic_equal_area", "Albers_Conic_Equal_Area"),
    ("AlbersConicEqualArea", "Albers_Conic_Equal_Area"),
    ("Gauss-Kruger", "Gauss-Kruger"),
    ("\tgauss\n", "Gauss-Kruger"),
    ("LambertConformalConic", "Lambert_Conformal_Conic"),
    ("LAMBERT_CONFORMAL_CONIC", "Lambert_Conformal_Conic"),
    ("lambert", "Lambert_Conformal_Conic"),
    ("webmercator", "Pseudo-Mercator"),
    ("PSEUDO-MERCATOR", "Pseudo-Mercator"),
    ("Pseudo-Mercator", "Pseudo-Mercator"),
])
def test_name_matching(name, prefix):
    assert ProjectionHelper.definition(name).startswith(f'PROJCS["GRS 1980 / {prefix}"')


@pytest.mark.parametrize("name", ["Mercator", " Mercator ", "gauss kruger", "Gauss_Kruger",
                                  "web mercator", "", "tmerc"])
def test_unknown_name_keeps_the_argument_in_the_message(name):
    with pytest.raises(Exception) as info:
        ProjectionHelper.definition(name, centralMeridian=500)   # name is tested first
    assert type(info.value) is Exception
    assert str(info.value) == (
        f'Invalid [projection: {name}] parameter. '
        'Should be one of ["GaussKruger", "Lambert", "Albers", "WebMercator"].')


@pytest.mark.parametrize("kwargs, needle", [
    ({"projection": "Lambert", "centralMeridian": 120}, 'PARAMETER["central_meridian",120],'),
    ({"projection": "Lambert", "centralMeridian": 120.0}, 'PARAMETER["central_meridian",120.0],'),
    ({"projection": "Albers", "centralMeridian": decimal.Decimal("120.50")},
     'PARAMETER["longitude_of_center",120.50],'),
    ({"projection": "Albers", "centralMeridian": True}, 'PARAMETER["longitude_of_center",True],'),
    ({"projection": "GaussKruger", "falseEasting": 300000},
     'PARAMETER["false_easting",300000],'),
    ({"projection": "GaussKruger", "falseEasting": "5e5"}, 'PARAMETER["false_easting",5e5],'),
    ({"projection": "Lambert", "falseEasting": 1e22}, 'PARAMETER["false_easting",1e+22],'),
    ({"projection": "GaussKruger", "originLatitude": 30, "falseNorthing": -5},
     'PARAMETER["latitude_of_origin",30.0],PARAMETER["central_meridian",0],'
     'PARAMETER["false_easting",500000.0],PARAMETER["false_northing",-5.0]'),
    ({"projection": "Lambert", "standard_parallel_1": 30, "standard_parallel_2": 30},
     'PARAMETER["standard_parallel_1",30.0],PARAMETER["standard_parallel_2",30.0],'),
    ({"projection": "WebMercator", "centralMeridian": -180, "falseEasting": 0.1},
     'PARAMETER["central_meridian",-180],PARAMETER["false_easting",0.1],'),
    ({"projection": "GaussKruger", "originLatitude": 90, "centralMeridian": 180},
     'PARAMETER["latitude_of_origin",90.0],PARAMETER["central_meridian",180],'),
])
def test_values_are_written_with_str(kwargs, needle):
    assert needle in ProjectionHelper.definition(**kwargs)


# False origins written as numbers or numeric texts: the template filled with
# their str, as before they were tested.
NUMERIC = [0, -0.0, 1, 500000, 500000.0, 1e22, 1e-300, -1e300, 10 ** 30,
           decimal.Decimal("120.50"), decimal.Decimal("5E5"), decimal.Decimal("-0"),
           "500000", "5e5", "-1234.5", "+7", ".5", "5.", "1E+22", "0e0"]


@pytest.mark.parametrize("value", NUMERIC, ids=repr)
def test_numeric_false_origins_are_written_as_before(value):
    s, d, a, e = SPHEROIDS[1954]
    head = (s, s, d, s, a, e)
    for projection in PROJECTIONS:
        text = ProjectionHelper.definition(projection, 1954, 100, 0.0, value)
        if projection == "GaussKruger":
            assert text == GAUSS.format(*head, "0.0", "100", str(value), "0.0")
        elif projection == "WebMercator":
            assert text == MERCATOR_OWN.format(*head, "100", str(value), "0.0")
        else:
            template = LAMBERT if projection == "Lambert" else ALBERS_OWN_DATUM
            assert text == template.format(*head, "0.0", "100", "25.0", "47.0", str(value), "0.0")
        if not isinstance(value, str):
            northing = ProjectionHelper.definition(projection, 1954, 100, 0.0, None, value)
            assert f'PARAMETER["false_northing",{float(value)!r}]' in northing


class Written:
    """An object written as its text."""

    def __init__(self, text):
        self.text = text

    def __str__(self):
        return self.text


@pytest.mark.parametrize("value", [
    "x", "", " 500000", "500000 ", "5e", "e5", ".", "+", "1_000", "0x10", "١٢٣", "5,0",
    "nan", "inf", "-Infinity", "1e400", "9" * 400, 10 ** 400, True, math.nan, math.inf,
    decimal.Decimal("NaN"), decimal.Decimal("Infinity"), Written("1]],AUTHORITY[\"EPSG\",\"4326\""),
    '500000],PARAMETER["scale_factor",0.9996',
], ids=repr)
def test_false_eastings_that_are_not_finite_numbers_are_refused(value):
    # Written unchecked, the last one made a Gauss-Kruger text that GDAL read
    # as UTM zone 50 (118 E, 40 N some 1.8 km off), and nan and inf texts
    # GDAL cannot read.
    for projection in PROJECTIONS:
        with pytest.raises(Exception) as info:
            ProjectionHelper.definition(projection, 2000, 117.0, 0.0, value)
        assert type(info.value) is Exception
        assert str(info.value) == (f"Invalid [falseEasting: {value}] parameter. "
                                   "Should be a finite decimal number.")


@pytest.mark.parametrize("value", [math.nan, math.inf, -math.inf, 1e308 * 10])
def test_false_northings_that_are_not_finite_are_refused(value):
    for projection in PROJECTIONS:
        with pytest.raises(Exception) as info:
            ProjectionHelper.definition(projection, 2000, 117.0, 0.0, 500000, value)
        assert type(info.value) is Exception
        assert str(info.value) == (f"Invalid [falseNorthing: {value}] parameter. "
                                   "Should be a finite decimal number.")


def test_false_origin_is_tested_after_the_range_tests():
    # The range messages keep their places; the false easting comes before
    # the false northing.
    for kwargs, name in (({"centralMeridian": 181}, "centralMeridian"),
                         ({"originLatitude": 91}, "originLatitude"),
                         ({"projection": "Albers", "standard_parallel_2": 100},
                          "standard_parallel_2"),
                         ({}, "falseEasting")):
        with pytest.raises(Exception, match=rf"^Invalid \[{name}: "):
            ProjectionHelper.definition(**{"falseEasting": "x", "falseNorthing": math.nan,
                                           **kwargs})


def test_a_false_easting_is_written_as_the_text_tested():
    # A value whose text changes from call to call is read once.
    class Changing:
        calls = 0

        def __format__(self, spec):
            Changing.calls += 1
            return "1" if Changing.calls == 1 else "1],EXTENSION[\"PROJ4\",\"x\""

    text = ProjectionHelper.definition("GaussKruger", falseEasting=Changing())
    assert 'PARAMETER["false_easting",1],' in text and Changing.calls == 1


@pytest.mark.parametrize("kwargs", [
    # parameters a projection does not use are neither tested nor written
    {"projection": "GaussKruger", "standard_parallel_1": 100, "standard_parallel_2": 200},
    {"projection": "WebMercator", "standard_parallel_1": 100, "originLatitude": 100},
])
def test_unused_parameters_are_ignored(kwargs):
    text = ProjectionHelper.definition(**kwargs)
    assert "100" not in text and "200" not in text and "standard_parallel" not in text


@pytest.mark.parametrize("kwargs, message", [
    ({"centralMeridian": 181}, "Invalid [centralMeridian: 181] parameter. "
                               "Should be between -180 and +180."),
    ({"projection": "WebMercator", "centralMeridian": -180.5},
     "Invalid [centralMeridian: -180.5] parameter. Should be between -180 and +180."),
    ({"projection": "Lambert", "centralMeridian": math.nan},
     "Invalid [centralMeridian: nan] parameter. Should be between -180 and +180."),
    ({"projection": "Albers", "centralMeridian": 181, "originLatitude": 91},
     "Invalid [centralMeridian: 181] parameter. Should be between -180 and +180."),
    ({"originLatitude": 90.5}, "Invalid [originLatitude: 90.5] parameter. "
                               "Should be between -90 and +90."),
    ({"projection": "Albers", "originLatitude": -95},
     "Invalid [originLatitude: -95.0] parameter. Should be between -90 and +90."),
    ({"projection": "Lambert", "standard_parallel_1": 100, "standard_parallel_2": 200},
     "Invalid [standard_parallel_1: 100.0] parameter. Should be between -90 and +90."),
    ({"projection": "Albers", "standard_parallel_2": math.inf},
     "Invalid [standard_parallel_2: inf] parameter. Should be between -90 and +90."),
    ({"projection": "Lambert", "standard_parallel_2": math.nan},
     "Invalid [standard_parallel_2: nan] parameter. Should be between -90 and +90."),
])
def test_range_messages(kwargs, message):
    with pytest.raises(Exception) as info:
        ProjectionHelper.definition(**kwargs)
    assert type(info.value) is Exception
    assert str(info.value) == message


def test_binding_and_comparison_errors():
    with pytest.raises(TypeError, match=r"Argument 'crs' has incorrect type \(expected int, "
                                        r"got bool\)"):
        ProjectionHelper.definition("GaussKruger", True)
    with pytest.raises(TypeError, match=r"Argument 'projection' has incorrect type"):
        ProjectionHelper.definition(None)
    with pytest.raises(TypeError, match="takes at most 9 positional arguments"):
        ProjectionHelper.definition("Gauss", 2000, 0, 0.0, 0, 0.0, 25.0, 47.0, 1)
    # a meridian that cannot be compared with integers: the interpreter's error
    with pytest.raises(TypeError, match="'<=' not supported"):
        ProjectionHelper.definition("Gauss", centralMeridian="99")


def test_table_is_read_through_the_class():
    record = Projection.CRS(6378000.0, 0.004, "Test system", "Test spheroid", "Test_datum")

    class Helper(ProjectionHelper):
        datum = {2000: record}

    text = Helper.definition("Lambert", 1954)       # not a key: the 2000 row
    assert text.startswith('PROJCS["Test spheroid / Lambert_Conformal_Conic",'
                           'GEOGCS["Test spheroid",DATUM["Test_datum",'
                           'SPHEROID["Test spheroid",6378000.0,250.0,')


# Reference planes on the same spheroids, for the check against GDAL.
PROJ_TEXTS = {
    "GaussKruger": "+proj=tmerc +lat_0=0 +lon_0=0 +k=1 +x_0=500000 +y_0=0",
    "Lambert": "+proj=lcc +lat_0=0 +lon_0=105 +lat_1=25 +lat_2=47 +x_0=0 +y_0=0",
    "Albers": "+proj=aea +lat_0=0 +lon_0=105 +lat_1=25 +lat_2=47 +x_0=0 +y_0=0",
    "WebMercator": "+proj=merc +lon_0=0 +k=1 +x_0=0 +y_0=0",
}


def osr_point(target, x, y):
    transform = osr.CoordinateTransformation(reference(4326), reference(target))
    return transform.TransformPoint(x, y)[:2]


@pytest.mark.parametrize("crs", [1954, 1980, 1984, 2000])
@pytest.mark.parametrize("projection", PROJECTIONS)
def test_every_text_transforms_from_wgs84(projection, crs):
    text = ProjectionHelper.definition(projection, crs)
    got = ProjectionHelper(4326, text).project({"type": "Point", "coordinates": [3.0, 36.0]})
    record = Projection.datum[crs]
    if projection == "WebMercator" and crs == 1984:
        # GDAL reads this text by its authority as the spherical web Mercator
        reference = osr_point(3857, 3.0, 36.0)
    else:
        reference = osr_point(f"{PROJ_TEXTS[projection]} +a={record.a!r} +rf={1 / record.f!r}"
                              " +units=m +no_defs", 3.0, 36.0)
    assert got["coordinates"] == pytest.approx(list(reference), abs=1e-6)


# Web Mercator texts used as target and then as source.  The first rows did
# not come back: GDAL inverted any text as EPSG:3857 by its closing
# authority, and GDAL and PROJ read a WGS 84 text by its name "WGS 84 /
# Pseudo-Mercator" as EPSG:3857 in both directions, so its meridian and
# false origin were lost.  The last rows are EPSG:3857 itself.
ROUND_TRIPS = [
    (2000, 117.0, None, 0.0, [116.4, 39.9]),              # came back [-0.6, 39.7108]
    (2000, None, None, 0.0, [116.4, 39.9]),               # latitude 0.19 degrees off
    (2000, 0, 250000.0, -1000000.0, [-70.25, -33.5]),     # false origin lost
    (1954, -3.0, 500000.0, -2000000.0, [12.5, 85.0]),
    (4326, 180, -1234.5, 1000.0, [-180.0, 10.0]),         # lon 180 from the meridian
    (1980, 45.5, 1, 0.0, [116.4, 39.9]),
    (1984, 117.0, None, 0.0, [116.4, 39.9]),              # meridian ignored both ways
    (1984, 0, 1000.0, 0.0, [3.0, 36.0]),                  # false easting ignored
    (1984, None, None, -5000.0, [-179.9, -85.05]),        # false northing ignored
    (1984, None, None, 0.0, [116.4, 39.9]),
    (1984, -0.0, 0.0, 0, [-180.0, 10.0]),
]


def stated(crs, meridian, easting, northing):
    """The projection the parameters state: EPSG:3857 for its own ones, else
    the Mercator projection on the record's spheroid."""
    if crs == 1984 and not (meridian or easting or northing):
        return pyproj.CRS(3857)
    record = Projection.datum.get(crs, Projection.datum[2000])
    return pyproj.CRS(f"+proj=merc +lon_0={meridian or 0} +x_0={easting or 0} +y_0={northing} "
                      f"+a={record.a!r} +rf={1 / record.f!r} +units=m +no_defs")


def point(xy):
    return {"type": "Point", "coordinates": list(xy)}


@pytest.mark.parametrize("crs, meridian, easting, northing, lonlat", ROUND_TRIPS)
def test_web_mercator_text_reads_back(crs, meridian, easting, northing, lonlat):
    text = ProjectionHelper.definition("WebMercator", crs, meridian, falseEasting=easting,
                                       falseNorthing=northing)
    forward = ProjectionHelper(4326, text)
    xy = forward.project(point(lonlat))["coordinates"]
    by_pyproj = pyproj.Transformer.from_crs(4326, pyproj.CRS.from_wkt(text), always_xy=True)
    by_parameters = pyproj.Transformer.from_crs(4326, stated(crs, meridian, easting, northing),
                                                always_xy=True)
    assert xy == pytest.approx(list(by_pyproj.transform(*lonlat)), abs=1e-3)
    assert xy == pytest.approx(list(by_parameters.transform(*lonlat)), abs=1e-3)

    inverse = ProjectionHelper(text, 4326)
    lon, lat = inverse.project(point(xy))["coordinates"]
    assert (lon - lonlat[0] + 180.0) % 360.0 - 180.0 == pytest.approx(0.0, abs=1e-7)
    assert lat == pytest.approx(lonlat[1], abs=1e-7)
    # the ESRI text GDAL writes of the reference means the same projection
    assert inverse.sourceProjection == forward.targetProjection
    again = ProjectionHelper(4326, forward.targetProjection).project(point(lonlat))
    assert again["coordinates"] == pytest.approx(xy, abs=1e-3)


# Forward results recorded before the web Mercator texts changed: on other
# spheroids GDAL built them from the parameters already, and the text of
# EPSG:3857 is kept whether its zeros are written 0, 0.0 or -0.0.
RECORDED = [
    ((1984, None, None, 0.0), [116.4, 39.9], [12957588.728337044, 4851421.175183357]),
    ((1984, 0.0, -0.0, 0), [-179.9, -85.05], [-20026376.393709917, -20036051.919336792]),
    ((1984, -0.0, 0.0, -0.0), [12.5, 85.0], [1391493.6349159195, 19971868.880408566]),
    ((2000, 117.0, None, 0.0), [116.4, 39.9], [-66791.69447596282, 4824007.580281649]),
    ((2000, None, None, 0.0), [-180.0, 10.0], [-20037508.342789244, 1111475.1028159368]),
    ((1954, -3.0, 500000.0, -2000000.0), [-180.0, 10.0],
     [-19203883.507549234, -888505.015110858]),
    ((1980, 180, -1234.5, 1000.0), [12.5, 85.0], [-18647257.97815281, 19930248.455260754]),
    ((0, 45.5, 1, 0.0), [-179.9, -85.05], [14983604.46077462, -19993418.899194274]),
]


@pytest.mark.parametrize("args, lonlat, recorded", RECORDED)
def test_web_mercator_forward_results_are_kept(args, lonlat, recorded):
    crs, meridian, easting, northing = args
    text = ProjectionHelper.definition("WebMercator", crs, meridian, falseEasting=easting,
                                       falseNorthing=northing)
    assert text.endswith(MERCATOR_ID + "]") == (crs == 1984)
    assert ProjectionHelper(4326, text).project(point(lonlat))["coordinates"] == recorded


# Records of a subclass's table: the readers match the name "WGS 84 /
# Pseudo-Mercator" blind to case and punctuation, whatever the spheroid.
WGS84 = Projection.datum[1984]
KRASSOWSKY = Projection.datum[1954]


@pytest.mark.parametrize("spheroid, values, meridian, name", [
    ("WGS84", WGS84, 117.0, "WGS84 / Mercator"),
    ("wgs_1984", KRASSOWSKY, 0, "wgs_1984 / Mercator"),
    ("GRS 1980", WGS84, 0, "GRS 1980 / Pseudo-Mercator"),   # WGS 84 values, another name
])
def test_web_mercator_names_of_a_subclass_table(spheroid, values, meridian, name):
    class Helper(ProjectionHelper):
        datum = {2000: Projection.CRS(values.a, values.f, "Test system", spheroid, "Test_datum")}

    text = Helper.definition("WebMercator", centralMeridian=meridian)
    assert text.startswith(f'PROJCS["{name}",') and MERCATOR_ID not in text
    merc = pyproj.CRS(f"+proj=merc +lon_0={meridian} +a={values.a!r} +rf={1 / values.f!r} +units=m")
    want = pyproj.Transformer.from_crs(4326, merc, always_xy=True).transform(116.4, 39.9)
    xy = Helper(4326, text).project(point([116.4, 39.9]))["coordinates"]
    assert xy == pytest.approx(list(want), abs=1e-3)
    assert Helper(text, 4326).project(point(xy))["coordinates"] == pytest.approx([116.4, 39.9],
                                                                                abs=1e-7)


def test_albers_text_is_the_ellipsoidal_form():
    # The figures of the docstring: Projection.albers is the spherical form,
    # the text the ellipsoidal one of PROJ's aea on the same spheroid.
    text = ProjectionHelper.definition("Albers")
    got = ProjectionHelper(4326, text).project(point([120.0, 40.0]))["coordinates"]
    record = Projection.datum[2000]
    aea = pyproj.Transformer.from_crs(4326, pyproj.CRS(
        f"+proj=aea +lat_0=0 +lon_0=105 +lat_1=25 +lat_2=47 +a={record.a!r} "
        f"+rf={1 / record.f!r} +units=m"), always_xy=True)
    assert got == pytest.approx(list(aea.transform(120.0, 40.0)), abs=1e-6)
    assert got == pytest.approx([1254749.74, 4394828.70], abs=0.01)
    spherical = Projection.albers(120.0, 40.0, 105.0, 0.0, 25.0, 47.0)
    assert list(spherical) == pytest.approx([1252925.98, 4416377.83], abs=0.01)
