// Method table of class Geometry: the geometry dict, its readers and writers and vertex operations.
#include "frame/method.h"
#include "geometry/affine.h"
#include "geometry/dumps.h"
#include "geometry/gml.h"
#include "geometry/kml_reader.h"
#include "geometry/kml_writer.h"
#include "geometry/loads.h"
#include "geometry/ogr.h"
#include "geometry/shapely_io.h"
#include "geometry/svg.h"
#include "geometry/vertex_access.h"
#include "geometry/wkb_writer.h"
#include "geometry/wkt_writer.h"

namespace {

using orb::Kind;

const char* const kClassDoc = R"doc(Geometry model and format conversion.

Every geometry is held as a geometry dict: the GeoJSON geometry structure in
plain dicts and lists, "type" first (Point, MultiPoint, LineString,
MultiLineString, Polygon, MultiPolygon or GeometryCollection), then
"coordinates" (nested lists of vertices [x, y, z?, m?]) or, for a collection,
"geometries" (a list of geometry dicts).

The class reads geometry dicts from GeoJSON text, WKT, hexadecimal WKB and
EWKB, free text of bare numbers, nested coordinate lists, shapely geometries,
KML, GML 3.2 and OGR geometries; writes them back as GeoJSON, WKT, EWKB, KML,
GML 3.2, SVG, shapely or OGR geometries; and swaps, lists, rotates, scales,
skews and translates vertices.  Methods that take a geometry use an exact
dict as it is and load every other value with loads() first, which
normalises a caller's lists in place.  All methods are class methods.)doc";

const char* const kLoads = R"doc(Read a geometry input into a normalised geometry dict.

Accepts a geometry dict, a collection dict (with "geometries"), a coordinate
list nested 1 to 4 deep, GeoJSON text, WKT, free text of bare numbers,
hexadecimal WKB or EWKB, or a shapely geometry.  Nothing is copied: the
caller's lists are kept in the result and normalised in place; repeated
vertices are removed from lines and rings, rings are closed by appending
their first vertex, and x and y of every vertex become floats.

Args:
    coordinates: the geometry input; tuples, None and subclasses of dict,
        list and str are refused.
    code: the kind of geometry expected, -1 (default) to recognise the type
        from its name or nesting depth (depth 2 is a LineString, depth 3 a
        Polygon), 0 for point kinds, 1 for line kinds, 2 for polygon kinds;
        None acts as -1 but cannot type a bare list of depth 2 or 3.

Text is read as GeoJSON when it holds a bracketed run, as WKT when it
holds a parenthesised one, and otherwise as bare numbers (x y pairs) or a
single hexadecimal WKB or EWKB token.  The members of a collection (a dict
with "geometries", a GeoJSON GeometryCollection, or a WKT body made of
member texts such as "POINT Z (1 2 3)" separated by commas) are each
loaded with code -1.

Returns:
    A new dict with "type" and "coordinates", or "type" and "geometries"
    for a collection.  Hexadecimal WKB and EWKB come back as converted,
    without normalisation.

Raises:
    Exception: a value of another type, a code that does not fit the
        geometry, a vertex with fewer than 2 values, a line of fewer than 2
        or a ring of fewer than 3 vertices, or text that cannot be read;
        "Invalid [coordinates] parameter. Collections are nested more than
        100 deep." for WKT or WKB text whose collections (multi-part
        geometries too, in WKB) nest deeper, the outermost at depth 0.
    TypeError, ValueError, IndexError, KeyError: the interpreter's own
        errors for values that are not numbers or lists, and json's or
        shapely's errors for text they cannot read.
    RecursionError: dicts or GeoJSON text nested deeper than the
        interpreter's recursion limit allows.)doc";

const char* const kDumps = R"doc(Write a geometry input as text in a named format.

Args:
    geometry: a geometry input; for the JSON formats an exact dict is
        written unchanged and any other value is loaded first.
    format: "gml", "kml", "wkt", "wkb", "json" or "geojson", matched in any
        letter case but not trimmed; default "json".

Returns:
    GML 3.2 or KML markup, WKT, hexadecimal EWKB with the SRID 4326 (None
    for an empty geometry), or GeoJSON geometry text.

Raises:
    Exception: "[...] is not a valid type in [format] parameter." for any
        other name, before the geometry is read.)doc";

const char* const kFromKml = R"doc(Read one KML geometry element into a geometry dict.

Reads Point, LineString, Polygon and MultiGeometry elements without a
namespace, and Track elements without a namespace or in the gx extension
namespace (one vertex per coord child).  The dict is returned as read: rings
are not closed, repeated vertices stay and every ordinate is a float.  Text
is parsed without expanding entities or loading external documents.

Args:
    geometry: KML text holding one element, or an lxml element.

Returns:
    A new geometry dict; a MultiGeometry becomes a MultiPoint,
    MultiLineString or MultiPolygon when its members are all points, all
    lines or all polygons, else a GeometryCollection of its points, then its
    lines, then its polygons, then its nested MultiGeometry and Track
    children, each read as an element of its own.  None for any other
    element, a geometry element in a namespace, or a MultiGeometry holding
    no geometry.

Raises:
    Exception: "The [geometry] parameter type not supported." for a value
        that is neither text nor exactly an lxml element; MultiGeometry
        elements nested more than 100 deep.)doc";

const char* const kFromGml = R"doc(Read one GML geometry into a geometry dict.

Args:
    geometry: GML text, or an lxml element holding one GML geometry.  Text
        is parsed without resolving entities; an element is not changed.

Returns:
    A dict in the shape of the geometry dict whose coordinate nesting is
    made of lists at every depth; rings and vertices are left as given.  A
    GML multi-geometry gives a GeometryCollection dict whose members are
    converted the same way.  A coordinates element is read with its cs, ts
    and decimal separators (default ",", " " and "."), and a pos or posList
    without a srsDimension of its own takes that of the nearest enclosing
    element which has one.

Raises:
    ValueError: for positions that do not make whole vertices: a number
        that cannot be read, a vertex whose ordinates differ in number
        from its dimension or are fewer than 2, a posList that does not
        divide into vertices, a point of more than one vertex, an invalid
        srsDimension, or separators that cannot be told apart.
    KeyError: for a parsed geometry with neither "coordinates" nor
        "geometries".)doc";

const char* const kFromShapely = R"doc(Turn a shapely geometry into a dict in the shape of the geometry dict.

Args:
    geometry: a shapely geometry.

Returns:
    A new dict decoded from shapely's GeoJSON text of the geometry; nothing
    is normalised (pass it to loads() for the normal form).)doc";

const char* const kFromOgr = R"doc(Turn an OGR geometry into a dict in the shape of the geometry dict.

Args:
    geometry: an OGR geometry.

Returns:
    A new dict decoded from the geometry's own GeoJSON text; nothing is
    normalised.

Raises:
    AttributeError: for a value without ExportToJson.)doc";

const char* const kToSvg = R"doc(Write a geometry as an SVG document.

Args:
    geometry: a geometry input or a shapely geometry.
    scale_factor: factor applied to the pen width; default 1.0.
    color: pen and fill colour as hexadecimal colour text; None (default)
        leaves it to shapely: "#66cc99" for a valid geometry, "#ff3333" for
        an invalid one.
    opacity: colour opacity from 0.0 to 1.0, exactly a float; None
        (default) leaves it to shapely (0.6 for points, 0.8 for lines and
        polygons).  Collections ignore it.

Returns:
    The text of one <svg> element in the SVG namespace holding shapely's
    fragment, with no XML declaration, size or view box; None for an empty
    geometry.

Raises:
    Exception: "[...] is not a valid type in [geometry] parameter." for a
        value of a type that toShapely() refuses.)doc";

const char* const kToKml = R"doc(Write a geometry as a KML geometry element.

Args:
    geometry: a geometry input; an exact dict is used unchanged.

Returns:
    The root lxml element (Point, LineString, Polygon or MultiGeometry) of a
    new tree without namespace or attributes.  A vertex is written as its
    ordinates joined by commas, the vertices of a line or ring joined by
    blanks; rings are written as held.

Raises:
    Exception: "[...] is not a valid type in [geometry] parameter." for a
        missing or unknown type, at any depth; collections nested more than
        100 deep.
    TypeError: a line, ring or collection member that is not exactly a
        list (or a dict for members), None included.)doc";

const char* const kToWkt = R"doc(Write a geometry as OGC well-known text.

Args:
    geometry: a geometry input; an exact dict is written unchanged.

Returns:
    The upper-case type name, a blank and the parenthesised body, for
    example "POINT (1.0 2.0)" or "MULTIPOINT (1.0 2.0,3.0 4.0)".  Every
    ordinate is written as str() gives it; there is no dimension tag, EMPTY
    keyword or SRID prefix.

Raises:
    Exception: "Invalid geometry type." for a false or unknown type, or a
        dict with neither "coordinates" nor a list of "geometries".
    KeyError: for a dict without "type".)doc";

const char* const kToWkb = R"doc(Write a geometry as hexadecimal extended WKB (EWKB).

Args:
    geometry: a geometry input or a shapely geometry.
    srid: spatial reference identifier to stamp; default 4326.  0 writes
        no SRID, and None keeps whatever SRID a shapely geometry carries.

Returns:
    Upper-case hexadecimal little-endian EWKB text, or None for an empty
    geometry.

Raises:
    Exception: "[...] is not a valid type in [geometry] parameter." for a
        value of a type that toShapely() refuses.)doc";

const char* const kToShapely = R"doc(Turn a geometry input into a shapely geometry.

An exact dict goes to shapely unchanged and untested; an exact list or text
is loaded first (a list is normalised in place); a shapely geometry,
recognised by its class name alone, is used as it is.

Args:
    geometry: a geometry input or a shapely geometry.
    srid: spatial reference identifier to set; default 4326 (longitude and
        latitude).  0 marks the reference as undefined; None sets nothing,
        so a non-empty shapely geometry comes back as the very same object.

Returns:
    A shapely geometry, or None when the geometry is empty.

Raises:
    Exception: "[...] is not a valid type in [geometry] parameter." for a
        value of any other type (None, a tuple, a dict subclass, a
        LinearRing).)doc";

const char* const kToGml = R"doc(Write a geometry as a GML 3.2 element.

Args:
    geometry: a geometry input; an exact dict is used unchanged.

Returns:
    The GML 3.2 lxml element of the geometry, with the identifier "-1".
    The geometry itself is never changed.)doc";

const char* const kToOgr = R"doc(Turn a geometry input into an OGR geometry.

Args:
    geometry: a geometry input; an exact dict is used unchanged.

Returns:
    A new OGR geometry, or None when OGR makes none or an empty one.)doc";

const char* const kSwapXY = R"doc(Exchange x and y of every vertex, in place.

Args:
    geometry: a geometry input.  An exact dict is changed in place; any
        other value is loaded first, so a caller's list is normalised and
        swapped in place as well.  Further ordinates are not touched, and a
        vertex object met twice (a closed ring) is swapped once.

Returns:
    The dict that was changed: the argument itself when it is a dict.

Raises:
    Exception: "Invalid geometry type." for a false or unknown type, a
        collection whose "geometries" is not a list, or a dict with neither
        "coordinates" nor "geometries".)doc";

const char* const kGetXY = R"doc(List the vertices of a geometry as tuples.

Args:
    geometry: a geometry input; an exact dict is read unchanged.
    endpoint: when true (default), only the first and the last vertex of
        every line and ring; when false, every vertex.  Points are always
        listed.

Returns:
    A new list of tuples holding all ordinates of each vertex as stored, in
    traversal order; nothing is merged.  Empty for a dict without a true
    type or a usable key.

Raises:
    Exception: "Invalid geometry type." for an unknown type with
        "coordinates".
    IndexError: an empty line or ring when endpoint is true.)doc";

const char* const kRotate = R"doc(Rotate a geometry about a point (shapely.affinity.rotate).

Args:
    geometry: a geometry input or a shapely geometry.
    angle: rotation in decimal degrees, positive counter-clockwise.
    origin: the fixed point: a tuple of up to three numbers, "center" (the
        bounding box centre) or "centroid"; default (0, 0, 0).

Returns:
    The rotated shapely geometry, or None for an empty geometry (shapely is
    then not called).)doc";

const char* const kScale = R"doc(Scale a geometry about a point (shapely.affinity.scale).

Args:
    geometry: a geometry input or a shapely geometry.
    xfact: scale factor along x; default 1.0.
    yfact: scale factor along y; default 1.0.
    zfact: scale factor along z; default 1.0.
    origin: the fixed point: a tuple of up to three numbers, "center" or
        "centroid"; default (0, 0, 0).

Returns:
    The scaled shapely geometry, or None for an empty geometry (shapely is
    then not called).)doc";

const char* const kSkew = R"doc(Skew a geometry about a point (shapely.affinity.skew).

Args:
    geometry: a geometry input or a shapely geometry.
    xs: shear angle along x in decimal degrees; default 0.0.
    ys: shear angle along y in decimal degrees; default 0.0.
    origin: the fixed point: a tuple of up to three numbers, "center" or
        "centroid"; default (0, 0, 0).

Returns:
    The skewed shapely geometry, or None for an empty geometry (shapely is
    then not called).)doc";

const char* const kTranslate = R"doc(Shift a geometry (shapely.affinity.translate).

Args:
    geometry: a geometry input or a shapely geometry.
    xoff: offset along x in the units of the coordinates; default 0.0.
    yoff: offset along y; default 0.0.
    zoff: offset along z; default 0.0.

Returns:
    The translated shapely geometry, or None for an empty geometry (shapely is
    then not called).)doc";

}  // namespace

const orb::ClassSpec& orb::geometry_class() {
    static const ClassSpec table{
        "Geometry",
        nullptr,
        kClassDoc,
        nullptr,
        {
            {"loads", Kind::Class,
             {{"coordinates", "str | list | dict"}, {"code", "int | None", "-1"}},
             "dict", kLoads, orb::geom::loads},
            {"dumps", Kind::Class,
             {{"geometry", "dict | list | str"}, {"format", "str", "'json'"}},
             "str", kDumps, orb::geom::dumps},
            {"fromKml", Kind::Class, {{"geometry", "str | etree._Element"}}, "dict", kFromKml, orb::geom::from_kml},
            {"fromGml", Kind::Class, {{"geometry", "str | etree._Element"}}, "dict", kFromGml, orb::geom::from_gml},
            {"fromShapely", Kind::Class, {{"geometry", "shapely.geometry"}}, "dict", kFromShapely,
             orb::geom::from_shapely},
            {"fromOgr", Kind::Class, {{"geometry", "ogr.Geometry"}}, "dict", kFromOgr, orb::geom::from_ogr},
            {"toSvg", Kind::Class,
             {{"geometry", "dict | list | str"},
              {"scale_factor", "float", "1.0"},
              {"color", "str", "None"},
              {"opacity", "float", "None"}},
             "str", kToSvg, orb::geom::to_svg},
            {"toKml", Kind::Class, {{"geometry", "dict | list | str"}}, "etree._Element", kToKml, orb::geom::to_kml},
            {"toWkt", Kind::Class, {{"geometry", "dict | list | str"}}, "str", kToWkt, orb::geom::to_wkt},
            {"toWkb", Kind::Class,
             {{"geometry", "dict | list | str"}, {"srid", "int | None", "4326"}},
             "str", kToWkb, orb::geom::to_wkb},
            {"toShapely", Kind::Class,
             {{"geometry", "dict | list | str"}, {"srid", "int | None", "4326"}},
             "shapely.geometry", kToShapely, orb::geom::to_shapely},
            {"toGml", Kind::Class, {{"geometry", "dict | list | str"}}, "etree._Element", kToGml, orb::geom::to_gml},
            {"toOgr", Kind::Class, {{"geometry", "dict | list | str"}}, "ogr.Geometry | None", kToOgr, orb::geom::to_ogr},
            {"swapXY", Kind::Class, {{"geometry", "dict | list | str"}}, "dict", kSwapXY, orb::geom::swap_xy},
            {"getXY", Kind::Class,
             {{"geometry", "dict | list | str"}, {"endpoint", "bool", "True"}},
             "list", kGetXY, orb::geom::get_xy},
            {"rotate", Kind::Class,
             {{"geometry", "dict | list | str"},
              {"angle", "float"},
              {"origin", "str | tuple", "(0, 0, 0)"}},
             "shapely.geometry", kRotate, orb::geom::rotate},
            {"scale", Kind::Class,
             {{"geometry", "dict | list | str"},
              {"xfact", "float", "1.0"},
              {"yfact", "float", "1.0"},
              {"zfact", "float", "1.0"},
              {"origin", "str | tuple", "(0, 0, 0)"}},
             "shapely.geometry", kScale, orb::geom::scale},
            {"skew", Kind::Class,
             {{"geometry", "dict | list | str"},
              {"xs", "float", "0.0"},
              {"ys", "float", "0.0"},
              {"origin", "str | tuple", "(0, 0, 0)"}},
             "shapely.geometry", kSkew, orb::geom::skew},
            {"translate", Kind::Class,
             {{"geometry", "dict | list | str"},
              {"xoff", "float", "0.0"},
              {"yoff", "float", "0.0"},
              {"zoff", "float", "0.0"}},
             "shapely.geometry", kTranslate, orb::geom::translate},
        },
    };
    return table;
}
