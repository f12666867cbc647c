"""ProjectionHelper instances: references read through osr, the ESRI texts
and their scale units, the identity without a transformation, and the
vertex walk of project() with its scales and messages."""

import copy
import os
import re
import socket
import subprocess
import sys
import textwrap
import threading
import zipfile

import pytest
from osgeo import osr

from models.orbalt import ProjectionHelper
from osr_support import reference

GK99 = ProjectionHelper.definition("GaussKruger", centralMeridian=99)
TMERC99 = ("+proj=tmerc +lat_0=0 +lon_0=99 +k=1 +x_0=500000 +y_0=0 "
           "+a=6378137 +rf=298.257222101 +units=m +no_defs")

TO_TMERC = osr.CoordinateTransformation(reference(4326), reference(TMERC99))


def tmerc(x, y):
    return list(TO_TMERC.TransformPoint(x, y)[:2])


def close(got, want, tol=1e-6):
    """Nested lists of numbers equal within `tol`, nesting and lengths included."""
    if isinstance(want, list):
        return (type(got) is list and len(got) == len(want)
                and all(close(g, w, tol) for g, w in zip(got, want)))
    return abs(got - want) <= tol


POINT = {"type": "Point", "coordinates": [100, 36]}
MULTIPOINT = {"type": "MultiPoint",
              "coordinates": [[98.52, 19.61], [100.22, 20.74], [100.97, 21.46]]}
LINE = {"type": "LineString", "coordinates": [[98.919, 44.4074], [98.923, 44.4075]]}
RING = [[98.0, 30.0], [99.5, 30.0], [99.5, 31.0], [98.0, 30.0]]
COLLECTION = {"type": "GeometryCollection", "geometries": [
    {"type": "Point", "coordinates": [98.81, 37.24]},
    LINE,
    {"type": "Polygon", "coordinates": [RING]},
]}

EXAMPLES = [
    (POINT, [590165.115456953, 3986005.1900442634]),
    (MULTIPOINT, [[449646.39107651, 2169263.3152799467],
                  [627069.4918831721, 2294770.010626876],
                  [704217.241296021, 2375292.866543003]]),
    (LINE, [[493547.9177849664, 4919094.308987056],
            [493866.54958314006, 4919105.113591565]]),
]


@pytest.mark.parametrize("geometry, published", EXAMPLES, ids=["point", "multipoint", "line"])
def test_examples_against_tmerc(geometry, published):
    got = ProjectionHelper(None, GK99).project(geometry)
    assert list(got) == ["type", "coordinates"] and got["type"] == geometry["type"]
    coords = geometry["coordinates"]
    want = tmerc(*coords) if geometry["type"] == "Point" else [tmerc(*p) for p in coords]
    assert close(got["coordinates"], want)
    assert close(got["coordinates"], published)


def test_collection_keeps_members_in_order():
    got = ProjectionHelper(4326, GK99).project(COLLECTION)
    assert list(got) == ["type", "geometries"]
    point, line, polygon = got["geometries"]
    assert point == {"type": "Point", "coordinates": point["coordinates"]}
    assert close(point["coordinates"], [483141.07726688863, 4123163.065100722])
    assert close(point["coordinates"], tmerc(98.81, 37.24))
    assert line["type"] == "LineString" and close(line["coordinates"], EXAMPLES[2][1])
    assert polygon["type"] == "Polygon"
    assert close(polygon["coordinates"], [[tmerc(*p) for p in RING]])


def test_round_trip_back_to_wgs84():
    forward = ProjectionHelper(4326, GK99)
    back = ProjectionHelper(GK99, 4326)
    multipolygon = {"type": "MultiPolygon", "coordinates": [[RING], [RING, RING[::-1]]]}
    for geometry in (POINT, MULTIPOINT, LINE, multipolygon):
        again = back.project(forward.project(geometry))
        assert close(again["coordinates"], geometry["coordinates"], 1e-9)


def test_input_is_not_changed():
    geometry = copy.deepcopy(COLLECTION)
    got = ProjectionHelper(4326, 3857).project(geometry)
    assert geometry == COLLECTION
    assert got["geometries"][1]["coordinates"] is not geometry["geometries"][1]["coordinates"]


def test_attributes_in_order():
    helper = ProjectionHelper(4326, GK99, 0, -5)
    assert list(vars(helper)) == ["_ProjectionHelper__sourceScale",
                                  "_ProjectionHelper__targetScale", "sourceProjection",
                                  "targetProjection", "_ProjectionHelper__transformer"]
    assert helper._ProjectionHelper__sourceScale == 1
    assert helper._ProjectionHelper__targetScale == 1
    assert isinstance(helper._ProjectionHelper__transformer, osr.CoordinateTransformation)
    assert osr.GetUseExceptions()


def esri(value):
    srs = reference(value).Clone()
    srs.MorphToESRI()
    return srs.ExportToWkt()


@pytest.mark.parametrize("source, target", [
    (None, None), (4326, 4326), (4326, "EPSG:4326"), ("EPSG:4326", None),
])
def test_same_references_make_no_transformation(source, target):
    helper = ProjectionHelper(source, target)
    assert helper._ProjectionHelper__transformer is None
    assert helper.sourceProjection == helper.targetProjection == esri(4326)
    for anything in ({"type": "Point", "coordinates": [1.0, 2.0]}, {"no": "geometry"}, {}):
        assert helper.project(anything) is anything


@pytest.mark.parametrize("source, target, scales, source_unit, target_unit", [
    (4326, GK99, (1000, 1), None, 'UNIT["Meter",1.0]'),
    (4326, GK99, (1, 1000), None, 'UNIT["Meter",1000]'),
    (GK99, 3857, (500, 2000), 'UNIT["Meter",500]', 'UNIT["Meter",2000]'),
    (GK99, 3857, (1, 1), 'UNIT["Meter",1.0]', 'UNIT["Meter",1.0]'),
])
def test_scale_is_written_into_the_meter_units(source, target, scales, source_unit, target_unit):
    helper = ProjectionHelper(source, target, *scales)
    for text, plain, unit in ((helper.sourceProjection, esri(source), source_unit),
                              (helper.targetProjection, esri(target), target_unit)):
        if unit is None:                          # geographic: no linear unit, unchanged
            assert text == plain and "Meter" not in text
        else:
            assert re.findall(r'UNIT\["Meter",[^\]]*\]', text) == [unit]
            assert re.sub(r'UNIT\["Meter",[^\]]*\]', 'UNIT["Meter",1.0]', text) == plain


def test_scale_substitution_ignores_case_and_blanks():
    text = 'PROJCS["x",GEOGCS["GCS_WGS_1984",DATUM["D_WGS_1984",SPHEROID["WGS_1984",6378137.0,' \
           '298.257223563]],PRIMEM["Greenwich",0.0],UNIT["Degree",0.0174532925199433]],' \
           'PROJECTION["Mercator"],PARAMETER["False_Easting",0.0],' \
           'PARAMETER["False_Northing",0.0],PARAMETER["Central_Meridian",0.0],' \
           'PARAMETER["Standard_Parallel_1",0.0],UNIT[ "meter" , 1.0 ]]'
    # GDAL writes its own ESRI text, with UNIT["Meter",1.0], whatever the input
    helper = ProjectionHelper(text, 4326, 250)
    assert 'UNIT["Meter",250]' in helper.sourceProjection


def test_scales_multiply_and_divide_x_and_y():
    x, y = tmerc(100, 36)
    # map coordinates at 1:1000 in, ground out
    got = ProjectionHelper(GK99, 4326, 1000).project(
        {"type": "Point", "coordinates": [x / 1000, y / 1000]})
    assert close(got["coordinates"], [100, 36], 1e-9)
    # ground in, map at 1:1000 out
    got = ProjectionHelper(4326, GK99, 1, 1000).project(POINT)
    assert close(got["coordinates"], [x / 1000, y / 1000], 1e-9)
    # the source scale applies to a geographic source too
    got = ProjectionHelper(4326, GK99, 4, 1).project({"type": "Point", "coordinates": [25, 9]})
    assert close(got["coordinates"], [x, y])


def test_scales_are_read_at_each_call():
    helper = ProjectionHelper(4326, GK99)
    helper._ProjectionHelper__targetScale = 10
    x, y = tmerc(100, 36)
    assert close(helper.project(POINT)["coordinates"], [x / 10, y / 10])


@pytest.mark.parametrize("vertex, length", [
    ([100, 36], 2), ([100, 36, 12.5], 3), ([100, 36, 12.5, 7], 4), ([100, 36, 12.5, 7, 9], 4),
])
def test_vertex_lengths(vertex, length):
    # heights in metres to feet, so that z is seen to be transformed
    source = "+proj=longlat +datum=WGS84 +vunits=m +no_defs"
    target = "+proj=merc +datum=WGS84 +vunits=ft +no_defs"
    got = ProjectionHelper(source, target).project({"type": "Point", "coordinates": vertex})
    xyz = list(osr.CoordinateTransformation(reference(source), reference(target)).TransformPoint(
        100.0, 36.0, vertex[2] if len(vertex) > 2 else 0.0))
    assert len(got["coordinates"]) == length
    assert close(got["coordinates"][:3], xyz[:length], 1e-6)
    if length > 2:
        assert got["coordinates"][2] == pytest.approx(12.5 / 0.3048)
    if length == 4:
        assert got["coordinates"][3] == 7            # m rides in the time place


def test_nesting_of_any_iterable_is_kept():
    ring = ([100.0, 36.0], [100.5, 36.0], [100.5, 36.5])       # not closed, kept as given
    helper = ProjectionHelper(4326, GK99)
    got = helper.project({"type": "Polygon", "coordinates": (ring,)})
    assert close(got["coordinates"], [[tmerc(*p) for p in ring]])
    got = helper.project({"type": "MultiLineString", "coordinates": [iter(ring), []]})
    assert close(got["coordinates"], [[tmerc(*p) for p in ring], []])


@pytest.mark.parametrize("geometry", [
    {},
    {"coordinates": [1.0, 2.0]},
    {"type": "", "coordinates": [1.0, 2.0]},
    {"type": None, "geometries": []},
    {"type": 0, "coordinates": [1.0, 2.0]},
    {"type": "Point"},
    {"type": "Circle", "coordinates": [1.0, 2.0]},
    {"type": "point", "coordinates": [1.0, 2.0]},
    {"type": "GeometryCollection"},
    {"type": "GeometryCollection", "coordinates": []},
    {"type": "GeometryCollection", "geometries": ({"type": "Point", "coordinates": [1, 2]},)},
    {"type": "Point", "geometries": []},
    {"type": "GeometryCollection", "geometries": [{"type": "Point"}]},
])
def test_invalid_geometry_message(geometry):
    with pytest.raises(Exception) as info:
        ProjectionHelper(4326, 3857).project(geometry)
    assert type(info.value) is Exception
    assert str(info.value) == "Invalid [geometry] parameter."


@pytest.mark.parametrize("geometry, message", [
    ({"type": "Point", "coordinates": (100.0, 36.0)}, "Expected list, got tuple"),
    ({"type": "Point", "coordinates": None}, "Expected list, got NoneType"),
    ({"type": "LineString", "coordinates": [[1.0, 2.0], (3.0, 4.0)]}, "Expected list, got tuple"),
    ({"type": "MultiPoint", "coordinates": [1.0, 2.0]}, "Expected list, got float"),
    ({"type": "LineString", "coordinates": 5}, "'int' object is not iterable"),
    ({"type": "Polygon", "coordinates": [None]}, "'NoneType' object is not iterable"),
    ({"type": "GeometryCollection", "geometries": [[1.0, 2.0]]},
     "Argument 'geometry' has incorrect type (expected dict, got list)"),
])
def test_type_errors(geometry, message):
    with pytest.raises(TypeError) as info:
        ProjectionHelper(4326, 3857).project(geometry)
    assert str(info.value) == message


def test_project_binding():
    helper = ProjectionHelper(4326, 3857)
    with pytest.raises(TypeError, match=r"Argument 'geometry' has incorrect type "
                                        r"\(expected dict, got NoneType\)"):
        helper.project(None)
    with pytest.raises(TypeError, match=r"project\(\) takes exactly 2 positional arguments"):
        helper.project(POINT, 1)


@pytest.mark.parametrize("args, error", [
    ((999999,), RuntimeError),                    # no such EPSG code
    ((4326, -1), RuntimeError),
    (("not a reference",), RuntimeError),         # text GDAL cannot read
    ((4326, 'PROJCS["x",GEOGCS["y"]]'), RuntimeError),
    ((4326, b"EPSG:3857"), TypeError),            # neither int nor text: the bindings refuse it
])
def test_bad_references_raise_gdal_errors(args, error):
    with pytest.raises(error) as info:
        ProjectionHelper(*args)
    assert type(info.value) is error                # GDAL's own, not wrapped


def test_scale_binding():
    with pytest.raises(TypeError, match=r"Argument 'sourceScale' has incorrect type "
                                        r"\(expected int, got bool\)"):
        ProjectionHelper(4326, 3857, True)
    with pytest.raises(TypeError, match=r"Argument 'targetScale' has incorrect type "
                                        r"\(expected int, got float\)"):
        ProjectionHelper(4326, 3857, 1, 2.0)


def test_point_that_cannot_be_transformed():
    with pytest.raises(RuntimeError):
        ProjectionHelper(4326, GK99).project({"type": "Point", "coordinates": [100.0, 95.0]})
    with pytest.raises(TypeError):                 # not a number: the bindings refuse it
        ProjectionHelper(4326, GK99).project({"type": "Point", "coordinates": ["100", 36]})


def test_members_go_through_project_of_the_instance():
    class Helper(ProjectionHelper):
        def project(self, geometry):
            out = super().project(geometry)
            out["seen"] = True
            return out

    got = Helper(4326, GK99).project(COLLECTION)
    assert got["seen"] and all(member["seen"] for member in got["geometries"])


def test_deep_collection_raises_recursion_error():
    geometry = {"type": "Point", "coordinates": [100.0, 36.0]}
    for _ in range(100_000):
        geometry = {"type": "GeometryCollection", "geometries": [geometry]}
    with pytest.raises(RecursionError):
        ProjectionHelper(4326, GK99).project(geometry)


# --- references that would be read over a network ------------------------------

NETWORK = ("Invalid [{}] parameter. References that GDAL would read over a network "
           "(URLs and network file system paths) are refused.")


@pytest.fixture
def listener():
    """A loopback HTTP server answering 404 to everything: the first line of
    every request it receives, in order.  GDAL is pointed at it (as its HTTP
    proxy and as the endpoint of each cloud file system), so any connection
    GDAL opens lands here and nothing leaves the machine."""
    server = socket.socket()
    server.bind(("127.0.0.1", 0))
    server.listen(64)
    seen = []

    def serve():
        while True:
            try:
                conn, _ = server.accept()
            except OSError:
                return
            with conn:
                conn.settimeout(5)
                try:
                    seen.append(conn.recv(65536).split(b"\r\n", 1)[0].decode("latin-1"))
                    conn.sendall(b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n"
                                 b"Connection: close\r\n\r\n")
                except OSError:
                    seen.append("?")

    thread = threading.Thread(target=serve, daemon=True)
    thread.start()
    port = server.getsockname()[1]
    url = f"http://127.0.0.1:{port}"
    env = {k: v for k, v in os.environ.items()
           if k.lower() not in ("http_proxy", "https_proxy", "all_proxy", "no_proxy")}
    env.update(GDAL_HTTP_PROXY=f"127.0.0.1:{port}", GDAL_HTTP_TIMEOUT="5",
               GDAL_HTTP_MAX_RETRY="0",
               AWS_NO_SIGN_REQUEST="YES", AWS_S3_ENDPOINT=f"127.0.0.1:{port}", AWS_HTTPS="NO",
               AWS_VIRTUAL_HOSTING="FALSE", GS_NO_SIGN_REQUEST="YES", CPL_GS_ENDPOINT=url + "/",
               AZURE_NO_SIGN_REQUEST="YES", AZURE_STORAGE_ACCOUNT="acc",
               OSS_ACCESS_KEY_ID="id", OSS_SECRET_ACCESS_KEY="key",
               OSS_ENDPOINT=f"127.0.0.1:{port}", OSS_HTTPS="NO",
               SWIFT_STORAGE_URL=url + "/v1/acc", SWIFT_AUTH_TOKEN="token")
    yield url, env, seen
    server.close()


def run_each(env, body, texts):
    """Runs `body` (which reads the name `text`) in a new interpreter for each
    text in turn and returns one printed line per text."""
    code = textwrap.dedent("""
        import sys
        from osgeo import osr
        from models.orbalt import ProjectionHelper
        for text in sys.argv[1:]:
            try:
        {}
            except Exception as e:
                print(type(e).__name__, e)
    """).format(textwrap.indent(textwrap.dedent(body).strip(), " " * 8))
    done = subprocess.run([sys.executable, "-c", code, *texts], env=env, capture_output=True,
                          text=True, timeout=300)
    assert done.returncode == 0, done.stderr[-2000:]
    return done.stdout.splitlines()


# Each names its own file, so a request shows which text made it.
REFUSED = [
    "{U}/plain.prj", "HTTPS://127.0.0.1/upper", "ESRI::{U}/esri", "esri::ESRI::{U}/twice",
    " \t{U}/blank", "ftp://127.0.0.1/ftp", "http://www.opengis.net/gml/srs/epsg.xml#4326",
    "/vsicurl/{U}/curl.prj", "/vsicurl?url={U}/curlq.prj", "/vsicurl_streaming/{U}/stream.prj",
    "/vsis3/b/s3.prj", "/vsis3_streaming/b/s3s.prj", "/vsigs/b/gs.prj", "/vsigs_streaming/b/gss.prj",
    "/vsiaz/c/az.prj", "/vsiaz_streaming/c/azs.prj", "/vsiadls/c/adls.prj", "/vsioss/b/oss.prj",
    "/vsioss_streaming/b/osss.prj", "/vsiswift/c/swift.prj", "/vsiswift_streaming/c/swifts.prj",
    "/vsiwebhdfs/{U}/webhdfs/v1/hdfs.prj", "/vsihdfs/hdfs://127.0.0.1/h.prj",
    "/vsizip//vsicurl/{U}/zip.zip/a.prj", "/vsizip/{/vsicurl/{U}/braced.zip}/a.prj",
    "/vsigzip//vsicurl/{U}/gz.gz", "/vsitar//vsicurl/{U}/tar.tar/a.prj",
    "/vsisubfile/0_100,/vsicurl/{U}/sub.prj", "/VSICURL/{U}/case.prj",
]
# Texts GDAL reads without a connection, which keep working.
LOCAL = ["EPSG:3857", "urn:ogc:def:crs:EPSG::3857", "http://www.opengis.net/def/crs/EPSG/0/3857",
         "HTTPS://OPENGIS.NET/def/crs/EPSG/0/3857", "ESRI::https://www.opengis.net/def/crs/EPSG/0/3857",
         "http://www.opengis.net/def/crs-compound?1={U}/c1&2={U}/c2"]


def test_network_references_are_refused_before_gdal_sees_them(listener):
    url, env, seen = listener
    texts = [t.replace("{U}", url) for t in REFUSED + LOCAL]
    lines = run_each(env, """
        ProjectionHelper(text)
        helper = ProjectionHelper(3857, text)
        print("read", helper.targetProjection[:6])
    """, texts)
    assert seen == []
    assert lines[:len(REFUSED)] == ["Exception " + NETWORK.format("sourceProjection")] * len(REFUSED)
    # The compound URL is refused by GDAL itself, with no connection either.
    assert lines[len(REFUSED):] == ["read PROJCS"] * 3 + [
        "RuntimeError PROJ: proj_create: crs not found", "read PROJCS",
        "RuntimeError PROJ: proj_create: invalid OGC CRS URL"]


def test_target_and_text_subclass_are_refused_too(listener):
    url, env, seen = listener
    lines = run_each(env, """
        class Text(str):
            def __str__(self):
                return "EPSG:4326"
        ProjectionHelper(4326, Text(text))
    """, [f"/vsicurl/{url}/target.prj", f"{url}/target"])
    assert seen == []
    assert lines == ["Exception " + NETWORK.format("targetProjection")] * 2


def test_the_listener_sees_what_gdal_fetches_itself(listener):
    # The same texts through GDAL's reader directly do reach the listener,
    # so an empty log above means no connection was made.
    url, env, seen = listener
    texts = ["{U}/plain.prj", "ESRI::{U}/esri", "http://www.opengis.net/gml/srs/epsg.xml#4326",
             "/vsicurl/{U}/curl.prj", "/vsizip//vsicurl/{U}/zip.zip/a.prj", "/vsis3/b/s3.prj",
             "/vsiaz/c/az.prj", "/vsiswift/c/swift.prj", "/vsiwebhdfs/{U}/webhdfs/v1/hdfs.prj"]
    run_each(env, """
        osr.UseExceptions()
        osr.SpatialReference().SetFromUserInput(text)
    """, [t.replace("{U}", url) for t in texts])
    log = "\n".join(seen)
    for token in ("/plain.prj", "/esri", "/gml/srs/epsg.xml", "/curl.prj", "/zip.zip",
                  "/b/s3.prj", "acc.blob.core.windows.net", "/c/swift.prj", "hdfs.prj"):
        assert token in log


def test_local_reference_files_keep_working(tmp_path):
    prj = tmp_path / "gk99.prj"
    prj.write_text(GK99)
    helper = ProjectionHelper(str(prj), 4326)
    assert helper.sourceProjection == ProjectionHelper(GK99).sourceProjection
    zipped = tmp_path / "ref.zip"
    with zipfile.ZipFile(zipped, "w") as z:
        z.writestr("ref.prj", GK99)
    assert ProjectionHelper(f"/vsizip/{zipped}/ref.prj").sourceProjection == helper.sourceProjection
