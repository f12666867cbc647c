"""Topology.build: the summary by type, the label point search of polygons
(checked step by step against a model of the search and against shapely's
polylabel; where the model's label lies outside a small polygon, against
shapely's containment test and inscribed circle), the halfway walk of lines,
in-place measuring and the messages."""
import ast
import copy
import heapq
import math
import random

import pytest
import shapely
import shapely.geometry
from shapely.ops import polylabel

from measure_support import square
from thin_polygons import river, thin_annulus, thin_arc
from hostile_support import run_call, run_case
from models.orbalt import Topology

SQRT2 = 1.4142135623730951


def ring(*points):
    return [list(p) for p in points] + [list(points[0])]


# --- a model of the search, for exact comparison --------------------------------

class ModelCell:
    def __init__(self, x, y, h, polygon, inside_of):
        self.x, self.y, self.h = x, y, h
        self.centroid = shapely.geometry.Point(x, y)
        inside = inside_of(polygon, self.centroid)
        distance = self.centroid.distance(polygon.exterior)
        for interior in polygon.interiors:
            d = self.centroid.distance(interior)
            if d < distance:
                distance = d
        self.distance = distance * (1 if inside else -1)
        self.max_distance = self.distance + h * SQRT2

    def __lt__(self, other):
        return self.max_distance > other.max_distance


def contained(polygon, point):
    return polygon.contains(point)


def model_label(rings, inside_always=False, tolerance=1.0, inside_of=contained):
    if inside_always:
        inside_of = lambda polygon, point: True  # noqa: E731
    polygon = shapely.geometry.shape({"type": "Polygon", "coordinates": rings})
    west, south, east, north = polygon.bounds
    width, height = east - west, north - south
    size = height if height < width else width
    h = size / 2.0
    queue = []
    x, y = polygon.centroid.coords[0]
    best = ModelCell(x, y, 0, polygon, inside_of)
    box = ModelCell(west + width / 2, south + height / 2, 0, polygon, inside_of)
    if box.distance > best.distance:
        best = box
    x = west
    while x < east:
        y = south
        while y < north:
            heapq.heappush(queue, ModelCell(x + h, y + h, h, polygon, inside_of))
            y += size
        x += size
    while queue:
        cell = heapq.heappop(queue)
        if cell.distance > best.distance:
            best = cell
        if cell.max_distance - best.distance <= tolerance:
            continue
        q = cell.h / 2.0
        for dx, dy in ((-q, -q), (q, -q), (-q, q), (q, q)):
            heapq.heappush(queue, ModelCell(cell.x + dx, cell.y + dy, q, polygon, inside_of))
    xs, ys = best.centroid.xy
    return {"x": xs[0], "y": ys[0]}


# Shapes with many equal bounds (symmetry), holes, concave outlines, a
# centroid outside the polygon, and sizes from under a unit to hundreds.
SHAPES = {
    "square": [square(0, 0, 2)],
    "rectangle": [square(0, 0, 4)[:1] + [[4, 0], [4, 2], [0, 2], [0, 0]]],
    "big square": [square(0, 0, 64)],
    "long strip": [[[0, 0], [37, 0], [37, 3], [0, 3], [0, 0]]],
    "square with hole": [square(0, 0, 40), square(10, 10, 20)],
    "off-centre holes": [square(0, 0, 50), square(5, 5, 10), square(30, 28, 12)],
    "C shape": [ring((0, 0), (30, 0), (30, 6), (6, 6), (6, 24), (30, 24), (30, 30), (0, 30))],
    "L shape": [ring((0, 0), (40, 0), (40, 10), (10, 10), (10, 40), (0, 40))],
    "star": [ring((0, 30), (8, 8), (30, 0), (8, -8), (0, -30), (-8, -8), (-30, 0), (-8, 8))],
    "degrees": [ring((116.1, 39.8), (116.6, 39.8), (116.6, 40.1), (116.3, 39.95), (116.1, 40.1))],
    "buffered line": [list(map(list, shapely.LineString(
        [(0, 0), (50, 200), (100, 100), (20, 50), (-100, -20), (-150, -200)]).buffer(30).exterior.coords))],
}


@pytest.mark.parametrize("name", SHAPES)
def test_label_point_follows_the_search_exactly(name):
    rings = SHAPES[name]
    result = Topology.build([[list(map(float, v)) for v in r] for r in rings])
    assert result["centroid"] == model_label(rings)


@pytest.mark.parametrize("name", ["C shape", "L shape", "star", "square with hole",
                                  "off-centre holes", "buffered line"])
def test_label_point_is_as_deep_inside_as_polylabel(name):
    rings = SHAPES[name]
    polygon = shapely.geometry.shape({"type": "Polygon", "coordinates": rings})
    label = Topology.build(rings)["centroid"]
    point = shapely.Point(label["x"], label["y"])
    assert polygon.contains(point)
    depth = polygon.boundary.distance(point)
    reference = polygon.boundary.distance(polylabel(polygon, 1.0))
    # Both searches stop within the tolerance 1.0 of the deepest point.
    assert depth >= reference - 1.0


def test_a_centroid_outside_loses_to_a_centre_inside():
    rings = SHAPES["C shape"]
    polygon = shapely.geometry.shape({"type": "Polygon", "coordinates": rings})
    assert not polygon.contains(polygon.centroid)
    label = Topology.build(rings)["centroid"]
    assert polygon.contains(shapely.Point(label["x"], label["y"]))


def refuse(a, b, **kwargs):
    raise shapely.errors.GEOSException("TopologyException: side location conflict")


def test_a_failing_containment_test_counts_the_centre_inside(monkeypatch):
    rings = SHAPES["C shape"]
    expected = model_label(rings, inside_always=True)
    assert expected != model_label(rings)
    monkeypatch.setattr(shapely, "contains", refuse)
    assert Topology.build(rings)["centroid"] == expected


def test_a_sliver_is_labelled_without_a_grid_of_a_billion_squares():
    # 1 long and 1e-9 wide: squares of the short side would need 1e9 cells.
    sliver = [[[0.0, 0.0], [1.0, 0.0], [1.0, 1e-9], [0.0, 1e-9], [0.0, 0.0]]]
    label = Topology.build(sliver)["centroid"]
    assert 0.0 <= label["x"] <= 1.0 and 0.0 <= label["y"] <= 1e-9


def test_a_search_that_cannot_meet_its_tolerance_ends():
    # 1e20 long and some 2,000 wide, searched to 1.0: meeting the tolerance
    # would take cells without number, so the search stops at its bound.
    triangle = [[[1984, 10**20], [1, 8.5], [2, 180.0]]]
    label = Topology.build(triangle)["centroid"]
    assert 1 <= label["x"] <= 1984 and 8.5 <= label["y"] <= 10**20


def test_an_interrupt_in_the_containment_test_is_not_swallowed(monkeypatch):
    def interrupt(a, b, **kwargs):
        raise KeyboardInterrupt

    monkeypatch.setattr(shapely, "contains", interrupt)
    with pytest.raises(KeyboardInterrupt):
        Topology.build(SHAPES["C shape"])


def test_only_the_centres_whose_containment_fails_count_inside(monkeypatch):
    # A test that fails for some centres only: the others keep their sign.
    contains = shapely.contains

    def refuse_some(a, b, **kwargs):
        if not isinstance(b, shapely.Point) or b.x < 15:
            raise shapely.errors.GEOSException("refused")
        return contains(a, b, **kwargs)

    def west_inside(polygon, point):
        return True if point.x < 15 else polygon.contains(point)

    rings = SHAPES["C shape"]
    expected = model_label(rings, inside_of=west_inside)
    assert expected not in (model_label(rings), model_label(rings, inside_always=True))
    monkeypatch.setattr(shapely, "contains", refuse_some)
    assert Topology.build(rings)["centroid"] == expected


@pytest.mark.parametrize("rings", [
    [[[0, 0], [1, 0], [3, 0], [0, 0]]],  # all vertices on one east-west line
    [[[0, 0], [0, 1], [0, 3], [0, 0]]],  # all vertices on one north-south line
])
def test_a_flat_polygon_is_labelled_by_its_seeds(rings):
    # No covering grid; both seeds lie on the outline (-0.0), so the
    # centroid seed stays.
    polygon = shapely.geometry.shape({"type": "Polygon", "coordinates": rings})
    x, y = polygon.centroid.coords[0]
    result = Topology.build(rings)
    assert result["centroid"] == {"x": x, "y": y}
    assert result["area"] == 0.0


# --- polygons narrower than the tolerance ----------------------------------------

def box_ring(w, s, e, n):
    return [[w, s], [e, s], [e, n], [w, n], [w, s]]


# The reproducers: labels the plain search puts in a hole or beside the polygon.
SQUARE_RING = [box_ring(0, 0, 0.5, 0.5), box_ring(0.1, 0.1, 0.4, 0.4)]
THIN_C = [ring((0, 0), (0.6, 0), (0.6, 0.1), (0.1, 0.1), (0.1, 0.5), (0.6, 0.5), (0.6, 0.6),
               (0, 0.6))]
PARCEL = [ring((116.391, 39.901), (116.397, 39.9012), (116.3968, 39.9049), (116.3912, 39.9046))]


def largest_part(value):
    parts = value["coordinates"] if isinstance(value, dict) else [value]
    return max(parts, key=lambda rings: shapely.geometry.shape(
        {"type": "Polygon", "coordinates": rings}).area)


def assert_deep_inside(rings, label):
    # Inside, and at least half as deep as the deepest point: the search
    # goes on until no cell may hold a point twice as deep as its label.
    polygon = shapely.geometry.shape({"type": "Polygon", "coordinates": rings})
    point = shapely.Point(label["x"], label["y"])
    assert polygon.contains(point), label
    circle = shapely.maximum_inscribed_circle(polygon, tolerance=polygon.length * 1e-6)
    assert polygon.boundary.distance(point) >= 0.5 * circle.length, label


@pytest.mark.parametrize("value, plain", [
    (SQUARE_RING, {"x": 0.24999999999999994, "y": 0.24999999999999994}),  # in the hole
    (THIN_C, {"x": 0.23750000000000002, "y": 0.3000000000000001}),  # in the gap of the C
    # over a unit across, with arms under a unit
    ([ring((0, 0), (4, 0), (4, 0.3), (0.3, 0.3), (0.3, 3.7), (4, 3.7), (4, 4), (0, 4))],
     {"x": 0.5, "y": 2.5}),
    # the largest part of a multipolygon
    ({"type": "MultiPolygon", "coordinates": [SQUARE_RING, [ring((2, 2), (2.1, 2), (2, 2.1))]]},
     {"x": 0.24999999999999994, "y": 0.24999999999999994}),
])
def test_a_label_outside_a_small_polygon_is_searched_for_inside(value, plain):
    rings = largest_part(value)
    polygon = shapely.geometry.shape({"type": "Polygon", "coordinates": rings})
    assert model_label(rings) == plain
    assert not polygon.contains(shapely.Point(plain["x"], plain["y"]))
    assert_deep_inside(rings, Topology.build(copy.deepcopy(value))["centroid"])


# Labels the plain search puts inside stay to the last bit, from a polygon a
# few thousandths of a degree across to hundreds of units.
@pytest.mark.parametrize("value, label", [
    (PARCEL, {"x": 116.39401552511416, "y": 39.90290469217447}),
    ({"type": "MultiPolygon",
      "coordinates": [PARCEL, [ring((116.4, 39.9), (116.401, 39.9), (116.4, 39.901))]]},
     {"x": 116.39401552511416, "y": 39.90290469217447}),
    ([box_ring(10.0, 50.0, 10.4, 50.3), box_ring(10.25, 50.05, 10.35, 50.25)],
     {"x": 10.149999999999999, "y": 50.15}),
    ([ring((0, 0), (3, 0), (3, 0.9), (0.9, 0.9), (0.9, 2.1), (3, 2.1), (3, 3), (0, 3))],
     {"x": 0.375, "y": 1.125}),
    ([box_ring(0, 0, 120, 120), box_ring(10, 10, 110, 110)], {"x": 114.375, "y": 5.625}),
    ([ring((0, 350), (90, 90), (350, 0), (90, -90), (0, -350), (-90, -90), (-350, 0), (-90, 90)),
      ring((-40, -40), (40, -40), (40, 40), (-40, 40))],
     {"x": -116.89453125, "y": 0.68359375}),
])
def test_a_label_inside_stays_as_it_was(value, label):
    result = Topology.build(copy.deepcopy(value))["centroid"]
    assert (repr(result["x"]), repr(result["y"])) == (repr(label["x"]), repr(label["y"]))


def random_small_polygons(seed=22):
    """Star-shaped polygons 0.05 to 0.8 across, every other one with a hole,
    and C shapes of the same sizes with arms of many widths."""
    rng = random.Random(seed)
    polygons = []
    for i in range(160):
        radius = rng.uniform(0.05, 0.8) / 2
        cx, cy = rng.uniform(-179, 179), rng.uniform(-80, 80)
        n = rng.randint(5, 16)
        # one vertex in each of n equal sectors: the centre sees every edge
        angles = [2 * math.pi * (k + rng.random()) / n for k in range(n)]
        rho = [rng.uniform(0.25, 1) * radius for _ in angles]
        shell = [[cx + r * math.cos(a), cy + r * math.sin(a)] for r, a in zip(rho, angles)]
        rings = [shell + [shell[0]]]
        if i % 2:
            clear = shapely.Polygon(shell).exterior.distance(shapely.Point(cx, cy))
            r, m = rng.uniform(0.3, 0.8) * clear, rng.randint(3, 8)
            hole = [[cx + r * math.cos(2 * math.pi * k / m), cy + r * math.sin(2 * math.pi * k / m)]
                    for k in range(m)]
            rings.append(hole + [hole[0]])
        polygons.append(rings)
    for _ in range(40):
        s, t = rng.uniform(0.05, 0.8), rng.uniform(0.08, 0.35)
        x, y = rng.uniform(-179, 179), rng.uniform(-80, 80)
        polygons.append([ring(*((x + s * u, y + s * v) for u, v in (
            (0, 0), (1, 0), (1, t), (t, t), (t, 1 - t), (1, 1 - t), (1, 1), (0, 1))))])
    return polygons


def test_labels_of_small_polygons_are_inside_or_as_they_were():
    moved = 0
    for rings in random_small_polygons():
        polygon = shapely.geometry.shape({"type": "Polygon", "coordinates": rings})
        assert polygon.is_valid
        plain = model_label(rings)
        label = Topology.build(rings)["centroid"]
        if polygon.contains(shapely.Point(plain["x"], plain["y"])):
            assert label == plain
        else:
            moved += 1
            assert_deep_inside(rings, label)
    assert moved >= 20  # the set holds many labels the plain search misplaces


@pytest.mark.parametrize("rings, containment", [
    # no area, so no inside to find: a bow-tie whose lobes cancel (labelled
    # on its crossing), a ring out and back along its edges (beside them)
    ([[[0, 0], [0.2, 0.2], [0.2, 0], [0, 0.2], [0, 0]]], None),
    ([[[0, 0], [1, 0], [1, 1], [1, 0], [0, 0]]], None),
    ([box_ring(0, 0, 0.5, 0.5), box_ring(0, 0, 0.5, 0.5)], None),
    # a containment test that fails counts every centre inside
    (THIN_C, refuse),
])
def test_no_area_or_a_failing_containment_test_keeps_the_plain_label(monkeypatch, rings,
                                                                      containment):
    expected = model_label(rings, inside_always=containment is not None)
    if containment is not None:
        monkeypatch.setattr(shapely, "contains", containment)
    assert Topology.build(rings)["centroid"] == expected


def test_a_search_that_never_finds_a_centre_inside_ends_with_its_plain_label():
    # A containment test that answers False for every point, the centre of
    # the inscribed circle included: the label of the plain search stays.
    lines = run_case(f"""
        import numpy, shapely
        shapely.contains = lambda a, b, **kwargs: numpy.zeros(numpy.shape(b), dtype=bool)
        print(repr(Topology.build({THIN_C!r})["centroid"]))
    """)
    never = lambda polygon, point: False  # noqa: E731
    assert ast.literal_eval(lines[-1]) == model_label(THIN_C, inside_of=never)


# Thin polygons, whose plain search ends outside (in the bend of an arc, the
# hole of a ring, beside a river or a V) and whose every cell the search
# refined would cost seconds: labelled by the inscribed circle's centre.
W = 1e-6
THIN = {
    "arc of 131 vertices, 5e-5 wide": thin_arc(0.5, 0.49995, 64),
    "arc of 2,003 vertices": thin_arc(0.5, 0.49995, 1000),
    "ring 1e-6 wide, 1,000 vertices a side": thin_annulus(0.5, 1e-6, 999),
    "river 0.5 long, 1e-4 wide": river(0.5, 1e-4, 2500),
    "V with arms 1e-6 wide": [[[0, 0], [1, 1], [1 - W, 1], [0, W * 1.41], [-1 + W, 1], [-1, 1], [0, 0]]],
    "narrower V": [[[0, 0], [0.6, 0.8], [0.6 - W, 0.8], [0, W * 1.2], [-0.6 + W, 0.8], [-0.6, 0.8],
                    [0, 0]]],
}


@pytest.mark.parametrize("name", THIN)
def test_a_thin_polygon_is_labelled_inside_as_deep_as_its_inscribed_circle(name):
    rings = THIN[name]
    polygon = shapely.geometry.shape({"type": "Polygon", "coordinates": rings})
    assert polygon.is_valid and polygon.area > 0
    plain = model_label(rings)
    assert not polygon.contains(shapely.Point(plain["x"], plain["y"]))
    result = Topology.build(copy.deepcopy(rings))
    assert_deep_inside(rings, result["centroid"])
    west, south, east, north = polygon.bounds
    assert (result["perimeter"], result["area"], result["boundary"]) == (
        polygon.length, polygon.area, {"west": west, "south": south, "east": east, "north": north})


def test_the_label_of_a_search_that_ends_outside_is_the_inscribed_centre(monkeypatch):
    # The module global shapely is asked at the call, by keyword.
    asked = []

    def circle(geometry):
        asked.append(geometry)
        return shapely.LineString([(0.05, 0.3), (0.0, 0.3)])

    monkeypatch.setattr(shapely, "maximum_inscribed_circle", circle)
    assert Topology.build(copy.deepcopy(THIN_C))["centroid"] == {"x": 0.05, "y": 0.3}
    assert len(asked) == 1 and asked[0].equals(shapely.Polygon(THIN_C[0]))
    # labels the plain search finds inside never ask
    Topology.build(SHAPES["C shape"])
    assert len(asked) == 1


def failing_circle(geometry):
    raise shapely.errors.GEOSException("IllegalArgumentException")


@pytest.mark.parametrize("circle", [
    failing_circle,
    lambda geometry: shapely.LineString([(0.3, 0.3), (0.3, 0.4)]),  # a centre outside the C
    lambda geometry: None,  # an answer that is no circle
])
def test_an_inscribed_circle_that_fails_or_lies_outside_keeps_the_plain_label(monkeypatch, circle):
    monkeypatch.setattr(shapely, "maximum_inscribed_circle", circle)
    assert Topology.build(copy.deepcopy(THIN_C))["centroid"] == model_label(THIN_C)


def test_a_host_shapely_without_the_inscribed_circle_keeps_the_plain_label(monkeypatch):
    monkeypatch.delattr(shapely, "maximum_inscribed_circle")
    assert Topology.build(copy.deepcopy(THIN_C))["centroid"] == model_label(THIN_C)


def test_an_interrupt_in_the_inscribed_circle_is_not_swallowed(monkeypatch):
    def interrupt(geometry):
        raise KeyboardInterrupt

    monkeypatch.setattr(shapely, "maximum_inscribed_circle", interrupt)
    with pytest.raises(KeyboardInterrupt):
        Topology.build(copy.deepcopy(THIN_C))


def test_polygon_summary_keys_and_values():
    result = Topology.build([[[0, 0], [2, 0], [2, 2], [0, 2], [0, 0]]])
    assert list(result.items()) == [
        ("centroid", {"x": 1.0, "y": 1.0}), ("perimeter", 8.0), ("area", 4.0),
        ("boundary", {"west": 0.0, "south": 0.0, "east": 2.0, "north": 2.0}),
        ("type", "Polygon")]
    assert list(result["boundary"]) == ["west", "south", "east", "north"]


def test_polygon_measures_count_the_holes():
    result = Topology.build(SHAPES["square with hole"])
    assert (result["perimeter"], result["area"]) == (240.0, 1200.0)


# --- the other types -------------------------------------------------------------

def box(w, s, e, n):
    return {"west": w, "south": s, "east": e, "north": n}


@pytest.mark.parametrize("value, expected", [
    ([1, 2], {"type": "Point", "centroid": {"x": 1.0, "y": 2.0}, "boundary": box(1.0, 2.0, 1.0, 2.0)}),
    ([1, 2, 3], {"type": "Point", "centroid": {"x": 1.0, "y": 2.0}, "boundary": box(1.0, 2.0, 1.0, 2.0)}),
    ("POINT(-115.81 37.24)", {"type": "Point", "centroid": {"x": -115.81, "y": 37.24},
                              "boundary": box(-115.81, 37.24, -115.81, 37.24)}),
    (shapely.Point(-115.81, 37.24), {"type": "Point", "centroid": {"x": -115.81, "y": 37.24},
                                     "boundary": box(-115.81, 37.24, -115.81, 37.24)}),
    ({"coordinates": [1, 2]}, {"type": "Point", "centroid": {"x": 1.0, "y": 2.0},
                               "boundary": box(1.0, 2.0, 1.0, 2.0)}),
    ({"type": None, "coordinates": [1, 2]}, {"type": "Point", "centroid": {"x": 1.0, "y": 2.0},
                                             "boundary": box(1.0, 2.0, 1.0, 2.0)}),
    ({"type": "MultiPoint", "coordinates": [[0, 0], [10, 0], [4, 1]]},
     {"type": "MultiPoint", "centroid": {"x": 4.0, "y": 1.0}, "boundary": box(0.0, 0.0, 10.0, 1.0)}),
    ({"type": "MultiPoint", "coordinates": [[0, 0], [2, 0]]},
     {"type": "MultiPoint", "centroid": {"x": 0.0, "y": 0.0}, "boundary": box(0.0, 0.0, 2.0, 0.0)}),
    ({"type": "MultiPoint", "coordinates": []},
     {"type": "MultiPoint", "centroid": {"x": None, "y": None},
      "boundary": box(math.inf, math.inf, -math.inf, -math.inf)}),
    ([[0, 0], [1, 0], [1, 3]],
     {"type": "LineString", "centroid": {"x": 1.0, "y": 1.0}, "boundary": box(0.0, 0.0, 1.0, 3.0),
      "length": 4.0}),
    ({"type": "MultiLineString", "coordinates": [[[0, 0], [1, 0]], [[0, 5], [4, 5]]]},
     {"type": "MultiLineString", "centroid": {"x": 2.0, "y": 5.0},
      "boundary": box(0.0, 0.0, 4.0, 5.0), "length": 5.0}),
    # of two equally long lines the later one is labelled
    ({"type": "MultiLineString", "coordinates": [[[0, 0], [2, 0]], [[0, 5], [2, 5]]]},
     {"type": "MultiLineString", "centroid": {"x": 1.0, "y": 5.0},
      "boundary": box(0.0, 0.0, 2.0, 5.0), "length": 4.0}),
    ([[square(0, 0, 1)], [[[10, 10], [14, 10], [14, 12], [10, 12], [10, 10]]]],
     {"type": "MultiPolygon", "centroid": {"x": 12.0, "y": 11.0},
      "boundary": box(0.0, 0.0, 14.0, 12.0), "perimeter": 16.0, "area": 9.0}),
    # measured as plane values: steps across 180 degrees are taken as written
    ([[[[179.0, 10.0], [-179.0, 10.0], [-179.0, 11.0], [179.0, 11.0]]]],
     {"type": "MultiPolygon", "centroid": {"x": 0.0, "y": 10.5},
      "boundary": box(-179.0, 10.0, 179.0, 11.0), "perimeter": 718.0, "area": 358.0}),
    # of two polygons of equal area the later one is labelled
    ([[square(0, 0, 2)], [square(10, 0, 2)]],
     {"type": "MultiPolygon", "centroid": {"x": 11.0, "y": 1.0},
      "boundary": box(0.0, 0.0, 12.0, 2.0), "perimeter": 16.0, "area": 8.0}),
    ({"type": "GeometryCollection", "geometries": [{"type": "Point", "coordinates": [0, 0]},
                                                   {"type": "Point", "coordinates": [2, 2]}]},
     {"type": "GeometryCollection", "centroid": {"x": 1.0, "y": 1.0},
      "boundary": box(0.0, 0.0, 2.0, 2.0)}),
])
def test_summary(value, expected):
    result = Topology.build(value)
    assert result == expected
    assert list(result) == list(expected)


def test_a_line_of_length_zero_is_labelled_at_its_first_vertex():
    # The texts of [0, 0] and [0.0, 0.0] differ, so both vertices stay.
    result = Topology.build([[0, 0], [0.0, 0.0]])
    assert result["centroid"] == {"x": 0.0, "y": 0.0}
    assert isinstance(result["centroid"]["x"], float)
    assert result["length"] == 0.0
    result = Topology.build({"type": "MultiLineString", "coordinates": [[[3, 4], [3.0, 4.0]]]})
    assert result["centroid"] == {"x": 3.0, "y": 4.0}


def test_lines_and_polygons_are_cleaned_in_place():
    line = [[0, 0], [1, 1], [1, 1], [2, 0]]
    Topology.build(line)
    assert line == [[0, 0], [1, 1], [2, 0]]
    small, large = square(0, 0, 1), square(0, 0, 4)
    polygon = [small, large]
    Topology.build({"type": "MultiPolygon", "coordinates": [polygon]})
    assert polygon[0] == large  # area() moved the largest ring to the front


def test_text_and_shapely_input_are_summarised_again():
    calls = []

    class Recording(Topology):
        @classmethod
        def build(cls, coordinates):
            calls.append(type(coordinates).__name__)
            return super().build(coordinates)

        @classmethod
        def length(cls, coordinates, crs=2000):
            calls.append(("length", crs))
            return super().length(coordinates=coordinates, crs=crs)

    Recording.build("LINESTRING (0 0, 4 0)")
    Recording.build(shapely.LineString([(0, 0), (4, 0)]))
    assert calls == ["str", "dict", ("length", 0), "LineString", "dict", ("length", 0)]


@pytest.mark.parametrize("value, error, message", [
    ({"type": "Polygon", "coordinates": (1, 2)}, Exception,
     "Invalid type in [coordinates] parameter. Should be [list]"),
    ({"type": "MultiPoint", "geometries": []}, Exception, "Invalid type in [coordinates] parameter"),
    ({"geometries": []}, KeyError, "'type'"),
    ({"type": "Point"}, Exception,
     'Invalid [coordinates] parameter. ["coordinates/geometries" not found]'),
    ((1, 2), Exception, "[tuple] is not a valid type in [coordinates] parameter."),
    (None, Exception, "[NoneType] is not a valid type in [coordinates] parameter."),
    (shapely.LinearRing([(0, 0), (1, 0), (1, 1)]), Exception,
     "[LinearRing] is not a valid type in [coordinates] parameter."),
    (type("Sub", (list,), {})([1, 2]), Exception, "[Sub] is not a valid type in [coordinates] parameter."),
    ([[[[[0, 0]]]]], Exception, "Geometric type [None] not supported in [coordinates] parameters."),
    ({"type": "point", "coordinates": [1, 2]}, Exception,
     "Geometric type [point] not supported in [coordinates] parameters."),
    (["a", 1], Exception,
     "Invalid [coordinates: ['a', 1]] parameter. [could not convert string to float: 'a']"),
    ({"type": "MultiPoint", "coordinates": [[0, 0], (1, 1)]}, Exception,
     "Invalid [coordinates: (1, 1)] parameter."),
    ({"type": "LineString", "coordinates": [[[0, 0], [1, 1]]]}, Exception,
     "The number of valid coordinates must be > 1."),
    ({"type": "MultiLineString", "coordinates": []}, ValueError, "min() iterable argument is empty"),
    ([], IndexError, "list index out of range"),
    ({"type": "GeometryCollection", "geometries": []}, AttributeError, "centroid"),
])
def test_failures(value, error, message):
    with pytest.raises(error) as caught:
        Topology.build(value)
    assert type(caught.value) is error
    assert message in str(caught.value)


@pytest.mark.parametrize("point, vertex", [
    ([5], [5]),
    ({"type": "Point", "coordinates": []}, []),
])
def test_a_short_point_is_worded_as_area_words_a_short_vertex(point, vertex):
    with pytest.raises(ValueError) as short:
        Topology.area([[0, 0], vertex, [1, 1]], 0)
    with pytest.raises(Exception) as caught:
        Topology.build(point)
    shown = repr(point if isinstance(point, list) else vertex)
    assert str(caught.value) == f"Invalid [coordinates: {shown}] parameter. [{short.value}]"
    assert str(short.value).startswith("need more than ")


def test_a_point_failure_keeps_its_cause():
    with pytest.raises(Exception) as caught:
        Topology.build([5])
    assert isinstance(caught.value.__context__, ValueError)


# --- values whose conversion changes the caller's lists ------------------------

# `h` is the hostile value; the builder places it and gives it a home.
@pytest.mark.parametrize("build, hook, kind", [
    # x of a member of a multipoint empties the member list
    ("h = hostile(1.0, HOOK, KIND); pts = [[h, 1.0], [2.0, 2.0], [3.0, 1.0]]; h.home = pts;"
     "arg = {'type': 'MultiPoint', 'coordinates': pts}", "__float__", "clear"),
    # x of a point pops the point's own y
    ("h = hostile(1, HOOK, KIND); h.home = arg = [h, 2.0]", "__index__", "pop"),
    # a vertex of the line walked for its midpoint grows the line
    ("h = hostile(1.0, HOOK, KIND); h.home = line = [[0.0, 0.0], [h, 0.0], [2.0, 0.0]];"
     "arg = {'type': 'LineString', 'coordinates': line}", "__float__", "append"),
])
def test_members_changed_while_they_are_summarised(build, hook, kind):
    run_call(build, hook, kind, "Topology.build(arg)")
