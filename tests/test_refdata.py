"""Projection.CRS and Projection.datum."""
import dataclasses

import pytest

from models.orbalt import Projection, ProjectionHelper

ROWS = [
    ((1954, "beijing", "peking", "beijing1954"), 6378245.0, 298.3,
     "1954 Beijing coordinate system", "Krassowsky 1940", "Krassowsky_1940"),
    ((1980, "xian", "xi'an", "xi an", "xian1980"), 6378140.0, 298.257,
     "1980 Xi'an coordinate system", "IAG 1975", "IAG_1975"),
    ((1984, "wgs", "wgs84", "wgs1984"), 6378137.0, 298.257223563,
     "1984 International geodetic coordinate system", "WGS 84", "WGS_1984"),
    ((2000, "cgcs", "cgcs2000"), 6378137.0, 298.257222101,
     "2000 National coordinate system", "GRS 1980", "GRS_1980"),
]


def test_keys_in_order():
    assert list(Projection.datum) == [k for row in ROWS for k in row[0]]
    assert type(Projection.datum) is dict


@pytest.mark.parametrize("keys, a, inverse_f, name, spheroid, datum", ROWS)
def test_rows(keys, a, inverse_f, name, spheroid, datum):
    records = {id(Projection.datum[k]) for k in keys}
    assert len(records) == 1
    record = Projection.datum[keys[0]]
    assert type(record.a) is float and record.a == a
    assert record.f == 1.0 / inverse_f
    assert (record.name, record.spheroid, record.datum) == (name, spheroid, datum)


def test_records_are_distinct():
    assert Projection.datum[1984] is not Projection.datum[2000]
    assert Projection.datum[1984].a == Projection.datum[2000].a
    assert len({id(v) for v in Projection.datum.values()}) == 4


def test_record_text_and_class():
    assert repr(Projection.datum[2000]) == (
        "Projection.CRS(a=6378137.0, f=0.003352810681182319, "
        "name='2000 National coordinate system', spheroid='GRS 1980', datum='GRS_1980')")
    crs = Projection.CRS
    assert crs.__qualname__ == "Projection.CRS" and crs.__module__ == "models.orbalt"
    assert crs.__annotations__ == {"a": "float", "f": "float", "name": "str",
                                   "spheroid": "str", "datum": "str"}
    assert dataclasses.is_dataclass(crs)
    assert crs.__match_args__ == ("a", "f", "name", "spheroid", "datum")
    assert crs.__doc__
    assert crs.__bases__ == (object,)


def test_record_behaviour():
    a = Projection.CRS(1, 2, "n", "s", "d")
    b = Projection.CRS(a=1, f=2, name="n", spheroid="s", datum="d")
    assert a == b and a.a == 1          # stored as given, no conversion
    assert (a == (1, 2, "n", "s", "d")) is False
    with pytest.raises(TypeError):
        hash(a)
    with pytest.raises(TypeError):
        Projection.CRS(1, 2, "n", "s")
    a.a = 5
    assert a.a == 5


@pytest.mark.parametrize("key", ["WGS84", "Beijing", 2001, "2000"])
def test_unknown_keys(key):
    assert key not in Projection.datum
    with pytest.raises(KeyError):
        Projection.datum[key]


def test_shared_with_the_helper():
    assert ProjectionHelper.datum is Projection.datum
    assert ProjectionHelper.CRS is Projection.CRS
    assert Projection.__annotations__ == {"datum": "dict[int | str, CRS]"}
    assert ProjectionHelper.__annotations__ == {}
