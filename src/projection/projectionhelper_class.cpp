// Method table of class ProjectionHelper: WKT projection definitions and re-projection of geometry dicts.
#include "frame/method.h"
#include "projection/definition.h"
#include "projection/reprojection.h"

namespace {

using orb::Kind;

const char* const kClassDoc = R"doc(Re-projection of geometry dicts between spatial reference systems.

Derived from Projection.  An instance holds one source and one target
reference, given as EPSG codes or as any text GDAL's spatial reference
library reads (WKT such as that of definition(), PROJ strings, "EPSG:n";
never text it would read over a network, such as a grid URL, or that
names a device or a file under /proc or /sys, nor PROJ text that PROJ
would read otherwise than it is written, see __init__), the
coordinate transformation between them and two map scale denominators,
and re-projects whole geometry dicts vertex by vertex with project().  The
attributes sourceProjection and targetProjection hold the ESRI-style WKT
text of the two references.  Creating an instance switches GDAL's spatial
reference bindings to raising exceptions for the whole process.)doc";

const char* const kDefinition = R"doc(WKT 1 definition of a projected coordinate system.

Fills a fixed template with the spheroid and datum of the code's record and
the projection parameters; nothing is validated beyond the range tests.

Args:
    projection: "GaussKruger" (default; also "Gauss-Kruger", "Gauss"),
        "Lambert" ("Lambert_Conformal_Conic"), "Albers"
        ("Albers_Conic_Equal_Area") or "WebMercator" ("Pseudo-Mercator"),
        in any case, surrounding blanks ignored.
    crs: coordinate system code 1954, 1980, 1984 or 2000 (default); any
        other int falls back to 2000.
    centralMeridian: decimal degrees, -180 to +180; None (default) gives 0
        for Gauss-Kruger and web Mercator and 105.0 for Lambert and Albers.
    originLatitude: latitude of origin, -90 to +90; default 0.0 (not used
        by web Mercator).
    falseEasting: metres, a number or a numeric text ("500000", "5e5"),
        written as its str; None (default) gives 500000.0 for Gauss-Kruger
        and 0 otherwise.
    falseNorthing: metres; default 0.0.
    standard_parallel_1: first standard parallel of Lambert and Albers, -90
        to +90; default 25.0.
    standard_parallel_2: second standard parallel of Lambert and Albers,
        -90 to +90; default 47.0.

Returns:
    The WKT text of the projected coordinate system.  The Albers and web
    Mercator texts name the authority of the WGS 84 datum only on the WGS
    84 spheroid (code 1984), since GDAL cannot transform to that datum on
    another spheroid.

    A web Mercator text means the projection its parameters state, read
    the same way as a source and as a target.  On the WGS 84 spheroid
    (code 1984) with a central meridian, false easting and false northing
    that all equal 0 (0, 0.0 or -0.0) it is the text of EPSG:3857, "WGS 84
    / Pseudo-Mercator", with that authority: the spherical web Mercator of
    Projection.webMercator.  Every other web Mercator text, on another
    spheroid, meridian or false origin (WGS 84 with meridian 0 and a false
    origin too), means the Mercator projection on the record's spheroid
    with the meridian and false origin written in it.  It carries no
    EPSG:3857 authority, and on WGS 84 it is named "WGS 84 / Mercator",
    since GDAL and PROJ take any Mercator text named "WGS 84 /
    Pseudo-Mercator" for EPSG:3857.  Its northings are ellipsoidal ones and
    differ from the spherical ones of Projection.webMercator (some 27 km at
    latitude 40 on WGS 84).

    Likewise an Albers text means the ellipsoidal Albers equal-area
    projection on the record's spheroid to GDAL and PROJ, while
    Projection.albers is its spherical form: Projection.albers(120.0, 40.0,
    105.0, 0.0, 25.0, 47.0) gives (1252925.98, 4416377.83), while the
    Albers text of the same parameters (those of definition("Albers"))
    takes (120, 40) to (1254749.74, 4394828.70) through GDAL; the two
    differ by up to some 27 km over the globe.

Raises:
    Exception: an unknown projection name, or a central meridian, origin
        latitude or standard parallel out of range.
    Exception: "Invalid [falseEasting: {}] parameter. Should be a finite
        decimal number." (the value's str in the braces) for a false
        easting whose str is not a decimal number (an optional sign, ASCII
        digits with at most one decimal point, an optional exponent) or
        is not finite, such as "x", "1_000", nan or inf, after the range
        tests; the same for falseNorthing (nan, inf).)doc";

const char* const kInit = R"doc(Prepare the transformation from a source to a target reference.

Args:
    sourceProjection: EPSG code (an int) or any text GDAL reads (WKT, PROJ
        text, "EPSG:n", a local file such as a .prj), except text that GDAL
        would read over a network, that names a device (see below), or
        whose PROJ text is not in its plain form; None (default) for EPSG
        4326.
    targetProjection: EPSG code or text, as for the source; None (default)
        for EPSG 4326.
    sourceScale: scale denominator of the source coordinates; values of 0
        or less count as 1 (default).  x and y are multiplied by it before
        the transformation.
    targetScale: scale denominator of the target coordinates; values of 0
        or less count as 1 (default).  Transformed x and y are divided by it.

Both references use the traditional GIS axis order (x longitude or easting,
y latitude or northing).  When they describe the same system no
transformation is made and project() returns its argument unchanged.

PROJ text is read only in its plain form, so that it is checked as PROJ
will read it: a text that GDAL hands to PROJ as PROJ parameters (one that
holds "+proj" or "+init" and does not start with a WKT keyword such as
PROJCS or GEOGCRS, alone or after one "ESRI::"), the text of a PROJ4
EXTENSION of WKT, and, once GDAL has read a text, the PROJ text of a
method PROJ has no name for ("PROJ tmerc ...", which PROJ reads again
with the operation's parameters when it builds the transformation).  The
plain form is tokens separated by blanks (spaces, tabs, line breaks; any
number), each +name or +name=value, the '+' optional: the name of ASCII
letters, digits and '_', the value not empty, not ending in ',' or '=',
and without ';', '#', quotes or control characters.  So "+proj=utm
+zone=50 +datum=WGS84", "+x_0=+500000", "+towgs84=1,2,3",
"+nadgrids=@null", "+init=epsg:4326" and "+proj=pipeline +step ..." read
as before, while PROJ's own rewriting (';' as a blank, '#' opening a
comment, a '+' after a blank dropped, '=' and ',' joining the blanks
around them, quoted values) never applies, and a text that would need it
("+nadgrids=x;", "+nadgrids= +x", "+nadgrids=@null, +y",
'+nadgrids="a b"') is refused.  An EXTENSION must be written
EXTENSION["name","text"] (blanks between the parts, and '(' ')' as
brackets, allowed).  A parameter of a method PROJ has no name for must
have a plain name too.

A reference text is never read over a network, so one from an untrusted
source makes no connection: text that starts with a URL ("scheme://",
after any blanks and "ESRI::" prefixes) is refused, except the OGC CRS URLs
http(s)://opengis.net/def/crs... and http(s)://www.opengis.net/def/crs...,
which GDAL resolves from its own database; so is text that names a path on
one of GDAL's network file systems (/vsicurl/, /vsis3/, /vsigs/, /vsiaz/,
/vsiadls/, /vsioss/, /vsiswift/, /vsiwebhdfs/, /vsihdfs/, their _streaming
forms, and /vsisparse/), alone or inside a chain such as
/vsizip//vsicurl/....  A grid or init file named by a URL is refused too,
whatever PROJ's networking setting, since once the host turns that on PROJ
fetches such a file from the host the URL names: a URL, other than the OGC
ones above, where a file name starts in PROJ text (after '=', blanks and
quotes allowed between, or after ',' or '@' in a list of grids:
+nadgrids=http://..., +init=http://...:code), in WKT (a quoted text such
as an extension or a PARAMETERFILE) or in PROJJSON (a string, its JSON
escapes decoded).  The quoted texts of identifiers, identifier URIs,
remarks and the "$schema" of PROJJSON are not looked at for it.  Plain
grid names (+nadgrids=us_noaa_conus.tif) are PROJ's own business: it
downloads them from the endpoint the host configured, and only where the
host has turned PROJ's networking on.  Once GDAL has read a text, and
before the two references are compared or a transformation is built, a
reference is refused when an identifier at any level (WKT AUTHORITY or ID,
PROJJSON id or ids) has an authority name, code or version that is not a
plain name of ASCII letters, digits, '_', '-' and '.', since GDAL would
read "name:code" as a reference of its own, over a network if it makes a
URL, or when a parameter value of it (a grid file, every member of a
list of grids "@a,b,@c", a value of PROJ text) holds a URL; this holds
for references read from local files too.

Nor does a reference text block the call on a file that is not a regular
one.  Before GDAL sees the text, it is refused when it is the path of a
directory, or when it names an existing device, FIFO or socket, wherever
it lies, or a file whose real path (links followed) lies under /proc or
/sys, the kernel's own file systems, where no reference lives and a
regular file such as /proc/kmsg may block its reader (a regular file
under /dev, such as one in /dev/shm, reads as one anywhere else): the
text itself (also after an "ESRI::" prefix, and up to a first NUL), the
file of GDAL's "DICT:file,name", what a GDAL virtual file name opens (the whole rest after a prefix such as
/vsigzip/, the part in braces of /vsizip/{...}/..., the part after the
comma of /vsisubfile/offset_size,..., relative names and names with
blanks, ':' and ',' in them included), each value of PROJ text as PROJ
opens it (every member of a list of grids, an init file up to its ':',
relative to the working directory too), or a word or quoted text in it,
such as a WKT extension; so is GDAL's /vsistdin/.  Once GDAL has read a
text, the parameter values of the reference (every member of a list of
grids, which PROJ opens when it builds the transformation) and the values
of the PROJ text of its methods are checked the same way.  Files are
checked as they are when the text is read: a name that someone with
write access to a folder the text names swaps between the check and
GDAL's or PROJ's opening of it (a link turned from a regular file into a
FIFO) may still block.  Local regular files are read, and what they hold
is the host's own: it is not looked at for such names.  These checks take time
and memory in proportion to the text, whatever its length and shape: a
name is followed one directory at a time under the real path of the one
before, little is kept from one name to the next, and every file is
looked up through the interpreter's os module.

Raises:
    Exception: "Invalid [sourceProjection] parameter. References that GDAL
        would read over a network (URLs and network file system paths) are
        refused." (or [targetProjection]) before GDAL sees the text.
    Exception: "Invalid [sourceProjection] parameter. PROJ text (a PROJ
        string, the PROJ4 EXTENSION of WKT, the PROJ-based method of a
        reference) is read only in its plain form: ..." (the rule above in
        full) for PROJ text in any other form, before GDAL sees the text,
        and for the method of a reference once GDAL has read it.
    Exception: "Invalid [sourceProjection] parameter. References that name
        a device, a pipe, a socket or the standard input, or that are the
        path of a directory, are refused." before GDAL sees the text, or
        once it has read it, for a parameter value.
    Exception: "Invalid [sourceProjection] parameter. References that name
        a file under /proc or /sys, the kernel's own files, which may block
        their reader whatever their type, are refused." likewise.
    Exception: "Invalid [sourceProjection] parameter. Authority names,
        codes and versions of a reference must be plain names (ASCII
        letters, digits, '_', '-' and '.'), which GDAL reads from its own
        database; others it would read as references of their own, over a
        network or from files." once GDAL has read the text.
    Exception: the network message above once GDAL has read a reference
        with a parameter value that is a URL.
    The exception of GDAL for a reference it cannot read or a
    transformation it cannot build.)doc";

const char* const kProject = R"doc(Re-project a geometry dict vertex by vertex.

Args:
    geometry: a geometry dict; vertices are lists [x, y, z?, m?] in source
        coordinates, x and y scaled by sourceScale.

Returns:
    A new geometry dict of the same type and nesting with every vertex
    transformed (z as a height; at most four values kept) and x and y
    divided by targetScale; the argument itself when source and target
    are the same system.

Raises:
    Exception: "Invalid [geometry] parameter." for a dict without a true
        type, with neither "coordinates" nor a list of "geometries", or of
        an unknown type.
    TypeError: a vertex that is not a list.
    GDAL's exception for a point it cannot transform.)doc";

}  // namespace

const orb::ClassSpec& orb::projectionhelper_class() {
    static const ClassSpec table{
        "ProjectionHelper",
        "Projection",
        kClassDoc,
        nullptr,
        {
            {"definition", Kind::Class,
             {{"projection", "str", "'GaussKruger'"},
              {"crs", "int", "2000"},
              {"centralMeridian", "float | None", "None"},
              {"originLatitude", "float", "0.0"},
              {"falseEasting", "float | None", "None"},
              {"falseNorthing", "float", "0.0"},
              {"standard_parallel_1", "float", "25.0"},
              {"standard_parallel_2", "float", "47.0"}},
             "str", kDefinition, projectionhelper::definition},
            {"__init__", Kind::Instance,
             {{"sourceProjection", "str | int", "None"},
              {"targetProjection", "str | int", "None"},
              {"sourceScale", "int", "1"},
              {"targetScale", "int", "1"}},
             nullptr, kInit, projectionhelper::init},
            {"project", Kind::Instance, {{"geometry", "dict"}}, "dict", kProject, projectionhelper::project},
        },
    };
    return table;
}
