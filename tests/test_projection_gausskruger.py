"""Projection.gaussKruger both ways: series, zone numbers, checks and references."""
import math

import pytest

import measure_support
import projection_reference as ref
from models.orbalt import Projection

gk = Projection.gaussKruger
CODES = [1954, 1980, 1984, 2000]
ZONE20 = 20 * 1000000.0 + 500000.0
CM_RANGE = "Invalid [centralMeridian: {}] parameter. Should be between -180 and +180."


def test_meridian_point_is_exact():
    assert gk(117.0, longitude=117.0, latitude=0.0) == (ZONE20, 0.0)


def test_zone_number_follows_the_given_meridian():
    west = gk(117.0, longitude=114.5, latitude=30.0)
    assert ZONE20 - 242000 < west[0] < ZONE20 - 241000
    assert 3322000 < west[1] < 3324000
    # 120.5 lies in the next zone but is projected about 117.0: zone 20
    east, far_west = gk(117.0, longitude=120.5, latitude=30.0), gk(117.0, longitude=113.5, latitude=30.0)
    assert east[0] - ZONE20 == pytest.approx(ZONE20 - far_west[0], abs=1e-8)
    assert east[1] == far_west[1]


@pytest.mark.parametrize("longitude, latitude, meridian, zone", [
    (114.0, 30.0, 117.0, 20),
    (120.0, 30.0, 123.0, 21),      # the boundary belongs to the eastern zone
    (-3.0, 0.0, -3.0, 30),
    (0.0, 0.0, 3.0, 1),            # zone number from the derived meridian
    (179.0, 10.0, 177.0, 30),
    (180.0, 10.0, -177.0, 1),
    (-180.0, 10.0, -177.0, 1),
])
def test_derived_meridian(longitude, latitude, meridian, zone):
    derived = gk(longitude=longitude, latitude=latitude)
    given = gk(meridian, longitude=longitude, latitude=latitude)
    assert derived == given
    assert math.floor(derived[0] / 1000000) == zone


def test_next_zone_adds_a_million():
    assert gk(longitude=120.0, latitude=30.0) == (gk(longitude=114.0, latitude=30.0)[0] + 1000000.0,
                                                   gk(longitude=114.0, latitude=30.0)[1])


def test_antimeridian_is_one_point():
    # The longitude difference is reduced into [-180, 180): 180 and -180 are
    # the same meridian, 3 degrees west of -177.
    assert gk(longitude=180.0, latitude=40.0) == gk(longitude=-180.0, latitude=40.0)
    assert gk(-177.0, longitude=180.0, latitude=40.0) == gk(-177.0, longitude=-180.0, latitude=40.0)
    easting, northing = gk(177.0, longitude=-179.0, latitude=40.0)
    mirror = gk(177.0, longitude=173.0, latitude=40.0)
    assert easting == pytest.approx(2 * (30 * 1000000.0 + 500000.0) - mirror[0], abs=1e-7)
    assert northing == mirror[1]


@pytest.mark.parametrize("kwargs, result", [
    ({"x": 0.0, "y": ZONE20}, (117.0, 0.0)),
    ({"x": 0.0, "y": 39 * 1000000.0 + 500000.0}, (117.0, 0.0)),   # above 30: 3-degree zones
    ({"centralMeridian": 111.0, "x": 0.0, "y": ZONE20}, (111.0, 0.0)),
    ({"x": 0.0, "y": ZONE20, "longitude": 1.0, "latitude": 1.0}, (117.0, 0.0)),
])
def test_inverse_exact_points(kwargs, result):
    assert gk(**kwargs) == result


@pytest.mark.parametrize("y, longitude", [(-1000.0, 116.991), (1000.0, 112.522)])
def test_inverse_easting_without_zone(y, longitude):
    # 0 or less is a natural easting; a positive value carries the false easting
    lon, lat = gk(117.0, x=0.0, y=y)
    assert lon == pytest.approx(longitude, abs=5e-4) and lat == 0.0


def test_inverse_of_forward():
    easting, northing = gk(117.0, longitude=114.5, latitude=30.0)
    lon, lat = gk(x=northing, y=easting)
    assert lon == pytest.approx(114.5, abs=1e-8) and lat == pytest.approx(30.0, abs=1e-8)


@pytest.mark.parametrize("crs", CODES)
def test_round_trip_without_meridian(crs):
    for lon in (0.5, 3.0, 59.99, 117.3, 135.0, 179.5):
        for lat in (-60.0, -45.5, -1.0, 0.0, 22.2, 45.0, 60.0):
            easting, northing = gk(longitude=lon, latitude=lat, crs=crs)
            back = gk(x=northing, y=easting, crs=crs)
            assert back == pytest.approx((lon, lat), abs=1e-8)


@pytest.mark.parametrize("crs", CODES)
def test_round_trip_west_needs_the_meridian(crs):
    for lon in (-179.5, -100.0, -3.0, -0.5):
        cm = Projection.centralMeridian(lon)
        easting, northing = gk(longitude=lon, latitude=35.0, crs=crs)
        assert gk(cm, x=northing, y=easting, crs=crs) == pytest.approx((lon, 35.0), abs=1e-8)


def transverse_mercator(cm, crs):
    """PROJ's exact transverse Mercator about cm on the code's spheroid, with
    the module's universal easting: lon, lat to easting, northing."""
    pyproj = pytest.importorskip("pyproj")
    a, rf = ref.A[crs], 1 / ref.F[crs]
    geographic = f"+proj=longlat +a={a} +rf={rf} +no_defs"
    zone = ref.gk_forward(cm, cm, 0.0, crs)[0] - 500000.0
    plane = (f"+proj=tmerc +lat_0=0 +lon_0={cm} +k=1 +x_0={zone + 500000.0} +y_0=0 "
             f"+a={a} +rf={rf} +no_defs")
    return pyproj.Transformer.from_crs(geographic, plane, always_xy=True)


@pytest.mark.parametrize("crs", CODES)
def test_against_transverse_mercator(crs):
    for cm in (3.0, 117.0, -177.0):
        t = transverse_mercator(cm, crs)
        for dl in (-3.0, -1.7, 0.0, 0.4, 2.9, 3.0):
            for lat in (-75.0, -30.0, 0.0, 18.5, 41.0, 66.6, 84.0):
                lon = cm + dl
                if lon > 180:
                    lon -= 360
                assert gk(cm, longitude=lon, latitude=lat, crs=crs) == pytest.approx(
                    t.transform(lon, lat), abs=1e-3)


# The series against the exact projection, by distance from the central
# meridian; the largest differences are on the equator.
SERIES_BOUNDS = [(3.0, 1e-4), (6.0, 0.012), (9.0, 0.2)]


@pytest.mark.parametrize("crs", CODES)
def test_series_accuracy(crs):
    cm = 117.0
    t = transverse_mercator(cm, crs)
    distance = measure_support.geodesic(crs)
    forward = {reach: 0.0 for reach, _ in SERIES_BOUNDS}
    inverse = 0.0
    for k in range(-36, 37):
        dl = k / 4
        for lat in [0.0] + [sign * (1 + 6 * j) for j in range(14) for sign in (1, -1)]:
            easting, northing = t.transform(cm + dl, lat)
            got = gk(cm, longitude=cm + dl, latitude=float(lat), crs=crs)
            miss = math.hypot(got[0] - easting, got[1] - northing)
            reach = next(r for r, _ in SERIES_BOUNDS if abs(dl) <= r)
            forward[reach] = max(forward[reach], miss)
            if abs(dl) <= 3:
                lon, back = gk(cm, x=northing, y=easting, crs=crs)
                inverse = max(inverse, distance.Inverse(lat, cm + dl, back, lon)["s12"])
    for reach, bound in SERIES_BOUNDS:
        assert forward[reach] <= bound, (reach, forward[reach])
    assert inverse <= 4e-4


@pytest.mark.parametrize("crs", CODES)
def test_bit_for_bit(crs):
    for cm in (-177.0, -3.0, 0.0, 3.0, 117.0, 177.0):
        for dl in (-3.0, -0.25, 0.0, 1.1, 3.0, 7.5):
            for lat in (-89.0, -30.5, 0.0, 12.3, 45.0, 89.9):
                lon = max(-180.0, min(180.0, cm + dl))
                forward = gk(cm, longitude=lon, latitude=lat, crs=crs)
                assert forward == ref.gk_forward(cm, lon, lat, crs)
                if cm != 0.0:
                    assert gk(cm, x=forward[1], y=forward[0], crs=crs) == ref.gk_inverse(
                        cm, forward[1], forward[0], crs)


class Fixed(Projection):
    @classmethod
    def centralMeridian(cls, longitude=None, zone=None, zoneCode=6):
        return 111.0


def test_forward_reaches_meridian_through_the_class():
    assert Fixed.gaussKruger(longitude=114.0, latitude=30.0) == gk(111.0, longitude=114.0, latitude=30.0)


@pytest.mark.parametrize("kwargs, error, message", [
    ({"crs": 0}, Exception, "Invalid [crs] parameter."),
    ({"crs": 4326, "x": 0.0, "y": ZONE20}, Exception, "Invalid [crs] parameter."),
    ({"crs": 10 ** 30}, Exception, "Invalid [crs] parameter."),
    ({}, Exception, "Invalid parameter."),
    ({"x": 0.0, "longitude": 1.0}, Exception, "Invalid parameter."),
    # inverse
    ({"x": 0.0, "y": 500000.0}, Exception, "Invalid [y] parameter."),
    ({"x": 0.0, "y": 61 * 1000000.0 + 500000.0}, Exception, CM_RANGE.format(183.0)),
    ({"x": 0.0, "y": 1e300}, Exception, CM_RANGE.format(float(math.floor(1e300 / 1000000) * 3))),
    ({"centralMeridian": 190.0, "x": 0.0, "y": ZONE20}, Exception, CM_RANGE.format(190.0)),
    ({"centralMeridian": math.nan, "x": 0.0, "y": ZONE20}, Exception, CM_RANGE.format(math.nan)),
    ({"centralMeridian": 117.0, "x": math.nan, "y": ZONE20}, Exception, "Invalid [x] parameter."),
    ({"centralMeridian": 117.0, "x": 0.0, "y": math.nan}, Exception, "Invalid [y] parameter."),
    ({"centralMeridian": 117.0, "x": 0.0, "y": -math.inf}, Exception, "Invalid [y] parameter."),
    ({"x": math.nan, "y": math.nan}, Exception, "Invalid [x] parameter."),
    # the footpoint iteration alternates between neighbouring doubles here
    ({"centralMeridian": 117.0, "x": 6.9e12, "y": ZONE20}, Exception, "Invalid [x] parameter."),
    ({"centralMeridian": 117.0, "x": -1955967767888.6025, "y": ZONE20}, Exception,
     "Invalid [x] parameter."),
    ({"x": 0.0, "y": math.inf}, OverflowError, "cannot convert float infinity to integer"),
    ({"centralMeridian": 117.0, "x": math.inf, "y": ZONE20}, ValueError, "math domain error"),
    # forward
    ({"longitude": 200.0, "latitude": 0.0}, Exception,
     "Invalid [longitude: 200.0] parameter. Should be between -180 and +180."),
    ({"centralMeridian": 117.0, "longitude": 200.0, "latitude": 0.0}, Exception,
     "Invalid [longitude: 200.0] parameter. Should be between -180 and +180."),
    ({"centralMeridian": 117.0, "longitude": 117.0, "latitude": 91.0}, Exception,
     "Invalid [latitude: 91.0] parameter. Should be between -90 and +90."),
    ({"centralMeridian": 181.0, "longitude": 200.0, "latitude": 91.0}, Exception, CM_RANGE.format(181.0)),
    ({"centralMeridian": math.inf, "longitude": 1.0, "latitude": 1.0}, OverflowError,
     "cannot convert float infinity to integer"),
    ({"longitude": 117, "latitude": 1.0}, TypeError,
     "Argument 'longitude' has incorrect type (expected float, got int)"),
])
def test_errors(kwargs, error, message):
    with pytest.raises(error) as info:
        gk(**kwargs)
    assert type(info.value) is error and str(info.value) == message


@pytest.mark.parametrize("x", [1e11, -1e11, 1e12, 40e6])
def test_large_northings_still_converge(x):
    # the step bound leaves room for every northing the iteration can settle
    lon, lat = gk(117.0, x=x, y=ZONE20)
    assert lon == 117.0 and math.isfinite(lat)
