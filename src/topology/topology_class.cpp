// Method table of class Topology: measurement, label points, topology checks and shapely operations.
#include "frame/method.h"
#include "topology/area.h"
#include "topology/build.h"
#include "topology/check.h"
#include "topology/length.h"
#include "topology/operations.h"
#include "topology/predicates.h"

namespace {

using orb::Kind;

const char* const kClassDoc = R"doc(Topology and measurement of geometries, derived from Geometry.

Measures geodetic area, perimeter and length on the spheroids of the
national coordinate systems (Projection.datum) or in the plane, finds label
points and extents, checks lists of geometries for topology errors, and
carries out spatial predicates and operations with shapely.  Geometry
arguments are any geometry input of Geometry or shapely geometries; they are
converted through the class's own loads() and toShapely(), so a caller's
lists are normalised in place.  All methods are class methods.)doc";

const char* const kArea = R"doc(Measure the area, perimeter and extent of a polygon or multipolygon.

For a code of Projection.datum the vertices are longitude and latitude in
decimal degrees and each ring is measured in metres in a plane chosen for
that ring: Gauss-Kruger when it spans at most 6 degrees of longitude (about
the central meridian of its zone when its west and east edges share a
6-degree zone, else about its middle), otherwise Albers when it does not
cross the equator and web Mercator when it does.  Every edge takes the
short way round: a step of more than 180 degrees of longitude between
consecutive vertices crosses the antimeridian, and such a ring is measured
in the plane of its continuous longitude range (its span and its middle
decide), as it would be anywhere else.  A ring whose steps, read so, add up
to a whole turn winds round a pole and encloses it: it is measured in the
Albers plane, the cone fitted to the latitudes of its vertices, as the
polygon closed through that pole, with the perimeter of its own edges, and
it must keep to one side of the equator.  An edge between two vertices on
the same pole (latitude 90 or -90) is one point on the spheroid and adds
nothing to the perimeter, however the pole is stepped.  Any other code
measures the coordinates as they stand, in their own unit.  The ring of
largest area is the outer ring and the areas of the others are subtracted.
The caller's rings are closed, cleared of repeated vertices, the outer ring
moved to the front and the rings reoriented (outer counter-clockwise, the
others clockwise), in place.

Accuracy against geodesic polygons on the spheroid (GeographicLib), by plane:

    plane          area                  perimeter
    Gauss-Kruger   up to +0.27%          up to +0.14%
    Albers         -0.67% to +0.67%      by the latitudes the ring spans:
                                           up to 10 degrees  -1.9% to +0.5%
                                           up to 20 degrees  -3.3% to +2.0%
                                           up to 30 degrees  -4.4% to +3.9%
                                           up to 60 degrees  -7.1% to +11.8%
                                           up to 90 degrees  -8.9% to +24.4%
      round a pole -0.67% to +0.22%      -0.34% to 0
    web Mercator   for rings reaching 5, 10, 20, 30 degrees north and south
                   of the equator: area +0.9%, +1.7%, +4.8%, +10.5%;
                   perimeter +0.4% to +0.6%, +1.3% to +1.5%, +3.4% to
                   +6.0%, +6.8% to +13.7%

The Gauss-Kruger plane is not corrected for scale: the error is nil on the
central meridian and grows with the square of the distance from it, to the
figures above 3 degrees away (a zone edge) on the equator.  The Albers cone
is spherical, on the semi-major axis: areas come out large near the equator
and small near the poles, by the latitudes a ring covers whatever its
width.  Its figures, rounded outward, bound rings with a vertex at least
every degree along the parallels, 7 to 360 degrees wide, from the equator
up to at most 89.9 degrees or to a pole, and rings along one parallel round
either pole.  Its meridians shrink and its parallels stretch away from the
standard parallels, so perimeters err most on tall rings: low on narrow
ones (-8.9% for one 7 degrees wide from the equator to the pole), high on
wide ones (+24.4% for one 360 degrees wide from the equator to 89.9, +11.8%
from 29.9 to 89.9).  Edges are straight lines in the plane, not geodesics,
so longer edges add their own error: a box 39 degrees wide at 58-72 S given
by its four corners alone measures -1.1%, one 60 degrees wide at 0.5-5.5 S
-8.7%.  Web Mercator inflates areas and lengths with latitude; its figures
are those of rings 10 to 340 degrees wide, perimeters erring more on wider
rings.

Args:
    coordinates: a coordinate list (one ring, a polygon's rings or a
        multipolygon), a dict whose "coordinates" is used, or any other
        geometry input, which is loaded first.
    crs: coordinate system code 1954, 1980, 1984 or 2000 (default); any
        other int selects plane computation.

Returns:
    For a polygon {"area", "perimeter", "boundary", "type": "Polygon"}; for
    a multipolygon {"type": "MultiPolygon", "area", "perimeter",
    "boundary"}, the sums over its polygons.  The perimeter is that of the
    outer ring; "boundary" holds west, south, east, north in input units.
    A box across the antimeridian is written as RFC 7946 writes it, west
    greater than east: a ring from 175 eastward to -175 gives west 175.0
    and east -175.0.  A multipolygon with such a box gets the shortest run
    of longitude, eastward from west to east, that covers the boxes of all
    its polygons (-180 to 180 when they cover every longitude).  A box
    round a pole is written as RFC 7946 writes one: west -180.0, east
    180.0, and north 90.0 (or south -90.0) beyond the ring's vertices.

Raises:
    Exception: a dict without "coordinates", an empty coordinate list, a
        ring of fewer than 3 vertices, a polygon without rings, a ring of
        zero area (or, in the Albers plane, lying on the equator), a ring
        that winds round a pole more than once or reaches both sides of
        the equator (or lies on it), and the range errors of the
        projections.
    TypeError: integer vertex values on a code of Projection.datum, and a
        member of a multipolygon that is not a list.)doc";

const char* const kBuffer = R"doc(Buffer a geometry (shapely.buffer).

Args:
    geometry: a geometry input or a shapely geometry; it is prepared in
        place.
    distance: buffer distance in the unit of the coordinates.
    quad_segs: segments per quarter circle, exactly an int; default 8.
    cap_style: end cap style ("round", "flat" or "square"); default
        "round".
    join_style: join style ("round", "mitre" or "bevel"); default "round".
    mitre_limit: ratio limit of mitred joins; default 5.0.
    single_sided: buffer one side of lines only; default False.

Returns:
    The buffered shapely geometry.)doc";

const char* const kBuild = R"doc(Summarise a geometry for labelling: type, label point, extent and size.

The label point is the point itself; the member point nearest to the centre
of a multipoint's bounding box; the point halfway along a line (along the
longest line of a multiline); the pole of inaccessibility of a polygon (of
the largest polygon of a multipolygon); the centroid of a collection.  The
pole is searched to within 1.0 unit of the coordinates (one degree for
longitude and latitude), so a polygon smaller than that is labelled at the
best of its centroid, its box centre and a first grid of cells.  When that
point lies outside a polygon of positive area (in a hole, beside a concave
outline, in the bend of a thin arc or river), the label is the centre of
shapely's maximum_inscribed_circle at its default tolerance instead: a
point inside, as deep as that circle.  A polygon of no area (a ring of zero
area, or a bow-tie whose lobes cancel) has no inside: it keeps the search's
point, which lies on its outline or beside it.  All measures are planar, in
the unit of the coordinates.  A bare coordinate list is typed by its
nesting depth (Point, LineString, Polygon or MultiPolygon); lines and
polygons of the caller are cleaned in place.

What a label costs: each cell of the search is measured once, by a
containment test and a distance to every ring, without an index of the
outline, so a cell costs about 12 ns per vertex and 1 us per ring.  The
first grid has about as many cells as the box's long side is times its
short side, and cells are split while they may hold a point deeper than
the best by more than 1.0 unit, so the cells grow with the polygon's size
in its own unit: a polygon in degrees makes few, one kilometres across in
metres makes thousands.  Measured: a sliver 100,000 by 1 of 2,003
vertices, 2.4 s (a grid of 100,000 cells); a river 20 m wide winding 27 km,
in metres, of 4,408 vertices, 4.1 s (80,000 cells); a square 30 across
with 1,000 holes, 1.0 s (960 cells of 1,001 rings each).  The grid is
bounded at about 100,000 cells and the splits at 100,000, so no label
makes more than about 500,000 cells (some 6 ms per vertex and 0.5 s per
ring).  The inscribed circle adds milliseconds for most polygons of
thousands of vertices, but can cost more than the search on thin bands:
0.8 s for a zig-zag band 1e-6 wide of 4,003 vertices, in degrees, whose
own search takes milliseconds.

Args:
    coordinates: a coordinate list, a geometry dict, geometry text or a
        shapely geometry.

Returns:
    A new dict with "type", "centroid" ({"x", "y"}) and "boundary" (west,
    south, east, north), plus "length" for lines and "perimeter" and "area"
    for polygons.

Raises:
    Exception: a value of another type, an unsupported geometry type, or
        coordinates that cannot be measured.)doc";

const char* const kCheck = R"doc(Check a list of geometries for topology errors.

Members are sorted into points, lines and polygons (multi-part geometries
and collections are split) and each kind is checked on its own.  The bits
of mask select the checks: 1 "Overlap" (points given twice, vertices that
repeat the one before), 2 "DangleNode" (line ends met by no other end, open
rings), 4 "PseudoNode" (line ends shared by exactly two ends), 8
"SelfIntersection" (where a line or ring meets itself), 16 "Intersection"
(points common to all lines, or to all rings of one polygon).

Args:
    geometries: list of geometry inputs or shapely geometries.
    mask: bit mask of the checks, exactly an int; default 31 (all), 0 none.

Returns:
    A dict with the keys "point", "line" and "polygon", each present only
    when it holds findings; a finding is {"flag", "type": "Point" or
    "MultiPoint", "coordinates"}.  None when nothing was found or mask
    is 0.

Raises:
    Exception: "Invalid geometry type." for a member of an unknown type
        with "coordinates".
    KeyError: a dict member without "type".)doc";

const char* const kClearance = R"doc(Minimum clearance of a geometry (shapely.minimum_clearance).

Args:
    geometry: a geometry input or a shapely geometry.

Returns:
    The smallest distance a vertex can move before the geometry becomes
    invalid, in the unit of the coordinates; the int 0 when shapely reports
    it as infinite.

Raises:
    Exception: "Invalid [geometry] parameter." when the clearance is NaN.)doc";

const char* const kClip = R"doc(Clip a geometry to a rectangle (shapely.clip_by_rect).

Args:
    geometry: a geometry input or a shapely geometry.
    west: west edge of the rectangle.
    south: south edge of the rectangle.
    east: east edge of the rectangle.
    north: north edge of the rectangle.

Returns:
    The part of the geometry inside the rectangle, as a shapely geometry.)doc";

const char* const kContains = R"doc(Test whether a contains b (shapely.contains).

Args:
    a: a geometry input or a shapely geometry; it is prepared in place.
    b: a geometry input or a shapely geometry.

Returns:
    True when no point of b lies in the exterior of a and at least one
    interior point of b lies in the interior of a.)doc";

const char* const kContainsPoint = R"doc(Test whether a point lies in the interior of a geometry.

Args:
    geometry: a geometry input or a shapely geometry; prepared in place.
    longitude: x of the point, -180 to +180, in the geometry's units.
    latitude: y of the point, -90 to +90.

Returns:
    True when the point is in the interior; a point on the boundary is not
    contained.

Raises:
    Exception: a longitude, then a latitude, out of range (NaN included).)doc";

const char* const kConvexHull = R"doc(Convex hull of a geometry.

Args:
    geometry: a geometry input or a shapely geometry.

Returns:
    The smallest convex shapely geometry that holds the geometry.

Raises:
    AttributeError: for an empty geometry.)doc";

const char* const kCovers = R"doc(Test whether a covers b (shapely.covers).

Args:
    a: a geometry input or a shapely geometry; it is prepared in place.
    b: a geometry input or a shapely geometry.

Returns:
    True when no point of b lies outside a (boundary points count).)doc";

const char* const kCrosses = R"doc(Test whether a and b cross (shapely.crosses).

Args:
    a: a geometry input or a shapely geometry; it is prepared in place.
    b: a geometry input or a shapely geometry.

Returns:
    True when they share some but not all interior points and their
    intersection has a lower dimension than at least one of them.)doc";

const char* const kDifference = R"doc(The part of a that is not in b (shapely.difference).

Args:
    a: a geometry input or a shapely geometry.
    b: a geometry input or a shapely geometry.

Returns:
    The difference as a shapely geometry; an empty result is returned as
    shapely's empty geometry.)doc";

const char* const kDistanceOnLine = R"doc(Distance along a line to the projection of a point (shapely.line_locate_point).

Args:
    line: a line as a geometry input or a shapely geometry.
    point: a point as a geometry input or a shapely geometry.

Returns:
    The distance from the start of the line to the point of the line
    nearest to the point, in the unit of the coordinates.)doc";

const char* const kEquals = R"doc(Test whether a and b are topologically equal.

Args:
    a: a geometry input or a shapely geometry; it is prepared in place.
    b: a geometry input or a shapely geometry.

Returns:
    True when both are the same point set, whatever the order, starting
    vertex or number of their vertices.  Two empty geometries are equal;
    an empty and a non-empty one are not.)doc";

const char* const kEqual = R"doc(Test whether a and b are exactly equal (shapely ==).

Args:
    a: a geometry input or a shapely geometry; it is prepared in place.
    b: a geometry input or a shapely geometry.

Returns:
    True for the same geometry type with the same coordinates in the same
    order, without tolerance.  Two empty geometries are equal; an empty
    and a non-empty one are not.)doc";

const char* const kIntersection = R"doc(The common part of a and b (shapely.intersection).

Args:
    a: a geometry input or a shapely geometry.
    b: a geometry input or a shapely geometry.

Returns:
    The intersection as a shapely geometry, or None when it is empty.)doc";

const char* const kIntersections = R"doc(The part common to every geometry of a list (shapely.intersection_all).

Args:
    geometries: list of geometry inputs or shapely geometries; every member
        is converted before the intersection is made.

Returns:
    The common intersection as a shapely geometry, or None when it is
    empty.)doc";

const char* const kIntersects = R"doc(Test whether a and b share at least one point (shapely.intersects).

Args:
    a: a geometry input or a shapely geometry; it is prepared in place.
    b: a geometry input or a shapely geometry.

Returns:
    True when they share an interior or boundary point.)doc";

const char* const kIntersectsPoint = R"doc(Test whether a point lies in a geometry or on its boundary.

Args:
    geometry: a geometry input or a shapely geometry; prepared in place.
    longitude: x of the point, -180 to +180, in the geometry's units.
    latitude: y of the point, -90 to +90.

Returns:
    True when the point lies in the geometry or on its boundary.

Raises:
    Exception: a longitude, then a latitude, out of range (NaN included).)doc";

const char* const kLength = R"doc(Measure the length and extent of a line, a multiline or a polygon outline.

Segments between consecutive vertices are summed.  For a code of
Projection.datum the vertices are longitude and latitude in decimal degrees
and each segment is measured in metres: in one Gauss-Kruger plane when its
ends share a 6-degree zone or lie at most 6 degrees of longitude apart,
otherwise as the geodesic distance on the spheroid (Vincenty's iteration,
or Karney's method where it does not converge, as for nearly antipodal
points).  Any other code gives
the straight-line distance in the unit of the coordinates.  Repeated
vertices are removed from the caller's lines in place; rings are not closed,
so a closing edge counts only when the ring ends with its first vertex.

Accuracy against geodesic distances on the spheroid (GeographicLib):
segments measured as geodesics agree to 1e-11 of their length; segments in
a Gauss-Kruger plane, which is not corrected for scale, come out long by up
to 0.14%, nil on the central meridian and most 3 degrees from it (a zone
edge) on the equator.

Args:
    coordinates: a line, a list of lines (or rings), a dict whose
        "coordinates" is used, or any other geometry input, which is loaded
        first.
    crs: coordinate system code 1954, 1980, 1984 or 2000 (default); any
        other int selects plane computation.

Returns:
    A new dict {"length", "boundary"}; "boundary" holds west, south, east,
    north in input units.

Raises:
    Exception: a dict without "coordinates", a coordinate list that cannot
        be measured, a line of fewer than 2 vertices, and any error of a
        segment as "[...] in [coordinates] parameter." (a longitude or a
        latitude out of range among them).
    TypeError: a member of a list of lines that is not a list.)doc";

const char* const kOverlaps = R"doc(Test whether a and b overlap (shapely.overlaps).

Args:
    a: a geometry input or a shapely geometry; it is prepared in place.
    b: a geometry input or a shapely geometry.

Returns:
    True when both have the same dimension, their interiors meet in a set
    of that dimension and each has interior points outside the other.)doc";

const char* const kPointOnLine = R"doc(The point at a distance along a line (shapely.line_interpolate_point).

Args:
    line: a line as a geometry input or a shapely geometry.
    distance: distance from the start of the line in the unit of the
        coordinates; a negative distance counts from its end.

Returns:
    The shapely point; a distance beyond the line gives its first or last
    point.)doc";

const char* const kRectangle = R"doc(Minimum rotated rectangle of a geometry.

Args:
    geometry: a geometry input or a shapely geometry.

Returns:
    The smallest rectangle, of any orientation, that holds the geometry, as
    a shapely geometry.

Raises:
    AttributeError: for an empty geometry.)doc";

const char* const kRelate = R"doc(DE-9IM intersection matrix of a and b (shapely.relate).

Args:
    a: a geometry input or a shapely geometry (not prepared).
    b: a geometry input or a shapely geometry.

Returns:
    The nine-character matrix text, row by row (interior, boundary,
    exterior of a against those of b), each character "F", "0", "1" or
    "2"; for example "FF2FF1212" for two disjoint polygons.)doc";

const char* const kRepair = R"doc(Make an invalid geometry valid (shapely.make_valid).

Args:
    geometry: a geometry input or a shapely geometry.

Returns:
    A valid shapely geometry covering the same points.)doc";

const char* const kShortest = R"doc(Shortest line between two geometries (shapely.shortest_line).

Args:
    a: a geometry input or a shapely geometry; it is prepared in place.
    b: a geometry input or a shapely geometry.

Returns:
    The two-point shapely line whose first point lies on a and whose last
    point lies on b.)doc";

const char* const kSimilarity = R"doc(Discrete Frechet distance of two geometries (shapely.frechet_distance).

Args:
    a: a geometry input or a shapely geometry.
    b: a geometry input or a shapely geometry.
    densify: fraction between 0 and 1 by which each segment is densified,
        exactly a float; None (default) for no densification.

Returns:
    The distance in the unit of the coordinates; smaller is more similar.

Raises:
    Exception: "Invalid parameter." when the distance is NaN.)doc";

const char* const kSimplify = R"doc(Simplify a geometry (shapely.simplify).

Args:
    geometry: a geometry input or a shapely geometry; it is prepared in
        place.
    tolerance: largest distance a vertex may move, in the unit of the
        coordinates.
    preserveTopology: keep the result valid and its rings from crossing;
        default True.

Returns:
    The simplified shapely geometry.)doc";

const char* const kSnap = R"doc(Snap the vertices of a geometry to a reference geometry (shapely.snap).

Args:
    geometry: a geometry input or a shapely geometry.
    reference: the geometry to snap to, a geometry input or a shapely
        geometry.
    tolerance: largest snapping distance, in the unit of the coordinates.

Returns:
    The snapped shapely geometry.)doc";

const char* const kTouches = R"doc(Test whether a and b touch (shapely.touches).

Args:
    a: a geometry input or a shapely geometry; it is prepared in place.
    b: a geometry input or a shapely geometry.

Returns:
    True when they share at least one point and their interiors do not
    meet.)doc";

const char* const kTriangulate = R"doc(Delaunay triangulation of the vertices of a geometry (shapely.delaunay_triangles).

Args:
    geometry: a geometry input or a shapely geometry.
    tolerance: snapping tolerance for the vertices; default 0.0.
    edges: return the triangle edges as lines instead of the triangles as
        polygons; default False.

Returns:
    A new list of shapely polygons (or lines).

Raises:
    AttributeError: for an empty geometry.)doc";

const char* const kUnions = R"doc(Union of every geometry of a list (shapely.union_all).

Args:
    geometries: list of geometry inputs or shapely geometries; every member
        is converted before the union is made.
    gridSize: precision grid size, exactly a float; None (default) for full
        precision.
    axis: axis along which to reduce, exactly an int; None (default) for
        all members.
    srid: spatial reference identifier set on every member, exactly an int;
        None (default) sets none.

Returns:
    The union as a shapely geometry, or None when it is empty.)doc";

const char* const kUnion = R"doc(Union of a and b (shapely.union).

Args:
    a: a geometry input or a shapely geometry.
    b: a geometry input or a shapely geometry.

Returns:
    The union as a shapely geometry (an empty result as shapely's empty
    geometry).)doc";

const char* const kVoronoiDiagram = R"doc(Voronoi diagram of the vertices of a geometry (shapely.voronoi_polygons).

Args:
    geometry: a geometry input or a shapely geometry.
    envelope: shapely geometry to which the diagram is extended; None
        (default) for shapely's own extent.
    tolerance: snapping tolerance for the vertices; default 0.0.
    edges: return the cell edges as lines instead of the cells as
        polygons; default False.

Returns:
    A new list of shapely polygons (or lines), or None when shapely gives
    no diagram.

Raises:
    ValueError: "Could not create Voronoi Diagram with the specified inputs
        (...)." when shapely fails, with a hint to retry at the default
        tolerance when tolerance is not 0.)doc";

constexpr const char* kGeo = "dict | list | str";

}  // namespace

const orb::ClassSpec& orb::topology_class() {
    static const ClassSpec table{
        "Topology",
        "Geometry",
        kClassDoc,
        nullptr,
        {
            {"area", Kind::Class,
             {{"coordinates", "str | list | dict"}, {"crs", "int", "2000"}},
             "dict", kArea, orb::topology::area},
            {"buffer", Kind::Class,
             {{"geometry", kGeo},
              {"distance", "float"},
              {"quad_segs", "int", "8"},
              {"cap_style", "shapely.BufferCapStyle", "'round'"},
              {"join_style", "shapely.BufferJoinStyle", "'round'"},
              {"mitre_limit", "float", "5.0"},
              {"single_sided", "bool", "False"}},
             "shapely.geometry", kBuffer, topology::buffer},
            {"build", Kind::Class, {{"coordinates", "str | list | dict"}}, "dict", kBuild, topology::build},
            {"check", Kind::Class,
             {{"geometries", "list"}, {"mask", "int", "31"}},
             "dict | None", kCheck, topology::check},
            {"clearance", Kind::Class, {{"geometry", kGeo}}, "float", kClearance, topology::clearance},
            {"clip", Kind::Class,
             {{"geometry", kGeo},
              {"west", "float"},
              {"south", "float"},
              {"east", "float"},
              {"north", "float"}},
             "shapely.geometry", kClip, topology::clip},
            {"contains", Kind::Class, {{"a", kGeo}, {"b", kGeo}}, "bool", kContains, topology::contains},
            {"containsPoint", Kind::Class,
             {{"geometry", kGeo}, {"longitude", "float"}, {"latitude", "float"}},
             "bool", kContainsPoint, topology::contains_point},
            {"convexHull", Kind::Class, {{"geometry", kGeo}}, "shapely.geometry", kConvexHull, topology::convex_hull},
            {"covers", Kind::Class, {{"a", kGeo}, {"b", kGeo}}, "bool", kCovers, topology::covers},
            {"crosses", Kind::Class, {{"a", kGeo}, {"b", kGeo}}, "bool", kCrosses, topology::crosses},
            {"difference", Kind::Class, {{"a", kGeo}, {"b", kGeo}}, "shapely.geometry", kDifference, topology::difference},
            {"distanceOnLine", Kind::Class, {{"line", kGeo}, {"point", kGeo}}, "float",
             kDistanceOnLine, topology::distance_on_line},
            {"equals", Kind::Class, {{"a", kGeo}, {"b", kGeo}}, "bool", kEquals, topology::equals},
            {"equal", Kind::Class, {{"a", kGeo}, {"b", kGeo}}, "bool", kEqual, topology::equal},
            {"intersection", Kind::Class, {{"a", kGeo}, {"b", kGeo}}, "shapely.geometry",
             kIntersection, topology::intersection},
            {"intersections", Kind::Class, {{"geometries", "list"}}, "shapely.geometry",
             kIntersections, topology::intersections},
            {"intersects", Kind::Class, {{"a", kGeo}, {"b", kGeo}}, "bool", kIntersects, topology::intersects},
            {"intersectsPoint", Kind::Class,
             {{"geometry", kGeo}, {"longitude", "float"}, {"latitude", "float"}},
             "bool", kIntersectsPoint, topology::intersects_point},
            {"length", Kind::Class,
             {{"coordinates", "str | list | dict"}, {"crs", "int", "2000"}},
             "dict", kLength, orb::topology::length},
            {"overlaps", Kind::Class, {{"a", kGeo}, {"b", kGeo}}, "bool", kOverlaps, topology::overlaps},
            {"pointOnLine", Kind::Class, {{"line", kGeo}, {"distance", "float"}},
             "shapely.geometry.point", kPointOnLine, topology::point_on_line},
            {"rectangle", Kind::Class, {{"geometry", kGeo}}, "shapely.geometry", kRectangle, topology::rectangle},
            {"relate", Kind::Class, {{"a", kGeo}, {"b", kGeo}}, "str", kRelate, topology::relate},
            {"repair", Kind::Class, {{"geometry", kGeo}}, "shapely.geometry", kRepair, topology::repair},
            {"shortest", Kind::Class, {{"a", kGeo}, {"b", kGeo}}, "shapely.geometry", kShortest, topology::shortest},
            {"similarity", Kind::Class,
             {{"a", kGeo}, {"b", kGeo}, {"densify", "float", "None"}},
             "float", kSimilarity, topology::similarity},
            {"simplify", Kind::Class,
             {{"geometry", kGeo},
              {"tolerance", "float"},
              {"preserveTopology", "bool", "True"}},
             "shapely.geometry", kSimplify, topology::simplify},
            {"snap", Kind::Class,
             {{"geometry", kGeo}, {"reference", kGeo}, {"tolerance", "float"}},
             "shapely.geometry", kSnap, topology::snap},
            {"touches", Kind::Class, {{"a", kGeo}, {"b", kGeo}}, "bool", kTouches, topology::touches},
            {"triangulate", Kind::Class,
             {{"geometry", kGeo}, {"tolerance", "float", "0.0"}, {"edges", "bool", "False"}},
             "list", kTriangulate, topology::triangulate},
            {"unions", Kind::Class,
             {{"geometries", "list"},
              {"gridSize", "float", "None"},
              {"axis", "int", "None"},
              {"srid", "int", "None"}},
             "shapely.geometry", kUnions, topology::unions},
            {"union", Kind::Class, {{"a", kGeo}, {"b", kGeo}}, "shapely.geometry", kUnion, topology::union_},
            {"voronoiDiagram", Kind::Class,
             {{"geometry", kGeo},
              {"envelope", "shapely.geometry", "None"},
              {"tolerance", "float", "0.0"},
              {"edges", "bool", "False"}},
             "list", kVoronoiDiagram, topology::voronoi_diagram},
        },
    };
    return table;
}
