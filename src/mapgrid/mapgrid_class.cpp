// Method table and letter tables of class MapGrid: national topographic map sheet numbers and grid lines.
#include "frame/method.h"
#include "mapgrid/mapgrid.h"
#include "mapgrid/sheet.h"

namespace {

using orb::Kind;

// Stores one text class attribute under its name as stored (private names
// already in their mangled form).
void store_text(PyObject* ns, const char* name, const char* value) {
    orb::Ref item = orb::text(value);
    if (PyDict_SetItemString(ns, name, item) < 0) throw orb::PyError{};
}

// The letter tables, in namespace order.
void attributes(PyObject* ns) {
    store_text(ns, "_MapGrid__mapcode", mapgrid::kRowLetters);
    store_text(ns, "_MapGrid__mapword", mapgrid::kQuarters);
    store_text(ns, "_MapGrid__mapword5000", mapgrid::kQuarters5k);
    store_text(ns, "_MapGrid__scalecode", mapgrid::kScaleLetters);
}

const char* const kClassDoc = R"doc(Sheets of the national topographic map series (GB/T 13989-2012).

Numbers, bounds and draws the map sheets at twelve scales, 1:1,000,000 to
1:500, with 1:200,000 beside them.  A 1:1,000,000 sheet spans 6 degrees of
longitude and 4 of latitude and is named by an optional S for the southern
hemisphere, a row letter A to W counted away from the equator and a column
number 01 to 60 counted east from 180 W (J50).  Every other scale divides it
into n x n sheets.  A sheet has a compact new number (J50D001005) and a
hyphenated old number (J-50-5).  Angles are decimal degrees; bounds are
returned as a dict of north, south, west and east.)doc";

const char* const kCorner = R"doc(South-west corner of the 1:1,000,000 sheet of a sheet number.

Reads the start of a new or old sheet number: an optional N or S prefix, a
row letter A to W and a column number 01 to 60, with letters in either case,
optional white space and an optional hyphen before the column.  Text after
the column number is not read.

Args:
    code: a sheet number, or any text that begins with the 1:1,000,000 part
        of one (the first line that does is used).

Returns:
    A new dict {"longitude", "latitude"} holding the corner as two ints.

Raises:
    Exception: "Invalid [code] parameter." when no line begins with a
        1:1,000,000 sheet number, or its row letter matched only by case
        folding (the Kelvin sign).)doc";

const char* const kMap = R"doc(The map sheet of a scale that holds a point.

Args:
    longitude: decimal degrees, -180 to +180.
    latitude: decimal degrees, -90 to +90.
    scale: scale denominator, one of 1000000 (default), 500000, 250000,
        200000, 100000, 50000, 25000, 10000, 5000, 2000, 1000 and 500.

Returns:
    A new dict with "new" (the new sheet number, for example J50D001005;
    at 1:200,000 the old number, which has no new form), "old" (the old
    sheet number, for example J-50-5) and "boundary" {"north", "south",
    "west", "east"} (ints at 1:1,000,000, floats otherwise).  A point on
    an inner sheet line belongs to the sheet north or east of it.  A point
    on a southern 4-degree parallel lies in the top row of the 1:1,000,000
    sheet south of it, and longitude +180 in column 60.

Raises:
    Exception: a longitude or latitude out of range, then a scale that is
        not one of the twelve.)doc";

const char* const kGrid = R"doc(Sheet lines of the map series for a view window, one line at a time.

The zoom level selects the scale: 16 and above 1:500, 15 1:1,000, 14
1:2,000, 13 1:5,000, 12 1:10,000, 11 1:25,000, 10 1:50,000, 9 1:100,000, 8
1:200,000, 7 1:250,000, 6 1:500,000, anything else 1:1,000,000.  The call
returns a generator at once; the range checks and the work run as it is
iterated.  Meridians come first, west to east, then parallels, south to
north, each clipped to the window.  Each line lies exactly on the sheet
edge that map and parse report, and the summary counts the lines of the
window widened outward to whole lines.

Args:
    north: north edge of the window, -90 to +90, not below south.
    south: south edge of the window, -90 to +90.
    west: west edge of the window, -180 to +180, not above east.
    east: east edge of the window, -180 to +180.
    zoom: display zoom level; default 0.
    summary: when true, yield one summary instead of the lines; default
        False.

Yields:
    Line dicts {"remarks": "longitude" or "latitude", "type": "LineString",
    "coordinates": [[x, y], [x, y]], "scale"}; with summary one dict
    {"count": [meridians, parallels], "step": [dLng, dLat], "scale"}.

Raises:
    Exception: at the first request, an edge out of range or north below
        south or east below west.)doc";

const char* const kParse = R"doc(Scale and bounds of a sheet number.

Reads new and old sheet numbers at every scale, with letters in either case,
white space around the parts, an optional N prefix and leading zeros in
block indexes.  Only the first line that begins with a sheet number is read.

Args:
    code: the sheet number, for example J50D001005, J-50-5 or J-50-(03).

Returns:
    A new dict {"scale", "boundary"}: the scale denominator and the bounds
    {"north", "south", "west", "east"} of the sheet, ints for a 1:1,000,000
    sheet and floats otherwise.

Raises:
    Exception: "Unable to recognize [code] parameter." when no 1:1,000,000
        part is found, "Invalid [code] parameter." for a tail that is no
        valid step, and a range message for a sheet row, column or block
        index outside its scale.)doc";

}  // namespace

const orb::ClassSpec& orb::mapgrid_class() {
    static const ClassSpec table{
        "MapGrid",
        nullptr,
        kClassDoc,
        attributes,
        {
            {"__corner1000000", Kind::Class, {{"code", "str"}}, "dict | None", kCorner,
             mapgrid::corner1000000},
            {"map", Kind::Class,
             {{"longitude", "float"}, {"latitude", "float"}, {"scale", "int", "1000000"}},
             "dict", kMap, mapgrid::map},
            {"grid", Kind::Generator,
             {{"north", "float"},
              {"south", "float"},
              {"west", "float"},
              {"east", "float"},
              {"zoom", "int", "0"},
              {"summary", "bool", "False"}},
             "Iterator", kGrid, nullptr, mapgrid::grid},
            {"parse", Kind::Class, {{"code", "str"}}, "dict", kParse, mapgrid::parse},
        },
    };
    return table;
}
