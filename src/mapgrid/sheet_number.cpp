// MapGrid.__corner1000000 and MapGrid.map: the 1:1,000,000 corner of a sheet
// number, and the new and old numbers and bounds of the sheet holding a point.
#include "mapgrid/mapgrid.h"
#include "mapgrid/sheet.h"
#include "mapgrid/sheet_number.h"

#include "frame/errors.h"
#include "frame/pattern.h"

#include <string>

namespace mapgrid {

namespace {

constexpr int kFlags = orb::Pattern::IGNORECASE | orb::Pattern::MULTILINE;

// Start of any line: optional prefix, row letter, optional hyphen, column 01
// to 60.  Nothing after the column is looked at.
//
// The blank runs are those of the first-part patterns of parse, read in the
// same way (see sheet_parse.cpp): as first written,
// "^[\s]*([NS]?)[\s]*([A-W]{1})[\s]*[-]?[\s]*(...)", the runs on either side
// of the optional prefix, and of the optional hyphen, shared one blank run
// in every split (k blanks: k squared steps), and every line start inside
// k blank lines tried them all again (k cubed).  What a match captures
// depends only on the first character after the blanks that is not white
// space, and every part after a run is not white space, so the runs are
// possessive; the leading run keeps to its line and a blank line fails at
// once (?!\n), so the start tried is the one on that character's line.
// The groups are the same for every text, found in time linear in it.
const orb::Pattern kFirstPart(
    R"(^[^\S\n]*+(?!\n)([NS]?)[\s]*+([A-W]{1})[\s]*+[-]?[\s]*+(([1-5][0-9])|(0[1-9])|(60)))",
    kFlags);


// The text of `table[index]` of the class, as "{}" would format it.
std::string table_item(const ClassView& view, PyObject* name, const char* original, int index) {
    if (view.plain) return std::string(1, original[index]);
    orb::Ref table = orb::getattr(view.cls, name);
    orb::Ref item = orb::Ref::steal(PySequence_GetItem(table, index));
    return orb::utf8(orb::format(item, ""));
}


// The boundary dict, keys in the order north, south, west, east.
orb::Ref boundary_dict(PyObject* north, PyObject* south, PyObject* west, PyObject* east) {
    orb::Ref d = new_dict();
    put(d, ORB_STR("north"), north);
    put(d, ORB_STR("south"), south);
    put(d, ORB_STR("west"), west);
    put(d, ORB_STR("east"), east);
    return d;
}

// The point, its 1:1,000,000 sheet and that sheet's corner, shared by every
// scale of one call.
struct Place {
    double lon, lat;
    Sheet1m sheet;
    std::string old1m;  // J-50
    double lon0, lat0;
};


// Appends the old-number step of a sheet with block index `block`.
void append_step(const ClassView& view, std::string& text, Step step, int block) {
    text += '-';
    switch (step) {
        case Step::Quarter: text += table_item(view, name_mapword(), kQuarters, block - 1); break;
        case Step::Quarter5k:
            text += table_item(view, name_mapword5000(), kQuarters5k, block - 1);
            break;
        case Step::Bracket:
            text += '[';
            text += padded(block, 0);
            text += ']';
            break;
        case Step::Paren:
            text += '(';
            text += padded(block, 0);
            text += ')';
            break;
        default: text += padded(block, 0); break;
    }
}

// Appends the old number of the sheet (row, col) at `s` below 1:1,000,000
// (not 1:200,000) to `text`.
//
// The parent sheet is the one that contains this sheet, taken from its row
// and column.  Found afresh from the point at the parent's scale it can be
// the neighbour across a sheet line the point lies on: the products of the
// offset by n round differently at the two division counts (1:2,000 and
// 1:5,000 near the equator), and the old number would name a sheet that is
// not the new number's.
//
// A plain class has its parents' numbers computed here directly; otherwise
// each parent comes from `cls.map` with the same point, or, where the point
// would fall in the other parent sheet, with that coordinate moved to the
// middle of this sheet.
void old_number(const ClassView& view, const Place& p, PyObject* lon, PyObject* lat,
                const Scale& s, int row, int col, std::string& text) {
    if (s.parent == 1000000) {
        text += p.old1m;
    } else {
        const Scale& up = *scale_of(s.parent);
        const int upRow = (row - 1) / s.k + 1;
        const int upCol = (col - 1) / s.k + 1;
        if (view.plain) {
            old_number(view, p, lon, lat, up, upRow, upCol, text);
        } else {
            const Bounds b = sheet_bounds(p.lat0, p.lon0, s.n, row, col, s.height, s.width);
            orb::Ref lonArg = orb::Ref::borrow(lon), latArg = orb::Ref::borrow(lat);
            if (sheet_row(p.lat, p.lat0, up.n) != upRow) latArg = orb::number(b.south + s.height / 2);
            if (sheet_col(p.lon, p.lon0, up.n) != upCol) lonArg = orb::number(b.west + s.width / 2);
            orb::Ref parent =
                orb::call_method(view.cls, name_map(), {lonArg, latArg, orb::integer(s.parent)});
            orb::Ref old = orb::Ref::steal(PyObject_GetItem(parent, ORB_STR("old")));
            text += orb::utf8(orb::format(old, ""));
        }
    }
    append_step(view, text, s.step, block_index(row, col, s.k));
}

}  // namespace

// `a, b = d.values()`, with the interpreter's unpacking messages.
void unpack_values(PyObject* d, orb::Ref& a, orb::Ref& b) {
    orb::Ref values = orb::call_method(d, ORB_STR("values"), {});
    orb::Ref it = orb::Ref::steal(PyObject_GetIter(values));
    orb::Ref got[2];
    for (int i = 0; i < 2; ++i) {
        got[i] = orb::Ref::steal_or_null(PyIter_Next(it));
        if (!got[i]) {
            orb::check_error();
            orb::raisef(PyExc_ValueError, "not enough values to unpack (expected 2, got %d)", i);
        }
    }
    orb::Ref extra = orb::Ref::steal_or_null(PyIter_Next(it));
    if (extra) orb::raise(PyExc_ValueError, "too many values to unpack (expected 2)");
    orb::check_error();
    a = got[0];
    b = got[1];
}

bool corner_of(Py_UCS4 prefix, Py_UCS4 letter, int column, int& lon0, int& lat0) {
    // The letters that case-insensitive matching admits, upper-cased: the
    // dotless i and the long s fold to I and S; the Kelvin sign and the
    // dotted capital I stay themselves and name no row.
    if (letter >= 'a' && letter <= 'z') letter -= 'a' - 'A';
    else if (letter == 0x131) letter = 'I';
    else if (letter == 0x17F) letter = 'S';
    if (letter < 'A' || letter > 'W') return false;
    const bool south = prefix == 'S' || prefix == 's' || prefix == 0x17F;
    lon0 = corner_lon(column);
    lat0 = corner_lat(south, static_cast<int>(letter - 'A'));
    return true;
}

orb::Ref corner1000000(orb::Args a) {
    const ClassView view(a[0]);
    orb::Ref groups = kFirstPart.search_groups(a[1]);
    if (!groups) fail(kInvalidCode);
    PyObject* prefix = PyTuple_GET_ITEM(groups.get(), 0);
    PyObject* letter = PyTuple_GET_ITEM(groups.get(), 1);
    PyObject* column = PyTuple_GET_ITEM(groups.get(), 2);
    // The column group admits only the ASCII digits 01 to 60.
    const int col = static_cast<int>((PyUnicode_READ_CHAR(column, 0) - '0') * 10 +
                                     (PyUnicode_READ_CHAR(column, 1) - '0'));
    const Py_UCS4 p = PyUnicode_GET_LENGTH(prefix) ? PyUnicode_READ_CHAR(prefix, 0) : 0;
    int lon0 = 0, lat0 = 0;
    if (view.plain) {
        if (!corner_of(p, PyUnicode_READ_CHAR(letter, 0), col, lon0, lat0)) fail(kInvalidCode);
    } else {
        orb::Ref table = orb::getattr(view.cls, name_mapcode());
        orb::Ref upper = orb::call_method(letter, ORB_STR("upper"), {});
        orb::Ref found = orb::call_method(table, ORB_STR("find"), {upper});
        const long pos = PyLong_AsLong(found);
        orb::check_error();
        // A letter that matched only by case folding is in no row.
        if (pos < 0) fail(kInvalidCode);
        const bool south = p == 'S' || p == 's' || p == 0x17F;
        lon0 = corner_lon(col);
        lat0 = corner_lat(south, static_cast<int>(pos));
    }
    orb::Ref d = new_dict();
    put(d, ORB_STR("longitude"), orb::integer(lon0));
    put(d, ORB_STR("latitude"), orb::integer(lat0));
    return d;
}

orb::Ref map(orb::Args a) {
    const ClassView view(a[0]);
    Place p;
    p.lon = a.num(1);
    p.lat = a.num(2);
    PyObject* scale = a[3];
    if (!(-180 <= p.lon && p.lon <= 180))
        orb::raise_between(orb::float_str(p.lon), "-180 ～ +180", "longitude");
    if (!(-90 <= p.lat && p.lat <= 90))
        orb::raise_between(orb::float_str(p.lat), "-90 ～ +90", "latitude");

    p.sheet = sheet_1m(p.lon, p.lat);
    const std::string sign = p.sheet.south ? "S" : "";
    const std::string rowCode = table_item(view, name_mapcode(), kRowLetters, p.sheet.rowIndex);
    const std::string column = padded(p.sheet.column, 2);
    const std::string new1m = sign + rowCode + column;
    p.old1m = sign + rowCode + "-" + column;

    orb::Ref lon0, lat0;
    if (view.plain) {
        lon0 = orb::integer(corner_lon(p.sheet.column));
        lat0 = orb::integer(corner_lat(p.sheet.south, p.sheet.rowIndex));
    } else {
        orb::Ref corner = orb::call_method(view.cls, name_corner(), {orb::text(new1m)});
        unpack_values(corner, lon0, lat0);
    }

    int overflow = 0;
    const long long wanted = PyLong_AsLongLongAndOverflow(scale, &overflow);
    orb::check_error();
    const Scale* s = overflow ? nullptr : scale_of(wanted);
    if (!s)
        fail("[{}] Should be one of [1000000, 500000, 250000, 200000, 100000, 50000, 25000, "
             "10000, 5000, 2000, 1000, 500] in [scale] parameter.",
             {scale});

    orb::Ref result = new_dict();
    if (s->n == 1) {
        orb::Ref four = orb::integer(4), six = orb::integer(6);
        put(result, ORB_STR("new"), orb::text(new1m));
        put(result, ORB_STR("old"), orb::text(p.old1m));
        put(result, ORB_STR("boundary"),
            boundary_dict(orb::Ref::steal(PyNumber_Add(lat0, four)), lat0, lon0,
                          orb::Ref::steal(PyNumber_Add(lon0, six))));
        return result;
    }

    p.lat0 = PyFloat_AsDouble(lat0);
    orb::check_error();
    p.lon0 = PyFloat_AsDouble(lon0);
    orb::check_error();
    const int row = sheet_row(p.lat, p.lat0, s->n);
    const int col = sheet_col(p.lon, p.lon0, s->n);
    const Bounds b = sheet_bounds(p.lat0, p.lon0, s->n, row, col, s->height, s->width);
    orb::Ref boundary = boundary_dict(orb::number(b.north), orb::number(b.south),
                                      orb::number(b.west), orb::number(b.east));

    orb::Ref newText, oldText;
    if (s->step == Step::Paren2) {
        // One text for both numbers, from the same column number as the
        // 1:1,000,000 part.
        newText = oldText = orb::text(p.old1m + "-(" + padded((row - 1) * 6 + col, 2) + ")");
    } else {
        newText = orb::text(new1m +
                            table_item(view, name_scalecode(), kScaleLetters, s->letter) +
                            padded(row, s->digits) + padded(col, s->digits));
        std::string old;
        old.reserve(48);  // the longest old number, at 1:500, has about 30 characters
        old_number(view, p, a[1], a[2], *s, row, col, old);
        oldText = orb::text(old);
    }
    put(result, ORB_STR("new"), newText);
    put(result, ORB_STR("old"), oldText);
    put(result, ORB_STR("boundary"), boundary);
    return result;
}

}  // namespace mapgrid
