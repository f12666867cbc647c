// Method table of class Projection: angles, zones and the point projections of the national coordinate systems.
#include "frame/method.h"
#include "projection/angle.h"
#include "projection/projection_methods.h"

namespace orb {
// Stores __annotations__, the record class CRS and the table datum.
void store_reference_data(PyObject* ns);
}  // namespace orb

namespace {

using orb::Kind;

void attributes(PyObject* ns) { orb::store_reference_data(ns); }

const char* const kClassDoc = R"doc(Coordinate projections of the national coordinate systems.

Converts angles between decimal degrees and sexagesimal text, numbers 6- and
3-degree zones and their central meridians, and projects single points to
and from the Gauss-Kruger, web Mercator, Albers and Lambert planes on the
spheroids of the table datum.  datum maps a coordinate system code (1954,
1980, 1984, 2000) or a lower-case text alias of it to a CRS record holding
the semi-major axis a (metres), the flattening f, the name, the spheroid
name and the datum identifier.  Geographic coordinates are decimal degrees,
plane coordinates metres.)doc";

const char* const kAngle = R"doc(Convert an angle between decimal degrees and sexagesimal text.

With deg, writes it as degrees, minutes and seconds ("-120°30′0.0″").
Otherwise reads dms as a decimal number ("120.5", "120.5°"), a packed
number of degrees, two minute and two second digits ("1203045.5"), or a
marked text ("12°30′45.5″", "12度30分"), and returns decimal degrees.

Args:
    deg: angle in decimal degrees, -360 to +360, as a number or text; it
        takes precedence over dms.  Default None.
    dms: angle text (or number) to read; default None.
    digit: decimal places to round the seconds (deg) or the degrees (dms)
        to; its absolute integer value is used.  None (default) does not
        round.

Returns:
    The sexagesimal text for deg, the float degrees for dms.

Raises:
    Exception: "Invalid [deg] parameter." or "Invalid [dms] parameter." for
        text in no known form, a range message beyond 360 degrees, and
        "Invalid parameter." when both are None.)doc";

const char* const kZone = R"doc(Number of the projection zone that holds a longitude.

Args:
    longitude: decimal degrees, -180 to +180.
    zoneCode: 3 for 3-degree zones; any other int (default 6) for 6-degree
        zones.

Returns:
    The zone number: 1 to 60 for 6-degree zones, numbered eastward from
    longitude 0 (a longitude on a zone boundary belongs to the zone east of
    it); 1 to 120 for 3-degree zones, zone n centred on 3n degrees.

Raises:
    Exception: a longitude out of range.)doc";

const char* const kCentralMeridian = R"doc(Central meridian of the zone of a longitude, or of a zone number.

Args:
    longitude: decimal degrees, -180 to +180, exactly a float; when given
        it wins over zone.  Default None.
    zone: zone number, 1 to 60 (6-degree) or 1 to 120 (3-degree); default
        None.
    zoneCode: 3 for 3-degree zones; any other int (default 6) for 6-degree
        zones.

Returns:
    The central meridian in decimal degrees, -180 to +180: a float for
    6-degree zones (3.0 ... 177.0, -177.0 ... -3.0), an int for 3-degree
    zones.

Raises:
    Exception: a longitude or zone out of range, or "Invalid [zone]
        parameter." when neither is given.)doc";

const char* const kWebMercator = R"doc(Spherical (web) Mercator projection, both directions.

Projects forward when longitude and latitude are both given, otherwise back
from x and y.  The sphere has the semi-major axis of the 1984 system.

Args:
    longitude: decimal degrees, -180 to +180, exactly a float or None.
    latitude: decimal degrees, -90 to +90, exactly a float or None.
    x: easting in metres, exactly a float or None.
    y: northing in metres, exactly a float or None.

Returns:
    A new tuple: (x, y) in metres forward, (longitude, latitude) in decimal
    degrees back.

Raises:
    Exception: "Invalid parameter." when neither pair is complete, or a
        longitude or latitude out of range.
    ValueError: forward at latitude -90 (the northing is -infinity).
    OverflowError: back from a northing beyond about 709.78 x the radius.)doc";

const char* const kGaussKruger = R"doc(Gauss-Kruger (transverse Mercator) projection, both directions.

Projects back when x and y are both given, otherwise forward from longitude
and latitude, with the series constants of the code's spheroid.  Forward
eastings are universal: zone number x 1000000 + 500000 + the easting from
the central meridian, every point projected about one central meridian
carrying that meridian's zone number (floor(cm / 6) + 1 east of Greenwich,
floor((cm + 180) / 6) + 1 west of it, so 1 to 30 on both sides).

Accuracy against PROJ's exact transverse Mercator on the same spheroid:
forward within 0.1 mm up to 3 degrees of longitude from the central
meridian, 1.2 cm at 6 degrees and 0.2 m at 9 degrees (largest on the
equator); back within 0.4 mm up to 3 degrees.

Args:
    centralMeridian: decimal degrees, -180 to +180, exactly a float; None
        (default) takes the 6-degree zone of the longitude forward and the
        zone number in y back (3-degree zones above 30).
    x: northing in metres (inverse), exactly a float or None.
    y: easting in metres (inverse), with or without the zone number, or a
        natural easting of 0 or less; exactly a float or None.
    longitude: decimal degrees (forward), exactly a float or None.
    latitude: decimal degrees (forward), -90 to +90, exactly a float or
        None.
    crs: coordinate system code 1954, 1980, 1984 or 2000 (default).

Returns:
    A new tuple: (universal easting, northing) in metres forward,
    (longitude, latitude) in decimal degrees back.  Forward, the longitude
    difference is taken into [-180, 180), so longitudes 180 and -180 give
    the same point; the inverse longitude is not wrapped.

Raises:
    Exception: "Invalid [crs] parameter." for another code, "Invalid
        parameter." when neither pair is complete, "Invalid [x] parameter."
        for a NaN x or a northing too large for the footpoint iteration to
        converge (about 1e12 m and more), "Invalid [y] parameter." for a NaN
        y or an inverse without zone number or central meridian, and the
        range messages of the angles.)doc";

const char* const kAlbers = R"doc(Albers equal-area conic projection (spherical form), both directions.

Projects forward when longitude and latitude are both given, otherwise back
from x and y, on the sphere of the code's semi-major axis.  Plane
coordinates are measured from (centralMeridian, originLatitude), with no
false easting or northing.

Args:
    longitude: decimal degrees, -180 to +180, exactly a float or None.
    latitude: decimal degrees, -90 to +90, exactly a float or None.
    centralMeridian: decimal degrees, -180 to +180; default 0.0.
    originLatitude: latitude of the origin, -90 to +90; default 0.0.
    parallel1: first standard parallel, -90 to +90; default 20.0.
    parallel2: second standard parallel, -90 to +90; default 50.0.
    x: easting in metres, exactly a float or None.
    y: northing in metres, exactly a float or None.
    crs: coordinate system code 1954, 1980, 1984 or 2000 (default).

Returns:
    A new tuple: (x, y) in metres forward, (longitude, latitude) in decimal
    degrees back; cones opening to the south (both parallels south of the
    equator) work both ways.  Forward, the longitude difference is taken
    into [-180, 180), so a point across the antimeridian from the central
    meridian lies on its near side; back, the longitude comes out in
    [-180, +180].

Raises:
    Exception: "Invalid [crs] parameter." for another code, a range message
        for an angle, or "Invalid parameter." when neither pair is complete.
    ZeroDivisionError: for standard parallels whose sines cancel.
    ValueError: back from a point far outside the projected area.)doc";

const char* const kLambert = R"doc(Lambert conformal conic projection with two standard parallels, both directions.

Projects forward when longitude and latitude are both given, otherwise back
from x and y, on the code's spheroid.  Plane coordinates are measured from
(centralMeridian, originLatitude).

Scale: the radius used is the semi-major axis divided by 0.0174532925199433
(one degree in radians, to 15 digits), so x and y are the metre values of
the projection times about 57.2958.  This scale is deliberate and callers
may rely on it; the inverse expects coordinates on the same scale, and
dividing a result by 57.29577951308... (multiplying by 0.0174532925199433)
gives metres.

Args:
    longitude: decimal degrees, -180 to +180, exactly a float or None.
    latitude: decimal degrees, -90 to +90, exactly a float or None.
    centralMeridian: decimal degrees, -180 to +180; default 0.0.
    originLatitude: latitude of the origin, -90 to +90; default 0.0.
    parallel1: first standard parallel, -90 to +90; default 20.0.
    parallel2: second standard parallel, -90 to +90; default 50.0.  When
        it equals parallel1 the cone has that one standard parallel.
    x: easting, exactly a float or None.
    y: northing, exactly a float or None.
    crs: coordinate system code 1954, 1980, 1984 or 2000 (default).

Returns:
    A new tuple: (x, y) forward, (longitude, latitude) in decimal degrees
    back.  Forward, the longitude difference is taken into [-180, 180), so
    a point across the antimeridian from the central meridian lies on its
    near side; back, the longitude comes out in [-180, +180].

Raises:
    Exception: "Invalid [crs] parameter." for another code, a range message
        for an angle, or "Invalid parameter." when neither pair is complete.
    ZeroDivisionError: for standard parallels of opposite latitude.
    ValueError: for a standard parallel of +90, or latitude +90 on a cone
        opening to the south.)doc";

// The parameters of albers and lambert, which read them alike.
std::vector<orb::Param> conic_params() {
    return {{"longitude", "float", "None"},
            {"latitude", "float", "None"},
            {"centralMeridian", "float", "0.0"},
            {"originLatitude", "float", "0.0"},
            {"parallel1", "float", "20.0"},
            {"parallel2", "float", "50.0"},
            {"x", "float", "None"},
            {"y", "float", "None"},
            {"crs", "int", "2000"}};
}

}  // namespace

const orb::ClassSpec& orb::projection_class() {
    static const ClassSpec table{
        "Projection",
        nullptr,
        kClassDoc,
        attributes,
        {
            {"angle", Kind::Static,
             {{"deg", "float | str", "None"},
              {"dms", "float | str", "None"},
              {"digit", "int | str", "None"}},
             "float | str", kAngle, orb::projection::angle},
            {"zone", Kind::Class,
             {{"longitude", "float"}, {"zoneCode", "int", "6"}},
             "int", kZone, orb::projection::zone},
            {"centralMeridian", Kind::Class,
             {{"longitude", "float", "None"}, {"zone", "int", "None"}, {"zoneCode", "int", "6"}},
             "float", kCentralMeridian, orb::projection::central_meridian},
            {"webMercator", Kind::Class,
             {{"longitude", "float", "None"},
              {"latitude", "float", "None"},
              {"x", "float", "None"},
              {"y", "float", "None"}},
             "tuple", kWebMercator, orb::projection::web_mercator},
            {"gaussKruger", Kind::Class,
             {{"centralMeridian", "float", "None"},
              {"x", "float", "None"},
              {"y", "float", "None"},
              {"longitude", "float", "None"},
              {"latitude", "float", "None"},
              {"crs", "int", "2000"}},
             "tuple", kGaussKruger, orb::projection::gauss_kruger},
            {"albers", Kind::Class,
             conic_params(),
             "tuple", kAlbers, orb::projection::albers},
            {"lambert", Kind::Class,
             conic_params(),
             "tuple", kLambert, orb::projection::lambert},
        },
    };
    return table;
}
