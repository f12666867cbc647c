"""Projection.webMercator, Projection.albers and Projection.lambert."""
import math

import pytest

import projection_reference as ref
from models.orbalt import Projection

CODES = [1954, 1980, 1984, 2000]
UNIT = 0.0174532925199433
LON_RANGE = "Invalid [longitude: {}] parameter. Should be between -180 and +180."
LAT_RANGE = "Invalid [{}: {}] parameter. Should be between -90 and +90."
CONE = {"centralMeridian": 105.0, "parallel1": 25.0, "parallel2": 47.0}
ZONE20 = 20 * 1000000.0 + 500000.0


def raises(error, message, f, *args, **kwargs):
    with pytest.raises(error) as info:
        f(*args, **kwargs)
    assert type(info.value) is error and str(info.value) == message


# --- web Mercator ------------------------------------------------------------

def test_web_mercator_equator_and_poles():
    x, y = Projection.webMercator(0.0, 0.0)
    assert x == 0.0 and -7.2e-10 < y < -7.0e-10      # tan(radians(90) / 2) is just below 1
    assert Projection.webMercator(x=0.0, y=0.0) == (0.0, 0.0)
    north = Projection.webMercator(0.0, 90.0)[1]
    assert math.isfinite(north) and north > 1e8
    raises(ValueError, "math domain error", Projection.webMercator, 0.0, -90.0)


def test_web_mercator_against_pseudo_mercator():
    pyproj = pytest.importorskip("pyproj")
    t = pyproj.Transformer.from_crs(4326, 3857, always_xy=True)
    for lon in (-180.0, -73.9, 0.0, 116.3, 180.0):
        for lat in (-85.0, -33.9, 0.5, 39.9, 85.0):
            assert Projection.webMercator(lon, lat) == pytest.approx(t.transform(lon, lat), abs=1e-6)
            x, y = Projection.webMercator(lon, lat)
            assert Projection.webMercator(x=x, y=y) == pytest.approx((lon, lat), abs=1e-12)
            assert (x, y) == ref.web_mercator(lon, lat)
            assert Projection.webMercator(x=x, y=y) == ref.web_mercator_inverse(x, y)


def test_web_mercator_inverse_is_not_wrapped():
    lon = Projection.webMercator(x=2 * Projection.webMercator(180.0, 0.0)[0], y=0.0)[0]
    assert lon == pytest.approx(360.0, abs=1e-12)


@pytest.mark.parametrize("args, kwargs, error, message", [
    ((180.5, 0.0), {}, Exception, LON_RANGE.format(180.5)),
    ((math.nan, 0.0), {}, Exception, LON_RANGE.format(math.nan)),
    ((200.0, 95.0), {}, Exception, LON_RANGE.format(200.0)),
    ((0.0, 90.5), {}, Exception, LAT_RANGE.format("latitude", 90.5)),
    ((0.0,), {}, Exception, "Invalid parameter."),
    ((), {"x": 1.0}, Exception, "Invalid parameter."),
    ((), {"x": 0.0, "y": 6378137.0 * 710}, OverflowError, "math range error"),
    ((1, 0.0), {}, TypeError, "Argument 'longitude' has incorrect type (expected float, got int)"),
    ((), {"x": 0.0, "y": 0}, TypeError, "Argument 'y' has incorrect type (expected float, got int)"),
])
def test_web_mercator_errors(args, kwargs, error, message):
    raises(error, message, Projection.webMercator, *args, **kwargs)


def test_direction_precedence():
    forward = Projection.webMercator(10.0, 20.0)
    assert Projection.webMercator(10.0, 20.0, 1.0, 2.0) == forward
    assert Projection.webMercator(10.0, None, *forward) == Projection.webMercator(x=forward[0], y=forward[1])
    assert Projection.albers(10.0, 20.0, x=1.0, y=2.0) == Projection.albers(10.0, 20.0)
    assert Projection.lambert(None, 20.0, x=0.0, y=0.0) == Projection.lambert(x=0.0, y=0.0)


# --- Albers ------------------------------------------------------------------------

def test_albers_reference_point():
    x, y = Projection.albers(110.0, 35.0, **CONE)
    assert 440e3 < x < 460e3 and 3760e3 < y < 3780e3
    x54, y54 = Projection.albers(110.0, 35.0, **CONE, crs=1954)
    ratio = 6378245.0 / 6378137.0
    assert (x54 / x, y54 / y) == pytest.approx((ratio, ratio), rel=1e-15) and x54 > x
    shifted = Projection.albers(110.0, 35.0, originLatitude=10.0, **CONE)
    assert shifted[0] == x and shifted[1] < y
    assert Projection.albers(105.0, 10.0, originLatitude=10.0, **CONE) == (0.0, 0.0)
    assert Projection.albers(x=x, y=y, **CONE) == pytest.approx((110.0, 35.0), abs=1e-12)


def test_albers_single_standard_parallel():
    x, y = Projection.albers(110.0, 35.0, parallel1=30.0, parallel2=30.0)
    assert Projection.albers(x=x, y=y, parallel1=30.0, parallel2=30.0) == pytest.approx(
        (110.0, 35.0), abs=1e-12)


def test_albers_southern_cone_comes_back():
    # n < 0: the arc tangent takes the sign of n, so the longitude is not
    # off by pi / n (-201.97 for this point)
    cone = {"centralMeridian": 105.0, "parallel1": -25.0, "parallel2": -47.0}
    x, y = Projection.albers(110.0, -35.0, **cone)
    north = Projection.albers(110.0, 35.0, **CONE)
    assert (x, y) == (north[0], -north[1])
    assert Projection.albers(x=x, y=y, **cone) == pytest.approx((110.0, -35.0), abs=1e-12)


@pytest.mark.parametrize("crs", CODES)
def test_albers_against_spherical_aea(crs):
    pyproj = pytest.importorskip("pyproj")
    a = ref.A[crs]
    for lat0, p1, p2 in ((0.0, 25.0, 47.0), (30.0, 20.0, 50.0), (-10.0, -15.0, -40.0), (0.0, 60.0, 60.0)):
        t = pyproj.Transformer.from_crs(
            f"+proj=longlat +R={a}",
            f"+proj=aea +R={a} +lat_0={lat0} +lat_1={p1} +lat_2={p2} +lon_0=105", always_xy=True)
        cone = {"centralMeridian": 105, "originLatitude": lat0, "parallel1": p1, "parallel2": p2,
                "crs": crs}
        for lon in (-60.0, 73.0, 105.0, 135.5, 180.0):       # within 180 degrees of the meridian
            for lat in (-80.0, -20.0, 0.0, 35.0, 80.0):
                x, y = Projection.albers(lon, lat, **cone)
                assert (x, y) == pytest.approx(t.transform(lon, lat), abs=1e-6)
                assert (x, y) == ref.albers(lon, lat, 105, lat0, p1, p2, crs)
                back = Projection.albers(x=x, y=y, **cone)
                assert back == ref.albers_inverse(x, y, 105, lat0, p1, p2, crs)
                assert back == pytest.approx((lon, lat), abs=1e-9)


# --- Lambert -------------------------------------------------------------------

def test_lambert_reference_point():
    x, y = Projection.lambert(110.0, 35.0, **CONE)
    assert 25.6e6 < x < 25.8e6 and 233.4e6 < y < 233.6e6
    lon, lat = Projection.lambert(x=x, y=y, **CONE)
    assert lon == pytest.approx(110.0, abs=1e-12) and lat == pytest.approx(35.0, abs=1e-10)
    west = Projection.lambert(100.0, 35.0, **CONE)
    assert west == pytest.approx((-x, y), rel=1e-14)
    south = {"centralMeridian": 105.0, "parallel1": -25.0, "parallel2": -47.0}
    sx, sy = Projection.lambert(110.0, -35.0, **south)
    assert sx == x and sy == pytest.approx(-y, rel=1e-15)
    assert Projection.lambert(x=sx, y=sy, **south) == pytest.approx((110.0, -35.0), abs=1e-10)


def test_lambert_origin_and_apex():
    assert Projection.lambert(105.0, 30.0, originLatitude=30.0, **CONE) == (0.0, 0.0)
    x, y = Projection.lambert(105.0, 90.0, **CONE)
    assert (x, y) == (0.0, ref._lambert_cone(0.0, 25.0, 47.0, 2000)[4])   # (0, rF)
    # the apex maps back to the pole instead of dividing by zero
    assert Projection.lambert(x=0.0, y=y, **CONE) == pytest.approx((105.0, 90.0), abs=1e-12)


def test_lambert_far_from_the_meridian():
    # n is about 0.58 here: beyond some 155 degrees from the meridian the
    # cone angle passes 90 degrees and a one-argument arc tangent would put
    # the point on the other side
    for lon in (-179.0, -160.0, 170.0, 180.0):
        x, y = Projection.lambert(lon, 45.0)
        assert Projection.lambert(x=x, y=y) == pytest.approx((lon, 45.0), abs=1e-9)


def test_lambert_single_standard_parallel():
    pyproj = pytest.importorskip("pyproj")
    a, rf = ref.A[2000], 1 / ref.F[2000]
    t = pyproj.Transformer.from_crs(
        f"+proj=longlat +a={a} +rf={rf}",
        f"+proj=lcc +a={a} +rf={rf} +lat_1=30 +lat_0=30 +lon_0=105", always_xy=True)
    cone = {"centralMeridian": 105.0, "originLatitude": 30.0, "parallel1": 30.0, "parallel2": 30.0}
    x, y = Projection.lambert(110.0, 35.0, **cone)
    px, py = t.transform(110.0, 35.0)
    assert (x * UNIT, y * UNIT) == pytest.approx((px, py), abs=1e-6)
    assert Projection.lambert(x=x, y=y, **cone) == pytest.approx((110.0, 35.0), abs=1e-10)


@pytest.mark.parametrize("crs", CODES)
def test_lambert_against_lcc(crs):
    pyproj = pytest.importorskip("pyproj")
    a, rf = ref.A[crs], 1 / ref.F[crs]
    for lat0, p1, p2 in ((0.0, 25.0, 47.0), (30.0, 20.0, 50.0), (-20.0, -15.0, -40.0)):
        t = pyproj.Transformer.from_crs(
            f"+proj=longlat +a={a} +rf={rf}",
            f"+proj=lcc +a={a} +rf={rf} +lat_0={lat0} +lat_1={p1} +lat_2={p2} +lon_0=105",
            always_xy=True)
        cone = {"centralMeridian": 105, "originLatitude": lat0, "parallel1": p1, "parallel2": p2,
                "crs": crs}
        for lon in (-60.0, 73.0, 105.0, 135.5, 180.0):       # within 180 degrees of the meridian
            for lat in (-60.0, -20.0, 0.0, 35.0, 60.0):
                x, y = Projection.lambert(lon, lat, **cone)
                px, py = t.transform(lon, lat)
                assert (x * UNIT, y * UNIT) == pytest.approx((px, py), abs=1e-6)
                assert (x, y) == ref.lambert(lon, lat, 105, lat0, p1, p2, crs)
                back = Projection.lambert(x=x, y=y, **cone)
                assert back == ref.lambert_inverse(x, y, 105, lat0, p1, p2, crs)
                assert back == pytest.approx((lon, lat), abs=1e-9)


# --- the conic methods across the antimeridian ---------------------------------------

def wrapped(longitude):
    if longitude > 180:
        return longitude - 360
    return longitude + 360 if longitude < -180 else longitude


def conic_reference(method, cone, crs=2000):
    """pyproj's transformer of the same cone, and the factor to its metres."""
    pyproj = pytest.importorskip("pyproj")
    a, rf = ref.A[crs], 1 / ref.F[crs]
    earth, name, unit = ((f"+R={a}", "aea", 1.0) if method == "albers"
                         else (f"+a={a} +rf={rf}", "lcc", UNIT))
    t = pyproj.Transformer.from_crs(
        f"+proj=longlat {earth}",
        f"+proj={name} {earth} +lon_0={cone['centralMeridian']} +lat_1={cone['parallel1']} "
        f"+lat_2={cone['parallel2']}", always_xy=True)
    return t, unit


@pytest.mark.parametrize("method", ["albers", "lambert"])
@pytest.mark.parametrize("cm, offset", [
    (175.0, 7.0), (-175.0, 7.0), (180.0, 7.0), (-180.0, 7.0), (179.5, 1.0), (10.0, 175.0),
])
def test_conic_across_the_antimeridian(method, cm, offset):
    # A point `offset` degrees east of the meridian mirrors the point as far
    # west, whichever of them lies across 180; the inverse longitude is
    # back in range.
    f = getattr(Projection, method)
    cone = {"centralMeridian": cm, "parallel1": 40.0, "parallel2": 60.0}
    t, unit = conic_reference(method, cone)
    east, west = wrapped(cm + offset), wrapped(cm - offset)
    for lat in (-20.0, 50.0, 80.0):
        xe, ye = f(east, lat, **cone)
        xw, yw = f(west, lat, **cone)
        assert (xe, ye) == pytest.approx((-xw, yw), rel=1e-13)
        for lon, (x, y) in ((east, (xe, ye)), (west, (xw, yw))):
            assert (x * unit, y * unit) == pytest.approx(t.transform(lon, lat), abs=1e-6)
            back_lon, back_lat = f(x=x, y=y, **cone)
            assert -180 <= back_lon <= 180
            assert (back_lon, back_lat) == pytest.approx((lon, lat), abs=1e-9)


# Values the methods gave before longitudes across 180 were taken round:
# every difference within [-180, 180) (-180 itself included) is unchanged.
@pytest.mark.parametrize("method, lon, lat, cone, forward, back", [
    ("albers", 110.0, 35.0, {"centralMeridian": 105.0, "parallel1": 25.0, "parallel2": 47.0},
     (447583.8035068788, 3766052.927296595), (110.0, 35.00000000000001)),
    ("albers", -180.0, 10.0, {"centralMeridian": 0.0},
     (-11734918.31219294, 14944018.79261503), (-180.0, 10.000000000000005)),
    ("albers", 179.5, -20.0, {"centralMeridian": 0.5, "originLatitude": -10.0, "crs": 1954},
     (14558943.522542635, 16234543.134819116), (179.5, -19.999999999999982)),
    ("albers", 0.0, 0.0,
     {"centralMeridian": -179.0, "originLatitude": 20.0, "parallel1": 25.0, "parallel2": 47.0},
     (12309483.963874092, 13475951.934553847), (0.0, -2.2049441632554814e-14)),
    ("albers", -30.0, -45.0,
     {"centralMeridian": -40.0, "parallel1": -25.0, "parallel2": -47.0, "crs": 1980},
     (780378.9109216229, -4924631.739977147), (-29.999999999999996, -44.99999999999999)),
    ("albers", -5.0, 60.0, {"centralMeridian": 175.0, "parallel1": 40.0, "parallel2": 60.0},
     (-2947455.679004924, 13578616.43383787), (-4.999999999999943, 59.99999999999999)),
    ("lambert", 110.0, 35.0, {"centralMeridian": 105.0, "parallel1": 25.0, "parallel2": 47.0},
     (25667467.89482938, 233469385.56812567), (110.0, 34.999999999925755)),
    ("lambert", -180.0, 10.0, {"centralMeridian": 0.0},
     (-636037983.9283386, 891193702.913412), (-180.0, 9.999999999883325)),
    ("lambert", 179.5, -20.0, {"centralMeridian": 0.5, "originLatitude": -10.0, "crs": 1954},
     (866565994.2666198, 1018803384.20299), (179.5, -19.999999999848978)),
    ("lambert", -60.0, 80.0,
     {"centralMeridian": 105.0, "parallel1": 30.0, "parallel2": 60.0, "crs": 1984},
     (-101418026.51666147, 708284825.7304914), (-60.00000000000001, 79.99999999999943)),
    ("lambert", -30.0, -45.0,
     {"centralMeridian": -40.0, "parallel1": -25.0, "parallel2": -47.0, "crs": 1980},
     (44807826.29387627, -297792893.41101134), (-29.999999999999996, -44.99999999997552)),
    ("lambert", -5.0, 60.0, {"centralMeridian": 175.0, "parallel1": 40.0, "parallel2": 60.0},
     (-157271050.9387812, 831367397.7134748), (-4.999999999999995, 59.99999999999866)),
])
def test_conic_values_within_half_a_turn_unchanged(method, lon, lat, cone, forward, back):
    f = getattr(Projection, method)
    assert f(lon, lat, **cone) == forward
    assert f(x=forward[0], y=forward[1], **cone) == back


# --- checks of the conic methods ----------------------------------------------------

@pytest.mark.parametrize("method", [Projection.albers, Projection.lambert])
@pytest.mark.parametrize("kwargs, error, message", [
    ({"crs": 4326}, Exception, "Invalid [crs] parameter."),
    ({"crs": 4326, "centralMeridian": 200}, Exception, "Invalid [crs] parameter."),
    ({}, Exception, "Invalid parameter."),
    ({"longitude": 1.0}, Exception, "Invalid parameter."),
    ({"centralMeridian": 200, "originLatitude": 100}, Exception,
     LON_RANGE.format(200.0).replace("longitude", "centralMeridian")),
    ({"originLatitude": -90.5, "parallel1": 100}, Exception, LAT_RANGE.format("originLatitude", -90.5)),
    ({"parallel1": math.nan}, Exception, LAT_RANGE.format("parallel1", math.nan)),
    ({"parallel2": 91}, Exception, LAT_RANGE.format("parallel2", 91.0)),
    # the cone fails before the direction is chosen
    ({"parallel1": 20.0, "parallel2": -20.0}, ZeroDivisionError, "float division by zero"),
    ({"longitude": 180.5, "latitude": 0.0}, Exception, LON_RANGE.format(180.5)),
    ({"longitude": 0.0, "latitude": -91.0}, Exception, LAT_RANGE.format("latitude", -91.0)),
    ({"longitude": 1, "latitude": 0.0}, TypeError,
     "Argument 'longitude' has incorrect type (expected float, got int)"),
    ({"centralMeridian": "1"}, TypeError, "must be real number, not str"),
    ({"crs": True}, TypeError, "Argument 'crs' has incorrect type (expected int, got bool)"),
])
def test_conic_errors(method, kwargs, error, message):
    raises(error, message, method, **kwargs)


@pytest.mark.parametrize("method", [Projection.albers, Projection.lambert])
def test_conic_bounds_are_inclusive(method):
    for lon in (-180.0, 180.0):
        for lat in (-90.0, 90.0):
            point = method(lon, lat, centralMeridian=180, originLatitude=-90, parallel2=90.0 * (
                method is Projection.albers))
            assert all(map(math.isfinite, point))


@pytest.mark.parametrize("kwargs, error", [
    ({"x": 1e9, "y": 0.0}, ValueError),                          # albers: asin beyond 1
])
def test_albers_arithmetic_errors(kwargs, error):
    raises(error, "math domain error", Projection.albers, **kwargs)


@pytest.mark.parametrize("kwargs, error, message", [
    ({"parallel1": 90.0}, ValueError, "math domain error"),
    ({"parallel1": -25.0, "parallel2": -47.0, "longitude": 0.0, "latitude": 90.0},
     ValueError, "math domain error"),
    ({"parallel1": 0.0, "parallel2": 0.0}, ZeroDivisionError, "float division by zero"),
])
def test_lambert_arithmetic_errors(kwargs, error, message):
    raises(error, message, Projection.lambert, **kwargs)



class Scaled(Projection):
    """A class of its own table: every method reads cls.datum when it runs."""
    datum = {code: Projection.CRS(2 * crs.a, crs.f, crs.name, crs.spheroid, crs.datum)
             for code, crs in Projection.datum.items() if type(code) is int}


class OnlyWgs(Projection):
    datum = {1984: Projection.datum[1984]}


@pytest.mark.parametrize("name, kwargs, missing", [
    ("webMercator", {"longitude": 116.3, "latitude": 39.9}, None),
    ("albers", {"longitude": 110.0, "latitude": 35.0, **CONE}, Exception),
    ("lambert", {"longitude": 110.0, "latitude": 35.0, **CONE}, Exception),
    ("gaussKruger", {"centralMeridian": 117.0, "longitude": 114.5, "latitude": 30.0}, KeyError),
])
def test_reference_table_is_read_from_the_class(name, kwargs, missing):
    x, y = getattr(Projection, name)(**kwargs)
    sx, sy = getattr(Scaled, name)(**kwargs)
    if name == "gaussKruger":
        x, sx = x - ZONE20, sx - ZONE20
    assert (sx, sy) == pytest.approx((2 * x, 2 * y), rel=1e-15)
    if missing is None:
        assert getattr(OnlyWgs, name)(**kwargs) == (x, y)
    else:
        # the conic methods test membership; Gauss-Kruger looks the record up
        with pytest.raises(missing) as info:
            getattr(OnlyWgs, name)(**kwargs)
        assert type(info.value) is missing


class ZeroAxis(Projection):
    """A table whose semi-major axes are 0: the inverses divide by them."""
    datum = {code: Projection.CRS(0.0, crs.f, crs.name, crs.spheroid, crs.datum)
             for code, crs in Projection.datum.items() if type(code) is int}


@pytest.mark.parametrize("name, kwargs", [
    ("webMercator", {"x": 1.0, "y": 1.0}),
    ("albers", {"x": 1.0, "y": 1.0}),
    ("lambert", {"x": 1.0, "y": 1.0}),
    ("gaussKruger", {"x": 1.0, "y": 20500000.0}),
])
def test_inverse_on_a_zero_axis_fails_as_division(name, kwargs):
    raises(ZeroDivisionError, "float division by zero", getattr(ZeroAxis, name), **kwargs)
